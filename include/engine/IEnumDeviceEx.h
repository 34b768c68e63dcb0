#pragma once
// The process-wide list of the machine's disks, their partitions and their volumes, each an
// opened device carrying its description record. Result codes use module 0x03.
#include <string>
#include <vector>

#include "engine/Result.h"

class IStorageDevice;

// Codes of module 0x03.
constexpr std::uint32_t kCodeEnumNoDisk = 1;
constexpr std::uint32_t kCodeEnumNotInitialised = 2;  // also: a device or record could not be made
constexpr std::uint32_t kCodeEnumUnknownDisk = 5;
constexpr std::uint32_t kCodeEnumNullDisk = 7;
constexpr std::uint32_t kCodeEnumArrayTooSmall = 9;

/// Every Enum… call follows one protocol. A null array: the count receives the number of
/// devices. Otherwise the count is the array's capacity: when it is too small the answer is
/// code 9 and nothing is written; else the devices are written in list order and the count
/// receives their number. All devices, virtual volumes included, stay the enumerator's until
/// Uninit.
class IEnumDeviceEx {
public:
    virtual ~IEnumDeviceEx() = default;
    /// Finds every whole disk with its partitions and volumes. Code 1 when there is no disk.
    virtual RESULT Init() = 0;
    /// Releases every device. Code 2 when not initialised.
    virtual RESULT Uninit() = 0;
    /// The disks, sorted by kernel name. Code 2 when not initialised.
    virtual RESULT EnumDiskDevice(IStorageDevice** ppDevices, int& iCount) = 0;
    /// The disk's partition-table entries. Code 7 for a null disk, 5 for one not listed.
    virtual RESULT EnumPartitionDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) = 0;
    /// The disk's volumes as the system knows them, then a virtual volume for every partition
    /// that none of them matches. Code 7 for a null disk, 5 for one not listed.
    virtual RESULT EnumVolumeDevice(IStorageDevice const* pDisk, IStorageDevice** ppDevices, int& iCount) = 0;
};

/// The one enumerator of the process (never null; not to be deleted).
IEnumDeviceEx* CreateEnumDeviceEx();

/// A new enumerator over disk-image files only, each listed as a disk on a virtual interface
/// with its partitions and volumes (the harness and tests scan images through the same device
/// list as real disks). Same protocol and ownership as above; Init answers code 1 when no image
/// opens. The caller deletes it.
IEnumDeviceEx* CreateImageEnumDeviceEx(std::vector<std::string> const& paths);
