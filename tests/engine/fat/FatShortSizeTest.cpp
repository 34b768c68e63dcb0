// A FAT16 file whose directory entry records more bytes than its chain holds (a damaged size
// field): mkfs.fat and mcopy make the volume, then the test raises one entry's size. The copy
// holds exactly the chain's bytes and is reported "short", not counted as recovered; the other
// files of the volume copy out whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "FatQuickScan.h"
#include "engine/ByteWriter.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileNode.h"
#include "support/FatImage.h"
#include "support/FileBytes.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, std::uint8_t u8Seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + u8Seed + i / 509);
    return bytes;
}

/// Sets the size field of the root entry with this 11-byte 8.3 name, read and written whole.
bool RaiseSize(std::string const& image, char const (&name)[12], std::uint32_t u32Size) {
    Bytes bytes = testsupport::ReadFileBytes(image);
    auto const at = std::search(bytes.begin(), bytes.end(), name, name + 11);
    if (at == bytes.end()) return false;
    engine::ByteWriter writer(bytes);
    writer.Le32(static_cast<std::size_t>(at - bytes.begin()) + 28, u32Size);
    return writer.Ok() && testsupport::WriteFileBytes(image, bytes);
}

struct Row {
    char const* pszName;               // as mcopy writes it
    char name83[12];                   // as the entry holds it
    int iClusters;                     // the file fills whole clusters: the chain holds exactly its bytes
    std::int64_t s64RecordedClusters;  // the raised size in clusters; 0 keeps the size
    std::uint32_t u32RawSize;          // a raised size given as a number (bad input)
};

TEST(FatShortSizeTest, CopyHoldsTheChainAndIsReportedShort) {
    std::string const missing = testsupport::FatImage::MissingPrerequisite();
    if (!missing.empty()) GTEST_SKIP() << missing;
    testsupport::TempDir temp;
    std::vector<Row> const rows = {
        {"RAISED.BIN", "RAISED  BIN", 2, 5, 0},
        {"HUGE.BIN", "HUGE    BIN", 1, 0, 0xFFFFFFFFu},
        {"WHOLE.BIN", "WHOLE   BIN", 3, 0, 0},
    };
    // The files fill whole clusters of the size mkfs.fat picks for this volume: an empty one
    // tells it.
    std::string const image = temp.File("fat.img");
    std::string error;
    ASSERT_TRUE(testsupport::FatImage::Build(image, 32 << 20, {}, error)) << error;
    testsupport::FatImage volume(image);
    ASSERT_TRUE(volume.Load());
    std::uint32_t const u32Cluster = volume.SectorsPerCluster() * 512;
    std::vector<Bytes> contents;
    std::vector<std::pair<std::string, std::string>> hostFiles;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        contents.push_back(
            Pattern(static_cast<std::size_t>(rows[i].iClusters) * u32Cluster, static_cast<std::uint8_t>(i + 7)));
        std::ofstream(temp.File(rows[i].pszName), std::ios::binary)
            .write(reinterpret_cast<char const*>(contents.back().data()),
                   static_cast<std::streamsize>(contents.back().size()));
        hostFiles.emplace_back(rows[i].pszName, temp.File(rows[i].pszName));
    }
    ASSERT_TRUE(testsupport::FatImage::Build(image, 32 << 20, hostFiles, error)) << error;
    for (Row const& row : rows) {
        std::uint32_t const u32Raised =
            row.u32RawSize != 0 ? row.u32RawSize : static_cast<std::uint32_t>(row.s64RecordedClusters * u32Cluster);
        if (u32Raised != 0) {
            ASSERT_TRUE(RaiseSize(image, row.name83, u32Raised)) << row.pszName;
        }
    }

    fattest::FatQuickScan scan(image);
    ASSERT_EQ(scan.Result(), kResultSuccess);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Row const& row = rows[i];
        SCOPED_TRACE(row.pszName);
        auto const found = scan.Live().find(std::string("/") + row.pszName);
        ASSERT_NE(found, scan.Live().end());
        bool const bRaised = row.s64RecordedClusters != 0 || row.u32RawSize != 0;
        std::string const copy = temp.File(std::string("copy-") + row.pszName);
        RESULT const result = scan.CopyTo(found->second, copy);
        EXPECT_EQ(testsupport::Sha256OfFile(copy), testsupport::Sha256Hex(contents[i]));
        EXPECT_EQ(result, bRaised ? CopyNoteResult(kCodeShortData) : kResultSuccess);
        EXPECT_EQ(IsRecoveredCopy(result), !bRaised);
        if (bRaised) {
            EXPECT_STREQ(CopyRefusalWord(result), "short");
        }
    }
}

}  // namespace
