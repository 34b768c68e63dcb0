// scanbench model-scan over a tool-made FAT image: the same files as the quick mode, counted
// by category and by month of their known times, ending idle; and a deep scan stopped at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "ScanbenchRun.h"
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
    for (std::string const& line : LinesStartingWith(output, "node\t")) nodes.insert(std::regex_replace(line, root, "$1"));
    return nodes;
}

// Known times (mcopy -m keeps them), one picture, one document, one deleted file.
constexpr char kBuild[] =
    "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; cd \"$DIR\"; truncate -s 32M fat.img; mkfs.fat -F 16 fat.img; "
    "head -c 5000 /dev/urandom > a.jpg; head -c 700 /dev/urandom > b.txt; head -c 900 /dev/urandom > c.txt; "
    "touch -d '2014-03-05 12:00' a.jpg; touch -d '2015-07-01 12:00' b.txt c.txt; "
    "mmd -i fat.img ::/sub; mcopy -m -i fat.img a.jpg ::/sub/; mcopy -m -i fat.img b.txt c.txt ::/; "
    "mdel -i fat.img ::/c.txt";

TEST(ScanbenchModelScan, ListsTheQuickScansFilesByCategoryAndMonthAndEndsIdle) {
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built";
    for (char const* pszTool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
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

TEST(ScanbenchModelScan, FacadeNotifiesListsTheTreesSearchesAndRecoversACheckedCategory) {
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built";
    for (char const* pszTool : {"mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    testsupport::TempDir dir;
    ASSERT_EQ(testsupport::RunCommand("DIR='" + dir.Path() + "'; " + kBuild + " >/dev/null 2>&1"), 0);
    std::string const image = dir.File("fat.img");

    auto const run = RunScanbench(dir, "model-scan " + image + " --facade --tree type --tree mtime --tree path --check type:Pictures --recover " +
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
    EXPECT_EQ(modified, (std::vector<std::string>{"tree\tmtime\t0\t0\t0\tModification date", "tree\tmtime\t1\t0\t0\t2014",
                                                  "tree\tmtime\t2\t2\t1\t03", "tree\tmtime\t1\t0\t0\t2015",
                                                  "tree\tmtime\t2\t0\t2\t07"}));
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
    EXPECT_EQ(LinesStartingWith(search.output, "tree\ttype\t1\t"), std::vector<std::string>{"tree\ttype\t1\t0\t1\ttxt"});
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
    EXPECT_EQ(run.result.at("controller"), "2");
}

}  // namespace
