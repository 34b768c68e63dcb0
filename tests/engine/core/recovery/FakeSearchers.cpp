#include "FakeSearchers.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "engine/IStorageDevice.h"
#include "testkit/TestFileNode.h"

namespace recoverytest {

namespace {

constexpr long long kRootId = 5;

CSearchedPartitionInfo* NewPartition() {
    auto* pPartition = new CSearchedPartitionInfo(512);
    pPartition->m_u32SectorsPerCluster = 1;
    pPartition->SetTotalSectors(1 << 20);
    return pPartition;
}

/// A deleted folder (id 10) under the root with one deleted file (id 11) in it, named after
/// `stem`: what any scan type shows.
void AddFolderWithFile(IDirecotryTreeBuilder* pBuilder, _tagSearcherType eType, std::string const& stem) {
    pBuilder->AddSearcherInfo(eType, kRootId);
    auto* pFolder = new testkit::CTestFileNode(stem.c_str(), true);
    pFolder->SetNodeID(10);
    pFolder->SetParentNodeID(kRootId);
    auto* pFile = new testkit::CTestFileNode((stem + ".txt").c_str());
    pFile->SetNodeID(11);
    pFile->SetParentNodeID(10);
    pFile->SetFileSize(100);
    for (testkit::CTestFileNode* pNode : {pFolder, pFile}) {
        pNode->SetSearcherType(eType);
        pNode->SetDeleted(true);
        if (!pBuilder->AddNode(pNode, eType)) pNode->Release();
    }
    pBuilder->FlashBuild(eType);
}

}  // namespace

bool SearcherRecord::Called(std::string const& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

void FakeCompleteSearcher::Log(std::string const& call) {
    // The searchers of one block run on several threads: the shared order is kept one at a time.
    static std::mutex s_lock;
    std::lock_guard lock(s_lock);
    m_pRecord->calls.push_back(call);
    m_pRecord->pOrder->push_back(std::to_string(m_pRecord->eType) + ":" + call);
}

void FakeCompleteSearcher::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) {
    m_pRecord->pBuilder = pBuilder;
    Log("SetDirecotryTreeBuilder");
}

int FakeCompleteSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (ppPartitions && iCount >= 1) ppPartitions[0] = NewPartition();
    return 1;
}

void FakeCompleteSearcher::SetDevice(IStorageDevice* pDevice) {
    m_pDevice = pDevice;
    Log("SetDevice");
}

void FakeCompleteSearcher::SetBlockSize(int iSectors) {
    m_pRecord->iBlockSize = iSectors;
    Log("SetBlockSize");
}

RESULT FakeCompleteSearcher::PreparetoSearch() {
    Log("PreparetoSearch");
    return kResultSuccess;
}

void FakeCompleteSearcher::EndSearch(int iBuild) { Log("EndSearch:" + std::to_string(iBuild)); }

RESULT FakeCompleteSearcher::AnalyzeBlock(long long s64First, long long s64Count) {
    Log("AnalyzeBlock:" + std::to_string(s64First) + ":" + std::to_string(s64Count));
    m_pRecord->blocks.emplace_back(s64First, s64Count);
    std::size_t const offset = m_pRecord->bytes.size();
    m_pRecord->bytes.resize(offset + static_cast<std::size_t>(s64Count * m_pDevice->GetSectorSize()));
    m_pDevice->ReadSector(m_pRecord->bytes.data() + offset, s64First, s64Count);
    return kResultSuccess;
}

void FakeCompleteSearcher::SetIProgressSink(IProgress*) { Log("SetIProgressSink"); }

void FakeQuickSearcher::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) { m_pRecord->pBuilder = pBuilder; }

int FakeQuickSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) {
    if (ppPartitions && iCount >= 1) ppPartitions[0] = NewPartition();
    return 1;
}

RESULT FakeQuickSearcher::QuickSearchFiles(IStorageDevice*, IProgress*) {
    m_pRecord->calls.push_back("QuickSearchFiles");
    AddFolderWithFile(m_pRecord->pBuilder, m_pRecord->eType, "found" + std::to_string(m_pRecord->pOrder->size()));
    m_pRecord->pOrder->push_back(std::to_string(m_pRecord->eType) + ":QuickSearchFiles");
    return m_result;
}

FakeEntryPoints::FakeEntryPoints() : m_saved(GetEngineEntryPoints()) {}

FakeEntryPoints::~FakeEntryPoints() { GetEngineEntryPoints() = m_saved; }

std::shared_ptr<SearcherRecord> FakeEntryPoints::NewRecord(_tagSearcherType eType) {
    auto pRecord = std::make_shared<SearcherRecord>(eType, m_pOrder);
    m_records[eType].push_back(pRecord);
    return pRecord;
}

std::shared_ptr<SearcherRecord> FakeEntryPoints::Record(_tagSearcherType eType) const {
    auto it = m_records.find(eType);
    return it == m_records.end() || it->second.empty() ? nullptr : it->second.back();
}

void FakeEntryPoints::InstallCompleteSearchers() {
    EngineEntryPoints& table = GetEngineEntryPoints();
    auto factory = [this](_tagSearcherType eType) {
        return [this, eType]() -> ICompleteFileSystemSearchController* {
            return new FakeCompleteSearcher(NewRecord(eType));
        };
    };
    table.CreateHFSPlusSearcher = factory(SEARCHER_TYPE_HFSPLUS);
    table.CreateEXFatSearcher = factory(SEARCHER_TYPE_EXFAT);
    table.CreateFATSearcher = factory(SEARCHER_TYPE_FAT);
    table.CreateRAWSearcher = factory(SEARCHER_TYPE_RAW);
    table.CreateNTFSSearcher = factory(SEARCHER_TYPE_NTFS);
}

void FakeEntryPoints::InstallQuickSearchers(RESULT result) {
    EngineEntryPoints& table = GetEngineEntryPoints();
    auto factory = [this, result](_tagSearcherType eType) {
        return [this, eType, result]() -> IQuickFileSystemSearchController* {
            return new FakeQuickSearcher(NewRecord(eType), result);
        };
    };
    table.CreateHFSPlusQuickSearcher = factory(SEARCHER_TYPE_HFSPLUS);
    table.CreateEXFatQuickSearcher = factory(SEARCHER_TYPE_EXFAT);
    table.CreateFATQuickSearcher = factory(SEARCHER_TYPE_FAT);
    table.CreateNTFSQuickSearcher = factory(SEARCHER_TYPE_NTFS);
}

FakeRestoreSink::~FakeRestoreSink() = default;

void FakeRestoreSink::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder, IProgress*, IStorageDevice*) {
    ++m_iReplays;
    for (_tagSearcherType eType : m_types) AddFolderWithFile(pBuilder, eType, "restored");
}

std::vector<CSearchedPartitionInfo*>& FakeRestoreSink::GetSearchedPartition(int iSearcherType) {
    auto& partitions = m_partitions[iSearcherType];
    if (partitions.empty()) {
        m_owned.emplace_back(NewPartition());
        partitions.push_back(m_owned.back().get());
    }
    return partitions;
}

void FakeVolumeAnalyze::GetLabel(char* pszLabel, int iSize) {
    if (pszLabel && iSize > 0) pszLabel[0] = '\0';
}

}  // namespace recoverytest
