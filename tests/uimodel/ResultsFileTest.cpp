// Results files on real tool-made images: a scan made through the UI model is saved, loaded
// into a second model over the same image, and must list the same roots, nodes (names, sizes,
// three times, folder and deleted flags), categories and months, and recover every file to the
// same bytes; the files the tools wrote must recover to their SHA-256. Rows:
//   - a FAT32 and an exFAT image (mkfs.fat/mtools, mkfs.exfat), quick scans with deleted files;
//   - an NTFS image (mkntfs, ntfs-3g) with a resident file and a file in a compressed folder;
//   - an NTFS image with a file whose initialised size is below its size (icat's bytes);
//   - the FAT32 image scanned deep (complete FAT search and the signature search), and a disk
//     without a file system holding two JPEGs (ImageMagick) that only the signature search finds;
//   - an MBR disk (sfdisk) with a labelled FAT volume and two unlabelled ones of one size: the
//     tree builder names all three "Disk", so each root must still reload onto its own volume;
//   - the macOS HFS+ fixture with a file made LZVN-compressed in its resource fork: the loaded
//     scan reads it through a volume it opens again; quick, and deep with the volume 1 MiB into
//     a disk or 8 MiB into a FAT volume scanned deep, where the load opens it through a window at
//     the found partition's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FatTestImages.h"
#include "ResultsFileRoundTrip.h"
#include "engine/ByteWriter.h"
#include "support/DecmpfsMaker.h"
#include "support/FileBytes.h"
#include "support/HfsPlusScan.h"
#include "support/NtfsImage.h"
#include "support/Sha256.h"
#include "uimodel/resultsfile/CopyOutValues.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"

namespace {

using modeltest::ModelScan;
namespace rf = uimodel::resultsfile;

/// An image and the files it must recover to: path below the volume -> SHA-256.
struct Prepared {
    std::string image;
    std::map<std::string, std::string> expected;
    std::string whyNot;               // set when the image cannot be had
    std::vector<std::string> carved;  // SHA-256 of files some carved file must recover to
};

Prepared Unavailable(std::string why) { return {{}, {}, std::move(why), {}}; }

struct RoundTripCase {
    char const* pszName;
    Prepared (*prepare)(testsupport::TempDir const& dir);
    bool bDeep = false;
    bool bVolume = false;  // the image's first volume is scanned, not its disk
};

std::map<std::string, std::string> ManifestHashes(std::string const& stem) {
    std::map<std::string, std::string> hashes;
    for (auto const& [path, e] : fattest::ReadFiles(stem + ".manifest")) hashes[path] = e.sha256;
    for (auto const& [path, e] : fattest::ReadFiles(stem + ".deleted")) hashes[path + " (deleted)"] = e.sha256;
    return hashes;
}

Prepared Fat32(testsupport::TempDir const&) {
    if (fattest::ImagesDir().empty()) return Unavailable(fattest::WhyNoImages());
    return {fattest::Image("fat32.img"), ManifestHashes(fattest::Image("fat32")), {}, {}};
}

Prepared ExFat(testsupport::TempDir const&) {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    std::string const stem = std::string(pszTmp ? pszTmp : "") + "/exfat-images/exfat_4k";
    if (!pszTmp || !std::filesystem::exists(stem + ".manifest")) return Unavailable("the exFAT images were not built");
    return {stem + ".img", ManifestHashes(stem), {}, {}};
}

Prepared ThreeVolumes(testsupport::TempDir const& dir) {
    for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy", "mdel"})
        if (!testsupport::HaveTool(pszTool)) return Unavailable(std::string(pszTool) + " is not installed");
    std::string const image = dir.File("disk.img");
    // One labelled volume and two unlabelled ones of equal size; each keeps one file and loses one.
    std::string const script =
        "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; IMG='" + image +
        "'; truncate -s 40M \"$IMG\"; "
        "printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\nstart=43008,size=20480,type=6\\n' | "
        "sfdisk -q \"$IMG\"; "
        "for s in 2048 22528 43008; do if [ $s = 2048 ]; then L='-n PHOTOS'; else L=''; fi; "
        "mkfs.fat -F 16 $L --offset $s \"$IMG\" 10240; head -c 5000 /dev/urandom > \"$IMG.keep\"; "
        "head -c 3000 /dev/urandom > \"$IMG.gone\"; mcopy -i \"$IMG@@$((s * 512))\" \"$IMG.keep\" ::/KEEP$s.BIN; "
        "mcopy -i \"$IMG@@$((s * 512))\" \"$IMG.gone\" ::/GONE$s.BIN; mdel -i \"$IMG@@$((s * 512))\" ::/GONE$s.BIN; "
        "sha256sum \"$IMG.keep\" | cut -c1-64 > \"$IMG.$s.sha\"; done >/dev/null 2>&1";
    if (testsupport::RunCommand(script) != 0) return Unavailable("the partitioned image could not be built");
    Prepared prepared{image, {}, {}, {}};
    for (char const* pszStart : {"2048", "22528", "43008"}) {
        std::ifstream in(image + "." + pszStart + ".sha");
        std::string hash;
        in >> hash;
        prepared.expected["/KEEP" + std::string(pszStart) + ".BIN"] = hash;
    }
    return prepared;
}

Prepared PlantedJpegs(testsupport::TempDir const& dir) {
    if (!testsupport::HaveTool("convert")) return Unavailable("ImageMagick's convert is not installed");
    std::string const image = dir.File("planted.img");
    // Two JPEGs written at 1 MiB and 3 MiB of a disk without a file system.
    std::string const script =
        "set -e; cd '" + dir.Path() +
        "'; truncate -s 8M planted.img; "
        "convert -size 320x240 gradient:red-blue a.jpg; convert -size 200x300 plasma:fractal b.jpg; "
        "dd if=a.jpg of=planted.img bs=1M seek=1 conv=notrunc; dd if=b.jpg of=planted.img bs=1M seek=3 conv=notrunc";
    if (testsupport::RunCommand(script + " >/dev/null 2>&1") != 0)
        return Unavailable("the planted image could not be built");
    return {
        image, {}, {}, {testsupport::Sha256OfFile(dir.File("a.jpg")), testsupport::Sha256OfFile(dir.File("b.jpg"))}};
}

/// An NTFS volume written through ntfs-3g: a plain file, a resident one, a file in a compressed
/// folder, and a deleted one.
Prepared Ntfs(testsupport::TempDir const& dir) {
    if (std::string const missing = testsupport::NtfsImage::MissingPrerequisite(); !missing.empty())
        return Unavailable(missing);
    std::string text;
    for (int i = 0; text.size() < 200000; ++i)
        text += "line " + std::to_string(i) + " of a text that compresses well\n";
    std::vector<std::uint8_t> plain(150000);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    std::map<std::string, std::vector<std::uint8_t>> const files = {
        {"/plain.bin", plain},
        {"/small.txt", {'r', 'e', 's', 'i', 'd', 'e', 'n', 't'}},
        {"/c/text.txt", std::vector<std::uint8_t>(text.begin(), text.end())},
        {"/gone.bin", plain}};
    std::string const image = dir.File("ntfs.img");
    std::string error;
    bool const bBuilt = testsupport::NtfsImage::Build(
        image, 64 << 20,
        [&](std::string const& root) {
            bool ok = std::filesystem::create_directory(root + "/c") &&
                      testsupport::RunCommand("setfattr -h -v 0x00000810 -n system.ntfs_attrib_be " +
                                              testsupport::ShellQuote(root + "/c")) == 0;
            for (auto const& [path, bytes] : files) ok = ok && testsupport::WriteFileBytes(root + path, bytes);
            return ok && std::filesystem::remove(root + "/gone.bin");
        },
        error);
    if (!bBuilt) return Unavailable("the NTFS image could not be built: " + error);
    Prepared prepared{image, {}, {}, {}};
    for (auto const& [path, bytes] : files)
        if (path != "/gone.bin") prepared.expected[path] = testsupport::Sha256Hex(bytes);
    return prepared;
}

/// The real-volume fixture's NTFS volume (mkntfs, ntfs-3g) whose 64 KiB "/docs/preallocated.db"
/// has an initialised size of 4096: a loaded scan must read zeros past it, as icat does, and
/// still refuse the file whose initialised size lies above its size and the deleted file whose
/// clusters a live file took.
Prepared NtfsValidData(testsupport::TempDir const&) {
    char const* pszDir = std::getenv("QUORIN_REAL_VOLUMES");
    std::string const stem = std::string(pszDir ? pszDir : "") + "/ntfs-valid-data";
    if (!pszDir || !std::filesystem::exists(stem + ".manifest"))
        return Unavailable("the real-volume NTFS image was not built");
    std::map<std::string, std::string> expected = ManifestHashes(stem);
    expected["/docs/impossible.db"] = "unreadable";
    expected["/old picture.jpg (deleted)"] = "unreadable";
    return {stem + ".img", expected, {}, {}};
}

/// The macOS fixture with "a_file" made LZVN-compressed in its resource fork (four 64 KiB
/// blocks and a short one), `u64Lead` zero bytes into the image.
Prepared HfsPlusAt(testsupport::TempDir const& dir, std::size_t u64Lead) {
    std::vector<std::uint8_t> bytes = hfsplustest::LoadMacImage();
    if (bytes.empty()) return Unavailable("no " + hfsplustest::MacImagePath());
    std::vector<std::uint8_t> const data = hfsplustest::TextLike(4 * 0x10000 + 999);
    if (!hfsplustest::CompressFile(bytes, 8, data)) return Unavailable("the HFS+ fixture is not the one expected");
    bytes.insert(bytes.begin(), u64Lead, 0);
    std::string const image = dir.File("hfsplus.raw");
    if (!testsupport::WriteFileBytes(image, bytes)) return Unavailable("cannot write " + image);
    return {image, {{"/a_directory/a_file", testsupport::Sha256Hex(data)}}, {}, {}};
}

Prepared HfsPlusCompressed(testsupport::TempDir const& dir) { return HfsPlusAt(dir, 0); }
/// A deep scan of the whole disk finds the volume 1 MiB in: a load opens it there again.
Prepared HfsPlusOneMegabyteIn(testsupport::TempDir const& dir) { return HfsPlusAt(dir, 1 << 20); }

/// The same 8 MiB into a FAT16 volume (mkfs.fat over the zeros before it): a deep scan of that
/// volume finds it inside, and a load opens it there again.
Prepared HfsPlusInsideAFatVolume(testsupport::TempDir const& dir) {
    if (!testsupport::HaveTool("mkfs.fat")) return Unavailable("mkfs.fat is not installed");
    Prepared prepared = HfsPlusAt(dir, 8 << 20);
    if (prepared.whyNot.empty() &&
        testsupport::RunCommand("mkfs.fat -F 16 '" + prepared.image + "' >/dev/null 2>&1") != 0)
        return Unavailable("mkfs.fat failed");
    return prepared;
}

/// Two copies of the macOS fixture in an MBR disk (sfdisk), "a_file" made compressed in each
/// with other data: LZVN in the resource fork in the first, zlib in the attribute in the second.
/// A whole-disk quick scan lists both under one root; each file must read from its own volume.
Prepared TwoHfsPlusVolumes(testsupport::TempDir const& dir) {
    if (!testsupport::HaveTool("sfdisk")) return Unavailable("sfdisk is not installed");
    std::vector<std::uint8_t> const fixture = hfsplustest::LoadMacImage();
    if (fixture.empty()) return Unavailable("no " + hfsplustest::MacImagePath());
    std::size_t const sectors = fixture.size() / 512;
    std::vector<std::uint8_t> disk((2048 + 2 * (sectors + 2048)) * 512, 0);
    Prepared prepared{dir.File("two_hfsplus.img"), {}, {}, {}};
    std::uint32_t const types[] = {8, 3};
    for (std::size_t i = 0; i < 2; ++i) {
        std::vector<std::uint8_t> volume = fixture;
        std::vector<std::uint8_t> const data = hfsplustest::TextLike(types[i] == 8 ? 4 * 0x10000 + 999 + i : 3000 + i);
        if (!hfsplustest::CompressFile(volume, types[i], data))
            return Unavailable("the HFS+ fixture is not the one expected");
        std::copy(volume.begin(), volume.end(), disk.begin() + static_cast<long>((2048 + i * (sectors + 2048)) * 512));
        prepared.carved.push_back(testsupport::Sha256Hex(data));
    }
    if (!testsupport::WriteFileBytes(prepared.image, disk)) return Unavailable("cannot write " + prepared.image);
    std::string const table = "printf 'start=2048,size=" + std::to_string(sectors) +
                              ",type=af\\nstart=" + std::to_string(2048 + sectors + 2048) +
                              ",size=" + std::to_string(sectors) + ",type=af\\n' | sfdisk -q '" + prepared.image +
                              "' >/dev/null 2>&1";
    if (testsupport::RunCommand(table) != 0) return Unavailable("sfdisk failed");
    return prepared;
}

/// The path below the volume's root ("/Disk/DCIM/A.JPG" -> "/DCIM/A.JPG").
std::string BelowRoot(std::string const& path) { return path.substr(std::min(path.find('/', 1), path.size())); }

class ResultsFileRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(ResultsFileRoundTrip, LoadedScanListsAndRecoversAsTheSavedOne) {
    testsupport::TempDir dir;
    Prepared const prepared = GetParam().prepare(dir);
    if (!prepared.whyNot.empty()) GTEST_SKIP() << prepared.whyNot;

    ModelScan saved({prepared.image});
    IStorageDevice* pDevice = saved.devices.GetStorageByDiskVolumeIndex(0, GetParam().bVolume ? 0 : -1);
    ASSERT_NE(pDevice, nullptr);
    ASSERT_TRUE(Succeeded(saved.Run(pDevice, GetParam().bDeep)));
    std::string const file = dir.File("scan.rsf");
    modeltest::JobOutcome const save = modeltest::Save(saved, file);
    ASSERT_EQ(save.u64Error, 0u);
    // Progress starts at 5 of 100, stays at most 98 while the job runs and ends at 100.
    ASSERT_GE(save.done.size(), 2u);
    EXPECT_EQ(save.done.front(), 5u);
    EXPECT_LE(*std::max_element(save.done.begin(), save.done.end() - 1), 98u);
    EXPECT_EQ(save.done.back(), 100u);

    ModelScan loaded({prepared.image});
    modeltest::JobOutcome const load = modeltest::Load(loaded, file);
    ASSERT_EQ(load.u64Error, 0u);
    EXPECT_EQ(loaded.scan.GetStatus(), uimodel::OPERATION_IDLE);
    ASSERT_FALSE(load.done.empty());
    EXPECT_EQ(load.done.front(), 5u);
    EXPECT_EQ(load.done.back(), 100u);

    std::multiset<std::string> const listing = modeltest::Listing(saved.scan);
    ASSERT_GT(listing.size(), 2u);
    EXPECT_EQ(modeltest::Listing(loaded.scan), listing);

    auto const before = modeltest::RecoveredHashes(saved.scan, dir);
    auto const after = modeltest::RecoveredHashes(loaded.scan, dir);
    EXPECT_EQ(after, before);
    std::map<std::string, std::string> byPath;
    for (auto const& [path, hash] : after) byPath[BelowRoot(path)] = hash;
    for (auto const& [path, hash] : prepared.expected) EXPECT_EQ(byPath[path], hash) << path;
    for (std::string const& hash : prepared.carved)
        EXPECT_TRUE(std::any_of(after.begin(), after.end(), [&hash](auto const& entry) {
            return entry.second == hash;
        })) << hash;
}

INSTANTIATE_TEST_SUITE_P(
    Images, ResultsFileRoundTrip,
    testing::Values(RoundTripCase{"Fat32Quick", Fat32}, RoundTripCase{"ExFatQuick", ExFat},
                    RoundTripCase{"NtfsQuick", Ntfs}, RoundTripCase{"NtfsValidDataLength", NtfsValidData},
                    RoundTripCase{"Fat32Deep", Fat32, true}, RoundTripCase{"PlantedJpegsDeep", PlantedJpegs, true},
                    RoundTripCase{"ThreeFatVolumesTwoUnlabelled", ThreeVolumes},
                    RoundTripCase{"HfsPlusLzvnResourceFork", HfsPlusCompressed},
                    RoundTripCase{"HfsPlusLzvnResourceForkDeep", HfsPlusOneMegabyteIn, true},
                    RoundTripCase{"HfsPlusInsideAFatVolumeDeep", HfsPlusInsideAFatVolume, true, true},
                    RoundTripCase{"TwoHfsPlusVolumesOnOneDisk", TwoHfsPlusVolumes}),
    [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

// The copy-out values' frame with a count its bytes do not hold: the load says it met damage,
// still files every node, and the file whose initialised size lies above its size is no longer
// refused for it (its value was not taken).
TEST(ResultsFileCopyOutValues, AFrameOutOfStepIsDamageAndNoValueOfItIsTaken) {
    testsupport::TempDir dir;
    Prepared const prepared = NtfsValidData(dir);
    if (!prepared.whyNot.empty()) GTEST_SKIP() << prepared.whyNot;
    ModelScan saved({prepared.image});
    ASSERT_TRUE(Succeeded(saved.Run(saved.devices.GetStorageByDiskVolumeIndex(0, -1), false)));
    std::string const file = dir.File("scan.rsf");
    ASSERT_EQ(modeltest::Save(saved, file).u64Error, 0u);

    std::vector<std::uint8_t> bytes = testsupport::ReadFileBytes(file);
    auto const guid = std::search(bytes.begin(), bytes.end(), rf::kFrameCopyOutValues.au8Bytes.begin(),
                                  rf::kFrameCopyOutValues.au8Bytes.end());
    ASSERT_NE(guid, bytes.end()) << "no copy-out values were saved";
    std::size_t const payload = static_cast<std::size_t>(guid - bytes.begin()) + 16 + 4;
    engine::ByteWriter writer(bytes);
    writer.Le64(payload, 1000);
    ASSERT_TRUE(writer.Ok());
    ASSERT_TRUE(testsupport::WriteFileBytes(file, bytes));

    ModelScan loaded({prepared.image});
    EXPECT_EQ(modeltest::Load(loaded, file).u64Error, static_cast<std::uint64_t>(rf::RESULTS_DAMAGED_NODES));
    EXPECT_EQ(modeltest::Listing(loaded.scan), modeltest::Listing(saved.scan));
    EXPECT_NE(modeltest::RecoveredHashes(loaded.scan, dir)["/Disk/docs/impossible.db"], "unreadable");
}

}  // namespace
