// Quick scans of real HFS+ volumes against 7-Zip's reading of the same bytes: every file and
// resource fork 7zz extracts is listed at its path below the volume's root folder and copied
// out hash-equal, and nothing else is listed as a file. A link is compared by its target text.
//   - the macOS-made volume of the shared fixtures (journaled, 4 KiB blocks, a symbolic link, a
//     resource fork, extended attributes), on 512- and 4096-byte sectors; read in place;
//   - the same volume with one file patched into ten reversed blocks, two of them in a new
//     extents overflow leaf; and made an HFSX volume (signature "HX", binary name order);
//   - the same volume with its one file that has an extended attribute made compressed, once
//     per decmpfs type (zlib in the attribute, LZVN in the attribute and in the resource fork;
//     7zz refuses raw type 1 and the test's minimal zlib resource header), and the LZVN resource
//     fork in ten extents, two of them in an overflow record keyed as a resource fork;
//   - xorriso's HFS+ volumes (2 KiB blocks, a catalog two levels deep over a 300-file folder,
//     long and non-ASCII names, no attributes file) built at test time, as the Apple partition
//     of its hybrid image and inside a sparse GPT disk (EFI at 40, HFS+ at 409640), each found
//     through the disk's partition table.
// Rows skip with the reason when the fixture, 7zz, xorriso or sgdisk is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine/hfsplus/HfsPlusVolumeAnalyze.h"
#include "support/DecmpfsMaker.h"
#include "support/HfsPlusScan.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using hfsplustest::VolumeScan;

enum class Source { MacVolume, MacVolumeFragmented, MacVolumeAsHfsx, MacVolumeCompressed, XorrisoApm, XorrisoGpt };

struct RecoverCase {
    char const* pszName;
    Source source;
    int iSectorSize;
    std::uint32_t u32DecmpfsType = 0;  // MacVolumeCompressed: the type "a_file" is made
    bool bFragmentFork = false;        // MacVolumeCompressed: its resource fork in ten extents
};

constexpr long long kGptHfsStart = 409640;
constexpr long long kGptHfsSectors = 0x800001;  // GPT tools list nothing smaller

void WriteFile(fs::path const& path, std::string const& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

/// Photos-sized data, a folder of 300 files (a catalog with an index level), long and
/// non-ASCII names.
void WriteSources(fs::path const& root) {
    std::string data(300000, '\0');
    std::uint32_t u32State = 12345;
    for (char& c : data) c = static_cast<char>((u32State = u32State * 1103515245u + 12345u) >> 24);
    WriteFile(root / "photos" / "holiday.raw", data);
    for (int i = 1; i <= 300; ++i)
        WriteFile(root / "many" / ("file" + std::to_string(i) + ".txt"), "file " + std::to_string(i));
    WriteFile(root / (std::string(200, 'n') + ".txt"), "long name");
    WriteFile(root / "\u00fcn\u00efc\u00f8d\u00e9" / "na\u00efve caf\u00e9 \u65e5\u672c.txt", "non-ASCII");
}

class HfsPlusRecoverTest : public testing::TestWithParam<RecoverCase> {
protected:
    /// Builds the row's image and scan; a reason to skip when a tool or the fixture is missing.
    std::string Prepare() {
        if (!testsupport::HaveTool("7zz")) return "7zz (package 7zip) is missing";
        bool const bXorriso = GetParam().source == Source::XorrisoApm || GetParam().source == Source::XorrisoGpt;
        return bXorriso ? PrepareXorriso() : PrepareMac();
    }

    /// The fixture, patched as the row asks, read in memory.
    std::string PrepareMac() {
        RecoverCase const& row = GetParam();
        std::vector<std::uint8_t> bytes = hfsplustest::LoadMacImage();
        if (bytes.empty()) return "no " + hfsplustest::MacImagePath();
        m_u64ExpectedSectors = bytes.size() / static_cast<std::size_t>(row.iSectorSize);
        std::string image = hfsplustest::MacImagePath();
        if (row.source == Source::MacVolumeAsHfsx) hfsplustest::MakeHfsx(bytes);
        if (row.source == Source::MacVolumeFragmented && !hfsplustest::FragmentFile(bytes, u"another_file"))
            return "the fixture is not the one expected";
        if (row.source == Source::MacVolumeCompressed) {
            // Resource kinds get four 64 KiB blocks and a short one (a ten-extent fork more);
            // attribute kinds fit a node.
            bool const bResource = row.u32DecmpfsType == 4 || row.u32DecmpfsType == 8;
            std::size_t const size = row.bFragmentFork ? 24 * 0x10000 + 999 : bResource ? 4 * 0x10000 + 999 : 3000;
            std::vector<std::uint8_t> const data = hfsplustest::TextLike(size);
            if (row.bFragmentFork) {
                // 7zz reports a data error for the fragmented resource fork: it reads the same
                // files from the volume whose fork is still in one extent.
                std::vector<std::uint8_t> contiguous = bytes;
                if (!hfsplustest::CompressFile(contiguous, row.u32DecmpfsType, data))
                    return "the fixture is not the one expected";
                hfsplustest::WriteImage(m_dir.File("contiguous.raw"), contiguous);
                m_expected = hfsplustest::SevenZipFiles(m_dir.File("contiguous.raw"), "", m_dir.File("oracle"));
            }
            if (!hfsplustest::CompressFile(bytes, row.u32DecmpfsType, data, row.bFragmentFork))
                return "the fixture is not the one expected";
        }
        if (row.source != Source::MacVolume) {
            image = m_dir.File("patched.raw");
            hfsplustest::WriteImage(image, bytes);
        }
        if (!row.bFragmentFork) m_expected = hfsplustest::SevenZipFiles(image, "", m_dir.File("oracle"));
        m_pScan = std::make_unique<VolumeScan>(std::move(bytes), row.iSectorSize);
        return {};
    }

    /// xorriso's hybrid image of the sources, or that volume copied into a GPT disk, read as a
    /// disk whose partition table leads to the volume.
    std::string PrepareXorriso() {
        RecoverCase const& row = GetParam();
        if (!testsupport::HaveTool("xorriso")) return "xorriso is missing";
        WriteSources(m_dir.File("src"));
        std::string const hybrid = m_dir.File("hybrid.iso");
        if (testsupport::RunCommand("xorriso -as mkisofs -hfsplus -o '" + hybrid + "' '" + m_dir.File("src") +
                                    "' >/dev/null 2>&1") != 0)
            return "xorriso failed";
        m_expected = hfsplustest::SevenZipFiles(hybrid, "-thfs", m_dir.File("oracle"));
        std::string disk = hybrid;
        if (row.source == Source::XorrisoGpt) {
            if (!testsupport::HaveTool("sgdisk")) return "sgdisk (package gdisk) is missing";
            disk = m_dir.File("gpt.img");
            std::string const volume = m_dir.File("volume.img");
            std::unique_ptr<IStorageDevice> pHybrid(CreateDiskDevice(hybrid.c_str()));
            std::optional<PartitionEntry> const apm =
                pHybrid && pHybrid->Open() ? hfsplustest::FindHfsPartition(*pHybrid) : std::nullopt;
            if (!apm) return "no HFS+ partition in xorriso's image";
            std::string const commands =
                "dd if='" + hybrid + "' of='" + volume + "' bs=512 skip=" + std::to_string(apm->u64StartSector) +
                " status=none" + " && truncate -s " + std::to_string((kGptHfsStart + kGptHfsSectors + 2048) * 512) +
                " '" + disk + "'" + " && sgdisk -a 8 -n 1:40:409639 -t 1:EF00 -n 2:" + std::to_string(kGptHfsStart) +
                ":+" + std::to_string(kGptHfsSectors) + " -t 2:AF00 '" + disk + "' >/dev/null" + " && dd if='" +
                volume + "' of='" + disk + "' bs=512 seek=" + std::to_string(kGptHfsStart) +
                " conv=notrunc status=none";
            if (testsupport::RunCommand(commands) != 0) return "the GPT disk could not be made";
        }
        std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(disk.c_str()));
        if (!pDisk || pDisk->Open() == 0) return "cannot open " + disk;
        std::optional<PartitionEntry> const entry = hfsplustest::FindHfsPartition(*pDisk);
        if (!entry) {
            m_failure = "the partition table lists no HFS+ volume";
            return {};
        }
        if (row.source == Source::XorrisoGpt) {
            EXPECT_EQ(entry->u64StartSector, static_cast<std::uint64_t>(kGptHfsStart));
        }
        m_pScan = std::make_unique<VolumeScan>(std::move(pDisk), static_cast<long long>(entry->u64StartSector),
                                               static_cast<long long>(entry->u64SectorCount));
        return {};
    }

    testsupport::TempDir m_dir;
    std::map<std::string, std::string> m_expected;
    std::unique_ptr<VolumeScan> m_pScan;
    std::uint64_t m_u64ExpectedSectors = 0;  // 0: not known here
    std::string m_failure;
};

TEST_P(HfsPlusRecoverTest, ListsAndRecoversEveryFileSevenZipExtracts) {
    std::string const skip = Prepare();
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_TRUE(m_failure.empty()) << m_failure;
    ASSERT_GE(m_expected.size(), 8u) << "7zz extracted too little";
    ASSERT_EQ(m_pScan->Result(), kResultSuccess);

    std::unique_ptr<IVolumeAnalyze> pAnalyser(CreateHFSPlusVolumeAnalyze(&m_pScan->Device(), 0));
    EXPECT_EQ(pAnalyser->GetFileSystemType(), static_cast<std::uint32_t>(FILE_SYSTEM_HFSPLUS));
    if (m_u64ExpectedSectors != 0) {
        EXPECT_EQ(pAnalyser->GetTotalSector(), m_u64ExpectedSectors);
    }

    for (auto const& [path, hash] : m_expected) {
        auto const found = m_pScan->Nodes().find(path);
        ASSERT_NE(found, m_pScan->Nodes().end()) << path << " is not listed";
        std::optional<std::vector<std::uint8_t>> const data = m_pScan->ReadFile(found->second);
        ASSERT_TRUE(data) << path << " cannot be copied out";
        EXPECT_EQ(testsupport::Sha256Hex(*data), hash) << path;
    }
    for (auto const& [path, pNode] : m_pScan->Nodes()) {
        if (pNode->IsDirectory() != 0) continue;
        EXPECT_TRUE(m_expected.count(path)) << path << " is listed but 7zz has no such file";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, HfsPlusRecoverTest,
    testing::Values(RecoverCase{"MacVolumeSectors512", Source::MacVolume, 512},
                    RecoverCase{"MacVolumeSectors4096", Source::MacVolume, 4096},
                    RecoverCase{"MacVolumeWithOverflowExtents", Source::MacVolumeFragmented, 4096},
                    RecoverCase{"MacVolumeAsHfsx", Source::MacVolumeAsHfsx, 512},
                    RecoverCase{"MacVolumeZlibInAttribute", Source::MacVolumeCompressed, 512, 3},
                    RecoverCase{"MacVolumeLzvnInAttribute", Source::MacVolumeCompressed, 512, 7},
                    RecoverCase{"MacVolumeLzvnInResourceFork", Source::MacVolumeCompressed, 4096, 8},
                    RecoverCase{"MacVolumeLzvnInResourceForkOfTenExtents", Source::MacVolumeCompressed, 512, 8, true},
                    RecoverCase{"XorrisoApplePartition", Source::XorrisoApm, 512},
                    RecoverCase{"XorrisoInSparseGptDisk", Source::XorrisoGpt, 512}),
    [](testing::TestParamInfo<RecoverCase> const& row) { return std::string(row.param.pszName); });

}  // namespace
