// scanbench model-scan over a tool-made FAT image: the same files as the quick mode, counted
// by category and by month of their known times, ending idle; and a deep scan stopped at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <regex>
#include <set>
#include <string>

#include <filesystem>

#include "ScanbenchRun.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using scanbenchtest::Field;
using scanbenchtest::LinesStartingWith;
using scanbenchtest::RunScanbench;

/// The node lines without the root's own name (the model shows the volume name, quick the root's).
std::set<std::string> Nodes(std::string const& output) {
    std::set<std::string> nodes;
    // The root's name may itself hold "/" in its parenthesised file-system part ("Disk(FAT/FAT32)").
    static std::regex const root("^(node\t[a-z]+\t)/[^/(]*(\\([^)]*\\))?");
    for (std::string const& line : LinesStartingWith(output, "node\t"))
        nodes.insert(std::regex_replace(line, root, "$1"));
    return nodes;
}

// Known times (mcopy -m keeps them), one picture, one document, one deleted file.
constexpr char kBuild[] =
    "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; cd \"$DIR\"; truncate -s 32M fat.img; mkfs.fat -F 16 fat.img; "
    "head -c 5000 /dev/urandom > a.jpg; head -c 700 /dev/urandom > b.txt; head -c 900 /dev/urandom > c.txt; "
    "touch -d '2014-03-05 12:00' a.jpg; touch -d '2015-07-01 12:00' b.txt c.txt; "
    "mmd -i fat.img ::/sub; mcopy -m -i fat.img a.jpg ::/sub/; mcopy -m -i fat.img b.txt c.txt ::/; "
    "mdel -i fat.img ::/c.txt";

/// Why the image of kBuild cannot be scanned here; empty when it can.
std::string WhyNoImage() {
    if (scanbenchtest::Scanbench().empty()) return "scanbench is not built";
    for (char const* pszTool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(pszTool)) return std::string(pszTool) + " is not installed";
    return {};
}

TEST(ScanbenchModelScan, ListsTheQuickScansFilesByCategoryAndMonthAndEndsIdle) {
    if (std::string const why = WhyNoImage(); !why.empty()) GTEST_SKIP() << why;
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + kBuild + " >/dev/null 2>&1"), 0);
    std::string const image = dir.File("fat.img");

    auto const model = RunScanbench(dir, "model-scan " + image);
    auto const quick = RunScanbench(dir, "quick " + image);
    ASSERT_EQ(model.iExit, 0) << model.output;
    ASSERT_EQ(quick.iExit, 0) << quick.output;
    EXPECT_EQ(Nodes(model.output), Nodes(quick.output));
    EXPECT_EQ(model.result.at("status"), "0");
    EXPECT_EQ(model.result.at("controller"), "0");
    EXPECT_EQ(model.result.at("files"), "3");
    EXPECT_EQ(model.result.at("deleted"), "1");
    EXPECT_EQ(model.result.at("folders"), "1");
    EXPECT_EQ(model.result.at("pictures"), "1");
    EXPECT_EQ(model.result.at("documents"), "2");
    EXPECT_EQ(model.result.at("bytes"), "6600");
    // In UTC the dates stay in their months (the test harness runs without TZ; these are noon times).
    auto const months = LinesStartingWith(model.output, "month mtime ");
    EXPECT_EQ(std::set<std::string>(months.begin(), months.end()),
              (std::set<std::string>{"month mtime 2014-03 1", "month mtime 2015-07 2"}));
}

TEST(ScanbenchModelScan, ASavedScanLoadsWithTheSameListingAndRecoversItsFiles) {
    if (std::string const why = WhyNoImage(); !why.empty()) GTEST_SKIP() << why;
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + kBuild + " >/dev/null 2>&1"), 0);
    std::string const image = dir.File("fat.img");

    auto const saved = RunScanbench(dir, "model-scan " + image + " --save " + dir.File("scan.rsf"));
    ASSERT_EQ(saved.result.at("save_error"), "0") << saved.output;
    EXPECT_NE(saved.result.at("save_bytes"), "0");
    auto const loaded =
        RunScanbench(dir, "model-load " + dir.File("scan.rsf") + " --image " + image + " --recover " + dir.File("out"));
    ASSERT_EQ(loaded.iExit, 0) << loaded.output;
    EXPECT_EQ(loaded.result.at("load_error"), "0");
    EXPECT_EQ(Nodes(loaded.output), Nodes(saved.output));
    EXPECT_EQ(LinesStartingWith(loaded.output, "month "), LinesStartingWith(saved.output, "month "));
    EXPECT_EQ(loaded.result.at("recovered"), "3");
    EXPECT_EQ(loaded.result.at("failed"), "0");
    EXPECT_EQ(
        testsupport::RunCommand("cmp '" + dir.File("a.jpg") + "' \"$(find '" + dir.File("out") + "' -name a.jpg)\""),
        0);
    // Another image of another size: the saved device is not attached.
    ASSERT_EQ(testsupport::RunCommand("truncate -s 1M '" + dir.File("other.img") + "'"), 0);
    auto const elsewhere =
        RunScanbench(dir, "model-load " + dir.File("scan.rsf") + " --image " + dir.File("other.img"));
    EXPECT_EQ(elsewhere.result.at("load_error"), "6");
}

// The exit status says whether the asked-for work failed, and a failure names why: a whole
// disk's scan does not fail for a partition holding no file system, a save that fails does.
struct ExitCase {
    char const* pszName;
    char const* pszBuild;  // shell commands in $DIR making $DIR/IMAGE
    char const* pszImage;
    char const* pszArguments;  // after the image; $DIR is the test's folder
    int iExit;
    char const* pszExpected;       // in the output
    char const* pszThen = "true";  // shell commands run after the build, in $DIR
};

constexpr ExitCase kExitCases[] = {
    {"AppleMapDiskOfXorrisoWithDriverPartitions",
     "set -e; cd \"$DIR\"; mkdir src; for n in 1 2 3; do head -c ${n}000 /dev/urandom > src/f$n.bin; done; "
     "xorriso -as mkisofs -hfsplus -apm-block-size 2048 -o disk.iso src",
     "disk.iso", "--recover $DIR/out", 0, "recovered=3 failed=0"},
    {"SaveIntoAMissingFolder", kBuild, "fat.img", "--save $DIR/missing/scan.rsf", 1, "not saved to"},
    {"FacadeSaveIntoAMissingFolder", kBuild, "fat.img", "--facade --save $DIR/missing/scan.rsf", 1, "not saved to"},
    // A results file never replaces the image it lists, by whatever name it is reached.
    {"SaveOntoTheScannedImage", kBuild, "fat.img", "--save $DIR/fat.img", 1, "it is the image being scanned"},
    {"SaveOntoALinkToTheScannedImage", kBuild, "fat.img", "--save $DIR/link.img", 1, "it is the image being scanned",
     "ln -s fat.img link.img"},
    {"FacadeSaveOntoAHardLinkToTheScannedImage", kBuild, "fat.img", "--facade --save $DIR/hard.img", 1,
     "it is the image being scanned", "ln fat.img hard.img"},
};

void PrintTo(ExitCase const& exitCase, std::ostream* pOut) { *pOut << exitCase.pszName; }

class ScanbenchModelScanExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ScanbenchModelScanExit, TellsFailureFromSuccessAndNamesTheFailure) {
    if (std::string const why = WhyNoImage(); !why.empty()) GTEST_SKIP() << why;
    if (!testsupport::HaveTool("xorriso")) GTEST_SKIP() << "xorriso is not installed";
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + GetParam().pszBuild + " >/dev/null 2>&1 && " +
                                      GetParam().pszThen),
              0);
    std::string const arguments = std::regex_replace(GetParam().pszArguments, std::regex("\\$DIR"), dir.Path());
    std::string const before = testsupport::Sha256OfFile(dir.File(GetParam().pszImage));
    auto const run = RunScanbench(dir, "model-scan " + dir.File(GetParam().pszImage) + " " + arguments);
    EXPECT_EQ(run.iExit, GetParam().iExit) << run.output;
    EXPECT_NE(run.output.find(GetParam().pszExpected), std::string::npos) << run.output;
    EXPECT_EQ(testsupport::Sha256OfFile(dir.File(GetParam().pszImage)), before) << "a scan never writes its image";
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanbenchModelScanExit, ::testing::ValuesIn(kExitCases),
                         [](::testing::TestParamInfo<ExitCase> const& param) {
                             return std::string(param.param.pszName);
                         });

// --recover copies every checked file (the deleted one too) byte-exact under Fat_0001, and a
// second run under Fat_0002; a destination that fills up is reported and given up, not waited on.
TEST(ScanbenchModelScan, RecoversEveryFileIntoANewNumberedFolderAndGivesUpOnAFullDestination) {
    if (std::string const why = WhyNoImage(); !why.empty()) GTEST_SKIP() << why;
    testsupport::TempDir dir;
    // The picture, the documents and one larger file; the deleted document's clusters stay free.
    std::string const build = std::string(kBuild).insert(
        std::string_view(kBuild).find("mdel"), "head -c 300000 /dev/urandom > big.bin; mcopy -i fat.img big.bin ::/; ");
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + build + " >/dev/null 2>&1"), 0);
    std::string const image = dir.File("fat.img");
    std::string const out = dir.File("out");
    std::set<std::string> originals;
    for (char const* pszName : {"a.jpg", "b.txt", "c.txt", "big.bin"})
        originals.insert(testsupport::Sha256OfFile(dir.File(pszName)));
    for (char const* pszFolder : {"Fat_0001", "Fat_0002"}) {
        auto const run = RunScanbench(dir, "model-scan " + image + " --recover " + out);
        ASSERT_EQ(run.iExit, 0) << run.output;
        EXPECT_EQ(run.result.at("recovered"), "4");
        EXPECT_EQ(run.result.at("failed"), "0");
        EXPECT_EQ(run.result.at("recovered_bytes"), run.result.at("recovery_total_bytes"));
        EXPECT_EQ(LinesStartingWith(run.output, "recover\tok\t").size(), 4u);
        std::set<std::string> recovered;
        for (auto const& entry : std::filesystem::recursive_directory_iterator(out + "/" + pszFolder))
            if (entry.is_regular_file()) recovered.insert(testsupport::Sha256OfFile(entry.path()));
        EXPECT_EQ(recovered, originals) << pszFolder;
    }
    // 100 KiB per file (SIGXFSZ ignored, as a full disk sends none): big.bin cannot be written.
    std::string const full = dir.File("full.out");
    int const iExit = testsupport::RunCommand("bash -c \"trap '' XFSZ; ulimit -f 100; exec " +
                                              scanbenchtest::Scanbench() + " model-scan " + image + " --recover " +
                                              dir.File("small") + "\" >" + full + " 2>" + full + ".err");
    std::string const output = scanbenchtest::ReadText(full) + scanbenchtest::ReadText(full + ".err");
    EXPECT_NE(iExit, 0) << output;
    auto const result = LinesStartingWith(output, "RESULT ");
    ASSERT_EQ(result.size(), 1u) << output;
    EXPECT_EQ(Field(result.front(), "destination_full"), "1");
    EXPECT_EQ(Field(result.front(), "recovery_stopped"), "1");
    EXPECT_EQ(Field(result.front(), "failed"), "1");
    // The recovery answers the first failure (the full destination), not the last copy's result.
    std::string const code = Field(result.front(), "recovery_result");
    EXPECT_TRUE(code.ends_with("d03")) << code;
}

TEST(ScanbenchModelScan, FacadeNotifiesListsTheTreesSearchesAndRecoversACheckedCategory) {
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built";
    for (char const* pszTool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + kBuild + " >/dev/null 2>&1"), 0);
    std::string const image = dir.File("fat.img");

    auto const run = RunScanbench(
        dir, "model-scan " + image + " --facade --tree type --tree mtime --tree path --check type:Pictures --recover " +
                 dir.File("out"));
    ASSERT_EQ(run.iExit, 0) << run.output;
    EXPECT_FALSE(LinesStartingWith(run.output, "notify\tNormalScranValue").empty());
    EXPECT_EQ(run.result.at("notify_after_end"), "1");
    auto const type = LinesStartingWith(run.output, "tree\ttype\t");
    EXPECT_EQ(type, (std::vector<std::string>{"tree\ttype\t0\t2\t0\tPictures", "tree\ttype\t1\t2\t1\tjpg",
                                              "tree\ttype\t0\t0\t0\tMusic", "tree\ttype\t0\t0\t0\tMovies",
                                              "tree\ttype\t0\t0\t0\tArchives", "tree\ttype\t0\t0\t0\tDocuments",
                                              "tree\ttype\t1\t0\t2\ttxt", "tree\ttype\t0\t0\t0\tOthers"}));
    auto const modified = LinesStartingWith(run.output, "tree\tmtime\t");
    // The checked pictures' month checks its year; the root holds an unchecked year too.
    EXPECT_EQ(modified, (std::vector<std::string>{"tree\tmtime\t0\t1\t0\tModification date",
                                                  "tree\tmtime\t1\t2\t0\t2014", "tree\tmtime\t2\t2\t1\t03",
                                                  "tree\tmtime\t1\t0\t0\t2015", "tree\tmtime\t2\t0\t2\t07"}));
    auto const path = LinesStartingWith(run.output, "tree\tpath\t");
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(path[0].substr(0, 16), "tree\tpath\t0\t1\t2\t");  // b.txt and the deleted c.txt; sub checked
    EXPECT_EQ(path[1], "tree\tpath\t1\t2\t1\tsub");
    auto const recovered = LinesStartingWith(run.output, "recover\t");
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_NE(recovered[0].find("/sub/a.jpg"), std::string::npos) << recovered[0];

    auto const search = RunScanbench(dir, "model-scan " + image + " --facade --search B.TXT --tree type");
    ASSERT_EQ(search.iExit, 0) << search.output;
    EXPECT_EQ(LinesStartingWith(search.output, "search\t"), std::vector<std::string>{"search\tB.TXT\t1"});
    EXPECT_EQ(LinesStartingWith(search.output, "tree\ttype\t1\t"),
              std::vector<std::string>{"tree\ttype\t1\t0\t1\ttxt"});
}

TEST(ScanbenchModelScan, DeepScanStoppedAtOnceEndsIdle) {
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built";
    testsupport::TempDir dir;
    std::string const image = dir.File("blank.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 2G '" + image + "'"), 0);
    auto const run = RunScanbench(dir, "model-scan " + image + " --deep --stop-after 0 --pause-after 0 --pause-for 0");
    EXPECT_EQ(run.result.at("status"), "0") << run.output;
    EXPECT_EQ(run.result.at("stopped"), "1");
    EXPECT_EQ(run.result.at("deep"), "1");
    // A scan stopped before it began keeps the last scan's results and controller: here none.
    EXPECT_EQ(run.result.at("controller"), "3");
    EXPECT_EQ(run.result.at("files"), "0");
}

}  // namespace
