#include "engine/core/copyout/CompressFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "CopyOutFixtures.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using copyouttest::MakeNode;
using copyouttest::MakePartition;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kClusterSize = 4096;
constexpr std::size_t kUnitSize = 16 * kClusterSize;

/// A device of 4 KiB clusters (partition at sector 0) holding four units:
/// 0 compressed (in clusters 2-3), 1 stored (clusters 10-25), 2 sparse, 3 compressed and the
/// file's last, ending 5000 bytes into it (in cluster 30).
class CompressedUnitsTest : public ::testing::Test {
protected:
    CompressedUnitsTest() : m_device(Bytes(64 * kClusterSize)) {
        Bytes const plain = copyouttest::PatternBytes(4096, 5);
        Bytes unit0;
        for (Bytes const& chunk : {copyouttest::RepeatChunk('A', 4096), copyouttest::StoredChunk(plain),
                                   copyouttest::RepeatChunk('B', 1000), copyouttest::RepeatChunk('C', 4096)})
            unit0.insert(unit0.end(), chunk.begin(), chunk.end());
        std::copy(unit0.begin(), unit0.end(), m_device.Bytes().begin() + 2 * kClusterSize);
        Bytes const stored = copyouttest::PatternBytes(kUnitSize, 6);
        std::copy(stored.begin(), stored.end(), m_device.Bytes().begin() + 10 * kClusterSize);
        Bytes const unit3 = copyouttest::RepeatChunk('D', 4096);
        std::copy(unit3.begin(), unit3.end(), m_device.Bytes().begin() + 30 * kClusterSize);

        // Each chunk fills its own 4 KiB of the unit; a short chunk leaves zeros behind it.
        m_expected.insert(m_expected.end(), 4096, 'A');
        m_expected.insert(m_expected.end(), plain.begin(), plain.end());
        m_expected.insert(m_expected.end(), 1000, 'B');
        m_expected.insert(m_expected.end(), 4096 - 1000, 0);
        m_expected.insert(m_expected.end(), 4096, 'C');
        m_expected.resize(kUnitSize, 0);
        m_expected.insert(m_expected.end(), stored.begin(), stored.end());
        m_expected.insert(m_expected.end(), kUnitSize, 0);
        m_expected.insert(m_expected.end(), 4096, 'D');
        m_expected.insert(m_expected.end(), 5000 - 4096, 0);
    }

    std::unique_ptr<testkit::CTestFileNode> Node(long long s64Size) const { return MakeNode(m_runs, s64Size, true); }
    long long Size() const { return static_cast<long long>(m_expected.size()); }

    CMemoryDevice m_device;
    CSearchedPartitionInfo m_partition = MakePartition(0, 8, FILE_SYSTEM_NTFS);
    std::vector<DataRun> m_runs = {{2, 2}, {-1, 14}, {10, 16}, {-1, 16}, {30, 1}, {-1, 15}};
    Bytes m_expected;
    testsupport::TempDir m_temp;
};

TEST_F(CompressedUnitsTest, ExpandsTheWholeFileIntoAFile) {
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    bool bFallback = true;
    EXPECT_EQ(reader.Recovery(m_temp.File("out").c_str(), nullptr, bFallback), kResultSuccess);
    EXPECT_FALSE(bFallback);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), m_expected);
}

TEST_F(CompressedUnitsTest, ReadDataServesUnalignedRanges) {
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    struct Range {
        long long s64Offset;
        unsigned int u32Length;
    };
    for (Range const range : {Range{0, 1}, Range{4095, 2}, Range{9000, 3000}, Range{kUnitSize - 3, 10},
                              Range{kUnitSize + 17, 70000}, Range{3 * kUnitSize + 4000, 5000}, Range{1, 0x40000}}) {
        SCOPED_TRACE("offset " + std::to_string(range.s64Offset));
        Bytes buffer(range.u32Length + 16, 'x');
        unsigned int const u32Got =
            reader.ReadData(range.s64Offset, reinterpret_cast<char*>(buffer.data()), range.u32Length);
        std::size_t const wanted =
            std::min<std::size_t>(range.u32Length, static_cast<std::size_t>(Size() - range.s64Offset));
        ASSERT_EQ(u32Got, wanted);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(wanted),
                               m_expected.begin() + range.s64Offset));
        EXPECT_EQ(buffer[wanted], 'x');
    }
}

TEST_F(CompressedUnitsTest, MemoryModeFillsTheFirstBytes) {
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    Bytes buffer(0x10000);
    ASSERT_TRUE(reader.Recovery(reinterpret_cast<char*>(buffer.data()), 0x10000, nullptr));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), m_expected.begin()));
}

TEST_F(CompressedUnitsTest, UnreadableUnitIsZerosAndTheCopyFails) {
    m_device.FailSector(12 * 8 + 3);  // inside the stored unit
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    bool bFallback = false;
    RESULT const result = reader.Recovery(m_temp.File("out").c_str(), nullptr, bFallback);
    EXPECT_TRUE(Failed(result));
    EXPECT_EQ(ResultModule(result), kModuleCopyOut);
    EXPECT_EQ(ResultCode(result), kCodeIoFailure);
    Bytes const copy = copyouttest::ReadWholeFile(m_temp.File("out"));
    ASSERT_EQ(copy.size(), m_expected.size());
    // Only the unreadable cluster (the unit's third) is zeros.
    auto const zerosBegin = copy.begin() + kUnitSize + 2 * kClusterSize;
    auto const zerosEnd = zerosBegin + kClusterSize;
    EXPECT_TRUE(std::equal(copy.begin(), zerosBegin, m_expected.begin()));
    EXPECT_TRUE(std::all_of(zerosBegin, zerosEnd, [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(zerosEnd, copy.end(), m_expected.begin() + (zerosEnd - copy.begin())));
}

TEST_F(CompressedUnitsTest, RunsEndingBeforeTheSizeStopTheCopyAndFail) {
    auto pNode = Node(std::int64_t{1} << 62);
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    bool bFallback = false;
    EXPECT_EQ(ResultCode(reader.Recovery(m_temp.File("out").c_str(), nullptr, bFallback)), kCodeIoFailure);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")).size(), 4 * kUnitSize);
}

TEST_F(CompressedUnitsTest, WriteErrorsFailTheCopy) {
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    bool bFallback = false;
    EXPECT_EQ(ResultCode(reader.Recovery("/dev/full", nullptr, bFallback)), kCodeIoFailure);
}

TEST_F(CompressedUnitsTest, CloneReadsTheSameBytes) {
    auto pNode = Node(Size());
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    ReleasePtr<IFileReader> pClone(reader.Clone());
    Bytes buffer(100);
    ASSERT_EQ(pClone->ReadData(kUnitSize + 5, reinterpret_cast<char*>(buffer.data()), 100), 100u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), m_expected.begin() + kUnitSize + 5));
}

struct DamagedCase {
    char const* pszName;
    std::vector<DataRun> runs;
    std::uint32_t u32SectorsPerCluster;
};

class DamagedUnitTest : public ::testing::TestWithParam<DamagedCase> {};

// Units that cannot be expanded read as zeros and fail the copy; nothing aborts.
TEST_P(DamagedUnitTest, ReadsAsZerosAndFails) {
    CMemoryDevice device(copyouttest::PatternBytes(1 << 21, 9));
    CSearchedPartitionInfo partition = MakePartition(0, GetParam().u32SectorsPerCluster, FILE_SYSTEM_NTFS);
    long long const s64Size = 16LL * GetParam().u32SectorsPerCluster * 512;
    auto pNode = MakeNode(GetParam().runs, s64Size, true);
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&device, pNode.get(), &partition), 1);
    testsupport::TempDir temp;
    bool bFallback = false;
    EXPECT_EQ(ResultCode(reader.Recovery(temp.File("out").c_str(), nullptr, bFallback)), kCodeIoFailure);
    Bytes const copy = copyouttest::ReadWholeFile(temp.File("out"));
    ASSERT_EQ(copy.size(), static_cast<std::size_t>(s64Size));
    EXPECT_TRUE(std::all_of(copy.begin(), copy.end(), [](std::uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Units, DamagedUnitTest,
                         ::testing::Values(DamagedCase{"StoredUnitAtClusterZero", {{0, 16}}, 8},
                                           DamagedCase{"UnitLargerThanTheBuffers", {{4, 16}}, 16},
                                           DamagedCase{"StoredUnitBeyondTheDevice", {{1 << 20, 16}}, 8}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(CompressedShortListTest, RangeBeyondAShortLastUnitReadsNothing) {
    CMemoryDevice device(copyouttest::PatternBytes(1 << 20, 15));
    CSearchedPartitionInfo partition = MakePartition(0, 8, FILE_SYSTEM_NTFS);
    auto pNode = MakeNode({{10, 5}}, kUnitSize, true);
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&device, pNode.get(), &partition), 1);
    std::vector<char> buffer(100);
    EXPECT_EQ(reader.ReadData(30000, buffer.data(), 100), 0u);
    EXPECT_EQ(reader.ReadData(20400, buffer.data(), 100), 80u);
}

TEST(CompressedGarbageTest, LyingChunkHeadersStayInsideTheUnit) {
    CMemoryDevice device(copyouttest::PatternBytes(1 << 20, 13));
    device.Bytes()[2 * kClusterSize + 1] |= 0x80;  // a compressed first chunk over random bytes
    CSearchedPartitionInfo partition = MakePartition(0, 8, FILE_SYSTEM_NTFS);
    std::vector<DataRun> const runs = {{2, 3}, {-1, 13}, {40, 2}, {-1, 14}};
    auto pNode = MakeNode(runs, 2 * kUnitSize, true);
    CCompressFileReader reader;
    ASSERT_EQ(reader.Open(&device, pNode.get(), &partition), 1);
    std::vector<char> buffer(2 * kUnitSize);
    EXPECT_EQ(reader.ReadData(0, buffer.data(), static_cast<unsigned int>(buffer.size())), 2 * kUnitSize);
}

}  // namespace
