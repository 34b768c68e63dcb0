// scanbench run as a program on images built here: the complete pass hands over every byte
// once and in order, a quick scan reports what the engine supports, and an output folder on
// the scanned device is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "ScanbenchRun.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/StampedImage.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

using scanbenchtest::ReadText;
using scanbenchtest::RunScanbench;
using scanbenchtest::Scanbench;
using scanbenchtest::ScanbenchRun;

/// Unmounts a folder at the end of a test.
struct Unmount {
    std::string path;
    ~Unmount() { testsupport::RunCommand("umount " + path); }
};

class ScanbenchSmokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Scanbench().empty()) GTEST_SKIP() << "scanbench is not built in this tree";
    }
    /// A 40 MiB FAT32 image named `label`, its root holding a file for each name, filled with
    /// what the shell command beside it writes.
    std::string MakeFat32Image(std::string const& label,
                               std::vector<std::pair<std::string, std::string>> const& files) {
        std::string const image = m_dir.File(label + ".img");
        std::string command =
            "truncate -s 40M " + image + " && mkfs.fat -F 32 -n " + label + " " + image + " >/dev/null 2>&1";
        for (auto const& [name, contents] : files)
            command += " && " + contents + " > " + m_dir.File(name) + " && MTOOLS_SKIP_CHECK=1 mcopy -i " + image +
                       " " + m_dir.File(name) + " ::/" + name;
        EXPECT_EQ(testsupport::RunCommand(command), 0) << command;
        return image;
    }

    testsupport::TempDir m_dir;
};

TEST_F(ScanbenchSmokeTest, ThePassthroughHashEqualsTheImagesSha256) {
    std::string const image = m_dir.File("disk.img");
    constexpr std::uint64_t kSectors = 8192 * 3 + 1;  // three 4 MiB blocks and one sector
    ASSERT_TRUE(testsupport::WriteStampedImage(image, kSectors));

    ScanbenchRun const run = RunScanbench(m_dir, "complete " + image + " --passthrough --hash");
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("result"), "0x0");
    EXPECT_EQ(run.result.at("passthrough_bytes"), std::to_string(kSectors * 512));
    EXPECT_EQ(run.result.at("sha256"), testsupport::Sha256OfFile(image));
}

TEST_F(ScanbenchSmokeTest, AQuickScanOfAFatImageListsItsFilesAndCopiesThemOut) {
    if (!testsupport::HaveTool("mkfs.fat") || !testsupport::HaveTool("mcopy"))
        GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    std::string const image = MakeFat32Image("QUORIN", {{"HELLO.TXT", "printf 'hello from fat'"}, {"EMPTY.TXT", ":"}});
    std::string const out = m_dir.File("out");
    ScanbenchRun const run = RunScanbench(m_dir, "quick " + image + " --out " + out);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("result"), "0x0");
    EXPECT_EQ(run.result.at("files"), "2");
    // The empty file is written as an empty file, not counted as a failure.
    EXPECT_EQ(run.result.at("files_written"), "2");
    EXPECT_EQ(run.result.at("failures"), "0");
    // What the nodes cost (heap per node; 0 where the allocator cannot tell, as under ASan).
    EXPECT_EQ(run.result.count("node_bytes"), 1u);
    EXPECT_GT(std::stod(run.result.at("peak_rss_mb")), 1.0);
    // One line per node: state, path from the tree's root, size.
    EXPECT_NE(run.output.find("node\tlive\t/Disk(FAT/FAT32)/HELLO.TXT\t14\n"), std::string::npos);
    EXPECT_NE(run.output.find("node\tlive\t/Disk(FAT/FAT32)/EMPTY.TXT\t0\n"), std::string::npos);
    std::size_t emptyCopies = 0;
    for (auto const& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_regular_file() && entry.path().filename() == "EMPTY.TXT") {
            ++emptyCopies;
            EXPECT_EQ(fs::file_size(entry.path()), 0u);
        }
    }
    EXPECT_EQ(emptyCopies, 1u);
}

TEST_F(ScanbenchSmokeTest, AnOutputFolderOnTheScannedDeviceIsRefusedBeforeAnythingIsWritten) {
    if (!testsupport::HaveTool("mkfs.ext2")) GTEST_SKIP() << "mkfs.ext2 is not installed";
    std::string const image = m_dir.File("ext2.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 16M " + image + " && mkfs.ext2 -q -F " + image), 0);
    testsupport::LoopDevice loop;
    std::string const why = loop.Attach(image);
    if (!why.empty()) GTEST_SKIP() << why;
    // Attach is read-only; mounting it read-only still puts the folder on the device.
    std::string const mountPoint = m_dir.File("mnt");
    fs::create_directory(mountPoint);
    if (testsupport::RunCommand("mount -o ro " + loop.Node() + " " + mountPoint + " 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot mount " << loop.Node();
    Unmount const unmount{mountPoint};

    for (std::string const& device : {loop.Node(), image}) {
        SCOPED_TRACE(device);
        ScanbenchRun const run = RunScanbench(m_dir, "complete " + device + " --out " + mountPoint + "/recovered");
        EXPECT_NE(run.iExit, 0);
        EXPECT_NE(run.output.find("refusing --out"), std::string::npos) << run.output;
        EXPECT_TRUE(run.result.empty());
    }
    EXPECT_FALSE(fs::exists(mountPoint + "/recovered"));
}

TEST_F(ScanbenchSmokeTest, AnImageWithoutAFileSystemIsSaidToHoldNone) {
    std::string const image = m_dir.File("zero.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 4M " + image), 0);
    ScanbenchRun const quick = RunScanbench(m_dir, "quick " + image);
    EXPECT_EQ(quick.iExit, 1);
    EXPECT_NE(quick.output.find("no file system this scan reads was found\n"), std::string::npos) << quick.output;
    ScanbenchRun const complete = RunScanbench(m_dir, "complete " + image);
    EXPECT_EQ(complete.iExit, 0);
    EXPECT_NE(complete.output.find(
                  "no file system this scan reads was found; what is listed comes from the signature search"),
              std::string::npos)
        << complete.output;
    EXPECT_EQ(complete.result.at("file_systems"), "0");
}

TEST_F(ScanbenchSmokeTest, AnEmptyVolumeIsRecognisedWithNoFiles) {
    std::vector<std::pair<char const*, std::string>> images{{"FAT32", MakeFat32Image("EMPTY", {})}};
    if (testsupport::HaveTool("mkntfs")) {
        std::string const ntfs = m_dir.File("ntfs.img");
        ASSERT_EQ(
            testsupport::RunCommand("truncate -s 16M " + ntfs + " && mkntfs -F -q -Q " + ntfs + " >/dev/null 2>&1"), 0);
        images.emplace_back("NTFS", ntfs);
    }
    for (auto const& [pszKind, image] : images) {
        SCOPED_TRACE(pszKind);
        ScanbenchRun const run = RunScanbench(m_dir, "quick " + image);
        EXPECT_EQ(run.iExit, 0) << run.output;
        EXPECT_EQ(run.output.find("no file system this scan reads was found"), std::string::npos) << run.output;
        EXPECT_EQ(run.result.at("files"), "0");
        EXPECT_EQ(run.result.at("file_systems"), "1");
    }
}

TEST_F(ScanbenchSmokeTest, FilesAlreadyInTheOutputFolderAreKeptAndTheFoundOnesTakeFreeNames) {
    if (!testsupport::HaveTool("mkfs.fat") || !testsupport::HaveTool("mcopy"))
        GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    std::string const image = MakeFat32Image("QUORIN", {{"HELLO.TXT", "printf 'hello from fat'"}});
    // A bare volume's files go under a folder named for its label. The folder holds a file of
    // the found one's name already, and one of its first suffixed name.
    fs::path const folder = fs::path(m_dir.File("out")) / "QUORIN" / "Disk(FAT_FAT32)";
    fs::create_directories(folder);
    std::ofstream(folder / "HELLO.TXT") << "kept";
    std::ofstream(folder / "HELLO_1.TXT") << "kept too";
    std::string const manifest = m_dir.File("manifest.tsv");

    ScanbenchRun const run =
        RunScanbench(m_dir, "quick " + image + " --out " + m_dir.File("out") + " --manifest " + manifest);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(run.result.at("files_written"), "1");
    EXPECT_EQ(ReadText((folder / "HELLO.TXT").string()), "kept");
    EXPECT_EQ(ReadText((folder / "HELLO_1.TXT").string()), "kept too");
    EXPECT_EQ(ReadText((folder / "HELLO_2.TXT").string()), "hello from fat");
    std::size_t uFiles = 0;
    for (auto const& entry : fs::recursive_directory_iterator(m_dir.File("out")))
        uFiles += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(uFiles, 3u);  // and no temporary file left behind
    EXPECT_EQ(ReadText(manifest), "QUORIN/Disk(FAT_FAT32)/HELLO_2.TXT\t14\t0\t0x0\n");
}

// exFAT ignores case, as FAT and HFS+ do: there HELLO.TXT is the name hello.txt already has.
TEST_F(ScanbenchSmokeTest, OnAVolumeThatIgnoresCaseAFileOfTheSameNameInAnotherCaseIsKept) {
    for (char const* pszTool : {"mkfs.fat", "mcopy", "mkfs.exfat", "mount.exfat-fuse"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    std::string const image = MakeFat32Image("QUORIN", {{"HELLO.TXT", "printf 'hello from fat'"}});
    std::string const destination = m_dir.File("exfat.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 16M " + destination + " && mkfs.exfat " + destination +
                                      " >/dev/null 2>&1"),
              0);
    testsupport::LoopDevice loop;
    if (std::string const why = loop.Attach(destination, 0, true); !why.empty()) GTEST_SKIP() << why;
    std::string const mountPoint = m_dir.File("mnt");
    fs::create_directory(mountPoint);
    if (testsupport::RunCommand("mount.exfat-fuse " + loop.Node() + " " + mountPoint + " >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cannot mount " << loop.Node() << " with exfat-fuse";
    Unmount const unmount{mountPoint};
    fs::path const folder = fs::path(mountPoint) / "QUORIN" / "Disk(FAT_FAT32)";
    fs::create_directories(folder);
    std::ofstream(folder / "hello.txt") << "kept";

    ScanbenchRun const run = RunScanbench(m_dir, "quick " + image + " --out " + mountPoint);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 0);
    EXPECT_EQ(ReadText((folder / "hello.txt").string()), "kept");
    EXPECT_EQ(ReadText((folder / "HELLO_1.TXT").string()), "hello from fat");
    std::size_t uFiles = 0;
    for (auto const& entry : fs::directory_iterator(folder)) uFiles += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(uFiles, 2u);
}

TEST_F(ScanbenchSmokeTest, ACopyThatFailsLeavesNoFileBehind) {
    if (!testsupport::HaveTool("mkfs.fat") || !testsupport::HaveTool("mcopy"))
        GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    // A partial dump: the file's clusters lie past the image's end, so its copy fails.
    std::string const image = MakeFat32Image("CUT", {{"BIG.BIN", "head -c 20M /dev/urandom"}});
    ASSERT_EQ(testsupport::RunCommand("truncate -s 10M " + image), 0);
    std::string const out = m_dir.File("out");
    ScanbenchRun const run = RunScanbench(m_dir, "quick " + image + " --out " + out);
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.iExit, 1);
    EXPECT_EQ(run.result.at("files"), "1");
    EXPECT_EQ(run.result.at("failures"), "1");
    EXPECT_NE(run.output.find("scanbench: CUT/Disk(FAT_FAT32)/BIG.BIN not written"), std::string::npos);
    for (auto const& entry : fs::recursive_directory_iterator(out))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

// Destinations a writing mode must refuse with a message naming why, leaving the place they
// lead to as it was: links and mounts are met from the destination down, not only at its top.
struct BadDestination {
    char const* pszName;
    char const* pszCommand;  // the mode and its destination option, before the destination
    char const* pszMessage;
    /// Makes the destination in the test's folder (`image`, the scanned volume labelled QUORIN,
    /// is a FAT one unless changed); sets it and the folder that must stay as it is; answers why
    /// to skip, or "".
    std::string (*make)(class ScanbenchDestinationTest& test, std::string& image, std::string& destination,
                        std::string& watched);
};

// Failure messages name the case, not the struct's bytes.
void PrintTo(BadDestination const& destination, std::ostream* pOut) { *pOut << destination.pszName; }

class ScanbenchDestinationTest : public ScanbenchSmokeTest, public ::testing::WithParamInterface<BadDestination> {
public:
    ~ScanbenchDestinationTest() override {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            testsupport::RunCommand("umount " + *it + " 2>/dev/null");
    }
    std::string Folder(std::string const& name) {
        fs::create_directories(m_dir.File(name));
        return m_dir.File(name);
    }
    /// Runs a mount command whose last argument is `point`; false when it cannot mount.
    bool Mount(std::string const& command, std::string const& point) {
        fs::create_directories(point);
        if (testsupport::RunCommand(command + " " + point + " >/dev/null 2>&1") != 0) return false;
        m_mounts.push_back(point);
        return true;
    }
    /// Makes `image` a new exFAT volume labelled QUORIN holding one file, mounted on `point`
    /// (exfat-fuse over a loop device: this kernel may lack FAT); why it cannot, or "".
    std::string MountExFatImage(std::string& image, std::string const& point) {
        for (char const* pszTool : {"mkfs.exfat", "mount.exfat-fuse"})
            if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
        image = m_dir.File("exfat.img");
        if (testsupport::RunCommand("truncate -s 16M " + image + " && mkfs.exfat -L QUORIN " + image +
                                    " >/dev/null 2>&1") != 0)
            return "mkfs.exfat failed";
        testsupport::LoopDevice& loop = *m_loops.emplace_back(std::make_unique<testsupport::LoopDevice>());
        if (std::string const why = loop.Attach(image, 0, true); !why.empty()) return why;
        if (!Mount("mount.exfat-fuse " + loop.Node(), point)) return "FUSE mounts are not allowed here";
        return testsupport::RunCommand("printf 'hello from exfat' > " + point + "/hello.txt && sync") == 0
                   ? ""
                   : "cannot write the volume";
    }

private:
    std::vector<std::unique_ptr<testsupport::LoopDevice>> m_loops;  // detached after the unmounts
    std::vector<std::string> m_mounts;
};

/// Every path below `folder` (none when it does not exist).
std::set<std::string> Contents(std::string const& folder) {
    std::set<std::string> paths;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        paths.insert(it->path().string());
    return paths;
}

TEST_P(ScanbenchDestinationTest, IsRefusedWithItsReasonAndNothingIsWrittenWhereItLeads) {
    if (!testsupport::HaveTool("mkfs.fat") || !testsupport::HaveTool("mcopy"))
        GTEST_SKIP() << "mkfs.fat or mtools is not installed";
    std::string image = MakeFat32Image("QUORIN", {{"HELLO.TXT", "printf 'hello from fat'"}});
    std::string destination, watched;
    if (std::string const why = GetParam().make(*this, image, destination, watched); !why.empty()) GTEST_SKIP() << why;
    std::set<std::string> const before = Contents(watched);

    std::string const command = GetParam().pszCommand;
    ScanbenchRun const run = RunScanbench(m_dir, command.substr(0, command.find(' ')) + " " + image +
                                                     command.substr(command.find(' ')) + " " + destination);
    EXPECT_EQ(run.iExit, 1) << run.output;
    EXPECT_NE(run.output.find(GetParam().pszMessage), std::string::npos) << run.output;
    EXPECT_EQ(Contents(watched), before);
}

constexpr BadDestination kBadDestinations[] = {
    {"LinkToAFolder", "quick --out", "refusing --out",
     [](ScanbenchDestinationTest& test, std::string&, std::string& destination, std::string& watched) {
         watched = test.Folder("elsewhere");
         destination = watched + "-link";
         fs::create_directory_symlink(watched, destination);
         return std::string();
     }},
    {"Fifo", "quick --out", "it is a FIFO",
     [](ScanbenchDestinationTest& test, std::string&, std::string& destination, std::string& watched) {
         watched = test.Folder("watched");
         destination = watched + "/fifo";
         return testsupport::RunCommand("mkfifo " + destination) == 0 ? std::string() : std::string("mkfifo failed");
     }},
    {"OnAReadOnlyMount", "quick --out", "Read-only file system",
     [](ScanbenchDestinationTest& test, std::string&, std::string& destination, std::string& watched) {
         watched = test.Folder("readonly");
         destination = watched + "/out";
         return test.Mount("mount -t tmpfs -o ro tmpfs", watched) ? std::string()
                                                                  : std::string("cannot mount a tmpfs (root needed)");
     }},
    {"LinkInsideTheDestination", "quick --out", "QUORIN: it is a symbolic link",
     [](ScanbenchDestinationTest& test, std::string&, std::string& destination, std::string& watched) {
         watched = test.Folder("elsewhere");
         destination = test.Folder("out");
         fs::create_directory_symlink(watched, destination + "/QUORIN");
         return std::string();
     }},
    // A bare exFAT volume's files go to a folder named after its label ("QUORIN"): the folder the
    // scanned image is mounted on.
    {"ScannedImageMountedInsideTheDestination", "quick --out", "QUORIN: it lies on the device being scanned",
     [](ScanbenchDestinationTest& test, std::string& image, std::string& destination, std::string& watched) {
         destination = test.Folder("out");
         watched = destination + "/QUORIN";
         return test.MountExFatImage(image, watched);
     }},
    {"CarveOntoTheScannedImagesMount", "carve --recover", "refusing --recover",
     [](ScanbenchDestinationTest& test, std::string& image, std::string& destination, std::string& watched) {
         watched = test.Folder("mnt");
         destination = watched + "/carved";
         return test.MountExFatImage(image, watched);
     }},
    {"ModelRecoveryToALinkToAFolder", "model-scan --recover", "refusing --recover",
     [](ScanbenchDestinationTest& test, std::string&, std::string& destination, std::string& watched) {
         watched = test.Folder("elsewhere");
         destination = watched + "-link";
         fs::create_directory_symlink(watched, destination);
         return std::string();
     }},
};

INSTANTIATE_TEST_SUITE_P(Destinations, ScanbenchDestinationTest, ::testing::ValuesIn(kBadDestinations),
                         [](::testing::TestParamInfo<BadDestination> const& param) {
                             return std::string(param.param.pszName);
                         });

// Every mode refuses what it does not understand, with its usage and exit status 2, before it
// opens anything: "carve IMG --out DIR" once scanned and silently wrote nothing.
struct Refusal {
    char const* pszName;
    char const* pszArguments;
};

class ScanbenchRefusalTest : public ScanbenchSmokeTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ScanbenchRefusalTest, PrintsTheModesUsageAndExits2) {
    std::string const arguments = GetParam().pszArguments;
    ScanbenchRun const run = RunScanbench(m_dir, arguments);
    EXPECT_EQ(run.iExit, 2) << run.output;
    std::string const mode = arguments.substr(0, arguments.find(' '));
    EXPECT_NE(run.output.find("usage: scanbench " + mode), std::string::npos) << run.output;
    EXPECT_TRUE(run.results.empty()) << run.output;
}

constexpr Refusal kRefusals[] = {
    {"CarveUnknownOption", "carve x.img --out d"},
    {"CarveMissingValue", "carve x.img --recover"},
    {"CarveBadNumber", "carve x.img --sector-size 4k"},
    {"CarveNoImage", "carve"},
    {"QuickUnknownOption", "quick x.img --volume"},
    {"QuickMissingValue", "quick x.img --out"},
    {"QuickValueIsAnOption", "quick x.img --out --deleted-only"},
    {"QuickTwice", "quick x.img --out a --out b"},
    {"QuickTwoImages", "quick x.img y.img"},
    {"CompleteNoImage", "complete"},
    {"CompleteHashAlone", "complete x.img --hash"},
    {"CompleteTypesOutOfRange", "complete x.img --types 64"},
    {"CompleteVolumeAndPartition", "complete x.img --volume --partition 1"},
    {"CompleteMissingValue", "complete x.img --stop-after"},
    {"QuickPassthrough", "quick x.img --passthrough"},
    {"ReadUnknownOption", "read x.img --fast"},
    {"PartitionsNoImage", "partitions"},
    {"ListOperand", "list x.img"},
    {"ExtractMissingValue", "extract x.img --start 0 --cluster-sectors 8 --size 1 --runs 0:1 --to"},
    {"MftBadStart", "mft x.img --start 12x"},
    {"MftUnknownOption", "mft x.img --runs 0:1"},
    {"ExtractUnknownOption", "extract x.img --start 0 --cluster-sectors 8 --size 1 --runs 0:1 --to f --fast"},
};

INSTANTIATE_TEST_SUITE_P(Modes, ScanbenchRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](::testing::TestParamInfo<Refusal> const& param) {
                             return std::string(param.param.pszName);
                         });

}  // namespace
