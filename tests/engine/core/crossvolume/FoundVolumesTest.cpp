// What the volumes one complete scan found may read, decided from what their searchers report:
// an image in a file of another volume (in pieces, whole, cut short, named by a deleted file too,
// written over at its start) and a re-partitioned disk, with and without its table. A virtual
// disk's container, a volume met twice and an image no file holds any more are judged on images
// real tools made (RealVolumesTest).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/crossvolume/VolumeNesting.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

constexpr long long kDeviceSectors = 4096;
using Spans = std::vector<std::pair<std::int64_t, std::int64_t>>;  // first sector, count

/// A volume a searcher found, and what it reports when asked: the sectors it uses now, its
/// files holding others' starts and its structures.
struct Reported {
    FoundVolume volume;
    Spans used;
    std::vector<HoldingFile> files;
    Spans structures;
};

Reported Volume(std::int64_t s64Start, std::int64_t s64Sectors, Spans used = {}, std::vector<HoldingFile> files = {},
                Spans structures = {}) {
    return {{SEARCHER_TYPE_NTFS, s64Start, s64Sectors, s64Start, true}, used, files, structures};
}

/// The volume as a partition editor's copy of one volume leaves it: its serial and cluster size.
Reported Copy(Reported volume, bool bBootSector = true) {
    volume.volume.u64Serial = 0x1234ABCD;
    volume.volume.u32ClusterBytes = 4096;
    volume.volume.bBootSector = bBootSector;
    return volume;
}

HoldingFile File(std::vector<SectorExtent> extents, std::int64_t s64Sectors, bool bDeleted = false) {
    return HoldingFile{"disk.img", s64Sectors * 512, std::move(extents), bDeleted};
}

/// The code a file of the volume starting at `s64Start` gets when it lies on [s64First, s64End).
struct Judged {
    std::int64_t s64Start, s64First, s64End;
    std::uint32_t u32Code;
};

/// Resolves the two volumes a device shows (its table listing volumes at `listed`; the first
/// holds the second's start, or was formatted first) and checks: the file the second is read
/// through (`scan` of `s64ScanSectors`; none: read from the device), the volumes that read their
/// own sectors with nothing over them (`unplaced`), and how their files are judged.
void ExpectResolved(char const* pszName, std::vector<std::int64_t> listed, std::array<Reported, 2> const& reported,
                    std::vector<SectorExtent> const& scan, std::int64_t s64ScanSectors,
                    std::vector<std::int64_t> const& unplaced, std::vector<Judged> const& judged) {
    SCOPED_TRACE(pszName);
    CMemoryDevice device{std::vector<std::uint8_t>(kDeviceSectors * 512)};
    CFoundVolumes volumes(std::move(listed));
    CFoundVolumes::VolumeId const ids[] = {volumes.Add(reported[0].volume), volumes.Add(reported[1].volume)};
    volumes.Settle();
    for (CFoundVolumes::VolumeId const id : ids) {
        Reported const& volume = reported[id == ids[1]];
        if (volumes.WantsUseOf(id)) {
            for (auto const& [first, count] : volume.used) volumes.AddUsed(id, first, count);
            for (auto const& [first, count] : volume.structures) volumes.AddStructure(id, first, count);
        }
        if (!volumes.StartsInside(id).empty())
            for (HoldingFile const& file : volume.files) volumes.AddHoldingFile(id, file);
    }
    volumes.Resolve(device);

    EXPECT_FALSE(volumes.IsReadElsewhere(SEARCHER_TYPE_NTFS, reported[0].volume.s64Start));
    EXPECT_EQ(volumes.IsReadElsewhere(SEARCHER_TYPE_NTFS, reported[1].volume.s64Start), !scan.empty());
    ASSERT_EQ(volumes.FileScans().size(), scan.empty() ? 0u : 1u);
    if (!scan.empty()) {
        CVolumePlacement const& placement = *volumes.FileScans().front().pPlacement;
        EXPECT_EQ(placement.m_view, scan);
        EXPECT_EQ(placement.m_s64ViewSectors, s64ScanSectors);
        EXPECT_TRUE(placement.m_taken.Empty()) << "the file is its volume's own";
    }
    for (std::int64_t const s64Start : unplaced)
        EXPECT_EQ(volumes.PlacementOf(SEARCHER_TYPE_NTFS, s64Start), nullptr) << s64Start;
    for (Judged const& file : judged) {
        auto const pPlacement = volumes.PlacementOf(SEARCHER_TYPE_NTFS, file.s64Start);
        CSpanSet sectors;
        sectors.Add(file.s64First, file.s64End);
        EXPECT_EQ(pPlacement ? pPlacement->Judge(sectors) : 0u, file.u32Code)
            << "a file of " << file.s64Start << " on " << file.s64First << "-" << file.s64End;
    }
}

TEST(FoundVolumesTest, EachVolumeReadsWhereItLiesAndItsFilesOnWhatAnotherUsesNowAreOverwritten) {
    Reported const image = Volume(1000, 300);
    // An image deleted from its volume and found by its MFT (at 1100-1120), its boot sector lost.
    Reported moved = Volume(1000, 300, {}, {}, {{1000, 1}, {1100, 20}});
    moved.volume.bBootSector = false;
    Spans const holderUses{{0, 64}, {900, 2200}};
    std::vector<SectorExtent> const twoPieces{{0, 1000, 150}, {150, 3000, 150}};
    std::vector<SectorExtent> const livePieces{{0, 1000, 150}, {150, 1500, 150}};
    // Read through the file; built from the device all the same (during the pass, its holder met
    // only later), it reads its own bytes only in the piece holding its start.
    std::vector<Judged> const readFromTheDevice{{1000, 1100, 1150, 0}, {1000, 1140, 1160, kCodePossiblyOverwritten}};
    ExpectResolved("an image in two pieces", {0},
                   {Volume(0, kDeviceSectors, holderUses, {File(twoPieces, 300)}), image}, twoPieces, 300, {0},
                   readFromTheDevice);
    ExpectResolved("an image in one piece", {0},
                   {Volume(0, kDeviceSectors, holderUses, {File({{0, 1000, 300}}, 300)}), image}, {}, 0, {0, 1000}, {});
    // A holder whose chain is a guess past its first cluster (its table lost): what its volume
    // reads past that is noted.
    HoldingFile guessed = File({{0, 1000, 300}}, 300);
    guessed.s64KnownSectors = 8;
    ExpectResolved("an image in a file whose chain is a guess", {0},
                   {Volume(0, kDeviceSectors, holderUses, {guessed}), image}, {}, 0, {0},
                   {{1000, 1002, 1008, 0}, {1000, 1100, 1150, kCodePossiblyOverwritten}});
    ExpectResolved("an image cut short", {0},
                   {Volume(0, kDeviceSectors, holderUses, {File({{0, 1000, 200}}, 200)}), image}, {{0, 1000, 200}}, 200,
                   {0}, {{1000, 1100, 1200, 0}, {1000, 1200, 1250, kCodePossiblyOverwritten}});
    // A size field past the runs is damage: the view ends where the runs do.
    for (std::int64_t const s64Bytes : {std::int64_t{1} << 50, INT64_MAX}) {
        HoldingFile damaged = File(twoPieces, 300);
        damaged.s64Bytes = s64Bytes;
        ExpectResolved("an image in two pieces, its file's size damaged", {0},
                       {Volume(0, kDeviceSectors, holderUses, {damaged}), image}, twoPieces, 300, {0},
                       readFromTheDevice);
    }
    // The device's table lists it: no file of a volume whose range reaches over it holds it.
    ExpectResolved("a listed volume in the range of one not listed", {1000},
                   {Volume(0, kDeviceSectors, holderUses, {File(twoPieces, 300)}), image}, {}, 0, {1000}, {});
    ExpectResolved("an image at an offset in a file of one piece", {0},
                   {Volume(0, kDeviceSectors, holderUses, {File({{0, 900, 400}}, 400)}), image}, {}, 0, {0, 1000}, {});
    // The old volume at 63; the new one at 2048 uses 2048-2600 and 3000-3100: what it leaves
    // free reads as before.
    ExpectResolved("a volume formatted over, the new one listed", {2048},
                   {Volume(63, 2000), Volume(2048, 1500, {{2048, 552}, {3000, 100}})}, {}, 0, {2048},
                   {{63, 100, 2000, 0}, {63, 2040, 2050, kCodeOverwritten}, {63, 2700, 2900, 0}});
    // Without table the volume whose structures lie on the other's files is the newer one.
    ExpectResolved("a volume formatted over, no table", {},
                   {Volume(63, 2000, {{63, 40}, {2000, 63}}), Volume(2048, 1500, {{2048, 552}}, {}, {{2048, 40}})}, {},
                   0, {2048}, {{63, 2050, 2060, kCodeOverwritten}});
    // A volume moved from 63 to 2048 rewrote all of 2048-3063, what it leaves free included;
    // the copy at 63 keeps its own bytes below 2048 alone. Its file holding 2048 does not hold
    // the moved copy.
    Spans const copyUses{{2048, 100}};
    ExpectResolved("a volume moved forward, the moved copy listed", {2048},
                   {Copy(Volume(63, 3000, {{63, 100}, {2040, 20}}, {File({{0, 2040, 20}}, 20)})),
                    Copy(Volume(2048, 3000, copyUses))},
                   {}, 0, {2048}, {{63, 100, 200, 0}, {63, 2500, 2600, kCodeOverwritten}});
    ExpectResolved("a volume moved forward, no table", {},
                   {Copy(Volume(63, 3000, {{63, 100}})), Copy(Volume(2048, 3000, copyUses))}, {}, 0, {2048},
                   {{63, 2040, 2047, 0}, {63, 2047, 2049, kCodeOverwritten}});
    // Moved back, the copy written last took the earlier one's boot sector: that one is known
    // from its backup alone.
    ExpectResolved("a volume moved back, no table", {},
                   {Copy(Volume(63, 3000, copyUses)), Copy(Volume(1000, 3000, {{1000, 100}}), false)}, {}, 0, {63},
                   {{1000, 1500, 1600, kCodeOverwritten}, {1000, 3100, 3200, 0}});
    // A deleted file and a live one in pieces both name the clusters from 1000: the live one holds it.
    Reported const bothHold = Volume(0, kDeviceSectors, {{0, 64}, {1000, 150}, {1500, 150}, {1200, 20}},
                                     {File({{0, 1000, 400}}, 400, true), File(livePieces, 300)});
    ExpectResolved("an image named by a deleted file and a live one", {0}, {bothHold, image}, livePieces, 300, {0}, {});
    // Held by the deleted file alone, in one piece: what the volume uses now is others'.
    ExpectResolved("an image held by a deleted file alone", {0},
                   {Volume(0, kDeviceSectors, {{0, 64}, {1200, 20}}, {File({{0, 1000, 400}}, 400, true)}), image}, {},
                   0, {0}, {{1000, 1100, 1150, 0}, {1000, 1210, 1211, kCodeOverwritten}});
    // A live file written over its start (1000-1008) holds none of it and ends no piece of it.
    ExpectResolved("a moved image, a file written over its start", {0},
                   {Volume(0, kDeviceSectors, {{0, 64}, {1000, 8}, {1290, 10}}, {File({{0, 1000, 8}}, 8)}), moved}, {},
                   0, {0},
                   {{1000, 1004, 1005, kCodeOverwritten}, {1000, 1150, 1250, 0}, {1000, 1295, 1296, kCodeOverwritten}});
    // An old volume reaching past the end of the newer one formatted over its start: past the
    // newer one's next used sector its files may be others' bytes, but past its end nothing
    // else claims them.
    ExpectResolved("an old volume reaching past the newer one's end", {0},
                   {Volume(0, 1500, {{0, 64}, {1200, 10}}), Volume(1000, 1000)}, {}, 0, {0},
                   {{1000, 1100, 1150, 0}, {1000, 1300, 1400, kCodePossiblyOverwritten}, {1000, 1600, 1700, 0}});
    // A boot sector's copy in an ordinary file names structures past the file's end: the file
    // holds no volume, and what it would read lies on what its container uses.
    ExpectResolved("a boot sector's copy in a picture", {0},
                   {Volume(0, kDeviceSectors, {{0, 64}, {1000, 150}}, {File({{0, 1000, 150}}, 150)}),
                    Volume(1000, 2000, {}, {}, {{1000, 1}, {1200, 16}})},
                   {}, 0, {0}, {{1000, 1100, 1101, kCodeOverwritten}});
    // A file holding its MFT as well holds it, even with its boot sector lost.
    ExpectResolved("a moved image, a file holding its MFT", {0},
                   {Volume(0, kDeviceSectors, {{0, 64}, {1000, 150}}, {File({{0, 1000, 150}}, 150)}), moved},
                   {{0, 1000, 150}}, 150, {0}, {});
}

// One file named by the volume holding it and by a volume found inside it, two images in it: the
// file is scanned once.
TEST(FoundVolumesTest, AFileTwoVolumesNameIsScannedOnce) {
    CMemoryDevice device{std::vector<std::uint8_t>(kDeviceSectors * 512)};
    CFoundVolumes volumes({0});
    std::vector<SectorExtent> const pieces{{0, 1000, 150}, {150, 3000, 150}};
    std::vector<CFoundVolumes::VolumeId> ids;
    for (FoundVolume volume : {Volume(0, kDeviceSectors).volume, Volume(1000, 300).volume, Volume(1100, 100).volume}) {
        ids.push_back(volumes.Add(volume));
        if (ids.size() == 2) ids.push_back(volumes.Add({SEARCHER_TYPE_FAT, 1050, kDeviceSectors - 1050, 1050, true}));
    }
    volumes.Settle();
    for (CFoundVolumes::VolumeId const id : ids)
        if (!volumes.StartsInside(id).empty()) volumes.AddHoldingFile(id, File(pieces, 300));
    volumes.Resolve(device);
    ASSERT_EQ(volumes.FileScans().size(), 1u);
    EXPECT_EQ(volumes.FileScans().front().pPlacement->m_view, pieces);
    EXPECT_TRUE(volumes.IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000));
    EXPECT_TRUE(volumes.IsReadElsewhere(SEARCHER_TYPE_NTFS, 1100));
}

// Every file system asks the one rule: vouched volumes starting where an outer volume's files lie,
// merged where they overlap (an image holding an image, or one reaching past another's end).
TEST(VolumeNestingTest, VouchedVolumesStartingInTheOuterVolumesFilesAreNestedAndMerged) {
    std::vector<crossvolume::FoundSpan> const volumes{
        {0, 4096, true},      // the outer volume itself
        {1000, 1300, true},   // an image
        {1100, 1200, true},   // an image inside it
        {1250, 1500, true},   // one overlapping it, reaching past its end
        {2000, 2100, false},  // a stray boot sector: nothing vouches for it
        {3000, 3000, true},   // of no sectors
    };
    CSpanSet const nested = crossvolume::NestedIn(volumes, 64, 4096);
    EXPECT_EQ(nested.Spans(), (std::vector<CSpanSet::Span>{{1000, 1500}}));
    EXPECT_TRUE(crossvolume::NestedIn(volumes, 1600, 4096).Empty());
}

}  // namespace
