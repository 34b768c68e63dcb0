#pragma once
// FAT16 images made with the real tools (mkfs.fat, then mcopy to write files), and each file's
// runs read back from the image's own boot sector, root folder and allocation table, so that
// copy-out can be checked against what the tools wrote.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/IDataRunList.h"

namespace testsupport {

struct FatFileLayout {
    std::vector<DataRun> runs;  // clusters counted from the first data sector (cluster 2 is 0)
    long long s64Size = 0;
};

class FatImage {
public:
    /// Empty when the tools are missing: the reason to skip.
    static std::string MissingPrerequisite();
    /// Formats `imagePath` (`u64Bytes` long) as FAT16 and copies each host file to the root
    /// folder under its 8.3 name; false (with `error` set) when a step fails.
    static bool Build(std::string const& imagePath, std::uint64_t u64Bytes,
                      std::vector<std::pair<std::string, std::string>> const& filesByName, std::string& error);

    explicit FatImage(std::string imagePath) : m_imagePath(std::move(imagePath)) {}

    std::uint32_t SectorsPerCluster() const { return m_u32SectorsPerCluster; }
    long long FirstDataSector() const { return m_s64FirstDataSector; }
    /// Reads the boot sector; false when it is not a FAT16 boot sector.
    bool Load();
    /// The runs of the root-folder file with this 8.3 name ("BIG.BIN"), from its cluster chain.
    std::optional<FatFileLayout> Layout(std::string const& name) const;

private:
    std::string m_imagePath;
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_u32BytesPerSector = 0;
    std::uint32_t m_u32SectorsPerCluster = 0;
    std::uint64_t m_u64FatOffset = 0;
    std::uint64_t m_u64RootOffset = 0;
    std::uint32_t m_u32RootEntries = 0;
    long long m_s64FirstDataSector = 0;
};

}  // namespace testsupport
