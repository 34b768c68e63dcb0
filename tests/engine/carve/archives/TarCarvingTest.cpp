// TAR archives written by GNU tar, carved by the whole signature search from random bytes. Every
// member header starts a TAR too, yet an archive comes out as one file of its own size whatever
// its member count, members that are archives included; a cut archive as the members it still
// holds, one whose member header was overwritten as the members on either side of it, and one
// whose start is lost from its first readable member on.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../PlantedDevice.h"
#include "../SearchRun.h"
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

/// A carved TAR: its offset from the archive's start and its size.
using Extent = std::pair<std::uint64_t, std::uint64_t>;

/// The TARs the search carves from a device of random bytes that holds `planted` at kArchiveAt.
std::vector<Extent> CarvedTars(Bytes planted) {
    carvetest::CPlantedDevice device((kArchiveAt + planted.size()) / kSectorSize + 2 * kBlockSectors, kSectorSize,
                                     true);
    device.Plant(kArchiveAt, std::move(planted));
    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, kBlockSectors);
    std::vector<Extent> carved;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        if (pNode == nullptr || !std::string(pFile->GetFileName()).ends_with(".TAR")) continue;
        auto const u64Start = static_cast<std::uint64_t>(pNode->GetDataRunList()->GetFirst()->s64Start);
        carved.emplace_back(u64Start * kSectorSize - kArchiveAt, static_cast<std::uint64_t>(pFile->GetFileSize()));
    }
    std::sort(carved.begin(), carved.end());
    return carved;
}

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

TEST(TarCarvingTest, EachArchiveIsCarvedOnceAsFarAsItsMembersHoldUp) {
    std::string const missing = MissingTool({"tar", "split", "seq"});
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir dir;
    std::vector<CarvedSample> unused;
    std::string error;
    SampleMaker maker(dir.Path(), unused, error);
    // One member per line of `seq`; nested.tar holds 20 copies of hundred.tar.
    ASSERT_TRUE(
        maker.Run("seq 1 3 > one.txt && tar --format=ustar -cf one.tar one.txt") &&
        maker.Run("mkdir h && cd h && seq 1 100 | split -l 1 -a 3 && tar --format=ustar -cf ../hundred.tar x*") &&
        maker.Run("mkdir m && cd m && seq 1 10000 | split -l 1 -a 4 && tar --format=ustar -cf ../many.tar x*") &&
        maker.Run("mkdir n && for i in $(seq 10 29); do cp hundred.tar n/$i.tar; done && tar --format=ustar -cf "
                  "nested.tar n"))
        << error;
    Bytes const hundred = ReadFile(maker.Path("hundred.tar"));
    struct Case {
        char const* pszName;
        Bytes planted;
        std::vector<Extent> carved;  // empty: the whole archive as one file
    };
    Case const cases[] = {
        {"one member, its zero blocks filling its record", ReadFile(maker.Path("one.tar")), {{0, kRecordBytes}}},
        {"100 members", hundred, {}},
        {"10,000 members", ReadFile(maker.Path("many.tar")), {}},
        {"20 members that are archives of 100", ReadFile(maker.Path("nested.tar")), {}},
        {"cut after its 50th member", Cut(hundred, 50 * kMemberBytes), {{0, 50 * kMemberBytes}}},
        // The 51st member's header stands, and its data block is taken whole.
        {"cut in its 51st member", Cut(hundred, 50 * kMemberBytes + 700), {{0, 51 * kMemberBytes}}},
        {"the 30th member's header overwritten",
         Overwritten(hundred, 29 * kMemberBytes, 512),
         {{0, 29 * kMemberBytes}, {30 * kMemberBytes, hundred.size() - 30 * kMemberBytes}}},
        // Its zero blocks count up to the end of a record from where the carved file starts.
        {"its first header overwritten",
         Overwritten(hundred, 0, 512),
         {{kMemberBytes, (99 * kMemberBytes / kRecordBytes + 1) * kRecordBytes}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_GT(c.planted.size(), kMemberBytes);
        std::vector<Extent> const whole = {{0, c.planted.size()}};
        EXPECT_EQ(CarvedTars(c.planted), c.carved.empty() ? whole : c.carved);
    }
}

}  // namespace
}  // namespace archivetest
