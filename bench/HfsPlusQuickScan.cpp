// hfsplus_quick_scan [folders] [files-per-folder]: the HFS+ quick search over an xorriso volume
// of 500 x 200 files by default (100,000), built once in the temporary folder (xorriso must be
// installed) and kept for later runs, read through a window of the image's disk device and
// handed to a real tree builder. Prints catalog records per second (each file and folder has
// a record and a thread record).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "QuickScanTree.h"
#include "engine/IStorageDevice.h"
#include "engine/hfsplus/HfsPlusQuickSearch.h"
#include "engine/hfsplus/ondisk/HfsPlusVolumeHeader.h"
#include "testkit/ProgressSink.h"

namespace {

namespace fs = std::filesystem;
constexpr std::uint64_t kSector = 512;

/// Builds the image from a tree of empty files unless it exists; false when xorriso fails.
bool BuildImage(fs::path const& image, std::uint32_t u32Folders, std::uint32_t u32PerFolder) {
    if (fs::exists(image)) return true;
    fs::path const source = image.string() + ".src";
    fs::remove_all(source);
    for (std::uint32_t f = 0; f < u32Folders; ++f) {
        fs::path const folder = source / ("folder" + std::to_string(f));
        fs::create_directories(folder);
        for (std::uint32_t i = 0; i < u32PerFolder; ++i) std::ofstream(folder / ("file" + std::to_string(i) + ".bin"));
    }
    std::string const command =
        "xorriso -as mkisofs -hfsplus -o '" + image.string() + "' '" + source.string() + "' >/dev/null 2>&1";
    bool const bBuilt = std::system(command.c_str()) == 0;
    fs::remove_all(source);
    return bBuilt;
}

/// The sector where the hybrid image's HFS+ volume starts: the first whose byte 1024 on holds
/// a valid volume header; -1 when none does.
long long FindVolumeStart(fs::path const& image) {
    std::ifstream in(image, std::ios::binary);
    std::vector<std::uint8_t> bytes(hfsplus::kVolumeHeaderSize);
    for (long long s64Sector = 0; in; ++s64Sector) {
        in.seekg(static_cast<std::streamoff>(s64Sector * kSector + hfsplus::kVolumeHeaderOffset));
        if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) break;
        if (hfsplus::IsValidVolumeHeader(bytes.data(), static_cast<std::uint16_t>(bytes.size()))) return s64Sector;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint32_t const u32Folders = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 500;
    std::uint32_t const u32PerFolder = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 200;
    fs::path const image = fs::temp_directory_path() / ("hfsplus_quick_scan-" + std::to_string(u32Folders) + "x" +
                                                        std::to_string(u32PerFolder) + ".iso");
    if (!BuildImage(image, u32Folders, u32PerFolder)) {
        std::fprintf(stderr, "hfsplus_quick_scan: xorriso could not build %s\n", image.c_str());
        return 1;
    }
    long long const s64Start = FindVolumeStart(image);
    std::unique_ptr<IStorageDevice> pDisk(CreateDiskDevice(image.c_str()));
    if (s64Start < 0 || !pDisk || !pDisk->Open()) {
        std::fprintf(stderr, "hfsplus_quick_scan: no HFS+ volume in %s\n", image.c_str());
        return 1;
    }
    std::unique_ptr<IStorageDevice> pVolume(
        CreatePartitionDevice(pDisk.get(), s64Start, pDisk->GetTotalSectors() - s64Start));

    CQuickScanTree tree;
    testkit::ProgressSink progress;
    CHFSPlusQuickFileSystemSearchController searcher;
    searcher.SetDirecotryTreeBuilder(tree.Builder());

    auto const start = std::chrono::steady_clock::now();
    RESULT const result = searcher.QuickSearchFiles(pVolume.get(), &progress);
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::uint64_t const u64Entries = std::uint64_t{u32Folders} * (u32PerFolder + 1);
    std::uint64_t const u64Records = 2 * (u64Entries + 1);
    std::printf("hfsplus_quick_scan: %llu catalog records, %llu shown, %.3f s, %.0f records/s\n",
                static_cast<unsigned long long>(u64Records), static_cast<unsigned long long>(tree.ShownCount()),
                dSeconds, dSeconds > 0 ? static_cast<double>(u64Records) / dSeconds : 0.0);
    tree.Release();
    return Succeeded(result) && tree.ShownCount() >= u64Entries ? 0 : 1;
}
