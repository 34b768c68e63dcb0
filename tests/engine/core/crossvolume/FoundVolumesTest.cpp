// What the volumes one complete scan found may read, decided from what their searchers report:
// an image in a file of another volume (in pieces, whole, cut short, in a virtual disk), a
// re-partitioned disk, a volume met twice, and an image no file is known to hold any more.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

constexpr long long kDeviceSectors = 4096;

FoundVolume Volume(std::int64_t s64Start, std::int64_t s64Sectors, _tagSearcherType eSearcher = SEARCHER_TYPE_NTFS) {
    FoundVolume volume;
    volume.eSearcher = eSearcher;
    volume.s64Start = s64Start;
    volume.s64Sectors = s64Sectors;
    volume.s64RecordStart = s64Start;
    volume.bBootSector = true;
    return volume;
}

HoldingFile File(std::vector<SectorExtent> extents, std::int64_t s64Sectors, bool bDeleted = false) {
    return HoldingFile{"disk.img", s64Sectors * 512, std::move(extents), bDeleted};
}

/// What a searcher does in the two rounds: `used` and `files` go to the volumes asked about.
struct Reported {
    CFoundVolumes::VolumeId id;
    std::vector<std::pair<std::int64_t, std::int64_t>> used;
    std::vector<HoldingFile> files;
    std::vector<std::pair<std::int64_t, std::int64_t>> structures;
};

class FoundVolumesTest : public ::testing::Test {
protected:
    /// A new scan of the device, whose table lists volumes at `listed`.
    void Start(std::vector<std::int64_t> listed) {
        m_pVolumes = std::make_unique<CFoundVolumes>(std::move(listed));
        m_reported.clear();
    }
    CFoundVolumes::VolumeId Add(FoundVolume const& volume, std::vector<std::pair<std::int64_t, std::int64_t>> used = {},
                                std::vector<HoldingFile> files = {},
                                std::vector<std::pair<std::int64_t, std::int64_t>> structures = {}) {
        CFoundVolumes::VolumeId const id = m_pVolumes->Add(volume);
        m_reported.push_back({id, std::move(used), std::move(files), std::move(structures)});
        return id;
    }
    void Resolve() {
        m_pVolumes->Settle();
        for (Reported& report : m_reported) {
            if (m_pVolumes->WantsUseOf(report.id)) {
                for (auto const& [first, count] : report.used) m_pVolumes->AddUsed(report.id, first, count);
                for (auto const& [first, count] : report.structures) m_pVolumes->AddStructure(report.id, first, count);
            }
            if (!m_pVolumes->StartsInside(report.id).empty())
                for (HoldingFile& file : report.files) m_pVolumes->AddHoldingFile(report.id, file);
        }
        m_pVolumes->Resolve(m_device);
    }
    /// How a file of the volume starting at `s64Start` lying on `sectors` is judged.
    std::uint32_t Judge(std::int64_t s64Start, std::int64_t s64First, std::int64_t s64End) const {
        auto const pPlacement = m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, s64Start);
        CSpanSet sectors;
        sectors.Add(s64First, s64End);
        return pPlacement ? pPlacement->Judge(sectors) : 0;
    }

    CMemoryDevice m_device{std::vector<std::uint8_t>(kDeviceSectors * 512)};
    std::unique_ptr<CFoundVolumes> m_pVolumes =
        std::make_unique<CFoundVolumes>(std::vector<std::int64_t>{0});  // a volume of its own
    std::vector<Reported> m_reported;
};

TEST_F(FoundVolumesTest, AnImageInPiecesOrCutShortIsReadThroughItsFileAndOneLyingWholeFromTheDevice) {
    struct Case {
        char const* pszName;
        std::vector<SectorExtent> extents;
        std::int64_t s64FileSectors;
        bool bScanned;
    };
    Case const cases[] = {
        {"in two pieces", {{0, 1000, 150}, {150, 3000, 150}}, 300, true},
        {"in one piece", {{0, 1000, 300}}, 300, false},
        {"cut short", {{0, 1000, 200}}, 200, true},
        {"in one piece, the volume at an offset in it", {{0, 900, 400}}, 400, false},
    };
    for (Case const& test : cases) {
        SCOPED_TRACE(test.pszName);
        Start({0});
        Add(Volume(0, kDeviceSectors), {{0, 64}, {900, 2200}}, {File(test.extents, test.s64FileSectors)});
        Add(Volume(1000, 300));
        Resolve();
        EXPECT_EQ(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000), test.bScanned);
        EXPECT_FALSE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 0));
        ASSERT_EQ(m_pVolumes->FileScans().size(), test.bScanned ? 1u : 0u);
        // The file is its volume's own: nothing of it counts as another's.
        EXPECT_EQ(m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, 1000), nullptr);
        if (test.bScanned) {
            CVolumePlacement const& scan = *m_pVolumes->FileScans().front().pPlacement;
            EXPECT_EQ(scan.m_view, test.extents);
            EXPECT_EQ(scan.m_s64ViewSectors, test.s64FileSectors);
            EXPECT_TRUE(scan.m_taken.Empty());
        }
        EXPECT_EQ(Judge(0, 0, 64), 0u) << "the holder's files are its own";
    }
}

TEST_F(FoundVolumesTest, AVolumeInAVirtualDisksContainerIsNotReadAndEachOfItsFilesIsRefused) {
    std::memcpy(m_device.Bytes().data() + 900 * 512, "QFI\xFB", 4);
    Add(Volume(0, kDeviceSectors), {{0, 64}, {900, 800}}, {File({{0, 900, 800}}, 800)});
    Add(Volume(1100, 300));
    Resolve();
    EXPECT_FALSE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1100));
    EXPECT_TRUE(m_pVolumes->FileScans().empty());
    auto const pPlacement = m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, 1100);
    ASSERT_NE(pPlacement, nullptr);
    EXPECT_EQ(pPlacement->m_container, "disk.img (qcow2)");
    EXPECT_EQ(Judge(1100, 1200, 1210), kCodeInVirtualDisk);
}

TEST_F(FoundVolumesTest, TheFilesOfAVolumeFormattedOverAreOverwrittenWhereTheNewOneIsNowAndNoneOfTheNewOnes) {
    Start({2048});
    // The old volume at 63; the new one at 2048, listed, using 2048-2600 and 3000-3100.
    Add(Volume(63, 2000));
    Add(Volume(2048, 1500), {{2048, 552}, {3000, 100}});
    Resolve();
    EXPECT_EQ(Judge(63, 100, 2000), 0u) << "before the new volume";
    EXPECT_EQ(Judge(63, 2040, 2050), kCodeOverwritten);
    EXPECT_EQ(Judge(63, 2700, 2900), 0u) << "what the new volume leaves free reads as before";
    EXPECT_EQ(m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, 2048), nullptr);
}

TEST_F(FoundVolumesTest, WithoutTableTheVolumeWhoseStructuresLieOnTheOthersFilesIsTheNewerOne) {
    Start({});
    Add(Volume(63, 2000), {{63, 40}, {2000, 63}});
    Add(Volume(2048, 1500), {{2048, 552}}, {}, {{2048, 40}});
    Resolve();
    EXPECT_EQ(Judge(63, 2050, 2060), kCodeOverwritten);
    EXPECT_EQ(m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, 2048), nullptr);
}

TEST_F(FoundVolumesTest, AVolumeMetTwiceAtOneStartIsOneVolume) {
    Add(Volume(0, kDeviceSectors), {{0, kDeviceSectors}});
    Add(Volume(0, 3000), {{0, 3000}});
    Resolve();
    EXPECT_EQ(m_pVolumes->PlacementOf(SEARCHER_TYPE_NTFS, 0), nullptr);
    EXPECT_TRUE(m_pVolumes->FileScans().empty());
}

TEST_F(FoundVolumesTest, AnImageNoFileHoldsIsItsOwnUpToTheNextSectorItsContainerUsesNow) {
    // The container's files at 0-64 and at 1250-1260, inside the image that starts at 1000.
    Add(Volume(0, kDeviceSectors), {{0, 64}, {1250, 10}});
    Add(Volume(1000, 600));
    Resolve();
    EXPECT_FALSE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000));
    EXPECT_EQ(Judge(1000, 1010, 1240), 0u);
    EXPECT_EQ(Judge(1000, 1255, 1256), kCodeOverwritten);
    EXPECT_EQ(Judge(1000, 1300, 1400), kCodePossiblyOverwritten) << "the image may have gone on elsewhere";
}

TEST_F(FoundVolumesTest, ADeletedFilesClustersItsVolumeGaveToOthersAreTheirsAndALiveHolderWins) {
    // A deleted file and a live one both name the clusters from 1000; the live one is in pieces.
    Add(Volume(0, kDeviceSectors), {{0, 64}, {1000, 150}, {1500, 150}, {1200, 20}},
        {File({{0, 1000, 400}}, 400, true), File({{0, 1000, 150}, {150, 1500, 150}}, 300)});
    Add(Volume(1000, 300));
    Resolve();
    ASSERT_TRUE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000));
    ASSERT_EQ(m_pVolumes->FileScans().size(), 1u);
    EXPECT_EQ(m_pVolumes->FileScans().front().pPlacement->m_view,
              (std::vector<SectorExtent>{{0, 1000, 150}, {150, 1500, 150}}));

    // Held by the deleted file alone, in one piece: what the volume uses now is others'.
    Start({0});
    Add(Volume(0, kDeviceSectors), {{0, 64}, {1200, 20}}, {File({{0, 1000, 400}}, 400, true)});
    Add(Volume(1000, 300));
    Resolve();
    EXPECT_FALSE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000));
    EXPECT_EQ(Judge(1000, 1100, 1150), 0u);
    EXPECT_EQ(Judge(1000, 1210, 1211), kCodeOverwritten);
}

TEST_F(FoundVolumesTest, AFileWrittenOverTheFirstClustersOfAnImageFoundByItsMftNeitherHoldsItNorEndsItsPiece) {
    // An image deleted from its volume and found by its MFT (at 1100-1120, no boot sector at its
    // start 1000): new files at 1000-1008, over its start, and at 1290-1300. A live file written
    // over the start is no image; the stretch after it is still the image's own.
    Add(Volume(0, kDeviceSectors), {{0, 64}, {1000, 8}, {1290, 10}}, {File({{0, 1000, 8}}, 8)});
    FoundVolume moved = Volume(1000, 300);
    moved.bBootSector = false;
    Add(moved, {}, {}, {{1000, 1}, {1100, 20}});
    Resolve();
    EXPECT_FALSE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000));
    EXPECT_TRUE(m_pVolumes->FileScans().empty());
    EXPECT_EQ(Judge(1000, 1004, 1005), kCodeOverwritten);
    EXPECT_EQ(Judge(1000, 1150, 1250), 0u);
    EXPECT_EQ(Judge(1000, 1295, 1296), kCodeOverwritten);

    // A file holding its MFT as well holds it, even with its boot sector lost.
    Start({0});
    Add(Volume(0, kDeviceSectors), {{0, 64}, {1000, 150}}, {File({{0, 1000, 150}}, 150)});
    Add(moved, {}, {}, {{1000, 1}, {1100, 20}});
    Resolve();
    EXPECT_TRUE(m_pVolumes->IsReadElsewhere(SEARCHER_TYPE_NTFS, 1000)) << "the file is cut short";
}

}  // namespace
