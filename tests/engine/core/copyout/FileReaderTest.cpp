#include "engine/core/copyout/FileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "CopyOutFixtures.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/EntryPointScope.h"

namespace {

using copyouttest::MakeNode;
using copyouttest::MakePartition;

constexpr std::uint32_t kClusterSize = 1024;  // two 512-byte sectors
constexpr long long kBaseSector = 8;
// Three clusters, a two-cluster hole, four clusters; the size ends 100 bytes before the runs.
std::vector<DataRun> const kRuns = {{10, 3}, {-1, 2}, {20, 4}};
constexpr long long kSize = 9 * kClusterSize - 100;

class FileReaderTest : public ::testing::Test {
protected:
    FileReaderTest()
        : m_device(copyouttest::PatternBytes(1 << 20, 7)),
          m_partition(MakePartition(kBaseSector, 2, FILE_SYSTEM_FAT32)),
          m_pNode(MakeNode(kRuns, kSize)),
          m_expected(copyouttest::ExpectedPlainBytes(m_device.Bytes(), kBaseSector * 512, kClusterSize, kRuns, kSize)) {
    }

    CMemoryDevice m_device;
    CSearchedPartitionInfo m_partition;
    std::unique_ptr<testkit::CTestFileNode> m_pNode;
    std::vector<std::uint8_t> m_expected;
};

TEST_F(FileReaderTest, ServesAnyOffsetAndLengthExactly) {
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, m_pNode.get(), &m_partition), 1);
    struct Range {
        long long s64Offset;
        unsigned int u32Length;
    };
    // Inside one sector, across sectors, across a run into the hole, across the hole, up to
    // and past the data's end.
    for (Range const range : {Range{0, 1}, Range{1, 510}, Range{511, 2}, Range{700, 3000}, Range{3071, 2050},
                              Range{5000, 100}, Range{kSize - 7, 7}, Range{kSize - 300, 5000}, Range{0, 9000}}) {
        SCOPED_TRACE("offset " + std::to_string(range.s64Offset) + " length " + std::to_string(range.u32Length));
        std::vector<std::uint8_t> buffer(range.u32Length + 64, 0xCC);
        unsigned int const u32Got =
            reader.ReadData(range.s64Offset, reinterpret_cast<char*>(buffer.data()), range.u32Length);
        std::size_t const wanted =
            std::min<std::size_t>(range.u32Length, static_cast<std::size_t>(kSize - range.s64Offset));
        ASSERT_EQ(u32Got, wanted);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(wanted),
                               m_expected.begin() + range.s64Offset));
        EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(wanted), buffer.end(),
                                [](std::uint8_t byte) { return byte == 0xCC; }))
            << "wrote past the bytes it returned";
    }
}

TEST_F(FileReaderTest, SparseRunsReadAsZeros) {
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, m_pNode.get(), &m_partition), 1);
    std::vector<char> buffer(2 * kClusterSize, 'x');
    ASSERT_EQ(reader.ReadData(3 * kClusterSize, buffer.data(), 2 * kClusterSize), 2 * kClusterSize);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; }));
}

TEST_F(FileReaderTest, OffsetAtOrPastTheDataEndFails) {
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, m_pNode.get(), &m_partition), 1);
    char buffer[16];
    EXPECT_EQ(reader.ReadData(kSize, buffer, sizeof buffer), 0u);
    EXPECT_EQ(reader.ReadData(-1, buffer, sizeof buffer), 0u);
    EXPECT_EQ(reader.ReadData(kSize - 1, buffer, sizeof buffer), 1u);
}

TEST_F(FileReaderTest, FailingSectorFailsTheRead) {
    m_device.FailSector(kBaseSector + 20 * 2 + 1);  // second sector of the second run
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, m_pNode.get(), &m_partition), 1);
    std::vector<char> buffer(kSize);
    EXPECT_EQ(reader.ReadData(0, buffer.data(), static_cast<unsigned int>(kSize)), 0u);
    EXPECT_EQ(reader.ReadData(0, buffer.data(), 3 * kClusterSize), 3 * kClusterSize);
}

TEST_F(FileReaderTest, ReadStopsWhereTheRunsEnd) {
    auto pLong = MakeNode(kRuns, 100 * kClusterSize);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pLong.get(), &m_partition), 1);
    EXPECT_EQ(reader.GetReadableSize(), 9 * kClusterSize);
    std::vector<char> buffer(20 * kClusterSize);
    EXPECT_EQ(reader.ReadData(0, buffer.data(), static_cast<unsigned int>(buffer.size())), 9 * kClusterSize);
    EXPECT_EQ(reader.ReadData(9 * kClusterSize, buffer.data(), 10), 0u);
}

TEST_F(FileReaderTest, RunsLongerThanTheDeviceAreNotData) {
    std::vector<DataRun> const runs = {{10, 3}, {20, std::int64_t{1} << 40}, {30, 1}};
    auto pHostile = MakeNode(runs, std::int64_t{1} << 60);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pHostile.get(), &m_partition), 1);
    EXPECT_EQ(reader.GetReadableSize(), 3 * kClusterSize);
}

TEST_F(FileReaderTest, OpenRefusesUnusableNodesAndPartitions) {
    CFileReader reader;
    auto pEmpty = MakeNode(kRuns, 0);
    EXPECT_EQ(reader.Open(&m_device, pEmpty.get(), &m_partition), 0);
    testkit::CTestFileNode noRuns("x");
    noRuns.SetFileSize(10);
    EXPECT_EQ(reader.Open(&m_device, &noRuns, &m_partition), 0);
    CSearchedPartitionInfo noClusters = MakePartition(0, 0, FILE_SYSTEM_FAT32);
    EXPECT_EQ(reader.Open(&m_device, m_pNode.get(), &noClusters), 0);
    CSearchedPartitionInfo negative = MakePartition(-5, 2, FILE_SYSTEM_FAT32);
    EXPECT_EQ(reader.Open(&m_device, m_pNode.get(), &negative), 0);
    EXPECT_EQ(reader.Open(nullptr, m_pNode.get(), &m_partition), 0);
}

TEST(FileReaderSectorSizeTest, UnalignedReadOnLargeSectorsDoesNotOverrun) {
    CMemoryDevice device(copyouttest::PatternBytes(1 << 18, 3), 4096);
    CSearchedPartitionInfo const partition = MakePartition(1, 1, FILE_SYSTEM_FAT32, 4096);
    std::vector<DataRun> const runs = {{2, 4}};
    auto pNode = MakeNode(runs, 4 * 4096);
    auto const expected = copyouttest::ExpectedPlainBytes(device.Bytes(), 4096, 4096, runs, 4 * 4096);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&device, pNode.get(), const_cast<CSearchedPartitionInfo*>(&partition)), 1);
    // Exactly 1024 bytes: a reader writing whole sectors would overrun this buffer.
    auto pBuffer = std::make_unique<char[]>(1024);
    ASSERT_EQ(reader.ReadData(4096 + 100, pBuffer.get(), 1024), 1024u);
    EXPECT_EQ(std::memcmp(pBuffer.get(), expected.data() + 4096 + 100, 1024), 0);
}

class ResidentReadTest : public ::testing::Test {
protected:
    ResidentReadTest() : m_value(copyouttest::PatternBytes(700, 11)) {
        m_scope.Table().GetResidentDataRunsStream = [this](IStorageDevice*, IFileNode* pNode, long long s64Sector,
                                                           std::uint8_t* pDestination, std::uint32_t u32Capacity,
                                                           std::uint32_t& u32ValueSize) {
            m_pSeenNode = pNode;
            m_s64SeenSector = s64Sector;
            std::memcpy(pDestination, m_value.data(), std::min<std::size_t>(u32Capacity, m_value.size()));
            u32ValueSize = static_cast<std::uint32_t>(m_value.size());
            return true;
        };
    }

    testsupport::EntryPointScope m_scope;
    std::vector<std::uint8_t> m_value;
    CMemoryDevice m_device{std::vector<std::uint8_t>(4096)};
    CSearchedPartitionInfo m_partition = MakePartition(0, 8, FILE_SYSTEM_NTFS);
    IFileNode* m_pSeenNode = nullptr;
    long long m_s64SeenSector = 0;
};

TEST_F(ResidentReadTest, CopiesTheAskedRangeOfTheValue) {
    auto pNode = copyouttest::MakeResidentNode(1234, 700);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    std::vector<std::uint8_t> buffer(50 + 8, 0xCC);
    ASSERT_EQ(reader.ReadData(100, reinterpret_cast<char*>(buffer.data()), 50), 50u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 50, m_value.begin() + 100));
    EXPECT_TRUE(std::all_of(buffer.begin() + 50, buffer.end(), [](std::uint8_t b) { return b == 0xCC; }));
    // Not an NTFS node: the loader gets the record sector instead.
    EXPECT_EQ(m_pSeenNode, nullptr);
    EXPECT_EQ(m_s64SeenSector, 1234);
    EXPECT_EQ(reader.ReadData(690, reinterpret_cast<char*>(buffer.data()), 50), 10u);
}

TEST_F(ResidentReadTest, NtfsNodeIsHandedToTheLoader) {
    auto pNode = copyouttest::MakeResidentNode(1234, 700);
    pNode->SetSearcherType(SEARCHER_TYPE_NTFS);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    char buffer[8];
    ASSERT_EQ(reader.ReadData(0, buffer, sizeof buffer), sizeof buffer);
    EXPECT_EQ(m_pSeenNode, pNode.get());
}

TEST_F(ResidentReadTest, ValueShorterThanTheOffsetFails) {
    auto pNode = copyouttest::MakeResidentNode(1234, 5000);  // the node claims more than the value holds
    CFileReader reader;
    ASSERT_EQ(reader.Open(&m_device, pNode.get(), &m_partition), 1);
    char buffer[8];
    EXPECT_EQ(reader.ReadData(800, buffer, sizeof buffer), 0u);
}

TEST(ResidentReadWithoutNtfsTest, EmptyEntryFailsTheRead) {
    testsupport::EntryPointScope scope;
    scope.Table().GetResidentDataRunsStream = nullptr;
    CMemoryDevice device(std::vector<std::uint8_t>(4096));
    CSearchedPartitionInfo partition = MakePartition(0, 8, FILE_SYSTEM_NTFS);
    auto pNode = copyouttest::MakeResidentNode(3, 10);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&device, pNode.get(), &partition), 1);
    char buffer[10];
    EXPECT_EQ(reader.ReadData(0, buffer, sizeof buffer), 0u);
}

TEST_F(FileReaderTest, BytesPastTheInitialisedSizeAreZerosAndTheirClustersAreNotRead) {
    // The device ends inside the hole: the last run's clusters cannot be read, and need not be.
    auto const deviceEnd = m_device.Bytes().begin() + (kBaseSector * 512 + 14 * kClusterSize);
    CMemoryDevice shortDevice(std::vector<std::uint8_t>(m_device.Bytes().begin(), deviceEnd));
    constexpr long long kInitialized = 1500;  // inside the first run's second cluster
    m_pNode->SetInitializedSize(kInitialized);
    CFileReader reader;
    ASSERT_EQ(reader.Open(&shortDevice, m_pNode.get(), &m_partition), 1);
    EXPECT_EQ(reader.GetReadableSize(), kSize);
    std::vector<std::uint8_t> buffer(kSize, 0xCC);
    ASSERT_EQ(reader.ReadData(0, reinterpret_cast<char*>(buffer.data()), kSize), static_cast<unsigned int>(kSize));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + kInitialized, m_expected.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + kInitialized, buffer.end(), [](std::uint8_t byte) { return byte == 0; }));

    for (long long const s64Bad : {-1LL, kSize + 1}) {
        m_pNode->SetInitializedSize(s64Bad);
        EXPECT_EQ(reader.Open(&shortDevice, m_pNode.get(), &m_partition), 0) << s64Bad;
    }
}

}  // namespace
