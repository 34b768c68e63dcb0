// Files salvaged from the $LogFile of the ntfs_4k fixture image. mkntfs and ntfs-3g leave the
// log all 0xFF, so the test writes record pages into its clusters as NTFS would: a FILE image of
// notes.bin, and undo records that put back the sizes and mapping pairs of the deleted
// photo.jpg, one of them running on into the next page. Then both files' records are emptied
// (in-use flag cleared, sizes and runs zeroed, update sequence kept): the quick scan must bring
// both back byte-exact, and damaged log bytes must bring back nothing wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "NtfsVolumeBytes.h"
#include "engine/ByteWriter.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSFindFileFromLogFile.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"
#include "support/Manifest.h"
#include "support/Sha256.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kPageHeader = 64;
constexpr std::size_t kLogHeader = 48;
constexpr std::size_t kClientHeader = 40;

std::size_t Align8(std::size_t value) { return (value + 7) & ~std::size_t{7}; }

/// Where an operation on MFT record `n` points: its cluster and 512-byte block in it.
struct Target {
    std::uint64_t u64Vcn = 0;
    std::uint16_t u16Block = 0;
    std::uint16_t u16RecordOffset = 0;
    std::uint16_t u16AttributeOffset = 0;
};

/// A log record: header, NTFS client header, redo data, then undo data.
Bytes LogRecord(Bytes const& redo, Bytes const& undo, Target const& target) {
    std::size_t const undoOffset = kClientHeader + Align8(redo.size());
    Bytes record(kLogHeader + undoOffset + undo.size(), 0);
    engine::ByteWriter(record).Le32(24, record.size() - kLogHeader);
    engine::ByteWriter(record).Le32(32, 1);  // a client record
    std::size_t const client = kLogHeader;
    engine::ByteWriter(record).Le16(client + 0, redo.empty() ? 0 : 2);  // InitializeFileRecordSegment
    engine::ByteWriter(record).Le16(client + 4, kClientHeader);
    engine::ByteWriter(record).Le16(client + 6, redo.size());
    engine::ByteWriter(record).Le16(client + 8, undoOffset);
    engine::ByteWriter(record).Le16(client + 10, undo.size());
    engine::ByteWriter(record).Le16(client + 16, target.u16RecordOffset);
    engine::ByteWriter(record).Le16(client + 18, target.u16AttributeOffset);
    engine::ByteWriter(record).Le16(client + 20, target.u16Block);
    engine::ByteWriter(record).Le64(client + 24, target.u64Vcn);
    std::copy(redo.begin(), redo.end(), record.begin() + kLogHeader + kClientHeader);
    std::copy(undo.begin(), undo.end(), record.begin() + static_cast<std::ptrdiff_t>(kLogHeader + undoOffset));
    return record;
}

/// Lays records into record pages from page 4 on, as the log's writer does: 8-byte aligned, a
/// record running on after the next page's header, each page's last and last-ending LSNs set.
class LogWriter {
public:
    explicit LogWriter(std::size_t pages) : m_log(pages * kPage, 0xFF) {}

    /// Where the next record would start, in the page.
    std::size_t PageOffset() const { return m_position % kPage; }
    /// Appends a record, giving it the next LSN; its offset in the log.
    std::size_t Add(Bytes record) {
        if (m_position % kPage + kLogHeader > kPage) m_position = (m_position / kPage + 1) * kPage + kPageHeader;
        std::uint64_t const u64Lsn = ++m_u64Lsn;
        engine::ByteWriter(record).Le64(0, u64Lsn);
        std::size_t const start = m_position;
        Touch(start / kPage).u64Last = u64Lsn;
        for (std::size_t done = 0; done < record.size();) {
            if (m_position % kPage == 0) m_position += kPageHeader;
            std::size_t const piece = std::min(record.size() - done, kPage - m_position % kPage);
            Touch(m_position / kPage);
            std::memcpy(m_log.data() + m_position, record.data() + done, piece);
            done += piece;
            m_position += piece;
        }
        Touch((m_position - 1) / kPage).u64LastEnd = u64Lsn;
        m_position = Align8(m_position);
        return start;
    }
    /// The pages with their headers and update sequences written.
    Bytes Finish() {
        for (auto const& [page, lsns] : m_pages) {
            std::uint8_t* pPage = m_log.data() + page * kPage;
            Bytes header(kPageHeader, 0);
            std::memcpy(header.data(), "RCRD", 4);
            engine::ByteWriter(header).Le16(4, 40);
            engine::ByteWriter(header).Le16(6, 9);
            engine::ByteWriter(header).Le64(8, lsns.u64Last != 0 ? lsns.u64Last : lsns.u64LastEnd);
            engine::ByteWriter(header).Le64(32, lsns.u64LastEnd);
            engine::ByteWriter(header).Le16(40, 1);  // the check value
            std::memcpy(pPage, header.data(), header.size());
            ntfs::ApplyUpdateSequence(std::span<std::uint8_t>(pPage, kPage), 40, 9);
        }
        return m_log;
    }

private:
    struct Lsns {
        std::uint64_t u64Last = 0;
        std::uint64_t u64LastEnd = 0;
    };
    Lsns& Touch(std::size_t page) {
        if (!m_pages.count(page)) std::memset(m_log.data() + page * kPage + kPageHeader, 0, kPage - kPageHeader);
        return m_pages[page];
    }

    Bytes m_log;
    std::size_t m_position = 4 * kPage + kPageHeader;
    std::uint64_t m_u64Lsn = 0x10000;
    std::map<std::size_t, Lsns> m_pages;
};

enum class Damage { None, ImageLengthPastAnyPage, UndoOutsideItsRecord, ContinuationPageTorn };

struct SalvageCase {
    char const* pszName;
    Damage damage;
    bool bImageSalvaged;  // notes.bin from its FILE image
    bool bUndoSalvaged;   // photo.jpg from undo data
};

class NtfsLogSalvage : public ::testing::TestWithParam<SalvageCase> {
protected:
    void SetUp() override {
        m_folder = ntfstest::ImageFolder();
        if (m_folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
        m_image = ntfstest::ReadImage(m_folder + "/ntfs_4k.img");
        ntfstest::VolumeInMemory const volume(m_image);
        ASSERT_TRUE(volume.IsOpen());
        m_geometry = volume.Mft().Geometry();
        m_mftRuns = volume.Mft().Runs();
        auto const notes = volume.FindFile("notes.bin");
        auto const photo = volume.FindFile("photo.jpg");
        ASSERT_TRUE(notes && photo);
        m_u64Notes = *notes;
        m_u64Photo = *photo;
        LocateLog(volume);
    }

    void LocateLog(ntfstest::VolumeInMemory const& volume) {
        std::vector<std::uint8_t> const raw = volume.Record(2);
        CNTFSMultiFileRecord const file(volume.Mft(), 2, CNTFSFileRecord(engine::ByteView(raw.data(), raw.size())));
        auto const summary = SummarizeNtfsFile(file);
        ASSERT_TRUE(summary && summary->runs.Runs().size() == 1) << "mkntfs lays the log out in one run";
        m_logRuns = summary->runs;
        m_u64LogByte = static_cast<std::uint64_t>(summary->runs.Runs().front().s64LCN) * m_geometry.ClusterBytes();
        m_logPages = static_cast<std::size_t>(summary->s64Size) / kPage;
    }

    /// Record `n` as memory holds it (update sequence undone) and where it lies in the image.
    Bytes MemoryRecord(std::uint64_t n, std::uint64_t& u64Byte) const {
        ntfstest::VolumeInMemory const volume(m_image);
        u64Byte = volume.Mft().GetFileRecordByte(n).value_or(0);
        std::vector<std::uint8_t> const raw = volume.Record(n);
        CNTFSFileRecord const record(engine::ByteView(raw.data(), raw.size()));
        return Bytes(record.Bytes().Data(), record.Bytes().Data() + record.Bytes().Size());
    }
    Target TargetOf(std::uint64_t n) const {
        std::uint64_t const u64Byte = n * m_geometry.u32RecordSize;
        return Target{u64Byte / m_geometry.ClusterBytes(),
                      static_cast<std::uint16_t>(u64Byte % m_geometry.ClusterBytes() / 512), 0, 0};
    }
    static std::size_t DataOffset(Bytes const& record) {
        Bytes disk = record;
        CNTFSFileRecordHeader::FixupFileRecord(disk);
        return CNTFSFileRecord(engine::ByteView(disk.data(), disk.size())).GetAttributeOffset(ntfs::kAttrData);
    }
    /// Deleted, its sizes and mapping pairs zeroed, written back in disk form.
    /// Frees the clusters of file `n` in $Bitmap, as deleting it does (ntfs-3g freed photo.jpg's).
    void FreeClusters(std::uint64_t n) {
        ntfstest::VolumeInMemory const volume(m_image);
        auto const runsOf = [&](std::uint64_t u64Number) {
            std::vector<std::uint8_t> raw = volume.Record(u64Number);
            CNTFSMultiFileRecord const file(volume.Mft(), u64Number,
                                            CNTFSFileRecord(engine::ByteView(raw.data(), raw.size())));
            return SummarizeNtfsFile(file).value_or(NtfsFileSummary{}).runs;
        };
        CNTFSDataRunList const bitmap = runsOf(6);
        std::uint64_t const u64ClusterBytes = m_geometry.ClusterBytes();
        CNTFSDataRunList const file = runsOf(n);
        for (CDataRun const& run : file.Runs())
            for (std::int64_t s64Cluster = run.s64LCN; s64Cluster >= 0 && s64Cluster < run.s64LCN + run.s64Count;
                 ++s64Cluster) {
                std::uint64_t const u64Offset = static_cast<std::uint64_t>(s64Cluster) / 8;
                std::int64_t const s64Lcn = bitmap.GetLCN(static_cast<std::int64_t>(u64Offset / u64ClusterBytes));
                ASSERT_GE(s64Lcn, 0);
                m_image[static_cast<std::size_t>(s64Lcn) * u64ClusterBytes + u64Offset % u64ClusterBytes] &=
                    static_cast<std::uint8_t>(~(1u << (s64Cluster % 8)));
            }
    }

    void Empty(Bytes record, std::uint64_t u64Byte) {
        std::size_t const data = DataOffset(record);
        ASSERT_LT(data, record.size());
        record[22] &= 0xFE;
        std::size_t const pairs = data + ReadLe(record, data + 32, 2);
        std::fill(record.begin() + static_cast<std::ptrdiff_t>(data + 40),
                  record.begin() + static_cast<std::ptrdiff_t>(data + 64), 0);
        std::fill(record.begin() + static_cast<std::ptrdiff_t>(pairs),
                  record.begin() + static_cast<std::ptrdiff_t>(data + ReadLe(record, data + 4, 4)), 0);
        ASSERT_TRUE(CNTFSFileRecordHeader::FixupFileRecord(record));
        std::copy(record.begin(), record.end(), m_image.begin() + static_cast<std::ptrdiff_t>(u64Byte));
    }
    static std::size_t ReadLe(Bytes const& bytes, std::size_t offset, std::size_t width) {
        std::size_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[offset + i];
        return value;
    }

    /// The log as the case writes it: notes.bin's image first, then photo.jpg's sizes and the
    /// two halves of its pairs, the second starting 56 bytes before a page end.
    Bytes WriteLog(Bytes const& notes, Bytes const& photo, Damage damage) const {
        LogWriter writer(m_logPages);
        std::size_t const image = writer.Add(LogRecord(notes, {}, TargetOf(m_u64Notes)));
        std::size_t const data = DataOffset(photo);
        std::size_t const pairs = ReadLe(photo, data + 32, 2);
        std::size_t const end = ReadLe(photo, data + 4, 4);
        Target target = TargetOf(m_u64Photo);
        target.u16RecordOffset = static_cast<std::uint16_t>(data);
        target.u16AttributeOffset = 40;
        writer.Add(LogRecord({},
                             Bytes(photo.begin() + static_cast<std::ptrdiff_t>(data + 40),
                                   photo.begin() + static_cast<std::ptrdiff_t>(data + 64)),
                             target));
        target.u16AttributeOffset = static_cast<std::uint16_t>(pairs);
        writer.Add(LogRecord({},
                             Bytes(photo.begin() + static_cast<std::ptrdiff_t>(data + pairs),
                                   photo.begin() + static_cast<std::ptrdiff_t>(data + pairs + 2)),
                             target));
        // Padding up to 56 bytes before the page end: the next record's header fits, its data does not.
        std::size_t const filler = kPage - 56 - writer.PageOffset();
        Bytes padding = LogRecord({}, {}, Target{});
        EXPECT_GE(filler, padding.size());
        padding.resize(filler);
        engine::ByteWriter(padding).Le32(24, filler - kLogHeader);
        writer.Add(padding);
        target.u16AttributeOffset = static_cast<std::uint16_t>(pairs + 2);
        std::size_t const straddling =
            writer.Add(LogRecord({},
                                 Bytes(photo.begin() + static_cast<std::ptrdiff_t>(data + pairs + 2),
                                       photo.begin() + static_cast<std::ptrdiff_t>(data + end)),
                                 target));
        Bytes log = writer.Finish();
        EXPECT_EQ(straddling / kPage, image / kPage);
        EXPECT_EQ(straddling % kPage, kPage - 56);
        switch (damage) {
            case Damage::None:
                break;
            case Damage::ImageLengthPastAnyPage:
                engine::ByteWriter(log).Le32(image + 24, 0x7FFFFFF0);
                break;
            case Damage::UndoOutsideItsRecord:
                engine::ByteWriter(log).Le16(straddling + kLogHeader + 8, 0xFFF0);
                break;
            case Damage::ContinuationPageTorn:
                log[(straddling / kPage + 1) * kPage + 511] ^= 0xFF;
                break;
        }
        return log;
    }

    std::string m_folder;
    Bytes m_image;
    NtfsVolumeGeometry m_geometry;
    CNTFSDataRunList m_mftRuns;
    CNTFSDataRunList m_logRuns;
    std::uint64_t m_u64Notes = 0;
    std::uint64_t m_u64Photo = 0;
    std::uint64_t m_u64LogByte = 0;
    std::size_t m_logPages = 0;
};

TEST_P(NtfsLogSalvage, EmptiedDeletedFilesComeBackFromTheLog) {
    SalvageCase const& c = GetParam();
    std::uint64_t u64NotesByte = 0;
    std::uint64_t u64PhotoByte = 0;
    Bytes const notes = MemoryRecord(m_u64Notes, u64NotesByte);
    Bytes const photo = MemoryRecord(m_u64Photo, u64PhotoByte);
    Bytes const log = WriteLog(notes, photo, c.damage);
    std::copy(log.begin(), log.end(), m_image.begin() + static_cast<std::ptrdiff_t>(m_u64LogByte));
    FreeClusters(m_u64Notes);
    Empty(notes, u64NotesByte);
    Empty(photo, u64PhotoByte);

    CMemoryDevice device(m_image);
    device.Open();
    ntfstest::QuickScan const scan = ntfstest::RunQuickScan(device);
    ASSERT_EQ(scan.result, kResultSuccess);
    ASSERT_TRUE(scan.pPartition);

    auto const live = testsupport::ReadManifest(m_folder + "/ntfs_4k.manifest");
    auto const deleted = testsupport::ReadManifest(m_folder + "/ntfs_4k.deleted");
    std::map<std::string, std::pair<bool, std::string>> const expected{
        {"notes.bin", {c.bImageSalvaged, live.at("/notes.bin").sha256}},
        {"photo.jpg", {c.bUndoSalvaged, deleted.at("/photo.jpg").sha256}}};
    std::set<std::string> seen;
    for (auto const& [path, pNode] : scan.FilesByPath(true)) {
        auto const found = expected.find(path.substr(1));
        if (found == expected.end()) continue;
        seen.insert(found->first);
        EXPECT_EQ(pNode->IsDeleted(), 1) << found->first;
        if (!found->second.first) {
            EXPECT_EQ(pNode->GetFileSize(), 0) << found->first << " took runs from damaged log bytes";
            continue;
        }
        Bytes const bytes = ntfstest::CopyOut(device, *pNode, *scan.pPartition);
        EXPECT_EQ(testsupport::Sha256Hex(bytes), found->second.second) << found->first;
    }
    EXPECT_EQ(seen.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Log, NtfsLogSalvage,
    ::testing::Values(SalvageCase{"Intact", Damage::None, true, true},
                      // The page's walk stops at the lie: nothing after it on the page is read.
                      SalvageCase{"ImageLengthPastAnyPage", Damage::ImageLengthPastAnyPage, false, false},
                      SalvageCase{"UndoOutsideItsRecord", Damage::UndoOutsideItsRecord, true, false},
                      SalvageCase{"ContinuationPageTorn", Damage::ContinuationPageTorn, true, false}),
    [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// Four pages are the restart and buffer pages only: there is no record page to read.
TEST_F(NtfsLogSalvage, LogOfFourPagesGivesNothing) {
    std::uint64_t u64Byte = 0;
    Bytes const log = WriteLog(MemoryRecord(m_u64Notes, u64Byte), MemoryRecord(m_u64Photo, u64Byte), Damage::None);
    std::copy(log.begin(), log.end(), m_image.begin() + static_cast<std::ptrdiff_t>(m_u64LogByte));
    CMemoryDevice device(m_image);
    device.Open();
    CFindFileFromLogFile salvage;
    ASSERT_TRUE(salvage.InitWithLog(device, m_geometry, m_mftRuns, m_logRuns, 4 * kPage));
    salvage.Analyzer();
    EXPECT_EQ(salvage.GetSalvagedFileCount(), 0u);
    EXPECT_EQ(salvage.GetIndexedOperationCount(), 0u);
    ASSERT_TRUE(salvage.Init(device, m_geometry, m_mftRuns));
    salvage.Analyzer();
    EXPECT_EQ(salvage.GetSalvagedFileCount(), 1u);
    EXPECT_EQ(salvage.GetIndexedOperationCount(), 3u);
}

}  // namespace
