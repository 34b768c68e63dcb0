#pragma once
// Shared pieces of the copy-out tests: nodes with given runs, partition records, a searcher
// that hands out partitions, a test-side LZNT1 encoder, and the expected bytes of a node.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/IFileSystemSearchController.h"
#include "engine/SearchedPartitionInfo.h"
#include "testkit/TestFileNode.h"

namespace copyouttest {

/// A node with these runs (clusters; start -1 for a hole) and size.
std::unique_ptr<testkit::CTestFileNode> MakeNode(std::vector<DataRun> const& runs, long long s64Size,
                                                 bool bCompressed = false);
/// A node whose run list is resident, keeping `s64RecordSector` as its first run's start.
std::unique_ptr<testkit::CTestFileNode> MakeResidentNode(long long s64RecordSector, long long s64Size);

CSearchedPartitionInfo MakePartition(long long s64StartSector, std::uint32_t u32SectorsPerCluster,
                                     std::uint32_t u32FileSystemType, std::uint32_t u32SectorSize = 512);

/// A partition record that counts how many of its kind are alive, to check ownership.
class CountedPartition : public CSearchedPartitionInfo {
public:
    explicit CountedPartition(CSearchedPartitionInfo const& record) : CSearchedPartitionInfo(record) { ++s_iLive; }
    CountedPartition(CountedPartition const& other) : CSearchedPartitionInfo(other) { ++s_iLive; }
    ~CountedPartition() override { --s_iLive; }
    static int Live() { return s_iLive; }

private:
    static inline int s_iLive = 0;
};

/// Hands out clones of its partitions, as a searcher does after a scan.
class FakeSearcher : public IFileSystemSearchController {
public:
    explicit FakeSearcher(std::vector<CSearchedPartitionInfo> partitions) : m_partitions(std::move(partitions)) {}
    void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
    int GetSearchedPartitionInfo(CSearchedPartitionInfo** ppPartitions, int iCount) override;
    int Calls() const { return m_iCalls; }

private:
    std::vector<CSearchedPartitionInfo> m_partitions;
    int m_iCalls = 0;
};

/// One LZNT1 chunk (header first) that expands to `length` copies of `value`: a literal,
/// then back-references of displacement 1.
std::vector<std::uint8_t> RepeatChunk(std::uint8_t value, std::size_t length);
/// One stored LZNT1 chunk holding `bytes` (at most 4096).
std::vector<std::uint8_t> StoredChunk(std::span<std::uint8_t const> bytes);

/// Deterministic pseudo-random bytes.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t u32Seed);
/// The bytes a plain node reads as: its runs' clusters, holes as zeros, cut at `s64Size`.
std::vector<std::uint8_t> ExpectedPlainBytes(std::span<std::uint8_t const> device, std::uint64_t u64BaseByte,
                                             std::uint32_t u32ClusterSize, std::vector<DataRun> const& runs,
                                             long long s64Size);
std::vector<std::uint8_t> ReadWholeFile(std::string const& path);

}  // namespace copyouttest
