// exfat_quick_scan [folders] [files-per-folder] [keep-path]: the exFAT quick search over an image
// of 100 x 200 files by default (20,000), written to a temporary file (or kept at keep-path, for
// the complete scan's measurements) in the layout exfat-fuse
// gives a freshly written volume (one-piece folders and files, a root with a FAT chain), read
// back through the volume device and handed to a real tree builder. Prints files per second.
#include <algorithm>
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
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/exfat/ExFatQuickSearch.h"
#include "engine/exfat/ondisk/ExFatDirEntry.h"
#include "testkit/ProgressSink.h"

namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kClusterBytes = 4096;
constexpr std::uint32_t kFatStart = 128;
constexpr std::uint32_t kRootCluster = 2;
constexpr std::uint32_t kTimestamp = (44u << 25) | (6u << 21) | (15u << 16) | (10u << 11);

class ImageWriter {
public:
    ImageWriter(std::uint32_t u32Clusters, std::uint32_t u32FatSectors)
        : m_u32HeapStart(kFatStart + u32FatSectors), m_fat(u32FatSectors * kSector, 0), m_u32Clusters(u32Clusters) {}

    std::uint64_t ClusterOffset(std::uint32_t u32Cluster) const {
        return (m_u32HeapStart + std::uint64_t{u32Cluster - 2} * (kClusterBytes / kSector)) * kSector;
    }
    void SetFat(std::uint32_t u32Cluster, std::uint32_t u32Next) { Put(m_fat, 4 * u32Cluster, u32Next, 4); }
    /// Appends one file or folder set to `folder`.
    static void AddSet(std::vector<std::uint8_t>& folder, std::string const& name, std::uint32_t u32First,
                       std::uint64_t u64Size, bool bFolder) {
        std::size_t const at = folder.size();
        folder.resize(at + 96, 0);
        folder[at] = 0x85;
        folder[at + 1] = 2;
        Put(folder, at + 4, bFolder ? 0x10 : 0x20, 2);
        for (std::size_t t = 8; t <= 16; t += 4) Put(folder, at + t, kTimestamp, 4);
        folder[at + 32] = 0xC0;
        folder[at + 33] = 3;  // allocation possible, no FAT chain
        folder[at + 35] = static_cast<std::uint8_t>(name.size());
        Put(folder, at + 40, u64Size, 8);
        Put(folder, at + 52, u32First, 4);
        Put(folder, at + 56, u64Size, 8);
        folder[at + 64] = 0xC1;
        for (std::size_t c = 0; c < name.size() && c < 15; ++c)
            folder[at + 66 + 2 * c] = static_cast<std::uint8_t>(name[c]);
        Put(folder, at + 2, exfat::EntrySetChecksum(engine::ByteView(folder.data() + at, 96)), 2);
    }
    bool Write(std::string const& path,
               std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> const& clusters) {
        std::vector<std::uint8_t> boot(kSector, 0);
        std::copy_n(
            "\xEB\x76\x90"
            "EXFAT   ",
            11, boot.begin());
        std::uint64_t const u64Length = m_u32HeapStart + std::uint64_t{m_u32Clusters} * (kClusterBytes / kSector);
        Put(boot, 72, u64Length, 8);
        Put(boot, 80, kFatStart, 4);
        Put(boot, 84, m_fat.size() / kSector, 4);
        Put(boot, 88, m_u32HeapStart, 4);
        Put(boot, 92, m_u32Clusters, 4);
        Put(boot, 96, kRootCluster, 4);
        boot[108] = 9;
        boot[109] = 3;
        boot[110] = 1;
        Put(boot, 510, 0xAA55, 2);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<char const*>(boot.data()), static_cast<std::streamsize>(boot.size()));
        out.seekp(kFatStart * kSector);
        out.write(reinterpret_cast<char const*>(m_fat.data()), static_cast<std::streamsize>(m_fat.size()));
        for (auto const& [u32Cluster, bytes] : clusters) {
            out.seekp(static_cast<std::streamoff>(ClusterOffset(u32Cluster)));
            out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        out.seekp(static_cast<std::streamoff>(u64Length * kSector - 1));
        out.put('\0');
        return static_cast<bool>(out);
    }

private:
    static void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::uint32_t m_u32HeapStart;
    std::vector<std::uint8_t> m_fat;
    std::uint32_t m_u32Clusters;
};

std::uint32_t CountClusters(std::uint64_t u64Bytes) {
    return static_cast<std::uint32_t>((u64Bytes + kClusterBytes - 1) / kClusterBytes);
}

}  // namespace

int main(int argc, char** argv) {
    std::uint32_t const u32Folders = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 100;
    std::uint32_t const u32PerFolder = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 200;
    std::uint32_t const u32FolderClusters = CountClusters(std::uint64_t{u32PerFolder} * 96);
    std::uint32_t const u32RootClusters = CountClusters(std::uint64_t{u32Folders} * 96);
    std::uint32_t const u32Clusters = u32RootClusters + u32Folders * (u32FolderClusters + u32PerFolder) + 16;
    std::uint32_t const u32FatSectors = (u32Clusters + 2) * 4 / kSector + 1;
    ImageWriter writer(u32Clusters, u32FatSectors);

    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> clusters;
    std::vector<std::uint8_t> root;
    std::uint32_t u32Next = kRootCluster + u32RootClusters;
    for (std::uint32_t c = 0; c < u32RootClusters; ++c)
        writer.SetFat(kRootCluster + c, c + 1 < u32RootClusters ? kRootCluster + c + 1 : 0xFFFFFFFF);
    for (std::uint32_t f = 0; f < u32Folders; ++f) {
        std::uint32_t const u32FolderCluster = u32Next;
        u32Next += u32FolderClusters;
        ImageWriter::AddSet(root, "folder" + std::to_string(f), u32FolderCluster,
                            std::uint64_t{u32FolderClusters} * kClusterBytes, true);
        std::vector<std::uint8_t> folder;
        for (std::uint32_t i = 0; i < u32PerFolder; ++i)
            ImageWriter::AddSet(folder, "file" + std::to_string(i) + ".bin", u32Next++, 1000, false);
        clusters.emplace_back(u32FolderCluster, std::move(folder));
    }
    clusters.emplace_back(kRootCluster, std::move(root));

    bool const bKeep = argc > 3;
    std::string const path =
        bKeep ? std::string(argv[3]) : (std::filesystem::temp_directory_path() / "exfat_quick_scan.img").string();
    if (!writer.Write(path, clusters)) {
        std::fprintf(stderr, "exfat_quick_scan: cannot write %s\n", path.c_str());
        return 1;
    }

    std::unique_ptr<IStorageDevice> pDevice(CreateVolumeDevice(path.c_str()));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "exfat_quick_scan: cannot open %s\n", path.c_str());
        return 1;
    }
    CQuickScanTree tree;
    testkit::ProgressSink progress;
    CExFatQuickSearch searcher;
    searcher.SetDirecotryTreeBuilder(tree.Builder());

    auto const start = std::chrono::steady_clock::now();
    searcher.QuickSearchFiles(pDevice.get(), &progress);
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::uint64_t const u64Entries = std::uint64_t{u32Folders} * (u32PerFolder + 1);
    std::printf("exfat_quick_scan: %llu entries, %llu shown, %.3f s, %.0f files/s\n",
                static_cast<unsigned long long>(u64Entries), static_cast<unsigned long long>(tree.ShownCount()),
                dSeconds, dSeconds > 0 ? static_cast<double>(u64Entries) / dSeconds : 0.0);
    tree.Release();
    if (!bKeep) std::filesystem::remove(path);
    return tree.ShownCount() >= u64Entries ? 0 : 1;
}
