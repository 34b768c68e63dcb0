// Boot sectors and FILE records of volumes made by mkntfs, altered where a fault hides: the
// cluster-size rule, torn update sequences, 4 KiB records, attributes at or past the end.
#include <gtest/gtest.h>

#include "NtfsVolumeBytes.h"
#include "engine/ByteWriter.h"
#include "engine/EngineEntryPoints.h"
#include "engine/core/partition/BootSector.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

namespace {

constexpr std::uint64_t kVolumeRecord = 3;

engine::ByteView View(std::vector<std::uint8_t> const& bytes) { return engine::ByteView(bytes.data(), bytes.size()); }

TEST(NtfsBootSectorTest, ClusterSizeRuleAndUncheckedMediaByte) {
    auto const volume = ntfstest::MakeVolume("-c 4096");
    if (volume.empty()) GTEST_SKIP() << "mkntfs is missing";
    RegisterEngineSubsystems();  // the boot-sector probes
    std::vector<std::uint8_t> sector(volume.begin(), volume.begin() + 512);
    CNTFSDBR dbr;
    ASSERT_TRUE(dbr.InitFromBuffer(View(sector)));
    EXPECT_EQ(dbr.GetSectorsperCluster(), 8u);
    EXPECT_EQ(dbr.GetFileRecordSizeByByte(), 1024u);

    auto media = sector;
    media[21] = 0x12;
    EXPECT_TRUE(CNTFSDBR::IsFullValidDBR(View(media)));
    auto three = sector;
    three[13] = 3;
    EXPECT_FALSE(CNTFSDBR::IsFullValidDBR(View(three)));
    EXPECT_EQ(partition::BootSectorFileSystem(View(three), 512), FILE_SYSTEM_UNRECOGNISED);

    // A record-size byte asking for a shift of 32 or more has no size.
    EXPECT_EQ(NtfsFileRecordSize(0xE0, 8, 512), 0u);
    EXPECT_EQ(NtfsFileRecordSize(0xF6, 8, 512), 1024u);
}

TEST(NtfsBootSectorTest, ClustersAbove64KiBAreRefused) {
    auto const volume = ntfstest::MakeVolume("-c 131072", 64u << 20);
    if (volume.empty()) GTEST_SKIP() << "mkntfs is missing";
    RegisterEngineSubsystems();
    engine::ByteView const sector(volume.data(), 512);
    EXPECT_EQ(sector.U8(13), 0xF8);
    EXPECT_FALSE(CNTFSDBR::IsFullValidDBR(sector));
    EXPECT_EQ(partition::BootSectorFileSystem(sector, 512), FILE_SYSTEM_UNRECOGNISED);
}

class NtfsRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pVolume = std::make_unique<ntfstest::VolumeInMemory>(ntfstest::MakeVolume("-c 4096 -L RECORDS"));
        if (!m_pVolume->IsOpen()) GTEST_SKIP() << "mkntfs is missing";
    }
    /// Record `u64Number` with fixups undone, altered by `alter`, then fixed up again as on disk.
    std::vector<std::uint8_t> Altered(std::uint64_t u64Number,
                                      std::function<void(std::vector<std::uint8_t>&)> const& alter) {
        auto record = m_pVolume->Record(u64Number);
        EXPECT_TRUE(CNTFSFileRecordHeader::UnfixupFileRecord(record));
        alter(record);
        EXPECT_TRUE(CNTFSFileRecordHeader::FixupFileRecord(record));
        return record;
    }
    std::unique_ptr<ntfstest::VolumeInMemory> m_pVolume;
};

TEST_F(NtfsRecordTest, LabelAndTornUpdateSequence) {
    auto const raw = m_pVolume->Record(kVolumeRecord);
    CNTFSFileRecord const record(View(raw));
    ASSERT_TRUE(record.IsValid());
    EXPECT_EQ(CVolumeFileAnalyzer::GetLabel(record, 256), "RECORDS");
    EXPECT_EQ(CVolumeFileAnalyzer::GetLabel(record, 3), "REC");  // bounded by the caller

    for (std::size_t const stride : {0u, 1u}) {
        auto torn = raw;
        torn[stride * 512 + 510] ^= 0xFF;
        EXPECT_FALSE(CNTFSFileRecord::IsValid(View(torn))) << "stride " << stride;
    }
}

TEST_F(NtfsRecordTest, AttributeAt1016IsUnseenAndOnePastTheEndRefusesTheRecord) {
    CNTFSFileRecord const original(View(m_pVolume->Record(kVolumeRecord)));
    std::uint32_t const u32End = CNTFSFileRecordHeader::GetLength(original.Bytes()) - 8;  // where the end marker sits
    auto const filler = [&](std::vector<std::uint8_t>& r, std::uint32_t u32Length, std::uint32_t u32InUse) {
        engine::ByteView const view(r.data(), r.size());
        ASSERT_EQ(view.Le32(u32End), ntfs::kAttrEnd);
        auto put32 = [&](std::size_t at, std::uint32_t value) { engine::ByteWriter(r).Le32(at, value); };
        std::fill(r.begin() + u32End, r.begin() + 1024 - 2, 0);
        put32(u32End, 0x100);  // a resident attribute with an empty value up to 1016
        put32(u32End + 4, u32Length);
        r[u32End + 20] = 24;
        put32(1016, 0x100);
        put32(1020, 0x20);
        put32(24, u32InUse);
    };
    CNTFSFileRecord const at1016(View(Altered(kVolumeRecord, [&](auto& r) { filler(r, 1016 - u32End, 1024); })));
    ASSERT_TRUE(at1016.IsValid());
    EXPECT_EQ(at1016.GetAttibuteCountofSpecifiedType(0x100), 1u);

    CNTFSFileRecord const past(View(Altered(kVolumeRecord, [&](auto& r) { filler(r, 1016 - u32End + 8, 1016); })));
    EXPECT_FALSE(past.IsValid());
}

TEST_F(NtfsRecordTest, AnUnreadableSectorCostsOnlyTheRecordsOnIt) {
    std::int64_t const s64Sector = m_pVolume->Mft().GetFileRecordStartSector(kVolumeRecord);
    ASSERT_GE(s64Sector, 0);
    m_pVolume->Device().FailSector(s64Sector);
    EXPECT_TRUE(m_pVolume->Record(kVolumeRecord).empty());
    EXPECT_TRUE(CNTFSFileRecord::IsValid(View(m_pVolume->Record(kVolumeRecord - 1))));
    EXPECT_TRUE(CNTFSFileRecord::IsValid(View(m_pVolume->Record(kVolumeRecord + 1))));
}

TEST(NtfsRecord4KTest, EveryStrideOfA4KiBRecordIsRestored) {
    ntfstest::VolumeInMemory const volume(ntfstest::MakeVolume("-s 4096 -c 4096"));
    if (!volume.IsOpen()) GTEST_SKIP() << "mkntfs is missing";
    ASSERT_EQ(volume.Mft().Geometry().u32RecordSize, 4096u);
    auto const raw = volume.Record(0);
    engine::ByteView const rawView(raw.data(), raw.size());
    ASSERT_EQ(rawView.Le16(6), 9);
    CNTFSFileRecord const record(rawView);
    ASSERT_TRUE(record.IsValid());
    std::uint16_t const u16Array = rawView.Le16(4);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(rawView.Le16(i * 512 + 510), rawView.Le16(u16Array)) << i;
        EXPECT_EQ(record.Bytes().Le16(i * 512 + 510), rawView.Le16(u16Array + 2 + 2 * i)) << i;
    }
    EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsValidMFTFileRecord(record));
}

}  // namespace
