// A ZIP made by zip whose second local header is damaged: its walk stops there and the search
// for the end record that follows runs as a walk fed block by block. The end record straddles a
// block's end by one to three bytes or starts right on it, and one archive, cut before its
// directory, runs in random bytes to the device's end. Carved with blocks of 1 and 8 sectors and
// of 4 MiB, each is sized as reading the device alone sizes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "PlantedDevice.h"
#include "SearchRun.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace carvetest {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSector = 512;
constexpr std::uint64_t kBlockBytes = 8 * kSector;
constexpr std::uint64_t kDeviceSectors = 4096;
constexpr std::uint32_t kEndRecordBytes = 22;

/// zip's archive of a stored member of `u32Stored` random bytes and a text, the second member's
/// local header signature zeroed.
Bytes DamagedZip(testsupport::TempDir const& dir, std::uint32_t u32Stored) {
    std::string const n = std::to_string(u32Stored);
    if (testsupport::RunCommand("cd " + dir.Path() + " && rm -f z" + n + ".zip && head -c " + n +
                                " /dev/urandom >stored && seq 1 300 >text && zip -q -0 z" + n + ".zip stored text") !=
        0)
        return {};
    Bytes zip = testsupport::ReadFileBytes(dir.File("z" + n + ".zip"));
    std::string const text(zip.begin(), zip.end());
    std::size_t const second = text.find("PK\x03\x04", 4);
    if (second == std::string::npos) return {};
    std::fill_n(zip.begin() + static_cast<std::ptrdiff_t>(second), 4, 0);
    return zip;
}

std::uint64_t SizeOnTheDevice(std::uint64_t u64Sector, CPlantedDevice& device) {
    std::unique_ptr<IRawFileAnalyser> const pAnalyser = CreateFileZIPAnalyser();
    Bytes const head = device.Bytes(u64Sector * kSector, kSector);
    CRawFileInfo info;
    info.m_u64StartSector = u64Sector;
    if (pAnalyser->AnalyseBuffer(head.data(), info, kSector) == 0) return 0;
    pAnalyser->GetRawFileSize(info, &device);
    return std::min<std::uint64_t>(info.m_u64Size, (kDeviceSectors - u64Sector) * kSector);
}

TEST(ZipEndWalkTest, EndRecordsAcrossBlockEndsAndATruncatedArchiveAreFoundAsOnTheDevice) {
    if (!testsupport::HaveTool("zip")) GTEST_SKIP() << "zip is missing";
    testsupport::TempDir dir;
    Bytes const probe = DamagedZip(dir, 3000);
    ASSERT_FALSE(probe.empty());
    std::uint64_t const u64ProbeEnd = probe.size() - kEndRecordBytes;  // grows byte for byte with the stored member

    struct Planted {
        std::uint64_t u64Sector;
        Bytes bytes;
        std::uint64_t u64Expected;
    };
    std::vector<Planted> files;
    std::uint64_t u64Sector = 64;
    // Its end record starts three, two or one bytes before a block's end, or right on it.
    for (std::uint64_t const u64Before : {3u, 2u, 1u, 0u}) {
        std::uint64_t const u64Want = (kBlockBytes - u64Before) % kSector;
        Bytes zip =
            DamagedZip(dir, static_cast<std::uint32_t>(3000 + (u64Want + kSector - u64ProbeEnd % kSector) % kSector));
        ASSERT_EQ((zip.size() - kEndRecordBytes) % kSector, u64Want);
        std::uint64_t const u64EndRecord = zip.size() - kEndRecordBytes;
        // A start whose end record lands on the wanted place in a block of 8 sectors.
        while ((u64Sector * kSector + u64EndRecord) % kBlockBytes != (kBlockBytes - u64Before) % kBlockBytes)
            ++u64Sector;
        std::uint64_t const u64Size = zip.size();
        files.push_back({u64Sector, std::move(zip), u64Size});
        u64Sector += 64;
    }
    // Cut before its directory, in random bytes: it runs to the device's end.
    Bytes cut = probe;
    cut.resize(probe.size() / 2);
    files.push_back({kDeviceSectors - 20, std::move(cut), 20 * kSector});

    CPlantedDevice device(kDeviceSectors, kSector, true);
    for (Planted const& file : files) device.Plant(file.u64Sector * kSector, file.bytes);
    for (Planted const& file : files)
        ASSERT_EQ(SizeOnTheDevice(file.u64Sector, device), file.u64Expected) << file.u64Sector;

    for (std::uint32_t const u32SectorsPerBlock : {1u, 8u, 8192u}) {
        SearchRun run;
        RunSearch(run, device, u32SectorsPerBlock);
        std::vector<std::tuple<std::uint64_t, long long>> const filed = FiledFiles(run.builder);
        for (Planted const& file : files)
            EXPECT_NE(std::find(filed.begin(), filed.end(),
                                std::make_tuple(file.u64Sector, static_cast<long long>(file.u64Expected))),
                      filed.end())
                << "the ZIP at sector " << file.u64Sector << " with blocks of " << u32SectorsPerBlock << " sectors";
    }
}

}  // namespace
}  // namespace carvetest
