#include "HfsPlusScan.h"

#include <fstream>
#include <iterator>
#include <unordered_map>

#include "engine/IStorageDeviceData.h"
#include "engine/core/copyout/FileReader.h"
#include "engine/core/node/FileNode.h"
#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"

namespace hfsplustest {

std::string MacImagePath() { return std::string(HFSPLUS_FIXTURES) + "/hfsplus/hfsplus.raw"; }

std::vector<std::uint8_t> LoadMacImage() {
    std::ifstream in(MacImagePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<PartitionEntry> FindHfsPartition(IStorageDevice& disk) {
    // The tables are read from a described disk, as the disk listing hands them over.
    if (disk.GetPrivateData() == nullptr) disk.SetPrivateData(CreateDiskDeviceData(new CCollectDiskDeviceInfoStruct));
    std::unique_ptr<IPartitionTableAnalyze> pTables(CreatePartitionTableAnalyze());
    std::vector<PartitionEntry> entries;
    (void)pTables->AnalyzePartitionTable(&disk, entries);
    for (PartitionEntry const& entry : entries) {
        std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&disk, entry.u64StartSector));
        if (pAnalyser && pAnalyser->GetFileSystemType() == FILE_SYSTEM_HFSPLUS) return entry;
    }
    return std::nullopt;
}

void PutBe16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value >> 8);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value);
}

void PutBe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    PutBe16(bytes, offset, static_cast<std::uint16_t>(value >> 16));
    PutBe16(bytes, offset + 2, static_cast<std::uint16_t>(value));
}

VolumeScan::VolumeScan(std::vector<std::uint8_t> bytes, int iSectorSize)
    : m_pDevice(std::make_unique<CMemoryDevice>(std::move(bytes), iSectorSize, STORAGE_DEVICE_VOLUME)) {
    Scan();
}

VolumeScan::VolumeScan(std::unique_ptr<IStorageDevice> pDisk, long long s64Start, long long s64Sectors)
    : m_pDisk(std::move(pDisk)), m_pDevice(CreatePartitionDevice(m_pDisk.get(), s64Start, s64Sectors)) {
    Scan();
}

void VolumeScan::Scan() {
    m_searcher.SetDirecotryTreeBuilder(&m_builder);
    m_result = m_searcher.QuickSearchFiles(m_pDevice.get(), &m_progress);
    CSearchedPartitionInfo* pPartition = nullptr;
    if (m_searcher.GetSearchedPartitionInfo(&pPartition, 1) == 1) m_pPartition.reset(pPartition);

    std::unordered_map<long long, IFileNode*> byID;
    for (IFileNode* pNode : m_builder.Nodes()) byID[pNode->GetCurrentNodeID()] = pNode;
    for (IFileNode* pNode : m_builder.Nodes()) {
        std::string path;
        IFileNode* pAt = pNode;
        // A path is at most as deep as there are nodes; a longer chain is a loop.
        for (std::size_t depth = 0; pAt != nullptr && depth <= byID.size(); ++depth) {
            path = "/" + std::string(pAt->GetFileName()) + path;
            if (pAt->GetParentNodeID() == hfsplus::kRootFolderID) break;
            auto const parent = byID.find(pAt->GetParentNodeID());
            pAt = parent != byID.end() ? parent->second : nullptr;
        }
        if (pAt != nullptr) m_nodes.emplace(path, pNode);
    }
}

std::optional<std::vector<std::uint8_t>> VolumeScan::ReadFile(IFileNode* pNode) {
    auto* pFileNode = dynamic_cast<CFileNode*>(pNode);
    if (pFileNode == nullptr || !m_pPartition) return std::nullopt;
    if (pNode->GetFileSize() == 0) return std::vector<std::uint8_t>();
    CFileReader reader;
    if (reader.Open(m_pDevice.get(), pFileNode, m_pPartition.get()) == 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pNode->GetFileSize()));
    std::uint32_t u32Done = 0;
    if (!reader.Read(0, bytes, u32Done) || u32Done != bytes.size()) return std::nullopt;
    return bytes;
}

}  // namespace hfsplustest
