#pragma once
// Searchers, a restore sink and volume analysers that record how the controllers drive them.
// The controller owns and deletes the searchers; what they saw stays in a record the test keeps.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/IRestoreScanSink.h"
#include "engine/IVolumeAnalyze.h"
#include "engine/SearchedPartitionInfo.h"

namespace recoverytest {

/// Calls of every fake, in the order they came: "<searcher type>:<call>[:<arguments>]".
using CallOrder = std::vector<std::string>;

/// What one searcher was asked to do.
struct SearcherRecord {
    explicit SearcherRecord(_tagSearcherType eTypeIn, std::shared_ptr<CallOrder> pOrderIn)
        : eType(eTypeIn), pOrder(std::move(pOrderIn)) {}

    bool Called(std::string const& call) const;
    /// The (first, count) of every AnalyzeBlock, in order.
    std::vector<std::pair<long long, long long>> blocks;
    /// The bytes of every block, read through the device it was given, in order.
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> calls;
    int iBlockSize = 0;
    _tagSearcherType eType;
    std::shared_ptr<CallOrder> pOrder;
    IDirecotryTreeBuilder* pBuilder = nullptr;
};

class FakeCompleteSearcher final : public ICompleteFileSystemSearchController {
public:
    explicit FakeCompleteSearcher(std::shared_ptr<SearcherRecord> pRecord) : m_pRecord(std::move(pRecord)) {}

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override;
    /// One partition covering the device, so that copy-out can be made.
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    void SetDevice(IStorageDevice* pDevice) override;
    void SetBlockSize(int iSectors) override;
    RESULT PreparetoSearch() override;
    void EndSearch(int iBuild) override;
    RESULT AnalyzeBlock(long long s64First, long long s64Count) override;
    void SetIProgressSink(IProgress* pProgress) override;

private:
    void Log(std::string const& call);

    std::shared_ptr<SearcherRecord> m_pRecord;
    IStorageDevice* m_pDevice = nullptr;
};

/// A quick searcher that reports a folder with one file under root id 5.
class FakeQuickSearcher final : public IQuickFileSystemSearchController {
public:
    FakeQuickSearcher(std::shared_ptr<SearcherRecord> pRecord, RESULT result)
        : m_pRecord(std::move(pRecord)), m_result(result) {}

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder) override;
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    RESULT QuickSearchFiles(IStorageDevice* pDevice, IProgress* pProgress) override;

private:
    std::shared_ptr<SearcherRecord> m_pRecord;
    RESULT m_result;
};

/// Fills the entry-point table with fakes and empties it again when it goes.
class FakeEntryPoints {
public:
    static constexpr _tagSearcherType kCompleteOrder[] = {SEARCHER_TYPE_HFSPLUS, SEARCHER_TYPE_EXFAT, SEARCHER_TYPE_FAT,
                                                          SEARCHER_TYPE_RAW, SEARCHER_TYPE_NTFS};

    FakeEntryPoints();
    ~FakeEntryPoints();
    FakeEntryPoints(FakeEntryPoints const&) = delete;
    FakeEntryPoints& operator=(FakeEntryPoints const&) = delete;

    /// A complete searcher of each type; the record of the latest searcher of a type is kept.
    void InstallCompleteSearchers();
    /// The four quick searchers, each answering `result` from its search.
    void InstallQuickSearchers(RESULT result = kResultSuccess);

    std::shared_ptr<SearcherRecord> Record(_tagSearcherType eType) const;
    /// Every record of a type, oldest first.
    std::vector<std::shared_ptr<SearcherRecord>> const& Records(_tagSearcherType eType) { return m_records[eType]; }
    CallOrder const& Order() const { return *m_pOrder; }

private:
    std::shared_ptr<SearcherRecord> NewRecord(_tagSearcherType eType);

    EngineEntryPoints m_saved;
    std::shared_ptr<CallOrder> m_pOrder = std::make_shared<CallOrder>();
    std::map<_tagSearcherType, std::vector<std::shared_ptr<SearcherRecord>>> m_records;
};

/// Stands in for a results file being loaded: replays one folder per searcher type it holds.
class FakeRestoreSink final : public IRestoreScanSink {
public:
    explicit FakeRestoreSink(std::vector<_tagSearcherType> types = {}) : m_types(std::move(types)) {}
    ~FakeRestoreSink() override;

    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* pBuilder, IProgress* pProgress,
                                 IStorageDevice* pDevice) override;
    std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int iSearcherType) override;

    int Replays() const { return m_iReplays; }

private:
    std::vector<_tagSearcherType> m_types;
    std::map<int, std::vector<CSearchedPartitionInfo*>> m_partitions;
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> m_owned;
    int m_iReplays = 0;
};

/// An analyser that answers a fixed file-system type.
class FakeVolumeAnalyze final : public IVolumeAnalyze {
public:
    explicit FakeVolumeAnalyze(std::uint32_t u32Type) : m_u32Type(u32Type) {}
    std::uint32_t GetFileSystemType() override { return m_u32Type; }
    unsigned long long GetTotalSector() override { return 0; }
    void GetLabel(char* pszLabel, int iSize) override;

private:
    std::uint32_t m_u32Type;
};

}  // namespace recoverytest
