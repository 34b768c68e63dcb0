// `scanbench mft` on the fixture images against two independent readers: Sleuth Kit's fls
// (which records hold which names, under which folders) and ntfsinfo (each file's size and run
// list, holes and compression included). Then `scanbench extract` by the listed runs must give
// back every manifest file and the deleted ones byte for byte.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "NtfsVolumeBytes.h"
#include "ScanbenchRun.h"
#include "support/Manifest.h"
#include "support/NtfsImage.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using scanbenchtest::Field;

struct ImageCase {
    char const* pszName;
    char const* pszLabel;
    unsigned u32SectorSize;
    unsigned u32RecordSize;
    unsigned u32ClusterSize;
};

struct Row {
    bool bLive = false;
    bool bFolder = false;
    std::uint64_t u64Parent = 0;
    std::string name, size, flags, runs;
};

struct FlsRecord {
    bool bFolder = false;
    std::set<std::string> names;
    std::set<std::uint64_t> parents;
};

std::vector<std::string> Split(std::string const& line, char separator) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, separator);) fields.push_back(field);
    return fields;
}

std::map<std::uint64_t, Row> ParseListing(std::string const& output) {
    std::map<std::uint64_t, Row> rows;
    for (std::string const& line : scanbenchtest::LinesStartingWith(output, "record\t")) {
        auto const f = Split(line, '\t');
        if (f.size() != 9) continue;
        Row& row = rows[std::stoull(f[1])];
        row.bLive = f[2] == "live";
        row.bFolder = f[3] == "folder";
        row.u64Parent = f[4] == "-" ? ~0ull : std::stoull(f[4]);
        row.name = f[5];
        row.size = f[6];
        row.flags = f[7];
        row.runs = f[8];
    }
    return rows;
}

/// fls -r -p -u: "t/t N-T-I:<TAB>path[:stream]" for every live name.
std::map<std::uint64_t, FlsRecord> ParseFls(std::string const& output, std::map<std::string, std::uint64_t>& byPath) {
    std::map<std::uint64_t, FlsRecord> records;
    std::vector<std::pair<std::uint64_t, std::string>> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        auto const tab = line.find('\t');
        if (tab == std::string::npos || line.rfind("V/V", 0) == 0) continue;
        std::uint64_t const u64Number = std::stoull(line.substr(4));
        std::string const path = line.substr(tab + 1).substr(0, line.substr(tab + 1).find(':'));
        records[u64Number].bFolder = line[2] == 'd';
        byPath[path] = u64Number;
        names.emplace_back(u64Number, path);
    }
    for (auto const& [u64Number, path] : names) {
        auto const slash = path.rfind('/');
        records[u64Number].names.insert(slash == std::string::npos ? path : path.substr(slash + 1));
        records[u64Number].parents.insert(slash == std::string::npos ? 5 : byPath.at(path.substr(0, slash)));
    }
    return records;
}

std::string RunsText(std::vector<DataRun> const& runs) {
    std::string text;
    for (DataRun const& run : runs)
        text += (text.empty() ? "" : ",") + (run.s64Start < 0 ? std::string("-") : std::to_string(run.s64Start)) + ":" +
                std::to_string(run.s64Length);
    return text.empty() ? "-" : text;
}

class NtfsMftListing : public ::testing::TestWithParam<ImageCase> {
protected:
    /// The file as `scanbench extract` copies it by the row's runs; empty when it fails.
    /// Image files read in the sectors of the volume they hold, so clusters count as the
    /// listing's sectors per cluster.
    std::string ExtractedHash(Row const& row, std::string const& sectorsPerCluster) {
        std::string const target = m_temp.File("extracted" + std::to_string(m_u32Extracted++));
        std::string const arguments = "extract " + m_image + " --start 0 --cluster-sectors " + sectorsPerCluster +
                                      " --size " + row.size + " --runs " + row.runs +
                                      (row.flags.find("compressed") != std::string::npos ? " --ntfs-compressed" : "") +
                                      " --to " + target;
        if (scanbenchtest::RunScanbench(m_temp, arguments).iExit != 0) return {};
        return testsupport::Sha256OfFile(target);
    }

    testsupport::TempDir m_temp;
    std::string m_image;
    unsigned m_u32Extracted = 0;
};

TEST_P(NtfsMftListing, MatchesSleuthKitAndNtfsinfoAndExtractsByteExact) {
    std::string const folder = ntfstest::ImageFolder();
    if (folder.empty()) GTEST_SKIP() << "the NTFS images were not built (needs root, /dev/fuse, mkntfs, ntfs-3g)";
    if (scanbenchtest::Scanbench().empty()) GTEST_SKIP() << "scanbench is not built (QUORIN_BENCH off)";
    if (!testsupport::HaveTool("fls") || !testsupport::HaveTool("ntfsinfo"))
        GTEST_SKIP() << "fls or ntfsinfo is missing";
    ImageCase const& image = GetParam();
    m_image = folder + "/" + image.pszName + ".img";

    auto const run = scanbenchtest::RunScanbench(m_temp, "mft " + m_image);
    ASSERT_EQ(run.iExit, 0) << run.output;
    EXPECT_EQ(scanbenchtest::LinesStartingWith(run.output, "label:\t").at(0), std::string("label:\t") + image.pszLabel);
    EXPECT_EQ(run.result.at("sector_size"), std::to_string(image.u32SectorSize));
    EXPECT_EQ(run.result.at("record_size"), std::to_string(image.u32RecordSize));
    unsigned const u32ClusterBytes =
        std::stoul(run.result.at("sector_size")) * std::stoul(run.result.at("sectors_per_cluster"));
    EXPECT_EQ(u32ClusterBytes, image.u32ClusterSize);
    auto const rows = ParseListing(run.output);
    EXPECT_EQ(run.result.at("records"), std::to_string(rows.size()));

    // Every live name fls shows is on its record's row, under one of its parents.
    std::map<std::string, std::uint64_t> byPath;
    auto const fls = ParseFls(testsupport::CaptureCommand("fls -r -p -u " + m_image).value_or(""), byPath);
    ASSERT_GT(fls.size(), 15u);
    for (auto const& [u64Number, record] : fls) {
        auto const row = rows.find(u64Number);
        ASSERT_NE(row, rows.end()) << "record " << u64Number;
        EXPECT_TRUE(row->second.bLive) << u64Number;
        EXPECT_EQ(row->second.bFolder, record.bFolder) << u64Number;
        EXPECT_TRUE(record.names.count(row->second.name)) << u64Number << " " << row->second.name;
        EXPECT_TRUE(record.parents.count(row->second.u64Parent)) << u64Number << " " << row->second.u64Parent;
    }
    for (auto const& [u64Number, row] : rows)
        if (row.bLive && !row.name.empty() && u64Number != 5) {
            EXPECT_TRUE(fls.count(u64Number)) << "not in fls: " << row.name;
        }

    // Sizes, runs and contents of the manifest files; ntfsinfo and extract only where there is
    // something beyond one cluster to compare (thousands of 4 KiB filler files stay cheap).
    testsupport::NtfsImage const ntfs(m_image);
    std::size_t checked = 0;
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/" + image.pszName + ".manifest")) {
        Row const& row = rows.at(byPath.at(path.substr(1)));
        if (entry.bFolder) {
            EXPECT_TRUE(row.bFolder) << path;
            continue;
        }
        EXPECT_EQ(row.size, std::to_string(entry.s64Size)) << path;
        if (entry.s64Size <= 4096 && row.flags == "-") continue;
        auto const layout = ntfs.Layout(path);
        ASSERT_TRUE(layout) << path;
        EXPECT_EQ(row.runs, layout->bResident ? "resident" : RunsText(layout->runs)) << path;
        EXPECT_EQ(row.flags.find("compressed") != std::string::npos, layout->bCompressed) << path;
        if (layout->bResident) continue;
        EXPECT_EQ(ExtractedHash(row, run.result.at("sectors_per_cluster")), entry.sha256) << path;
        ++checked;
    }
    EXPECT_GT(checked, 0u);

    // Deleted files keep their records and runs until something reuses them.
    for (auto const& [path, entry] : testsupport::ReadManifest(folder + "/" + image.pszName + ".deleted")) {
        std::string const name = path.substr(path.rfind('/') + 1);
        auto const row = std::find_if(rows.begin(), rows.end(),
                                      [&](auto const& r) { return !r.second.bLive && r.second.name == name; });
        ASSERT_NE(row, rows.end()) << path;
        EXPECT_EQ(row->second.size, std::to_string(entry.s64Size)) << path;
        if (row->second.runs == "resident") continue;  // the record holds it: no runs to extract by
        EXPECT_EQ(ExtractedHash(row->second, run.result.at("sectors_per_cluster")), entry.sha256) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsMftListing,
                         ::testing::Values(ImageCase{"ntfs_4k", "QUORINNTFS", 512, 1024, 4096},
                                           ImageCase{"ntfs_frag", "FRAG", 512, 1024, 4096},
                                           ImageCase{"ntfs_4kn", "NATIVE4K", 4096, 4096, 4096},
                                           ImageCase{"ntfs_c512", "C512", 512, 1024, 512},
                                           ImageCase{"ntfs_c64k", "C64K", 512, 1024, 65536}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

}  // namespace
