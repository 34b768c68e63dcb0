// The records of the ntfs_4k fixture image read through the engine's own reader: metafiles by
// name, the INDX blocks of a 350-file folder, the deep-search records of its folder and files,
// and an extension record reused by another file.
#include <gtest/gtest.h>

#include "NtfsVolumeBytes.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/complete/NTFSFileRecordInfo.h"
#include "engine/ntfs/ondisk/IndexRecord.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"
#include "engine/ntfs/ondisk/NTFSIndexEntries.h"

namespace {

constexpr std::size_t kIndexBlock = 4096;

class NtfsImageRecords : public ::testing::Test {
protected:
    void SetUp() override {
        std::string const folder = ntfstest::ImageFolder();
        if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
        m_bytes = ntfstest::ReadImage(folder + "/ntfs_4k.img");
        m_pVolume = std::make_unique<ntfstest::VolumeInMemory>(m_bytes);
        ASSERT_TRUE(m_pVolume->IsOpen());
    }
    CNTFSFileRecord Record(std::uint64_t u64Number) const {
        auto const raw = m_pVolume->Record(u64Number);
        return CNTFSFileRecord(engine::ByteView(raw.data(), raw.size()));
    }
    /// The number of the base record whose shown name is `name`.
    std::uint64_t Find(std::string const& name) const {
        auto const number = m_pVolume->FindFile(name);
        if (!number) ADD_FAILURE() << name << " not found";
        return number.value_or(0);
    }
    /// The first file past the metafiles whose attributes spill into extension records: the
    /// one with 31 names (which of them a record lists first depends on ntfs-3g).
    std::uint64_t FindWithAttributeList() const {
        for (std::uint64_t n = 64; n < m_pVolume->Mft().RecordCount(); ++n) {
            CNTFSFileRecord record = Record(n);
            if (record.IsValid() && !record.IsExtendFileRecord() && record.HasAttributeList()) return n;
        }
        ADD_FAILURE() << "no record with an attribute list";
        return 0;
    }
    std::vector<std::uint8_t> m_bytes;
    std::unique_ptr<ntfstest::VolumeInMemory> m_pVolume;
};

TEST_F(NtfsImageRecords, MetafilesAreKnownByName) {
    for (std::uint64_t const n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 24, 25, 26}) {
        std::uint32_t const u32Row = CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(Record(n));
        EXPECT_EQ(u32Row, n < 12 ? n : n - 12) << n;
    }
    EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsValidMFTFileRecord(Record(0)));
    EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(Record(Find("tiny.txt"))),
              CMetaFileRecordTypeAnalyzer::kNotMetaFile);
}

TEST_F(NtfsImageRecords, IndexBlocksOfALargeFolderNameItAsParent) {
    std::uint64_t const u64Folder = Find("many");
    CNTFSFileRecord const folder = Record(u64Folder);
    ASSERT_TRUE(CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(folder));
    auto const allocation = folder.FindAttibute(ntfs::kAttrIndexAllocation);
    CNTFSDataRunList runs;
    ASSERT_TRUE(allocation->AddDataRuns(runs));
    auto const blocks =
        m_pVolume->Mft().ReadAttributeData(runs, static_cast<std::uint64_t>(allocation->GetRealSizeOfAttribute()));
    ASSERT_TRUE(blocks && blocks->size() >= 2 * kIndexBlock);
    for (std::size_t at = 0; at < blocks->size(); at += kIndexBlock) {
        engine::ByteView const block(blocks->data() + at, kIndexBlock);
        EXPECT_TRUE(CIndexRecord::IsValid(block)) << at;
        EXPECT_EQ(CIndexRecord::GetParentFileReference(block), static_cast<std::int64_t>(u64Folder)) << at;
    }

    // Altered copies of the first block: its second entry given another parent, then that
    // entry marked as carrying only a sub-node pointer, then a count that misses the size.
    std::vector<std::uint8_t> block(blocks->begin(), blocks->begin() + kIndexBlock);
    ASSERT_TRUE(CIndexRecord::UnfixupIndexRecord(block));
    std::size_t const first = CStandardIndexHeader::GetOffsetofIndexEntries(engine::ByteView(block));
    std::size_t const second = first + engine::ByteView(block).Le16(first + 8);
    auto const refixed = [](std::vector<std::uint8_t> bytes) {
        EXPECT_TRUE(CIndexRecord::FixupIndexRecord(bytes));
        return bytes;
    };
    block[second + 16] ^= 0x01;
    EXPECT_FALSE(CIndexRecord::IsValid(engine::ByteView(refixed(block))));
    block[second + 12] = ntfs::kIndexEntrySubNode;
    EXPECT_TRUE(CIndexRecord::IsValid(engine::ByteView(refixed(block))));
    auto miscounted = refixed(block);
    miscounted[6] = 8;
    EXPECT_FALSE(CIndexRecord::IsValid(engine::ByteView(miscounted)));

    CFolderIndexAllocationInfo info;
    EXPECT_TRUE(info.InitFromBuffer(engine::ByteView(m_pVolume->Record(u64Folder)), 0, 512));
    EXPECT_EQ(info.GetMFTFileRecordNumber(), static_cast<std::int64_t>(u64Folder));
    EXPECT_EQ(info.GetSectorsPerCluster(), 8u);
    CCommonFileRecordInfo file;
    ASSERT_TRUE(file.InitFromBuffer(engine::ByteView(m_pVolume->Record(Find("entry_with_a_long_name_007.txt"))), 0));
    EXPECT_EQ(file.GetFileRecordNumberofParentDirectory(), static_cast<std::int64_t>(u64Folder));
}

TEST_F(NtfsImageRecords, ExtensionRecordOfAnotherBaseIsIgnored) {
    std::uint64_t const u64Base = FindWithAttributeList();
    CNTFSMultiFileRecord const linked(m_pVolume->Mft(), u64Base, Record(u64Base));
    ASSERT_FALSE(linked.ExtensionNumbers().empty());
    std::uint64_t const u64Reused = linked.ExtensionNumbers().front();

    // The extension record now says it belongs to another file, as after reuse.
    std::int64_t const s64Sector = m_pVolume->Mft().GetFileRecordStartSector(u64Reused);
    ASSERT_GE(s64Sector, 0);
    auto bytes = m_bytes;
    bytes[static_cast<std::size_t>(s64Sector) * 512 + 32] ^= 0x01;
    ntfstest::VolumeInMemory const reused(bytes);
    CNTFSMultiFileRecord const relinked(reused.Mft(), u64Base,
                                        CNTFSFileRecord(engine::ByteView(reused.Record(u64Base))));
    EXPECT_EQ(std::count(relinked.ExtensionNumbers().begin(), relinked.ExtensionNumbers().end(), u64Reused), 0);
    EXPECT_EQ(relinked.ExtensionNumbers().size() + 1, linked.ExtensionNumbers().size());
}

}  // namespace
