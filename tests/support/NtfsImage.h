#pragma once
// NTFS images made with the real tools: mkntfs formats a sparse image file, ntfs-3g mounts it
// through FUSE so the test can write files as Windows would store them (compressed folders,
// sparse files), and ntfsinfo and ntfscat give the tools' own view of each file to compare with.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/IDataRunList.h"

namespace testsupport {

/// A file's unnamed data attribute as ntfsinfo reports it, runs from all the records holding it
/// in VCN order.
struct NtfsFileLayout {
    std::vector<DataRun> runs;  // clusters from the volume start; start -1 for a hole
    long long s64Size = 0;
    bool bResident = false;
    bool bCompressed = false;
    /// The base FILE record's first 512-byte sector; -1 when ntfsinfo cannot tell. Computed
    /// through the MFT's first run, which holds every record of a freshly made image.
    long long s64RecordSector = -1;
};

class NtfsImage {
public:
    /// Empty when the tools, FUSE or the rights to mount are missing: the reason to skip.
    static std::string MissingPrerequisite();

    /// Formats `imagePath` (`u64Bytes` long) and lets `populate` write files under the mounted
    /// root; false (with `error` set) when a step fails. Always unmounts.
    static bool Build(std::string const& imagePath, std::uint64_t u64Bytes,
                      std::function<bool(std::string const& root)> const& populate, std::string& error);

    explicit NtfsImage(std::string imagePath) : m_imagePath(std::move(imagePath)) {}

    std::string const& Path() const { return m_imagePath; }
    /// 0 when ntfsinfo cannot tell.
    std::uint32_t ClusterSize() const;
    /// The layout of the file at `path` (from the volume root, starting with '/').
    std::optional<NtfsFileLayout> Layout(std::string const& path) const;
    /// The file's bytes as ntfscat reads them.
    std::optional<std::vector<std::uint8_t>> Cat(std::string const& path) const;

private:
    std::string m_imagePath;
};

/// A command's standard output; nullopt when it cannot run or exits non-zero.
std::optional<std::string> CaptureCommand(std::string const& command);
/// The text inside single quotes, safe for a shell command line.
std::string ShellQuote(std::string const& text);

}  // namespace testsupport
