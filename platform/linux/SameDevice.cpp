// Same-device test over sysfs: every block device is a folder of sys/class/block holding "dev"
// ("major:minor"), its partitions as sub-folders with a "partition" file, the devices it is
// built on under "slaves/", and for a loop device the file it serves in "loop/backing_file".
#include "platform/SameDevice.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace platform {

namespace {

namespace fs = std::filesystem;

// Stacks of device-mapper and RAID devices are a few levels deep; a crafted or corrupt tree
// must not keep the walk going.
constexpr std::size_t kMaxDevicesVisited = 4096;

std::uint32_t MakeDeviceId(unsigned int uMajor, unsigned int uMinor) { return (uMajor << 24) | (uMinor & 0xFFFFFFu); }

std::optional<std::string> ReadLine(fs::path const& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

/// "8:17" from a "dev" file.
std::optional<std::uint32_t> ReadDeviceId(fs::path const& folder) {
    auto line = ReadLine(folder / "dev");
    if (!line) return std::nullopt;
    unsigned int uMajor = 0;
    unsigned int uMinor = 0;
    char const* pEnd = line->data() + line->size();
    auto [pColon, ec] = std::from_chars(line->data(), pEnd, uMajor);
    if (ec != std::errc() || pColon == pEnd || *pColon != ':') return std::nullopt;
    auto [pRest, ec2] = std::from_chars(pColon + 1, pEnd, uMinor);
    if (ec2 != std::errc()) return std::nullopt;
    return MakeDeviceId(uMajor, uMinor);
}

/// The block devices of one sysfs tree, by name and by number.
class BlockDevices {
public:
    explicit BlockDevices(std::string const& root) : m_classBlock(fs::path(root) / "sys/class/block") {
        std::error_code ec;
        for (auto const& entry : fs::directory_iterator(m_classBlock, ec)) {
            auto id = ReadDeviceId(entry.path());
            if (!id) continue;
            std::string name = entry.path().filename().string();
            // The record form keeps 8 bits of the major: 259:0 (NVMe, partx) reads as 3:0.
            if (!m_byId.emplace(*id, name).second) m_bAmbiguous = true;
        }
    }

    /// Whether two devices share one number in the record form, so that a number no longer
    /// names one device and no answer about them can be trusted.
    bool HasAmbiguousIds() const { return m_bAmbiguous; }

    std::optional<std::string> NameOf(std::uint32_t u32Id) const {
        auto it = m_byId.find(u32Id);
        if (it == m_byId.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::uint32_t> IdOf(std::string const& name) const { return ReadDeviceId(m_classBlock / name); }

    /// The device and its partitions (sub-folders that carry a "partition" file).
    std::set<std::uint32_t> WithPartitions(std::uint32_t u32Id) const {
        std::set<std::uint32_t> ids{u32Id};
        auto name = NameOf(u32Id);
        if (!name) return ids;
        std::error_code ec;
        for (auto const& entry : fs::directory_iterator(m_classBlock / *name, ec)) {
            if (!fs::exists(entry.path() / "partition", ec)) continue;
            if (auto id = ReadDeviceId(entry.path())) ids.insert(*id);
        }
        return ids;
    }

    /// The devices `u32Id` is built on, one level down.
    std::vector<std::uint32_t> Slaves(std::uint32_t u32Id) const {
        std::vector<std::uint32_t> slaves;
        auto name = NameOf(u32Id);
        if (!name) return slaves;
        std::error_code ec;
        for (auto const& entry : fs::directory_iterator(m_classBlock / *name / "slaves", ec)) {
            if (auto id = IdOf(entry.path().filename().string())) slaves.push_back(*id);
        }
        return slaves;
    }

    /// The file a loop device, or the loop device a partition belongs to, serves.
    std::optional<fs::path> BackingFile(std::uint32_t u32Id) const {
        auto name = NameOf(u32Id);
        if (!name) return std::nullopt;
        fs::path const folder = m_classBlock / *name;
        if (auto backing = ReadLine(folder / "loop/backing_file")) return fs::path(*backing);
        std::error_code ec;
        if (!fs::exists(folder / "partition", ec)) return std::nullopt;
        // A partition's folder lies inside its disk's.
        fs::path const disk = fs::canonical(folder, ec).parent_path();
        if (ec) return std::nullopt;
        if (auto backing = ReadLine(disk / "loop/backing_file")) return fs::path(*backing);
        return std::nullopt;
    }

    /// The loop devices whose backing file is `file`.
    std::vector<std::uint32_t> LoopsServing(fs::path const& file) const {
        std::vector<std::uint32_t> loops;
        for (auto const& [u32Id, name] : m_byId) {
            auto backing = ReadLine(m_classBlock / name / "loop/backing_file");
            if (backing && fs::path(*backing) == file) loops.push_back(u32Id);
        }
        return loops;
    }

private:
    fs::path m_classBlock;
    std::map<std::uint32_t, std::string> m_byId;
    bool m_bAmbiguous = false;
};

/// The block device behind a file system whose st_dev is anonymous (btrfs, for one): the
/// mount source of its mountinfo line, when that is a device node known to sysfs.
std::optional<std::uint32_t> MountSourceDevice(BlockDevices const& devices, std::string const& root,
                                               std::uint32_t u32FsId) {
    std::ifstream in(fs::path(root) / "proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // "36 35 0:45 / /home rw,relatime shared:1 - btrfs /dev/sda2 rw,..."
        std::istringstream fields(line);
        std::string mountId, parentId, majorMinor;
        fields >> mountId >> parentId >> majorMinor;
        auto const colon = majorMinor.find(':');
        if (colon == std::string::npos) continue;
        unsigned int uMajor = 0;
        unsigned int uMinor = 0;
        if (std::from_chars(majorMinor.data(), majorMinor.data() + colon, uMajor).ec != std::errc() ||
            std::from_chars(majorMinor.data() + colon + 1, majorMinor.data() + majorMinor.size(), uMinor).ec !=
                std::errc() ||
            MakeDeviceId(uMajor, uMinor) != u32FsId)
            continue;
        auto const separator = line.find(" - ");
        if (separator == std::string::npos) continue;
        std::istringstream tail(line.substr(separator + 3));
        std::string fsType, source;
        tail >> fsType >> source;
        if (source.rfind("/dev/", 0) != 0) continue;
        // /dev/mapper names are links to the dm-N node that sysfs knows.
        std::error_code ec;
        fs::path resolved = fs::canonical(fs::path(root) / source.substr(1), ec);
        std::string const name = ec ? fs::path(source).filename().string() : resolved.filename().string();
        if (auto id = devices.IdOf(name)) return id;
    }
    return std::nullopt;
}

/// The block device a file's file system lies on: its st_dev, or for an anonymous st_dev the
/// mount source. Nothing for a file on no block device, or one that cannot be examined.
std::optional<std::uint32_t> FileSystemDevice(BlockDevices const& devices, std::string const& root,
                                              fs::path const& file) {
    struct stat fileStat {};
    if (::stat(file.c_str(), &fileStat) != 0) return std::nullopt;
    std::uint32_t const u32Id = DeviceIdFromStDev(fileStat.st_dev);
    if (devices.NameOf(u32Id)) return u32Id;
    return MountSourceDevice(devices, root, u32Id);
}

/// Whether `u32Inner` is `u32Outer` or one of its partitions, or is built on one: through
/// slaves/, and for a loop device through the file system that holds its backing file, which
/// a write to the loop device writes to as well.
bool IsOn(BlockDevices const& devices, std::string const& root, std::uint32_t u32Inner, std::uint32_t u32Outer) {
    std::set<std::uint32_t> const targets = devices.WithPartitions(u32Outer);
    std::set<std::uint32_t> visited;
    std::vector<std::uint32_t> pending{u32Inner};
    while (!pending.empty() && visited.size() < kMaxDevicesVisited) {
        std::uint32_t const u32Id = pending.back();
        pending.pop_back();
        if (!visited.insert(u32Id).second) continue;
        if (targets.count(u32Id) != 0) return true;
        for (std::uint32_t u32Slave : devices.Slaves(u32Id)) pending.push_back(u32Slave);
        if (auto backing = devices.BackingFile(u32Id)) {
            if (auto holder = FileSystemDevice(devices, root, *backing)) pending.push_back(*holder);
        }
    }
    return false;
}

}  // namespace

std::uint32_t DeviceIdFromStDev(dev_t dev) { return MakeDeviceId(major(dev), minor(dev)); }

bool IsBlockDeviceOn(std::uint32_t u32Inner, std::uint32_t u32Outer, std::string const& root) {
    BlockDevices const devices(root);
    return devices.HasAmbiguousIds() || IsOn(devices, root, u32Inner, u32Outer);
}

std::optional<bool> IsFolderOnDevice(std::string const& folder, std::string const& devicePath,
                                     std::string const& root) {
    struct stat folderStat {};
    struct stat deviceStat {};
    if (::stat(folder.c_str(), &folderStat) != 0 || ::stat(devicePath.c_str(), &deviceStat) != 0) return std::nullopt;

    BlockDevices const devices(root);
    if (devices.HasAmbiguousIds()) return std::nullopt;
    auto const folderDevice = FileSystemDevice(devices, root, folder);
    if (!folderDevice) return false;  // tmpfs, proc and the like: on no block device at all
    std::uint32_t const u32Folder = *folderDevice;

    if (S_ISBLK(deviceStat.st_mode)) return IsOn(devices, root, u32Folder, DeviceIdFromStDev(deviceStat.st_rdev));
    if (!S_ISREG(deviceStat.st_mode)) return std::nullopt;
    std::error_code ec;
    fs::path const image = fs::canonical(devicePath, ec);
    if (ec) return std::nullopt;
    for (std::uint32_t u32Loop : devices.LoopsServing(image)) {
        if (IsOn(devices, root, u32Folder, u32Loop)) return true;
    }
    return false;
}

bool IsFileTheDevice(std::string const& file, std::string const& devicePath, std::string const& root) {
    struct stat fileStat {};
    struct stat deviceStat {};
    if (::stat(file.c_str(), &fileStat) != 0 || ::stat(devicePath.c_str(), &deviceStat) != 0) return false;
    auto const isFile = [&fileStat](struct stat const& other) {
        if (S_ISBLK(fileStat.st_mode) && S_ISBLK(other.st_mode)) return fileStat.st_rdev == other.st_rdev;
        return fileStat.st_dev == other.st_dev && fileStat.st_ino == other.st_ino;
    };
    if (isFile(deviceStat)) return true;
    if (!S_ISBLK(deviceStat.st_mode)) return false;
    std::optional<fs::path> const backing = BlockDevices(root).BackingFile(DeviceIdFromStDev(deviceStat.st_rdev));
    struct stat backingStat {};
    return backing && ::stat(backing->c_str(), &backingStat) == 0 && isFile(backingStat);
}

}  // namespace platform
