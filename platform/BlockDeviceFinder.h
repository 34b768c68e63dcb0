#pragma once
// The system's block devices as the device enumerator needs them: whole disks and the volumes
// on each, with their sizes, numbers, bus, partition scheme, labels and mount paths. The Linux
// implementation reads sysfs, libblkid, the udev database when there is one, and
// proc/self/mountinfo; tests hand the enumerator a fake.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

/// One whole disk or one kernel partition.
struct BlockMedium {
    std::string kernelName;                          // "sda", "loop0p1": the BSD name of the records
    std::string devicePath;                          // the node to open, "/dev/<name>" below the root
    std::string mediaName;                           // disk model, or a loop device's backing file name
    std::uint32_t u32SectorSize = 512;               // logical sector size
    std::uint64_t u64TotalSectors = 0;               // in logical sectors
    std::uint64_t u64StartSector = 0;                // partitions: start on the disk, logical sectors
    std::uint32_t u32PartitionNumber = 0xFFFFFFFFu;  // all bits set for a whole medium
    std::uint32_t u32DeviceId = 0;                   // (major << 24) | minor
    bool bWritable = false;
    std::uint32_t u32BusType = 0;   // DiskBusType
    std::uint32_t u32Scheme = 0;    // PartitionScheme: "dos" 1, "gpt" 2, "mac" 3
    std::string label;              // file-system label, empty when unknown
    std::string mountPath;          // empty when not mounted
    std::string partitionTypeGuid;  // GPT: text form, empty when unknown
    std::string partitionUuid;      // GPT: text form, empty when unknown
    std::string apmType;            // APM partition type name, empty when unknown
};

class IBlockDeviceFinder {
public:
    virtual ~IBlockDeviceFinder() = default;
    /// Whole disks with a size, optical media left out.
    virtual std::vector<BlockMedium> WholeDisks() = 0;
    /// The kernel partitions of the whole disk named `diskName`; for a disk without a partition
    /// table, the disk itself. Empty for a name that is not a whole disk.
    virtual std::vector<BlockMedium> VolumesOf(std::string const& diskName) = 0;
};

/// The finder over the system below `root` ("/" except in tests, which point it at a fixture
/// tree holding sys/class/block, proc/self/mountinfo and dev/). Never null.
std::unique_ptr<IBlockDeviceFinder> CreateBlockDeviceFinder(std::string const& root = "/");

/// Decodes the octal escapes (\040 and the like) of a mountinfo field; a malformed escape
/// stays as it is.
std::string DecodeMountField(std::string const& field);

/// The mount path of each device id, from a mountinfo file; the first mount of a device wins.
std::vector<std::pair<std::uint32_t, std::string>> ReadMountPaths(std::string const& mountinfoPath);

}  // namespace platform
