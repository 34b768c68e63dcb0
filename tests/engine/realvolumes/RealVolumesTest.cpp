// Scans of volumes as real tools leave them, run the way a user runs them: scanbench finds the
// volume in the image file (bare, 4096-byte sectors, or a GPT disk), scans it and copies every
// file out. Each must list every file the oracle holds (the files written, which Sleuth Kit's
// fls and icat agree with), copy the intact ones byte-exact, and refuse the ones whose bytes are
// gone with the reason in its manifest; where the folder of a file cannot be told, it is listed
// there or among the lost files, never under another folder; where the oracle holds every file of
// the image, nothing else may be written. The images come from
// tests/fixtures/realvolumes/make_images.sh.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../../bench/scanbench/ScanbenchRun.h"
#include "engine/IDataRecovery.h"
#include "support/Manifest.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct RealVolumeCase {
    char const* pszName;            // the test's name
    char const* pszImage;           // the fixture's NAME: NAME.img and its oracles
    char const* pszScan = "quick";  // the scanbench mode that reads it
};

// Failure messages name the image, not the struct's bytes; test names are the cases' own.
void PrintTo(RealVolumeCase const& realVolume, std::ostream* pOut) { *pOut << realVolume.pszImage << ".img"; }
std::string CaseName(::testing::TestParamInfo<RealVolumeCase> const& caseInfo) { return caseInfo.param.pszName; }

constexpr RealVolumeCase kCases[] = {
    {"ExFatNameWithYDiaeresis", "exfat-name-ff"},
    {"ExFatZeroTimestampsAndDeletedSetOf2Pow62Bytes", "exfat-odd-sets"},
    {"ExFatVolumeGuidEntryInRoot", "exfat-volume-guid"},
    {"Fat32CrossLinkedChainInBothTables", "fat32-cross-link"},
    {"Fat16ForRemovableMedia", "fat16-removable"},
    {"Fat32WithOneFat", "fat32-one-fat"},
    {"Fat16TypeStringPaddedWithNul", "fat16-nul-type"},
    {"Fat12Floppy", "fat12-floppy"},
    {"Fat12FloppyScannedCompletely", "fat12-floppy", "complete"},
    {"Fat16DeletedFileWrittenIntoHoles", "fat16-deleted-in-holes"},
    {"Fat32BareVolumeWithBootCode", "fat32-boot-code"},
    {"ExFatBareVolumeWithBootCode", "exfat-boot-code"},
    {"Fat32VolumeOn4096ByteSectors", "fat32-4k"},
    {"Fat12VolumeOn4096ByteSectors", "fat12-4k"},
    {"ExFatVolumeOn4096ByteSectors", "exfat-4k"},
    {"GptDiskOn4096ByteSectors", "gpt-4k"},
    {"ExFatFolderStartingPastTheClusterHeap", "exfat-folder-past-heap"},
    {"NtfsNamesWithCharactersWindowsRefuses", "ntfs-posix-names"},
    {"NtfsValidDataLengthAndDeletedFileOverwritten", "ntfs-valid-data"},
    {"GptDiskWithSmallExFatAndHfsPlusVolumes", "gpt-small"},
    {"Fat16WithoutBootSectorAndTablesScannedCompletely", "fat16-no-boot-sector", "complete"},
    {"Fat16DeletedFileWhoseFirstClusterWasReused", "fat16-reused-cluster"},
    {"Fat32DeletedFileWhoseLaterClustersALaterFileTook", "fat32-deleted-reused-later"},
    {"Fat32DeletedFileWhoseLaterClustersALaterFileTookScannedCompletely", "fat32-deleted-reused-later", "complete"},
    {"ExFatDeletedFileWrittenIntoHoles", "exfat-deleted-in-holes"},
    {"ExFatDeletedFileWhoseClustersWereReused", "exfat-reused-cluster"},
    {"ExFatReusedClustersScannedCompletely", "exfat-reused-cluster", "complete"},
    {"ExFatDeletedFileInHolesScannedCompletely", "exfat-deleted-in-holes", "complete"},
    {"ExFatReusedClustersWithoutBootSectorsScannedCompletely", "exfat-lost-boot-reused", "complete"},
    {"ExFatEntrySetRunningOnIntoAFolderClusterElsewhere", "exfat-split-entry-set"},
    {"ExFatEntrySetRunningOnIntoAFolderClusterElsewhereScannedCompletely", "exfat-split-entry-set", "complete"},
    {"NtfsDeletedFileWhoseClustersALaterDeletedFileTook", "ntfs-deleted-over-deleted"},
    {"NtfsDeletedOverDeletedScannedCompletely", "ntfs-deleted-over-deleted", "complete"},
    {"Fat16WithZeroedTables", "fat16-no-tables"},
    {"Fat16WithHalfZeroedTables", "fat16-half-zeroed-tables"},
    {"NtfsTwoVolumesWithoutPartitionTableStayTwo", "ntfs-two-volumes", "complete"},
    {"Fat12With1SectorClusters", "fat12-s1"},
    {"Fat12With2SectorClusters", "fat12-s2"},
    {"Fat12With4SectorClusters", "fat12-s4"},
    {"Fat12With8SectorClusters", "fat12-s8"},
    {"Fat12With16SectorClusters", "fat12-s16"},
    {"Fat12With32SectorClusters", "fat12-s32"},
    {"Fat12With64SectorClusters", "fat12-s64"},
    {"Fat12With128SectorClusters", "fat12-s128"},
    {"Fat12With128SectorClustersScannedCompletely", "fat12-s128", "complete"},
    {"Fat32DeletedOverDeletedInOneTimeTick", "fat32-same-tick"},
    {"Fat32DeletedOverDeletedInOneTimeTickScannedCompletely", "fat32-same-tick", "complete"},
    {"Fat32DeletedOverDeletedInOneTimeTickInTwoFoldersUnderNamesAlike", "fat32-same-tick-two-folders"},
    {"Fat32DeletedOverDeletedInTwoFoldersScannedCompletely", "fat32-same-tick-two-folders", "complete"},
    {"ExFatDeletedOverDeletedInOneTimeTick", "exfat-same-tick"},
    {"ExFatDeletedOverDeletedInOneTimeTickScannedCompletely", "exfat-same-tick", "complete"},
    {"ExFatDamagedRootEntrySets", "exfat-damaged-root-sets"},
    {"ExFatDamagedRootEntrySetsScannedCompletely", "exfat-damaged-root-sets", "complete"},
    {"Fat16FragmentedFolderWithZeroedTables", "fat16-fragmented-folder-no-tables"},
    {"Fat16FoldersGrownInTurnsWithZeroedTables", "fat16-interleaved-no-tables"},
    {"Fat16FoldersGrownInTurnsWithZeroedTablesScannedCompletely", "fat16-interleaved-no-tables", "complete"},
    {"Fat32RootAndFoldersGrownInTurnsWithZeroedTables", "fat32-interleaved-no-tables"},
    {"Fat32RootAndFoldersGrownInTurnsWithZeroedTablesScannedCompletely", "fat32-interleaved-no-tables", "complete"},
    {"Fat16LongNamesInFoldersGrownInTurnsWithZeroedTables", "fat16-interleaved-long-names-no-tables"},
    {"Fat16LongNamesInFoldersGrownInTurnsWithZeroedTablesScannedCompletely", "fat16-interleaved-long-names-no-tables",
     "complete"},
    {"Fat32LongNamesInRootAndFoldersGrownInTurnsWithZeroedTables", "fat32-interleaved-long-names-no-tables"},
    {"Fat32LongNamesInRootAndFoldersGrownInTurnsWithZeroedTablesScannedCompletely",
     "fat32-interleaved-long-names-no-tables", "complete"},
    {"Fat16ImageOnFat32", "fat16-image-on-fat32-quick"},
    {"Fat16ImageOnFat32ScannedCompletely", "fat16-image-on-fat32", "complete"},
    {"Fat16ImageOnFat32WithZeroedTables", "fat16-image-on-fat32-lost-tables-quick"},
    {"Fat16ImageOnFat32WithZeroedTablesScannedCompletely", "fat16-image-on-fat32-lost-tables", "complete"},
    {"Fat32ImageOnFat32WithZeroedTablesScannedCompletely", "fat32-image-on-fat32-lost-tables", "complete"},
    {"ExFatImageOnFat32WithZeroedTables", "exfat-image-on-fat32-lost-tables-quick"},
    {"ExFatImageOnFat32WithZeroedTablesScannedCompletely", "exfat-image-on-fat32-lost-tables", "complete"},
    {"Fat12ImageOnExFatScannedCompletely", "fat12-image-on-exfat", "complete"},
    {"ExFatImageOnExFat", "exfat-image-on-exfat-quick"},
    {"ExFatImageOnExFatScannedCompletely", "exfat-image-on-exfat", "complete"},
    {"ExFatImageWithoutBootRegionsOnExFatScannedCompletely", "exfat-image-on-exfat-lost-inner-boot", "complete"},
    {"NtfsVolumeHoldingAVolumeImage", "ntfs-volume-in-volume", "complete"},
    {"NtfsVolumeHoldingAVolumeImageWithoutItsMftRecord", "ntfs-volume-in-volume-lost-mft", "complete"},
    {"NtfsVolumeHoldingAVolumeImageWithoutItsMftRecordAndAStrayBootSector", "ntfs-volume-in-volume-stray-boot",
     "complete"},
    {"NtfsWithoutMftRecords0To15", "ntfs-root-records-lost", "complete"},
    {"NtfsRecordsWithoutTheirNumbersAndNoMftRecord", "ntfs-pre31-lost-mft", "complete"},
    {"NtfsVolumeQuickFormattedOverItsMftInFragments", "ntfs-quick-formatted", "complete"},
    {"NtfsVolumeImageInThreePiecesOnNtfs", "ntfs-holding-ntfs-image-in-pieces", "complete"},
    {"Fat16VolumeImageInThreePiecesOnNtfs", "ntfs-holding-fat-image-in-pieces", "complete"},
    {"DeletedNtfsImageInPiecesOnNtfs", "ntfs-holding-deleted-image-in-pieces", "complete"},
    {"NtfsImageInPiecesWhoseRecordsSizesSay2Pow63", "ntfs-holding-image-in-pieces-damaged-size", "complete"},
    {"NtfsVolumeImageInThreePiecesOnFat32", "fat32-holding-ntfs-image-in-pieces", "complete"},
    {"NtfsVolumeImageInThreePiecesOnExFat", "exfat-holding-ntfs-image-in-pieces", "complete"},
    {"ExFatVolumeImageInThreePiecesOnExFat", "exfat-holding-exfat-image-in-pieces", "complete"},
    {"ExFatFileInPiecesWithoutItsFat", "exfat-holding-exfat-image-in-pieces-lost-fat-quick"},
    {"ExFatVolumeImageInPiecesOnExFatWithoutItsFat", "exfat-holding-exfat-image-in-pieces-lost-fat", "complete"},
    {"ExFatVolumeImageInPiecesOnExFatWhoseChainEndsEarly", "exfat-holding-exfat-image-in-pieces-end-mark", "complete"},
    {"ExFatVolumeImageInPiecesOnExFatWhoseChainLinksPastTheHeap", "exfat-holding-exfat-image-in-pieces-past-heap",
     "complete"},
    {"ExFatVolumeImageInPiecesOnExFatWhoseChainLinksIntoAnotherFile", "exfat-holding-exfat-image-in-pieces-cross-link",
     "complete"},
    {"DeletedExFatVolumeImageInPiecesOnExFat", "exfat-holding-deleted-exfat-image-in-pieces", "complete"},
    {"Fat16VolumeImageWhoseFirstPieceIs32KiBOnFat32", "fat32-holding-fat16-image-in-small-pieces", "complete"},
    {"Fat16VolumeImageInPiecesAroundAFolderOfItsFat32Host", "fat32-holding-fat16-image-around-folder", "complete"},
    {"ListedFat32PartitionBesideVolumesKeptAsFiles", "three-partitions-with-images", "complete"},
    {"Fat16ImageInPiecesOnFat32WithZeroedTables", "fat32-holding-fat16-image-lost-tables", "complete"},
    {"Fat16ImageOnFat32WhoseChainEndsEarly", "fat32-holding-fat16-image-chain-ended-early", "complete"},
    {"Fat16ImageOnFat32WhoseChainLinksPastTheDataArea", "fat32-holding-fat16-image-chain-linked-past-data", "complete"},
    {"Fat16ImageOnFat32WhoseChainLinksIntoAnotherFile", "fat32-holding-fat16-image-chain-linked-into-another",
     "complete"},
    {"Fat16ImageInPiecesInsideAnNtfsImageInPiecesOnNtfs", "ntfs-holding-nested-images", "complete"},
    {"Fat16VolumeImageInPiecesOnNtfsKnownOnlyByItsBackupBootSector", "ntfs-holding-fat-image-in-pieces-lost-boot",
     "complete"},
    {"Fat16VolumeImageInSmallPiecesOnFat32KnownOnlyByItsBackupBootSector",
     "fat32-holding-fat16-image-in-small-pieces-lost-boot", "complete"},
    {"NtfsVolumeImageCutShortOnNtfs", "ntfs-holding-cut-image", "complete"},
    {"DiskImageInPiecesOnNtfsWhoseMftLiesInALaterPiece", "ntfs-holding-disk-image-in-pieces", "complete"},
    {"DiskImageOnNtfsInManyRunsWhoseMftLiesFarIn", "ntfs-holding-disk-image-far-mft", "complete"},
    {"DiskImageOnNtfsInManyRunsWhoseMftLiesFarInInFragments", "ntfs-holding-disk-image-far-mft-fragments", "complete"},
    {"DiskImageOnNtfsInManyRunsWhoseMftAndMirrorLieInOnePiece", "ntfs-holding-disk-image-mft-by-mirror", "complete"},
    {"NtfsVolumeInAQcow2VirtualDiskOnNtfs", "ntfs-holding-qcow2", "complete"},
    {"NtfsVolumeInAVhdxVirtualDiskOnNtfs", "ntfs-holding-vhdx", "complete"},
    {"NtfsImageDeletedFromFat32AndPartlyWrittenOver", "fat32-deleted-image-partly-overwritten", "complete"},
    {"RepartitionedDiskWhoseNewVolumeFillsTheOldOne", "ntfs-repartitioned", "complete"},
    {"RepartitionedDiskWhoseNewVolumeLiesPastTheOldOne", "ntfs-repartitioned-past", "complete"},
    {"NtfsVolumeGrownAndMetTwice", "ntfs-resized-found-twice", "complete"},
    {"NtfsVolumeMovedFrom63To2048KeepsNoneOfTheOldCopysFiles", "ntfs-moved-to-2048", "complete"},
    {"Fat32VolumeMoved100MiBOnKeepsTheOldCopysFilesBeforeTheMove", "fat32-moved-100-mib-on", "complete"},
    {"ExFatVolumeMoved100MiBOnKeepsTheOldCopysFilesBeforeTheMove", "exfat-moved-100-mib-on", "complete"},
    {"NtfsImageMovedOffTheVolumeKeepsItsFilesToItself", "ntfs-moved-image", "complete"},
    {"NtfsImageMovedOffTheVolumeWithoutItsMftRecordsCopiesNoneOfThem", "ntfs-moved-image-lost-mft", "complete"},
    {"Fat32DeletedFilesWhoseClustersReadAsZeros", "fat32-zeroed-deleted"},
    {"Fat32DeletedFilesWhoseClustersReadAsZerosScannedCompletely", "fat32-zeroed-deleted", "complete"},
    {"ExFatDeletedFilesWhoseClustersReadAsZeros", "exfat-zeroed-deleted"},
    {"NtfsDeletedFilesWhoseClustersReadAsZeros", "ntfs-zeroed-deleted"},
    {"NtfsDeletedFilesWhoseClustersReadAsZerosScannedCompletely", "ntfs-zeroed-deleted", "complete"},
    {"GptDiskOn4096ByteSectorsWithoutItsPrimaryTableScannedCompletely", "gpt-4k-lost-primary", "complete"},
};

/// The fixture's images: the CTest fixture's folder, or built once for this process when the
/// binary runs alone. `why` says what is missing when `dir` is empty.
struct Images {
    std::string dir;
    std::string why;
    std::unique_ptr<testsupport::TempDir> pOwned;
};

Images const& GetImages() {
    static Images const images = [] {
        Images result;
        std::string dir;
        if (char const* pszFixture = std::getenv("QUORIN_REAL_VOLUMES"); pszFixture && *pszFixture) {
            dir = pszFixture;
        } else {
            result.pOwned = std::make_unique<testsupport::TempDir>();
            dir = result.pOwned->Path();
            testsupport::RunCommand("bash '" QUORIN_SOURCE_DIR "/tests/fixtures/realvolumes/make_images.sh' '" + dir +
                                    "' >/dev/null 2>&1");
        }
        if (fs::exists(dir + "/complete"))
            result.dir = dir;
        else
            result.why =
                "the fixture script could not build the images in " + dir + " (mkfs.fat, mtools or openssl missing?)";
        return result;
    }();
    return images;
}

std::string ReadText(std::string const& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

/// One file scanbench listed in its manifest: path below --out, deleted flag, and why its copy
/// was refused ("" when it was written).
struct Listed {
    std::string path;
    bool bDeleted = false;
    std::string reason;
    std::string detail;  // what follows the reason: a short copy's size, a virtual disk's container
};

std::vector<Listed> ReadScanManifest(std::string const& path) {
    std::vector<Listed> listed;
    std::istringstream in(ReadText(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, size, deleted, result, reason, detail;
        if (std::getline(fields, name, '\t') && std::getline(fields, size, '\t') &&
            std::getline(fields, deleted, '\t')) {
            std::getline(fields, result, '\t');
            std::getline(fields, reason, '\t');
            std::getline(fields, detail, '\t');
            listed.push_back({name, deleted == "1", reason, detail});
        }
    }
    return listed;
}

/// The fixture's NAME.refused: "/path<TAB>reason" lines.
std::vector<std::pair<std::string, std::string>> ReadRefused(std::string const& path) {
    std::vector<std::pair<std::string, std::string>> refused;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);)
        if (auto const tab = line.find('\t'); tab != std::string::npos)
            refused.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    return refused;
}

bool EndsWith(std::string const& text, std::string const& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

/// A live file keeps its path below the volume's root folder. A deleted one is matched by name
/// alone, wherever the tree hangs it, and without its first character when only the short name
/// is left (the peer shows "_OLE.BIN" for "hole.bin").
bool IsOracleFile(Listed const& listed, std::string const& oraclePath, bool bDeleted) {
    if (listed.bDeleted != bDeleted) return false;
    if (!bDeleted) return EndsWith(listed.path, oraclePath);
    std::string const name = fs::path(oraclePath).filename().string();
    std::string const got = fs::path(listed.path).filename().string();
    auto const sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return !name.empty() && got.size() == name.size() &&
           std::equal(name.begin() + 1, name.end(), got.begin() + 1, sameLetter);
}

class RealVolumesTest : public ::testing::TestWithParam<RealVolumeCase> {
protected:
    void SetUp() override {
        if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
        if (GetImages().dir.empty()) GTEST_SKIP() << GetImages().why;
        std::string const skipped = Oracle(".skipped");
        if (fs::exists(skipped)) GTEST_SKIP() << ReadText(skipped);
    }

    std::string Oracle(std::string const& suffix) const { return GetImages().dir + "/" + GetParam().pszImage + suffix; }

    /// Every file of one oracle list is listed with its deletion state; with `bCompare`, its
    /// copy has the oracle's SHA-256. One failure per list, naming every file it misses.
    void ExpectListed(std::vector<Listed> const& scanned, std::string const& outDir, std::string const& oracle,
                      bool bDeleted, bool bCompare) {
        std::string missing, differing, zeroed;
        int iFiles = 0, iMissing = 0;
        for (auto const& [path, expected] : testsupport::ReadManifest(oracle)) {
            if (expected.bFolder) continue;
            ++iFiles;
            auto const found = std::find_if(scanned.begin(), scanned.end(),
                                            [&](Listed const& listed) { return IsOracleFile(listed, path, bDeleted); });
            if (found == scanned.end()) {
                ++iMissing;
                missing += "\n  " + path;
            } else if (bCompare && testsupport::Sha256OfFile(outDir + "/" + found->path) != expected.sha256) {
                differing += "\n  " + path + " (" + std::to_string(expected.s64Size) + " bytes)";
            } else if (bCompare && found->reason == CopyRefusalWord(CopyNoteResult(kCodeZeroed))) {
                // A file of zeros that are its own (a live one) is recovered, not noted.
                zeroed += "\n  " + path;
            }
        }
        char const* pszKind = bDeleted ? "deleted" : "live";
        EXPECT_TRUE(missing.empty()) << iMissing << " of " << iFiles << " " << pszKind
                                     << " files are not listed:" << missing;
        EXPECT_TRUE(differing.empty()) << pszKind << " files not copied byte-exact:" << differing;
        EXPECT_TRUE(zeroed.empty()) << pszKind << " files of their own bytes noted as zeroed:" << zeroed;
    }

    testsupport::TempDir m_dir;
};

TEST_P(RealVolumesTest, AScanListsEveryFileCopiesTheIntactOnesByteExactAndSaysWhyOthersAreNot) {
    std::string const outDir = m_dir.File("out");
    std::string const manifest = m_dir.File("listed.tsv");
    scanbenchtest::ScanbenchRun const run = scanbenchtest::RunScanbench(
        m_dir, std::string(GetParam().pszScan) + " " + Oracle(".img") + " --out " + outDir + " --manifest " + manifest);
    std::string summary;
    for (char const* pszPrefix : {"volume:", "scanbench:", "RESULT"})
        for (std::string const& line : scanbenchtest::LinesStartingWith(run.output, pszPrefix)) summary += line + "\n";
    SCOPED_TRACE("scanbench exited " + std::to_string(run.iExit) + ":\n" + summary);

    std::vector<Listed> const scanned = ReadScanManifest(manifest);
    ASSERT_FALSE(scanned.empty()) << "nothing is listed";
    ExpectListed(scanned, outDir, Oracle(".manifest"), false, true);
    ExpectListed(scanned, outDir, Oracle(".deleted"), true, true);
    // Deleted files whose clusters were reused: listed by the peer, their bytes are gone.
    ExpectListed(scanned, outDir, Oracle(".listed"), true, false);
    // Files whose bytes cannot be had: listed, nothing written, the reason in the manifest.
    // Files whose bytes may be others' (NAME.noted): listed with the note, written or not.
    for (bool const bRefused : {true, false}) {
        for (auto const& [path, reason] : ReadRefused(Oracle(bRefused ? ".refused" : ".noted"))) {
            auto const found = std::find_if(scanned.begin(), scanned.end(), [&](Listed const& listed) {
                return IsOracleFile(listed, path, listed.bDeleted);
            });
            if (found == scanned.end()) {
                ADD_FAILURE() << path << " is not listed";
                continue;
            }
            // An oracle reason of two fields names what the refusal names too.
            EXPECT_EQ(reason.find('\t') == std::string::npos ? found->reason : found->reason + "\t" + found->detail,
                      reason)
                << path;
            if (bRefused) {
                EXPECT_FALSE(fs::exists(outDir + "/" + found->path)) << path << " was written";
            }
        }
    }
    // Files whose folder cannot be told (NAME.unplaced): at their path or among the lost files,
    // byte-exact, never under another folder.
    for (auto const& [path, expected] : testsupport::ReadManifest(Oracle(".unplaced"))) {
        int iListed = 0;
        for (Listed const& listed : scanned) {
            if (fs::path(listed.path).filename() != fs::path(path).filename()) continue;
            ++iListed;
            EXPECT_TRUE(EndsWith(listed.path, path) || listed.path.find("/Other lost files/") != std::string::npos)
                << path << " is listed as " << listed.path;
            EXPECT_EQ(testsupport::Sha256OfFile(outDir + "/" + listed.path), expected.sha256) << listed.path;
        }
        EXPECT_EQ(iListed, 1) << path;
    }
    // Where the oracle holds every file of the image, nothing else is written but its live,
    // unplaced and deleted files: a file written with other bytes under another volume's name is
    // no recovery. Nor is anything listed but at the oracle's paths (an unplaced file also among
    // the lost files): another volume's entries among a volume's lost files, refused or not, are
    // none of its files.
    if (fs::exists(Oracle(".only"))) {
        auto const placed = testsupport::ReadManifest(Oracle(".manifest"));
        auto const unplaced = testsupport::ReadManifest(Oracle(".unplaced"));
        std::set<std::string> known;
        for (char const* pszOracle : {".manifest", ".unplaced", ".deleted"})
            for (auto const& [path, expected] : testsupport::ReadManifest(Oracle(pszOracle)))
                known.insert(expected.sha256);
        // Deleted files, and files the oracle lists as refused or noted, are at its paths as well.
        std::vector<std::string> judged;
        for (char const* pszOracle : {".deleted", ".listed"})
            for (auto const& [path, expected] : testsupport::ReadManifest(Oracle(pszOracle))) judged.push_back(path);
        for (char const* pszOracle : {".refused", ".noted"})
            for (auto const& [path, reason] : ReadRefused(Oracle(pszOracle))) judged.push_back(path);
        auto const atOraclePath = [&](Listed const& listed) {
            for (auto const& [path, expected] : placed)
                if (EndsWith(listed.path, path)) return true;
            for (auto const& [path, expected] : unplaced)
                if (fs::path(listed.path).filename() == fs::path(path).filename()) return true;
            return std::any_of(judged.begin(), judged.end(),
                               [&](std::string const& path) { return IsOracleFile(listed, path, listed.bDeleted); });
        };
        // A file the oracle notes is written as far as its bytes are known (a holder cut short):
        // said to be in doubt, its bytes need not be whole.
        auto const noted = ReadRefused(Oracle(".noted"));
        auto const isNoted = [&](Listed const& listed) {
            return std::any_of(noted.begin(), noted.end(),
                               [&](auto const& entry) { return IsOracleFile(listed, entry.first, listed.bDeleted); });
        };
        std::string others;
        std::string elsewhere;
        for (Listed const& listed : scanned) {
            if (fs::is_regular_file(outDir + "/" + listed.path) && !isNoted(listed) &&
                known.count(testsupport::Sha256OfFile(outDir + "/" + listed.path)) == 0)
                others += "\n  " + listed.path;
            if (!atOraclePath(listed)) elsewhere += "\n  " + listed.path;
        }
        EXPECT_TRUE(others.empty()) << "files written that the image does not hold:" << others;
        EXPECT_TRUE(elsewhere.empty()) << "files listed where the image does not hold them:" << elsewhere;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RealVolumesTest, ::testing::ValuesIn(kCases), CaseName);

/// Volumes whose live files the complete scan and the model's recovery must give back too.
constexpr RealVolumeCase kCompleteCases[] = {
    {"NtfsNamesWithCharactersWindowsRefuses", "ntfs-posix-names"},
};

using CompleteRealVolumesTest = RealVolumesTest;

TEST_P(CompleteRealVolumesTest, TheCompleteScanAndTheModelRecoverEveryLiveFileByteExact) {
    std::string const outDir = m_dir.File("out");
    std::string const manifest = m_dir.File("listed.tsv");
    scanbenchtest::ScanbenchRun const complete = scanbenchtest::RunScanbench(
        m_dir, "complete " + Oracle(".img") + " --volume --out " + outDir + " --manifest " + manifest);
    SCOPED_TRACE("scanbench complete exited " + std::to_string(complete.iExit));
    ExpectListed(ReadScanManifest(manifest), outDir, Oracle(".manifest"), false, true);

    // The model's recovery: every file written below the destination, by its path there.
    std::string const recovered = m_dir.File("model");
    scanbenchtest::ScanbenchRun const model =
        scanbenchtest::RunScanbench(m_dir, "model-scan " + Oracle(".img") + " --recover " + recovered);
    SCOPED_TRACE("scanbench model-scan exited " + std::to_string(model.iExit));
    std::vector<Listed> written;
    if (fs::is_directory(recovered))
        for (auto const& entry : fs::recursive_directory_iterator(recovered))
            if (entry.is_regular_file())
                written.push_back({fs::relative(entry.path(), recovered).string(), false, {}, {}});
    ExpectListed(written, recovered, Oracle(".manifest"), false, true);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompleteRealVolumesTest, ::testing::ValuesIn(kCompleteCases), CaseName);

// Names ntfs-3g writes that exFAT refuses, recovered by the model onto an exFAT destination
// (an image mounted through exfat-fuse, as a card is): each under its name with "_" for the
// refused characters, byte-exact.
TEST(RecoveryNamesTest, NamesAnExFatDestinationRefusesAreRecoveredUnderOthersNotLost) {
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    if (GetImages().dir.empty()) GTEST_SKIP() << GetImages().why;
    std::string const image = GetImages().dir + "/ntfs-posix-names.img";
    if (!fs::exists(image)) GTEST_SKIP() << "the NTFS image was not built (needs root, /dev/fuse, mkntfs and ntfs-3g)";
    if (::geteuid() != 0 || !fs::exists("/dev/fuse") || !fs::exists("/dev/loop-control") ||
        !testsupport::HaveTool("mkfs.exfat") || !testsupport::HaveTool("mount.exfat-fuse"))
        GTEST_SKIP() << "needs root, /dev/fuse, loop devices, mkfs.exfat and exfat-fuse to mount an exFAT destination";
    testsupport::TempDir dir;
    std::string const card = dir.File("card.img");
    std::string const mnt = dir.File("mnt");
    // exfat-fuse mounts block devices only: the card image is served by a loop device.
    std::string const loop = dir.File("loop");
    if (testsupport::RunCommand("truncate -s 64M '" + card + "' && mkfs.exfat '" + card + "' >/dev/null && mkdir '" +
                                mnt + "' && losetup -f --show '" + card + "' >'" + loop + "'") != 0)
        GTEST_SKIP() << "no loop device for the exFAT destination";
    struct Detach {
        std::string mnt, loop;
        ~Detach() { testsupport::RunCommand("umount '" + mnt + "' 2>/dev/null; losetup -d \"$(cat '" + loop + "')\""); }
    } const detach{mnt, loop};
    if (testsupport::RunCommand("mount.exfat-fuse \"$(cat '" + loop + "')\" '" + mnt + "' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the exFAT destination cannot be mounted here";

    scanbenchtest::ScanbenchRun const run =
        scanbenchtest::RunScanbench(dir, "model-scan " + image + " --recover " + mnt + "/out");
    EXPECT_EQ(run.iExit, 0) << run.output;
    std::vector<std::string> written;
    for (auto const& entry : fs::recursive_directory_iterator(mnt + "/out"))
        if (entry.is_regular_file()) written.push_back("/" + fs::relative(entry.path(), mnt + "/out").string());
    for (auto const& [path, expected] : testsupport::ReadManifest(GetImages().dir + "/ntfs-posix-names.manifest")) {
        if (expected.bFolder) continue;
        std::string shown = path;
        std::replace_if(
            shown.begin(), shown.end(),
            [](char c) { return std::string_view(":?*<>|\"\\").find(c) != std::string_view::npos; }, '_');
        auto const found =
            std::find_if(written.begin(), written.end(), [&](std::string const& got) { return EndsWith(got, shown); });
        ASSERT_NE(found, written.end()) << path << " is not recovered as " << shown;
        EXPECT_EQ(testsupport::Sha256OfFile(mnt + "/out" + *found), expected.sha256) << path;
    }
}

/// Deep scans through the model, saved and loaded again, of images holding two volumes each
/// (overlapping ones, or one read through a file): `pszScan` chooses what model-scan scans of the
/// image ("" the whole disk, "--volume 0" the volume it holds).
constexpr RealVolumeCase kSavedScans[] = {
    {"TwoVolumesOfADisk", "ntfs-two-volumes", ""},
    {"VolumeHoldingAVolumeImage", "ntfs-volume-in-volume", "--volume 0"},
    {"VolumeAnImageWasMovedOff", "ntfs-moved-image", "--volume 0"},
    {"NtfsVolumeImageInThreePiecesOnNtfs", "ntfs-holding-ntfs-image-in-pieces", ""},
    {"NtfsVolumeImageCutShortOnNtfs", "ntfs-holding-cut-image", ""},
    {"DiskImageOnNtfsInManyRunsWhoseMftLiesFarInInFragments", "ntfs-holding-disk-image-far-mft-fragments", ""},
    {"DiskImageOnNtfsInManyRunsWhoseMftAndMirrorLieInOnePiece", "ntfs-holding-disk-image-mft-by-mirror", ""},
    {"RepartitionedDiskWhoseNewVolumeFillsTheOldOne", "ntfs-repartitioned", ""},
    {"VolumeMovedFrom63To2048", "ntfs-moved-to-2048", ""},
    {"NtfsVolumeInAQcow2VirtualDiskOnNtfs", "ntfs-holding-qcow2", ""},
    {"ExFatVolumeImageInThreePiecesOnExFat", "exfat-holding-exfat-image-in-pieces", ""},
};

using SavedDeepScanTest = RealVolumesTest;

/// Every file below `folder`, by its path there, with its SHA-256.
std::map<std::string, std::string> RecoveredFiles(std::string const& folder) {
    std::map<std::string, std::string> files;
    if (fs::is_directory(folder))
        for (auto const& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                files["/" + fs::relative(entry.path(), folder).string()] = testsupport::Sha256OfFile(entry.path());
    return files;
}

// The program's own road: the model's deep scan shows a root per volume and recovers every file
// the oracle holds byte-exact, each volume's under a folder of its own, fails the ones it refuses
// (and so the run) and writes nothing else; the results file saved from it loads every root
// again and recovers the same bytes.
TEST_P(SavedDeepScanTest, TheModelRecoversEachVolumeUnderItsOwnFolderAndSoDoesItsReloadedResultsFile) {
    std::string const image = Oracle(".img");
    scanbenchtest::ScanbenchRun const scan =
        scanbenchtest::RunScanbench(m_dir, "model-scan " + image + " " + GetParam().pszScan + " --deep --save " +
                                               m_dir.File("scan.rsf") + " --recover " + m_dir.File("scanned"));
    scanbenchtest::ScanbenchRun const load = scanbenchtest::RunScanbench(
        m_dir, "model-load " + m_dir.File("scan.rsf") + " --image " + image + " --recover " + m_dir.File("loaded"));
    ASSERT_TRUE(scan.result.count("failed") && load.result.count("failed")) << scan.output << load.output;
    auto const manifest = testsupport::ReadManifest(Oracle(".manifest"));
    auto const files = static_cast<std::size_t>(
        std::count_if(manifest.begin(), manifest.end(), [](auto const& entry) { return !entry.second.bFolder; }));
    std::size_t const refused = ReadRefused(Oracle(".refused")).size();
    for (scanbenchtest::ScanbenchRun const* pRun : {&scan, &load}) {
        EXPECT_EQ(pRun->result.at("roots"), "2");
        EXPECT_EQ(pRun->result.at("recovered"), std::to_string(files));
        EXPECT_EQ(pRun->result.at("failed"), std::to_string(refused));
        EXPECT_EQ(pRun->iExit != 0, refused != 0) << pRun->output;
    }
    EXPECT_EQ(load.result.at("files"), scan.result.at("files"));
    EXPECT_EQ(load.result.at("roots_left_out"), "0");
    std::map<std::string, std::string> const scanned = RecoveredFiles(m_dir.File("scanned"));
    EXPECT_EQ(RecoveredFiles(m_dir.File("loaded")), scanned) << "the reloaded scan recovers other files or other bytes";
    // "Disk 2(NTFS)/vm/one/in_01.bin" is recovered as "0001/Disk 2/vm/one/in_01.bin" ("ExFat_0001/..."
    // for an exFAT scan).
    std::string const top =
        scanned.empty() ? "" : scanned.begin()->first.substr(0, scanned.begin()->first.find('/', 1));
    EXPECT_TRUE(EndsWith(top, "0001")) << top;
    for (auto const& [path, expected] : manifest) {
        if (expected.bFolder) continue;
        std::string const recovered = top + "/" + path.substr(0, path.find('(')) + path.substr(path.find('/'));
        auto const found = scanned.find(recovered);
        ASSERT_NE(found, scanned.end()) << path << " is not recovered as " << recovered;
        EXPECT_EQ(found->second, expected.sha256) << path;
    }
    EXPECT_EQ(scanned.size(), files) << "files are written that the oracle does not hold, or refuses";
}

INSTANTIATE_TEST_SUITE_P(Cases, SavedDeepScanTest, ::testing::ValuesIn(kSavedScans), CaseName);

}  // namespace
