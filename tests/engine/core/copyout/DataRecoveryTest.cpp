#include "engine/core/copyout/DataRecovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "CopyOutFixtures.h"
#include "engine/IFileReader.h"
#include "engine/core/device/MemoryDevice.h"
#include "support/EntryPointScope.h"
#include "support/TempDir.h"
#include "testkit/ProgressSink.h"

namespace {

using copyouttest::CountedPartition;
using copyouttest::FakeSearcher;
using copyouttest::MakeNode;
using copyouttest::MakePartition;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kChunk = CDataRecovery::kCopyChunkSize;

CSearchedPartitionInfo Scored(double dScore, std::uint16_t u16Index = CSearchedPartitionInfo::kNoPartitionIndex) {
    CSearchedPartitionInfo partition = MakePartition(0, 1, FILE_SYSTEM_FAT32);
    partition.m_dScore = dScore;
    partition.m_u16PartitionIndex = u16Index;
    return partition;
}

TEST(DataRecoveryInitializeTest, FetchesMoreThan256PartitionsAndOwnsOnlyThose) {
    CMemoryDevice device(Bytes(4096));
    FakeSearcher searcher(std::vector<CSearchedPartitionInfo>(300, Scored(1.0)));
    {
        CDataRecovery recovery;
        ASSERT_EQ(recovery.Initialize(&searcher, &device), kResultSuccess);
        EXPECT_EQ(searcher.Calls(), 2);
        EXPECT_EQ(recovery.GetSearchedPartition().u32Count, 300u);
        EXPECT_EQ(CountedPartition::Live(), 300) << "the first answer's clones must be released";
    }
    EXPECT_EQ(CountedPartition::Live(), 0);
}

TEST(DataRecoveryInitializeTest, RefusesMissingArgumentsAndEmptySearchers) {
    CMemoryDevice device(Bytes(4096));
    FakeSearcher empty({});
    CDataRecovery recovery;
    EXPECT_EQ(ResultCode(recovery.Initialize(nullptr, &device)), kCodeBadArgument);
    EXPECT_EQ(ResultCode(recovery.Initialize(&empty, nullptr)), kCodeBadArgument);
    RESULT const result = recovery.Initialize(&empty, &device);
    EXPECT_EQ(ResultModule(result), kModuleCopyOut);
    EXPECT_EQ(ResultCode(result), 0xD01u);
}

TEST(DataRecoveryInitializeTest, SortsByScoreWithUnscoredLast) {
    CMemoryDevice device(Bytes(4096));
    FakeSearcher searcher({Scored(1.0), Scored(std::nan("")), Scored(5.0), Scored(3.0)});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&searcher, &device), kResultSuccess);
    auto const partitions = recovery.GetSearchedPartition();
    ASSERT_EQ(partitions.u32Count, 4u);
    EXPECT_EQ(partitions.vecPartitions[0]->m_dScore, 5.0);
    EXPECT_EQ(partitions.vecPartitions[1]->m_dScore, 3.0);
    EXPECT_EQ(partitions.vecPartitions[2]->m_dScore, 1.0);
    EXPECT_TRUE(std::isnan(partitions.vecPartitions[3]->m_dScore));
}

TEST(DataRecoveryInitializeTest, RestoredPartitionsAreCopied) {
    CMemoryDevice device(Bytes(4096));
    CSearchedPartitionInfo first = Scored(2.0, 7);
    std::vector<CSearchedPartitionInfo*> restored = {&first, nullptr};
    CDataRecovery recovery;
    EXPECT_EQ(ResultCode(recovery.Initialize(restored, nullptr)), kCodeBadArgument);
    ASSERT_EQ(recovery.Initialize(restored, &device), kResultSuccess);
    auto const partitions = recovery.GetSearchedPartition();
    ASSERT_EQ(partitions.u32Count, 1u);
    EXPECT_NE(partitions.vecPartitions[0], &first);
    EXPECT_EQ(partitions.vecPartitions[0]->m_u16PartitionIndex, 7);
}

TEST(DataRecoveryPartitionTest, PicksByIndexThenByFitThenTheBest) {
    CMemoryDevice device(Bytes(4096));
    CSearchedPartitionInfo best = Scored(9.0, 1);
    best.m_u64FileSystemValues[0] = 0;
    best.SetTotalSectors(1000);
    best.m_u32SectorsPerCluster = 8;
    CSearchedPartitionInfo fitting = Scored(4.0, 2);
    fitting.m_u64FileSystemValues[0] = 10000;
    fitting.SetTotalSectors(100000);
    fitting.m_u32SectorsPerCluster = 8;
    FakeSearcher searcher({fitting, best});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&searcher, &device), kResultSuccess);

    // 4 clusters of 8 sectors for a 16 KiB file: the estimate is 8 sectors per cluster.
    auto pNode = MakeNode({{1300, 4}}, 16384);
    pNode->SetMetaDataSector(20000);
    pNode->SetBelongedPartition(2);
    EXPECT_EQ(recovery.GetNodePartition(pNode.get())->m_dScore, 4.0);
    pNode->SetBelongedPartition(CFileNode::kNoPartition);
    EXPECT_EQ(recovery.GetNodePartition(pNode.get())->m_dScore, 4.0);
    pNode->SetMetaDataSector(500);  // inside neither the fitting partition nor anywhere fitting
    EXPECT_EQ(recovery.GetNodePartition(pNode.get())->m_dScore, 9.0);
}

/// One partition at sector 0 with 512-byte clusters over a memory device of pattern bytes.
class CopyOutTest : public ::testing::Test {
protected:
    explicit CopyOutTest(std::size_t deviceBytes = 10 << 20)
        : m_device(copyouttest::PatternBytes(deviceBytes, 21)), m_searcher({MakePartition(0, 1, FILE_SYSTEM_FAT32)}) {
        EXPECT_EQ(m_recovery.Initialize(&m_searcher, &m_device), kResultSuccess);
    }

    /// Selects the node; the clone handed back is released at once.
    bool Select(testkit::CTestFileNode* pNode) {
        ReleasePtr<IFileReader> pClone(m_recovery.SetRecoverNode(pNode));
        return pClone != nullptr;
    }
    Bytes Expected(std::vector<DataRun> const& runs, long long s64Size) {
        return copyouttest::ExpectedPlainBytes(m_device.Bytes(), 0, 512, runs, s64Size);
    }

    CMemoryDevice m_device;
    FakeSearcher m_searcher;
    CDataRecovery m_recovery;
    testsupport::TempDir m_temp;
    testkit::ProgressSink m_progress;
};

TEST_F(CopyOutTest, CopiesNodeAcrossChunksWithHolesAndReportsProgress) {
    std::vector<DataRun> const runs = {{100, 9000}, {-1, 300}, {12000, 8000}};
    long long const s64Size = (9000 + 300 + 8000) * 512LL - 77;
    auto pNode = MakeNode(runs, s64Size);
    ASSERT_TRUE(Select(pNode.get()));
    ASSERT_EQ(m_recovery.RecoverTo(m_temp.File("out").c_str(), &m_progress, 0), kResultSuccess);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), Expected(runs, s64Size));
    auto const records = m_progress.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().u64Done, static_cast<std::uint64_t>(s64Size));
    EXPECT_EQ(records.back().u64Total, static_cast<std::uint64_t>(s64Size));
    EXPECT_EQ(records.back().u64Error, 0u);
}

TEST_F(CopyOutTest, ByteLimitCopiesThatManyButNeverPastTheData) {
    std::vector<DataRun> const runs = {{10, 40}};
    auto pNode = MakeNode(runs, 40 * 512 - 3);
    ASSERT_TRUE(Select(pNode.get()));
    Bytes const expected = Expected(runs, 40 * 512 - 3);
    for (int iLimit : {1, 1000, 40 * 512 - 3, 1 << 20}) {
        SCOPED_TRACE(iLimit);
        ASSERT_EQ(m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, iLimit), kResultSuccess);
        std::size_t const length = std::min<std::size_t>(static_cast<std::size_t>(iLimit), expected.size());
        EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")),
                  Bytes(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

TEST_F(CopyOutTest, FailingSectorsLeaveZeroHolesOfFullLengthAndFail) {
    std::vector<DataRun> const runs = {{0, 20000}};
    long long const s64Size = 20000 * 512LL;  // three chunks, the last partial
    m_device.FailSector(kChunk / 512 + 5);    // in the second chunk
    m_device.FailSector(19999);               // in the last chunk
    auto pNode = MakeNode(runs, s64Size);
    ASSERT_TRUE(Select(pNode.get()));
    RESULT const result = m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0);
    EXPECT_EQ(ResultModule(result), kModuleCopyOut);
    EXPECT_EQ(ResultCode(result), kCodeIoFailure);
    Bytes const copy = copyouttest::ReadWholeFile(m_temp.File("out"));
    ASSERT_EQ(copy.size(), static_cast<std::size_t>(s64Size));
    Bytes const expected = Expected(runs, s64Size);
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + kChunk, expected.begin()));
    EXPECT_TRUE(std::all_of(copy.begin() + kChunk, copy.begin() + 2 * kChunk, [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(copy.begin() + 2 * kChunk, copy.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(CopyOutTest, HostileSizeStopsWhereTheRunsEnd) {
    std::vector<DataRun> const runs = {{10, 4}};
    auto pNode = MakeNode(runs, std::int64_t{1} << 62);
    ASSERT_TRUE(Select(pNode.get()));
    // The runs hold less than the size claims: their bytes are written, with a note.
    RESULT const result = m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0);
    EXPECT_EQ(result, CopyNoteResult(kCodeShortData));
    EXPECT_FALSE(IsRecoveredCopy(result));
    // Every note is counted apart from the files recovered: a guessed chain too.
    for (std::uint32_t u32Note : {kCodeShortData, kCodeChainLost, kCodePossiblyOverwritten})
        EXPECT_TRUE(IsNotedCopy(CopyNoteResult(u32Note)) && !IsRecoveredCopy(CopyNoteResult(u32Note))) << u32Note;
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), Expected(runs, 4 * 512));

    // Runs the device's end cuts (a partial image) hold what the size says: bytes are missing,
    // a failure, not a short note.
    auto pCut = MakeNode({{20470, 20}}, 20 * 512);
    ASSERT_TRUE(Select(pCut.get()));
    EXPECT_EQ(ResultCode(m_recovery.RecoverTo(m_temp.File("cut").c_str(), nullptr, 0)), kCodeIoFailure);
}

TEST_F(CopyOutTest, FullDestinationEndsPromptlyWithShortWriteCode) {
    auto pNode = MakeNode({{0, 16000}}, 16000 * 512LL);
    ASSERT_TRUE(Select(pNode.get()));
    // A copy that kept retrying would ask the sink before each pass until it said stop, and
    // then answer success; this one must give up on its own, within the first chunk.
    m_progress.StopAfter(1000);
    RESULT const result = m_recovery.RecoverTo("/dev/full", &m_progress, 0);
    EXPECT_EQ(m_progress.ContinuedCalls(), 1);
    EXPECT_EQ(ResultModule(result), kModuleCopyOut);
    EXPECT_EQ(ResultCode(result), 0xD03u);
    ASSERT_FALSE(m_progress.Records().empty());
    EXPECT_EQ(ResultCode(m_progress.Records().back().u64Error), 0xD03u);
}

// Recovered files belong to the user: 0666 under the umask, as any program's new file.
TEST_F(CopyOutTest, DestinationIsCreatedWith0666UnderTheUmask) {
    auto pNode = MakeNode({{100, 4}}, 2048);
    ASSERT_TRUE(Select(pNode.get()));
    for (mode_t const mask : {mode_t{0}, mode_t{027}}) {
        SCOPED_TRACE(mask);
        std::string const path = m_temp.File("out-" + std::to_string(mask));
        mode_t const previous = ::umask(mask);
        RESULT const result = m_recovery.RecoverTo(path.c_str(), nullptr, 0);
        ::umask(previous);
        ASSERT_EQ(result, kResultSuccess);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);
    }
}

// A destination that is a link is not followed (it could lead out of the chosen folder), and a
// disk node is never written: the copy fails as one whose file cannot be created.
TEST_F(CopyOutTest, DestinationLinksAndDiskNodesAreRefused) {
    auto pNode = MakeNode({{100, 4}}, 2048);
    ASSERT_TRUE(Select(pNode.get()));
    std::string const target = m_temp.File("elsewhere");
    { std::ofstream(target) << "keep"; }
    std::string const link = m_temp.File("link");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(ResultCode(m_recovery.RecoverTo(link.c_str(), nullptr, 0)), 0xFu);
    EXPECT_EQ(copyouttest::ReadWholeFile(target), Bytes({'k', 'e', 'e', 'p'}));

    std::string const disk = m_temp.File("disk");
    if (::mknod(disk.c_str(), S_IFBLK | 0600, makedev(7, 200)) != 0)
        GTEST_SKIP() << "cannot make a block device node here";
    EXPECT_EQ(ResultCode(m_recovery.RecoverTo(disk.c_str(), nullptr, 0)), 0xFu);
}

TEST_F(CopyOutTest, StopRequestEndsWithSuccessAndAPartialFile) {
    auto pNode = MakeNode({{0, 20000}}, 20000 * 512LL);
    ASSERT_TRUE(Select(pNode.get()));
    m_progress.StopAfter(2);
    EXPECT_EQ(m_recovery.RecoverTo(m_temp.File("out").c_str(), &m_progress, 0), kResultSuccess);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")).size(), static_cast<std::size_t>(kChunk));
}

TEST_F(CopyOutTest, WithoutAReaderTheDestinationIsLeftEmpty) {
    auto pEmpty = MakeNode({{0, 1}}, 0);
    EXPECT_FALSE(Select(pEmpty.get()));
    RESULT const result = m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0);
    EXPECT_EQ(ResultCode(result), 0xD02u);
    EXPECT_TRUE(copyouttest::ReadWholeFile(m_temp.File("out")).empty());
    EXPECT_EQ(ResultCode(m_recovery.RecoverTo(nullptr, nullptr, 0)), kCodeBadArgument);
    EXPECT_EQ(ResultCode(m_recovery.RecoverTo((m_temp.Path() + "/missing/out").c_str(), nullptr, 0)), 0xFu);
}

TEST_F(CopyOutTest, FoldersAreNotSelectedAndAFailedSelectionDropsThePreviousNode) {
    auto pFile = MakeNode({{0, 1}}, 512);
    auto pFolder = MakeNode({{0, 1}}, 512);
    pFolder->SetDirectory(true);
    for (IFileNode* pRefused : {static_cast<IFileNode*>(pFolder.get()), static_cast<IFileNode*>(nullptr)}) {
        ASSERT_TRUE(Select(pFile.get()));
        EXPECT_EQ(m_recovery.SetRecoverNode(pRefused), nullptr);
        // Copying now must not write the file selected before under the refused node's name.
        EXPECT_EQ(ResultCode(m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0)), 0xD02u);
        EXPECT_TRUE(copyouttest::ReadWholeFile(m_temp.File("out")).empty());
    }
}

TEST_F(CopyOutTest, ResidentDataComesThroughTheLoader) {
    testsupport::EntryPointScope scope;
    Bytes const value = {'h', 'e', 'l', 'l', 'o', '\n'};
    scope.Table().GetResidentDataRunsStream = [&value](IStorageDevice*, IFileNode*, long long,
                                                       std::uint8_t* pDestination, std::uint32_t u32Capacity,
                                                       std::uint32_t& u32ValueSize) {
        std::memcpy(pDestination, value.data(), std::min<std::size_t>(u32Capacity, value.size()));
        u32ValueSize = static_cast<std::uint32_t>(value.size());
        return true;
    };
    auto pNode = copyouttest::MakeResidentNode(40, static_cast<long long>(value.size()));
    ASSERT_TRUE(Select(pNode.get()));
    ASSERT_EQ(m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0), kResultSuccess);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), value);
}

TEST_F(CopyOutTest, ResidentSizeAboveItsValueCopiesTheValueAndIsShort) {
    testsupport::EntryPointScope scope;
    Bytes const value = {'h', 'e', 'l', 'l', 'o', '\n'};
    scope.Table().GetResidentDataRunsStream = [&value](IStorageDevice*, IFileNode*, long long,
                                                       std::uint8_t* pDestination, std::uint32_t u32Capacity,
                                                       std::uint32_t& u32ValueSize) {
        std::memcpy(pDestination, value.data(), std::min<std::size_t>(u32Capacity, value.size()));
        u32ValueSize = static_cast<std::uint32_t>(value.size());
        return true;
    };
    // 10 MB above the value once wrote 10 MB of zeros; 2^62 copied failed chunks for ever.
    for (long long const s64Size : {6ll + (10 << 20), 1ll << 62}) {
        auto pNode = copyouttest::MakeResidentNode(40, s64Size);
        ASSERT_TRUE(Select(pNode.get()));
        EXPECT_EQ(m_recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0), CopyNoteResult(kCodeShortData))
            << s64Size;
        EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), value) << s64Size;
    }
}

TEST_F(CopyOutTest, NtfsCompressedNodeRefusesAByteLimit) {
    CMemoryDevice device(Bytes(1 << 20));
    FakeSearcher ntfs({MakePartition(0, 8, FILE_SYSTEM_NTFS)});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&ntfs, &device), kResultSuccess);
    auto pNode = MakeNode({{-1, 16}}, 0x10000, true);
    ReleasePtr<IFileReader> pClone(recovery.SetRecoverNode(pNode.get()));
    ASSERT_NE(pClone, nullptr);
    EXPECT_EQ(ResultCode(recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 100)), 0xFu);
    EXPECT_EQ(recovery.RecoverTo(m_temp.File("out").c_str(), nullptr, 0), kResultSuccess);
    EXPECT_EQ(copyouttest::ReadWholeFile(m_temp.File("out")), Bytes(0x10000, 0));
}

/// Nodes of the first 64 KiB (or one byte less) of a device with picture markers placed in it.
class SmallJpegTest : public CopyOutTest {
protected:
    SmallJpegTest() : CopyOutTest(1 << 20) { std::fill(m_device.Bytes().begin(), m_device.Bytes().end(), 0x11); }

    void Mark(std::size_t index, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), m_device.Bytes().begin() + static_cast<std::ptrdiff_t>(index));
    }
    unsigned int Scan(long long s64Size = 0x10000, unsigned int u32BufferSize = 0x10000) {
        auto pNode = MakeNode({{0, 128}}, s64Size);
        if (!Select(pNode.get())) return 0;
        m_buffer.assign(0x10000, 0);
        return m_recovery.ReadSmallJPG(reinterpret_cast<char*>(m_buffer.data()), u32BufferSize);
    }

    Bytes m_buffer;
};

TEST_F(SmallJpegTest, FindsThePictureBetweenItsMarkers) {
    Mark(100, {0xFF, 0xD8, 0xFF});
    Mark(100 + 3000, {0xFF, 0xD9});
    ASSERT_EQ(Scan(), 3004u);
    EXPECT_EQ(m_buffer[0], 0xFF);
    EXPECT_EQ(m_buffer[1], 0xD8);
    EXPECT_EQ(m_buffer[3000], 0xFF);
    EXPECT_EQ(m_buffer[3001], 0xD9);
}

TEST_F(SmallJpegTest, NeedsSixtyFourKibibytesOfDataAndBuffer) {
    Mark(100, {0xFF, 0xD8, 0xFF});
    Mark(3100, {0xFF, 0xD9});
    EXPECT_EQ(Scan(0xFFFF), 0u);
    EXPECT_EQ(Scan(0x10000, 0xFFFF), 0u);
    EXPECT_EQ(Scan(0x10000), 3004u);
}

TEST_F(SmallJpegTest, StartMarkersInTheFirstFourBytesAreSkipped) {
    Mark(3, {0xFF, 0xD8, 0xFF});
    Mark(3000, {0xFF, 0xD9});
    EXPECT_EQ(Scan(), 0u);
}

TEST_F(SmallJpegTest, StartNeedsAThirdMarkerByte) {
    Mark(100, {0xFF, 0xD8, 0x00});
    Mark(3000, {0xFF, 0xD9});
    EXPECT_EQ(Scan(), 0u);
}

TEST_F(SmallJpegTest, EndMarkersWithin2000BytesOfTheStartAreNotSeen) {
    Mark(100, {0xFF, 0xD8, 0xFF});
    Mark(100 + 2000, {0xFF, 0xD9});
    EXPECT_EQ(Scan(), 0u);
    Mark(100 + 2000, {0x11, 0xFF, 0xD9});
    EXPECT_EQ(Scan(), 2005u);
}

TEST_F(SmallJpegTest, PictureWithoutAnEndIsNotTaken) {
    Mark(100, {0xFF, 0xD8, 0xFF});
    EXPECT_EQ(Scan(), 0u);
}

}  // namespace

namespace {

// The scan area is shared by every node of one copy-out object: a node that expands to fewer
// bytes than the area must not show a picture left there by the node before it.
TEST(SmallJpegStaleTest, CompressedNodeWhoseRunsEndEarlyNeverShowsAnEarlierNodesPicture) {
    constexpr std::size_t kCluster = 4096;
    CMemoryDevice device(Bytes(1 << 20, 0x11));
    std::size_t const pictureAt = 10 * kCluster + 30000;
    device.Bytes()[pictureAt] = 0xFF;
    device.Bytes()[pictureAt + 1] = 0xD8;
    device.Bytes()[pictureAt + 2] = 0xFF;
    device.Bytes()[pictureAt + 3000] = 0xFF;
    device.Bytes()[pictureAt + 3001] = 0xD9;
    FakeSearcher ntfs({MakePartition(0, 8, FILE_SYSTEM_NTFS)});
    CDataRecovery recovery;
    ASSERT_EQ(recovery.Initialize(&ntfs, &device), kResultSuccess);
    Bytes buffer(0x10000);

    auto pWithPicture = MakeNode({{10, 16}}, 0x10000, true);
    ReleasePtr<IFileReader> pFirst(recovery.SetRecoverNode(pWithPicture.get()));
    ASSERT_NE(pFirst, nullptr);
    ASSERT_EQ(recovery.ReadSmallJPG(reinterpret_cast<char*>(buffer.data()), 0x10000), 3004u);

    // Five clusters of filler, then the runs end: the rest of the area has nothing of this node.
    auto pShort = MakeNode({{40, 5}}, 0x10000, true);
    ReleasePtr<IFileReader> pSecond(recovery.SetRecoverNode(pShort.get()));
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(recovery.ReadSmallJPG(reinterpret_cast<char*>(buffer.data()), 0x10000), 0u);
}

}  // namespace
