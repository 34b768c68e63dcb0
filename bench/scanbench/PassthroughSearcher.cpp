#include "PassthroughSearcher.h"

#include <cstring>

#include "engine/IStorageDevice.h"

namespace scanbench {

CPassthroughSearcher::CPassthroughSearcher(std::unique_ptr<ICompleteFileSystemSearchController> pInner, bool bHash,
                                           std::shared_ptr<PassthroughTally> pTally)
    : m_pInner(std::move(pInner)), m_pTally(std::move(pTally)) {
    if (bHash) {
        m_pHash.reset(EVP_MD_CTX_new());
        if (m_pHash && EVP_DigestInit_ex(m_pHash.get(), EVP_sha256(), nullptr) != 1) m_pHash.reset();
    }
}

// A stopped scan skips this searcher's EndSearch.
CPassthroughSearcher::~CPassthroughSearcher() { FinishHash(); }

void CPassthroughSearcher::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) {
    if (m_pInner) m_pInner->SetDirecotryTreeBuilder(pBuilder);
}

int CPassthroughSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    return m_pInner ? m_pInner->GetSearchedPartitionInfo(ppPartitions, iCount) : 0;
}

void CPassthroughSearcher::SetDevice(IStorageDevice* pDevice) {
    m_pDevice = pDevice;
    if (m_pInner) m_pInner->SetDevice(pDevice);
}

void CPassthroughSearcher::SetBlockSize(int iSectors) {
    if (m_pInner) m_pInner->SetBlockSize(iSectors);
}

RESULT CPassthroughSearcher::PreparetoSearch() { return m_pInner ? m_pInner->PreparetoSearch() : kResultSuccess; }

void CPassthroughSearcher::EndSearch(int iBuild) {
    FinishHash();
    if (m_pInner) m_pInner->EndSearch(iBuild);
}

RESULT CPassthroughSearcher::AnalyzeBlock(long long s64First, long long s64Count) {
    if (m_pDevice && s64Count > 0) {
        auto const sectorBytes = static_cast<std::size_t>(m_pDevice->GetSectorSize());
        std::size_t const bytes = static_cast<std::size_t>(s64Count) * sectorBytes;
        if (m_block.size() < bytes) m_block.resize(bytes);
        // Failed sectors read as zeros from the cache; the block is handed on all the same.
        m_pDevice->ReadSector(m_block.data(), s64First, s64Count);
        for (std::size_t offset = 0; offset + 4 <= bytes; offset += sectorBytes) {
            std::uint32_t u32Head = 0;
            std::memcpy(&u32Head, m_block.data() + offset, sizeof(u32Head));
            m_u32Touched ^= u32Head;
        }
        if (m_pHash) EVP_DigestUpdate(m_pHash.get(), m_block.data(), bytes);
        m_pTally->u64Bytes += bytes;
    }
    return m_pInner ? m_pInner->AnalyzeBlock(s64First, s64Count) : kResultSuccess;
}

void CPassthroughSearcher::SetIProgressSink(IProgress* pProgress) {
    if (m_pInner) m_pInner->SetIProgressSink(pProgress);
}

void CPassthroughSearcher::FinishHash() {
    m_pTally->u32Touched = m_u32Touched;
    if (!m_pHash) return;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int uLength = 0;
    if (EVP_DigestFinal_ex(m_pHash.get(), digest, &uLength) == 1) {
        static constexpr char kHex[] = "0123456789abcdef";
        m_pTally->sha256.clear();
        for (unsigned int i = 0; i < uLength; ++i) {
            m_pTally->sha256.push_back(kHex[digest[i] >> 4]);
            m_pTally->sha256.push_back(kHex[digest[i] & 0xF]);
        }
    }
    m_pHash.reset();
}

}  // namespace scanbench
