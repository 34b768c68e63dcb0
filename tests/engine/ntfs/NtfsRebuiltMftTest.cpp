// An MFT put together from FILE records found where their numbers place them: the copies that
// lie elsewhere (the $MFTMirr's, a stale one, another volume's MFT) must not take the MFT's
// clusters, the boot sector's MFT cluster anchors it, numbers past the volume are no evidence,
// and a spread of forged records can neither make an endless walk nor a run list past its bound.
#include <gtest/gtest.h>

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/complete/NTFSRebuiltMft.h"

namespace {

constexpr std::uint64_t kCluster = 4096;
constexpr std::uint64_t kRecord = 1024;
constexpr std::uint64_t kVolumeBytes = 64ull << 20;

NtfsVolumeGeometry Geometry() {
    NtfsVolumeGeometry geometry;
    geometry.s64StartSector = 0;
    geometry.u32SectorsPerCluster = 8;
    geometry.u32RecordSize = kRecord;
    return geometry;
}

TEST(NtfsRebuiltMft, TheMostBackedPlaceOfARecordWinsAndStrayNumbersAreNoEvidence) {
    CNTFSRebuiltMft rebuilt(Geometry(), kVolumeBytes);
    // The MFT's first 400 records from cluster 100; record 0 was zeroed.
    for (std::uint64_t u64Number = 1; u64Number < 400; ++u64Number)
        rebuilt.Add(u64Number, 100 * kCluster + u64Number * kRecord);
    for (std::uint64_t u64Number = 1; u64Number < 4; ++u64Number)
        rebuilt.Add(u64Number, 3000 * kCluster + u64Number * kRecord);  // $MFTMirr
    rebuilt.Add(7, 5000 * kCluster + 3 * kRecord);                      // a stale copy of record 7
    rebuilt.Add(std::uint64_t{1} << 40, 6000 * kCluster);               // a number past the volume
    rebuilt.Add(500, 6000 * kCluster + kRecord);                        // not where 500 lies in a cluster
    CMemoryDevice device{std::vector<std::uint8_t>(512)};               // nothing is read
    std::optional<CNTFSMftReader> const mft = rebuilt.Reader(device);
    ASSERT_TRUE(mft);
    ASSERT_EQ(mft->Runs().Runs().size(), 1u);
    EXPECT_EQ(mft->Runs().Runs()[0], (CDataRun{100, 0, 100}));
    EXPECT_EQ(mft->RecordCount(), 400u);
    EXPECT_EQ(mft->GetFileRecordByte(7), 100 * kCluster + 7 * kRecord);
}

TEST(NtfsRebuiltMft, WhereTheBootSectorPutsTheMftWinsAndAnMftConflictingWithItJoinsNothing) {
    // Records 1-35 where the boot sector puts the MFT (cluster 100); a volume image stored as a
    // file holds an MFT of 300 records at cluster 5000.
    CNTFSRebuiltMft rebuilt(Geometry(), kVolumeBytes, 100);
    for (std::uint64_t u64Number = 1; u64Number < 36; ++u64Number)
        rebuilt.Add(u64Number, 100 * kCluster + u64Number * kRecord);
    for (std::uint64_t u64Number = 0; u64Number < 300; ++u64Number)
        rebuilt.Add(u64Number, 5000 * kCluster + u64Number * kRecord);
    CMemoryDevice device{std::vector<std::uint8_t>(512)};  // nothing is read
    std::optional<CNTFSMftReader> const mft = rebuilt.Reader(device);
    ASSERT_TRUE(mft);
    EXPECT_TRUE(rebuilt.Anchored());
    ASSERT_EQ(mft->Runs().Runs().size(), 1u);
    EXPECT_EQ(mft->Runs().Runs()[0], (CDataRun{100, 0, 9}));
    EXPECT_EQ(mft->RecordCount(), 36u);
    // Without the boot sector's word the better-backed extent is taken, as before.
    CNTFSRebuiltMft unanchored(Geometry(), kVolumeBytes);
    for (std::uint64_t u64Number = 1; u64Number < 36; ++u64Number)
        unanchored.Add(u64Number, 100 * kCluster + u64Number * kRecord);
    for (std::uint64_t u64Number = 0; u64Number < 300; ++u64Number)
        unanchored.Add(u64Number, 5000 * kCluster + u64Number * kRecord);
    EXPECT_FALSE(unanchored.Anchored());
    EXPECT_EQ(unanchored.Reader(device)->GetFileRecordByte(7), 5000 * kCluster + 7 * kRecord);
}

TEST(NtfsRebuiltMft, AWalkStepsOverAGapAtOnce) {
    CNTFSRebuiltMft rebuilt(Geometry(), kVolumeBytes);
    for (std::uint64_t u64Number = 0; u64Number < 8; ++u64Number)
        rebuilt.Add(u64Number, 100 * kCluster + u64Number * kRecord);
    rebuilt.Add(60001, 9000 * kCluster + kRecord);
    CMemoryDevice device{std::vector<std::uint8_t>(512)};  // nothing is read
    std::optional<CNTFSMftReader> const mft = rebuilt.Reader(device);
    ASSERT_TRUE(mft);
    EXPECT_EQ(mft->RecordCount(), 60004u);
    EXPECT_EQ(mft->NextMappedRecord(5), 5u);
    EXPECT_EQ(mft->NextMappedRecord(8), 60000u);
    EXPECT_EQ(mft->NextMappedRecord(60004), 60004u);
}

TEST(NtfsRebuiltMft, AMillionScatteredRecordsMakeABoundedRunList) {
    CNTFSRebuiltMft rebuilt(Geometry(), kVolumeBytes);
    // Every record two clusters from the last one's: none continues another's extent.
    for (std::uint64_t u64Number = 0; u64Number < 1000000; ++u64Number)
        rebuilt.Add(u64Number % 16000, (u64Number * 2 % 16000) * kCluster + u64Number % 16000 % 4 * kRecord);
    CMemoryDevice device{std::vector<std::uint8_t>(512)};  // nothing is read
    std::optional<CNTFSMftReader> const mft = rebuilt.Reader(device);
    ASSERT_TRUE(mft);
    EXPECT_LE(mft->Runs().Runs().size(), 512u);
    EXPECT_LE(mft->RecordCount() * kRecord, kVolumeBytes);
}

}  // namespace
