// The FAT quick searcher on volumes it must refuse or read from its backup: the fixture images
// with sector 0 wiped, a whole-disk device, and an exFAT volume. Every run ends with the
// finished progress record, whatever its code.
#include "engine/fat/FATQuickSearcher.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "FatTestImages.h"
#include "engine/EngineEntryPoints.h"
#include "engine/IFileNode.h"
#include "engine/VolumeDescription.h"
#include "engine/core/device/ForwardingDevice.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

constexpr std::size_t kSectorSize = 512;

struct SearchRun {
    RESULT result = kResultSuccess;
    testkit::RecordingTreeBuilder builder;
    testkit::ProgressSink progress;
};

/// Searches the bytes as a device of the given type whose volume record names `eType` (none
/// for a disk).
void Search(std::vector<std::uint8_t> bytes, StorageDeviceType eDevice, FileSystemType eType, SearchRun& run) {
    CMemoryDevice device(std::move(bytes), kSectorSize, eDevice);
    if (eDevice == STORAGE_DEVICE_VOLUME) {
        auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
        pRecord->u32FileSystemType = eType;
        device.SetPrivateData(CreateVolumeDeviceData(pRecord));
    }
    CFATQuickSearcher searcher;
    searcher.SetDirecotryTreeBuilder(&run.builder);
    run.result = searcher.QuickSearchFiles(&device, &run.progress);
}

void ExpectFinishedLast(testkit::ProgressSink const& progress) {
    std::vector<_PROGRESS_INFO> const records = progress.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().u32State, PROGRESS_STATE_FINISHED);
    EXPECT_EQ(records.back().u64Total, 100u);
    EXPECT_EQ(records.back().u64Done, 100u);
}

std::vector<std::uint8_t> WithSectorZeroWiped(std::string const& image) {
    std::vector<std::uint8_t> bytes = fattest::ReadBytes(fattest::Image(image));
    if (bytes.size() >= kSectorSize) std::fill(bytes.begin(), bytes.begin() + kSectorSize, std::uint8_t{0});
    return bytes;
}

class FatQuickSearchTest : public ::testing::Test {
protected:
    void SetUp() override { FAT_IMAGES_OR_SKIP(); }
};

TEST_F(FatQuickSearchTest, AFat32VolumeWithSectorZeroWipedIsSearchedFromItsBackupBootSector) {
    SearchRun run;
    Search(WithSectorZeroWiped("fat32.img"), STORAGE_DEVICE_VOLUME, FILE_SYSTEM_FAT32, run);
    EXPECT_EQ(run.result, kResultSuccess);
    EXPECT_TRUE(run.builder.Find("neighbour.bin") != nullptr);
    EXPECT_TRUE(run.builder.Find("deleted file one.bin") != nullptr);
    ExpectFinishedLast(run.progress);
}

TEST_F(FatQuickSearchTest, AFat16VolumeWithSectorZeroWipedIsNotFat) {
    SearchRun run;
    Search(WithSectorZeroWiped("fat16.img"), STORAGE_DEVICE_VOLUME, FILE_SYSTEM_FAT16, run);
    EXPECT_EQ(ResultCode(run.result), 0xcu);
    EXPECT_EQ(ResultModule(run.result), kModuleFatSearch);
    EXPECT_TRUE(run.builder.Nodes().empty());
    ExpectFinishedLast(run.progress);
}

TEST_F(FatQuickSearchTest, AWholeDiskDeviceIsRefusedWithCodeThree) {
    SearchRun run;
    Search(fattest::ReadBytes(fattest::Image("fat32.img")), STORAGE_DEVICE_DISK, FILE_SYSTEM_FAT32, run);
    EXPECT_EQ(ResultCode(run.result), 3u);
    EXPECT_TRUE(run.builder.Nodes().empty());
    ExpectFinishedLast(run.progress);
}

TEST_F(FatQuickSearchTest, AnExFatVolumeIsNotFat) {
    std::vector<std::uint8_t> bytes = fattest::ReadBytes(fattest::Image("exfat.img"));
    if (bytes.empty()) GTEST_SKIP() << "mkfs.exfat is not installed";
    // The type the volume analysers give it, as the enumerator would record it.
    RegisterEngineSubsystems();
    CMemoryDevice probe(bytes, kSectorSize, STORAGE_DEVICE_VOLUME);
    CCollectedVolumeDeviceInfoStruct record;
    ASSERT_TRUE(recovery::DescribeVolume(&probe, "exfat", record));
    ASSERT_EQ(record.u32FileSystemType, static_cast<std::uint32_t>(FILE_SYSTEM_EXFAT));

    SearchRun run;
    Search(std::move(bytes), STORAGE_DEVICE_VOLUME, FILE_SYSTEM_EXFAT, run);
    EXPECT_EQ(ResultCode(run.result), 0xcu);
    EXPECT_TRUE(run.builder.Nodes().empty());
    ExpectFinishedLast(run.progress);
}

/// Counts the reads that start at each sector.
class ReadCountingDevice final : public CForwardingDevice {
public:
    using CForwardingDevice::CForwardingDevice;
    int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) override {
        ++m_starts[s64FirstSector];
        return CForwardingDevice::ReadSector(pBuffer, s64FirstSector, s64Count);
    }
    int ReadsAt(long long s64Sector) const {
        auto const it = m_starts.find(s64Sector);
        return it == m_starts.end() ? 0 : it->second;
    }

private:
    std::map<long long, int> m_starts;
};

// Both tables' first sectors zeroed: neither boot sector passes the strict check, and the
// lenient one takes sector 0 from what the strict pass read.
TEST_F(FatQuickSearchTest, AVolumeWhoseTablesAreZeroedReadsEachBootSectorOnce) {
    std::vector<std::uint8_t> bytes = fattest::ReadBytes(fattest::Image("fat32.img"));
    ASSERT_GT(bytes.size(), 64 * kSectorSize);
    std::size_t const reserved = bytes[14] | std::size_t{bytes[15]} << 8;
    std::size_t const fatSectors = bytes[36] | std::size_t{bytes[37]} << 8 | std::size_t{bytes[38]} << 16;
    for (std::size_t const first : {reserved, reserved + fatSectors})
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(first * kSectorSize), kSectorSize, std::uint8_t{0});
    CMemoryDevice device(std::move(bytes), kSectorSize, STORAGE_DEVICE_VOLUME);
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    pRecord->u32FileSystemType = FILE_SYSTEM_FAT32;
    device.SetPrivateData(CreateVolumeDeviceData(pRecord));
    ReadCountingDevice counting(device);
    SearchRun run;
    CFATQuickSearcher searcher;
    searcher.SetDirecotryTreeBuilder(&run.builder);
    run.result = searcher.QuickSearchFiles(&counting, &run.progress);
    EXPECT_EQ(run.result, kResultSuccess);
    EXPECT_NE(run.builder.Find("neighbour.bin"), nullptr);
    EXPECT_EQ(counting.ReadsAt(0), 1);
    EXPECT_EQ(counting.ReadsAt(6), 1);
}

}  // namespace
