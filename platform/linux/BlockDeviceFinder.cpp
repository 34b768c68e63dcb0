// Block devices from sysfs. Every block device is a folder of sys/class/block holding:
//   dev        "major:minor"
//   size       length in 512-byte units, whatever the logical sector size
//   ro         "1" when read-only
//   partition  partition number (partitions only; whole disks have no such file)
//   start      partition start in 512-byte units (partitions only)
//   queue/logical_block_size, device/model, device/type (5: optical), loop/backing_file
// A disk's partitions are sub-folders of its folder.
#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "platform/BlockDeviceFinder.h"
#include "platform/SameDevice.h"
#include "platform/linux/BlockProbe.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSysfsUnit = 512;
constexpr std::size_t kMaxAttributeBytes = 4096;
// A machine has at most a few thousand block devices; a fixture or a strange sysfs with more
// is cut off.
constexpr std::size_t kMaxEntries = 65536;
constexpr std::uint32_t kWholeMedium = 0xFFFFFFFFu;  // the partition number of a whole medium

/// The first line of a sysfs attribute, trimmed; null when missing or unreasonably long.
std::optional<std::string> ReadAttribute(fs::path const& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::string text(kMaxAttributeBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxAttributeBytes) return std::nullopt;
    text = text.substr(0, text.find('\n'));
    auto const first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::uint64_t> ReadNumber(fs::path const& path) {
    auto text = ReadAttribute(path);
    if (!text) return std::nullopt;
    std::uint64_t u64Value = 0;
    auto [pEnd, ec] = std::from_chars(text->data(), text->data() + text->size(), u64Value);
    if (ec != std::errc() || pEnd != text->data() + text->size()) return std::nullopt;
    return u64Value;
}

std::optional<std::uint32_t> ReadDeviceNumber(fs::path const& folder) {
    auto text = ReadAttribute(folder / "dev");
    if (!text) return std::nullopt;
    unsigned int uMajor = 0;
    unsigned int uMinor = 0;
    char const* pEnd = text->data() + text->size();
    auto [pColon, ec] = std::from_chars(text->data(), pEnd, uMajor);
    if (ec != std::errc() || pColon == pEnd || *pColon != ':') return std::nullopt;
    auto [pRest, ec2] = std::from_chars(pColon + 1, pEnd, uMinor);
    if (ec2 != std::errc() || pRest != pEnd) return std::nullopt;
    return DeviceIdFromStDev(makedev(uMajor, uMinor));
}

/// Sectors from a count of 512-byte units; null when it overflows.
std::optional<std::uint64_t> ToSectors(std::uint64_t u64Units, std::uint32_t u32SectorSize) {
    std::uint64_t u64Bytes = 0;
    if (__builtin_mul_overflow(u64Units, kSysfsUnit, &u64Bytes)) return std::nullopt;
    return u64Bytes / u32SectorSize;
}

std::uint32_t BusFromSysfsPath(fs::path const& folder, std::string const& name) {
    if (name.rfind("loop", 0) == 0) return 5;
    std::error_code ec;
    std::string const resolved = fs::canonical(folder, ec).string();
    if (ec) return 0;
    if (resolved.find("/usb") != std::string::npos) return 4;
    if (resolved.find("/ata") != std::string::npos) return 1;
    return 0;
}

class CSysfsBlockDeviceFinder final : public IBlockDeviceFinder {
public:
    explicit CSysfsBlockDeviceFinder(std::string root)
        : m_root(std::move(root)), m_classBlock(fs::path(m_root) / "sys/class/block") {
        for (auto const& [u32Id, path] : ReadMountPaths((fs::path(m_root) / "proc/self/mountinfo").string()))
            m_mountPaths.emplace(u32Id, path);
    }

    /// Describes and probes every disk afresh, and keeps what it found for VolumesOf.
    std::vector<BlockMedium> WholeDisks() override {
        m_described.clear();
        std::vector<BlockMedium> disks;
        for (std::string const& name : Names(m_classBlock)) {
            if (DescribedDisk const* pDisk = Described(name)) disks.push_back(pDisk->medium);
        }
        return disks;
    }

    std::vector<BlockMedium> VolumesOf(std::string const& diskName) override {
        std::vector<BlockMedium> volumes;
        DescribedDisk const* pDescribed = Described(diskName);
        if (!pDescribed) return volumes;
        BlockMedium const& disk = pDescribed->medium;
        if (disk.u32Scheme == 0) {
            volumes.push_back(disk);
            AddVolumeFacts(volumes.back(), pDescribed->probed);
            return volumes;
        }
        fs::path const diskFolder = m_classBlock / diskName;
        for (std::string const& name : Names(diskFolder)) {
            auto volume = DescribePartition(disk, diskFolder / name, name);
            if (volume) volumes.push_back(std::move(*volume));
        }
        return volumes;
    }

private:
    bool IsRealRoot() const { return fs::path(m_root) == fs::path("/"); }

    std::string DevicePath(std::string const& name) const { return (fs::path(m_root) / "dev" / name).string(); }

    /// Folder entries by name, sorted, at most kMaxEntries.
    static std::vector<std::string> Names(fs::path const& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end && names.size() < kMaxEntries;
             it.increment(ec))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    /// A disk as described and probed once; null when the name is no usable whole disk.
    struct DescribedDisk {
        BlockMedium medium;
        ProbedFacts probed;  // of the whole disk: its table, or its file system when it has none
    };

    /// The disk's description, made on first use and kept until the next WholeDisks: every
    /// open of a disk node can wake a sleeping disk.
    DescribedDisk const* Described(std::string const& name) {
        auto it = m_described.find(name);
        if (it == m_described.end()) it = m_described.emplace(name, DescribeDisk(name)).first;
        return it->second ? &*it->second : nullptr;
    }

    std::optional<DescribedDisk> DescribeDisk(std::string const& name) const {
        fs::path const folder = m_classBlock / name;
        std::error_code ec;
        if (name.empty() || name.find('/') != std::string::npos || fs::exists(folder / "partition", ec))
            return std::nullopt;
        if (name.rfind("sr", 0) == 0 || ReadAttribute(folder / "device/type") == std::optional<std::string>("5"))
            return std::nullopt;
        auto u64Units = ReadNumber(folder / "size");
        auto u32Id = ReadDeviceNumber(folder);
        if (!u64Units || *u64Units == 0 || !u32Id) return std::nullopt;

        BlockMedium disk;
        disk.kernelName = name;
        disk.devicePath = DevicePath(name);
        auto u64BlockSize = ReadNumber(folder / "queue/logical_block_size");
        disk.u32SectorSize =
            u64BlockSize && *u64BlockSize >= 512 && *u64BlockSize <= 65536 && (*u64BlockSize & (*u64BlockSize - 1)) == 0
                ? static_cast<std::uint32_t>(*u64BlockSize)
                : 512;
        auto u64Sectors = ToSectors(*u64Units, disk.u32SectorSize);
        if (!u64Sectors || *u64Sectors == 0) return std::nullopt;
        disk.u64TotalSectors = *u64Sectors;
        disk.u32DeviceId = *u32Id;
        disk.bWritable = ReadAttribute(folder / "ro") == std::optional<std::string>("0");
        if (auto model = ReadAttribute(folder / "device/model"); model && !model->empty()) {
            disk.mediaName = *model;
        } else if (auto backing = ReadAttribute(folder / "loop/backing_file"); backing && !backing->empty()) {
            disk.mediaName = fs::path(*backing).filename().string();
        }
        disk.u32BusType = BusFromSysfsPath(folder, name);
        if (IsRealRoot()) {
            UdevFacts const udev = ReadUdevFacts(name);
            if (udev.bKnown && udev.u32BusType != 0) disk.u32BusType = udev.u32BusType;
        }
        ProbedFacts probed = ProbeWithBlkid(disk.devicePath, true);
        disk.u32Scheme = probed.u32Scheme;
        return DescribedDisk{std::move(disk), std::move(probed)};
    }

    std::optional<BlockMedium> DescribePartition(BlockMedium const& disk, fs::path const& folder,
                                                 std::string const& name) const {
        std::error_code ec;
        auto u64Number = ReadNumber(folder / "partition");
        if (!u64Number || *u64Number > 0xFFFFFFFEu) return std::nullopt;
        auto u64Units = ReadNumber(folder / "size");
        auto u64StartUnits = ReadNumber(folder / "start");
        auto u32Id = ReadDeviceNumber(folder);
        if (!u64Units || *u64Units == 0 || !u64StartUnits || !u32Id) return std::nullopt;
        auto u64Sectors = ToSectors(*u64Units, disk.u32SectorSize);
        auto u64Start = ToSectors(*u64StartUnits, disk.u32SectorSize);
        if (!u64Sectors || !u64Start || *u64Sectors == 0) return std::nullopt;

        BlockMedium volume;
        volume.kernelName = name;
        volume.devicePath = DevicePath(name);
        volume.mediaName = disk.mediaName;
        volume.u32SectorSize = disk.u32SectorSize;
        volume.u64TotalSectors = *u64Sectors;
        volume.u64StartSector = *u64Start;
        volume.u32PartitionNumber = static_cast<std::uint32_t>(*u64Number);
        volume.u32DeviceId = *u32Id;
        volume.bWritable = ReadAttribute(folder / "ro") == std::optional<std::string>("0");
        volume.u32BusType = disk.u32BusType;
        volume.u32Scheme = disk.u32Scheme;
        AddVolumeFacts(volume, ProbeWithBlkid(volume.devicePath, false));
        return volume;
    }

    /// Mount path, label and the partition entry's type and id (from `probed`, else udev).
    void AddVolumeFacts(BlockMedium& volume, ProbedFacts const& probed) const {
        bool const bWholeDisk = volume.u32PartitionNumber == kWholeMedium;
        if (auto it = m_mountPaths.find(volume.u32DeviceId); it != m_mountPaths.end()) volume.mountPath = it->second;
        volume.label = probed.label;
        std::string entryType = probed.partEntryType;
        std::string entryUuid = probed.partEntryUuid;
        if (IsRealRoot() && !bWholeDisk && (entryType.empty() || entryUuid.empty())) {
            UdevFacts const udev = ReadUdevFacts(volume.kernelName);
            if (entryType.empty()) entryType = udev.partEntryType;
            if (entryUuid.empty()) entryUuid = udev.partEntryUuid;
        }
        if (volume.u32Scheme == 2) {
            volume.partitionTypeGuid = entryType;
            volume.partitionUuid = entryUuid;
        } else if (volume.u32Scheme == 3) {
            volume.apmType = entryType;
        }
    }

    std::string m_root;
    fs::path m_classBlock;
    std::map<std::uint32_t, std::string> m_mountPaths;
    std::map<std::string, std::optional<DescribedDisk>> m_described;
};

}  // namespace

std::unique_ptr<IBlockDeviceFinder> CreateBlockDeviceFinder(std::string const& root) {
    return std::make_unique<CSysfsBlockDeviceFinder>(root);
}

}  // namespace platform
