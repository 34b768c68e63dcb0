// TAR archives written by GNU tar and ZIP archives written by Info-ZIP, carved by the whole
// signature search from random bytes. Every member header that starts a sector starts an
// archive too, yet an archive comes out as one file of its own size whatever its member count;
// archives stored as members come out on their own as well. A cut TAR comes out as the members
// it still holds, one whose member header was overwritten as the members on either side of it,
// and one whose start is lost from its first readable member on.
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

/// A carved archive: its offset from the planted archive's start and its size.
using Extent = std::pair<std::uint64_t, std::uint64_t>;

/// The archives (files ending `extension`) the search carves from a device of random bytes that
/// holds `planted` at kArchiveAt.
std::vector<Extent> CarvedArchives(Bytes planted, std::string const& extension) {
    carvetest::CPlantedDevice device((kArchiveAt + planted.size()) / kSectorSize + 2 * kBlockSectors, kSectorSize,
                                     true);
    device.Plant(kArchiveAt, std::move(planted));
    carvetest::SearchRun run;
    carvetest::RunSearch(run, device, kBlockSectors);
    std::vector<Extent> carved;
    for (IFileNode* pFile : run.builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        if (pNode == nullptr || !std::string(pFile->GetFileName()).ends_with(extension)) continue;
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

/// The whole of `outer`, and `inner` wherever it stands in it at a sector's start.
std::vector<Extent> WithInner(Bytes const& outer, Bytes const& inner) {
    std::vector<Extent> extents = {{0, outer.size()}};
    for (auto it = std::search(outer.begin(), outer.end(), inner.begin(), inner.end()); it != outer.end();
         it = std::search(it + 1, outer.end(), inner.begin(), inner.end())) {
        auto const u64At = static_cast<std::uint64_t>(it - outer.begin());
        if (u64At % kSectorSize == 0) extents.emplace_back(u64At, inner.size());
    }
    return extents;
}

TEST(TarCarvingTest, EachArchiveIsCarvedOnceAsFarAsItsMembersHoldUp) {
    std::string const missing = MissingTool({"tar", "zip", "split", "seq", "head"});
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir dir;
    std::vector<CarvedSample> unused;
    std::string error;
    SampleMaker maker(dir.Path(), unused, error);
    // One member per line of `seq`; nested.tar holds 20 copies of hundred.tar; two.tar is a header
    // and 18 data blocks, so its first end block ends its first record. outer.zip stores one.zip
    // first, under a name that puts its data at 512 bytes.
    std::string const longName = std::string(240, 'd') + "/" + std::string(237, 'z') + ".zip";
    ASSERT_TRUE(
        maker.Run("seq 1 3 > one.txt && tar --format=ustar -cf one.tar one.txt") &&
        maker.Run("mkdir h && cd h && seq 1 100 | split -l 1 -a 3 && tar --format=ustar -cf ../hundred.tar x*") &&
        maker.Run("mkdir m && cd m && seq 1 10000 | split -l 1 -a 4 && tar --format=ustar -cf ../many.tar x*") &&
        maker.Run("mkdir n && for i in $(seq 10 29); do cp hundred.tar n/$i.tar; done && tar --format=ustar -cf "
                  "nested.tar n") &&
        maker.Run("head -c 9216 /dev/urandom > r.bin && tar --format=ustar -cf two.tar r.bin") &&
        maker.Run("cd m && zip -q -X ../many.zip x*") &&
        maker.Run("cd h && zip -q -X ../one.zip x* && mkdir " + longName.substr(0, 240) + " && cp ../one.zip " +
                  longName + " && zip -q -X -0 ../outer.zip " + longName + " x*"))
        << error;
    Bytes const hundred = ReadFile(maker.Path("hundred.tar"));
    Bytes const nested = ReadFile(maker.Path("nested.tar"));
    Bytes const outerZip = ReadFile(maker.Path("outer.zip"));
    struct Case {
        char const* pszName;
        Bytes planted;
        std::vector<Extent> carved;  // empty: the whole archive as one file
        char const* pszExtension = ".TAR";
    };
    Case const cases[] = {
        {"one member, its zero blocks filling its record", ReadFile(maker.Path("one.tar")), {{0, kRecordBytes}}},
        {"100 members", hundred, {}},
        {"10,000 members", ReadFile(maker.Path("many.tar")), {}},
        {"20 members that are archives of 100, each carved too", nested, WithInner(nested, hundred)},
        {"two records, the first ended by the first end block",
         ReadFile(maker.Path("two.tar")),
         {{0, 2 * kRecordBytes}}},
        {"ZIP of 10,000 members", ReadFile(maker.Path("many.zip")), {}, ".ZIP"},
        {"ZIP storing a ZIP, carved too", outerZip, WithInner(outerZip, ReadFile(maker.Path("one.zip"))), ".ZIP"},
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
        EXPECT_EQ(CarvedArchives(c.planted, c.pszExtension), c.carved.empty() ? whole : c.carved);
    }
}

}  // namespace
}  // namespace archivetest
