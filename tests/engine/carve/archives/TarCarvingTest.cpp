// TAR archives written by GNU tar, carved by the whole signature search from random bytes. Every
// member header starts a TAR too, yet an archive comes out as one file of its own size whatever
// its member count, members that are archives included; a cut archive as the members it still
// holds, one whose member header was overwritten as the members on either side of it, and one
// whose start is lost from its first readable member on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
#include "CarvedSamples.h"
#include "SampleMaker.h"
#include "engine/FileNode.h"
#include "support/TempDir.h"

namespace archivetest {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kBlockSectors = 0x400000 / kSectorSize;
constexpr std::uint64_t kArchiveAt = 64 * kSectorSize;
constexpr std::uint64_t kMemberBytes = 1024;   // a header and one block of a one-line file
constexpr std::uint64_t kRecordBytes = 10240;  // tar fills its last record with zero blocks

/// A carved file, by its offset from the archive's start.
struct Extent {
    std::uint64_t u64Offset = 0;
    std::uint64_t u64Size = 0;
    bool operator==(Extent const&) const = default;
};

struct Scenario {
    Bytes planted;               // from kArchiveAt on, random bytes around it
    std::vector<Extent> carved;  // the TARs the search must carve
};

class TarCarvingTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_missing = MissingTool({"tar", "split", "seq"});
        if (!s_missing.empty()) return;
        s_pDir = std::make_unique<testsupport::TempDir>();
        std::vector<CarvedSample> unused;
        SampleMaker maker(s_pDir->Path(), unused, s_error);
        // One member per line of `seq`; nested.tar holds 20 copies of hundred.tar.
        (void)(maker.Run("seq 1 3 > one.txt && tar --format=ustar -cf one.tar one.txt") &&
               maker.Run(
                   "mkdir h && cd h && seq 1 100 | split -l 1 -a 3 && tar --format=ustar -cf ../hundred.tar x*") &&
               maker.Run("mkdir m && cd m && seq 1 10000 | split -l 1 -a 4 && tar --format=ustar -cf ../many.tar x*") &&
               maker.Run("mkdir n && for i in $(seq 10 29); do cp hundred.tar n/$i.tar; done && tar --format=ustar -cf "
                         "nested.tar n"));
    }
    static void TearDownTestSuite() { s_pDir.reset(); }

    void SetUp() override {
        if (!s_missing.empty()) GTEST_SKIP() << s_missing;
        ASSERT_TRUE(s_error.empty()) << s_error;
    }

    static Bytes Tar(char const* pszName) { return ReadFile(s_pDir->File(pszName)); }

    /// The TARs the search carves from the scenario's device.
    static std::vector<Extent> Carve(Bytes const& planted) {
        carvetest::CPlantedDevice device((kArchiveAt + planted.size()) / kSectorSize + 2 * kBlockSectors, kSectorSize,
                                         true);
        device.Plant(kArchiveAt, planted);
        carvetest::SearchRun run;
        carvetest::RunSearch(run, device, kBlockSectors);
        std::vector<Extent> carved;
        for (IFileNode* pFile : run.builder.Files()) {
            std::string const name = pFile->GetFileName();
            auto* pNode = dynamic_cast<CFileNode*>(pFile);
            if (pNode == nullptr || name.substr(name.rfind('.') + 1) != "TAR") continue;
            auto const u64Start =
                static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start) * kSectorSize;
            carved.push_back({u64Start - kArchiveAt, static_cast<std::uint64_t>(pFile->GetFileSize())});
        }
        std::sort(carved.begin(), carved.end(),
                  [](Extent const& a, Extent const& b) { return a.u64Offset < b.u64Offset; });
        return carved;
    }

    static inline std::unique_ptr<testsupport::TempDir> s_pDir;
    static inline std::string s_missing;
    static inline std::string s_error;
};

/// `bytes` with `length` random bytes written at `at`.
Bytes Overwritten(Bytes bytes, std::size_t at, std::size_t length) {
    std::mt19937 random(11);
    for (std::size_t i = at; i < at + length && i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes Cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

Scenario Whole(Bytes tar) {
    std::uint64_t const u64Size = tar.size();
    return {std::move(tar), {{0, u64Size}}};
}

TEST_F(TarCarvingTest, EachArchiveIsCarvedOnceAsFarAsItsMembersHoldUp) {
    Bytes const hundred = Tar("hundred.tar");
    std::uint64_t const u64Hundred = hundred.size();
    std::pair<char const*, std::function<Scenario()>> const cases[] = {
        {"one member", [] { return Whole(Tar("one.tar")); }},
        {"100 members", [&] { return Whole(hundred); }},
        {"10,000 members", [] { return Whole(Tar("many.tar")); }},
        {"20 members that are archives of 100", [] { return Whole(Tar("nested.tar")); }},
        {"cut after its 50th member",
         [&] {
             return Scenario{Cut(hundred, 50 * kMemberBytes), {{0, 50 * kMemberBytes}}};
         }},
        // The 51st member's header stands, and its data block is taken whole.
        {"cut in its 51st member",
         [&] {
             return Scenario{Cut(hundred, 50 * kMemberBytes + 700), {{0, 51 * kMemberBytes}}};
         }},
        {"the 30th member's header overwritten",
         [&] {
             return Scenario{Overwritten(hundred, 29 * kMemberBytes, 512),
                             {{0, 29 * kMemberBytes}, {30 * kMemberBytes, u64Hundred - 30 * kMemberBytes}}};
         }},
        // Its zero blocks count up to the end of a record from where the carved file starts.
        {"its first header overwritten",
         [&] {
             return Scenario{Overwritten(hundred, 0, 512),
                             {{kMemberBytes, (99 * kMemberBytes / kRecordBytes + 1) * kRecordBytes}}};
         }},
    };
    for (auto const& [pszName, make] : cases) {
        SCOPED_TRACE(pszName);
        Scenario const scenario = make();
        ASSERT_GT(scenario.planted.size(), kMemberBytes);
        std::vector<Extent> const carved = Carve(scenario.planted);
        ASSERT_EQ(carved.size(), scenario.carved.size());
        for (std::size_t i = 0; i < carved.size(); ++i) {
            EXPECT_EQ(carved[i].u64Offset, scenario.carved[i].u64Offset) << i;
            EXPECT_EQ(carved[i].u64Size, scenario.carved[i].u64Size) << i;
        }
    }
}

}  // namespace
}  // namespace archivetest
