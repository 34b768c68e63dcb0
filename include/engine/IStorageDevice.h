#pragma once
// Every sector read of the engine goes through IStorageDevice.
#include <cstdint>

#include "engine/Result.h"
#include "engine/Types.h"

class CSearchedPartitionInfo;
class IStorageDeviceData;

/// IOCtl request: let the device's node go until the next read, which opens it again only when
/// it is still the same device (answers 1; devices without a node of their own answer 0).
/// A device list parks what it lists, so a medium detached meanwhile is not held.
constexpr unsigned long long kIoCtlParkNode = 0x51524B01;

class IStorageDevice {
public:
    virtual ~IStorageDevice() = default;

    /// 1 on success; 0 on failure, with the reason in GetLastError().
    virtual int Open() = 0;
    virtual int Close() = 0;
    /// Reads `s64Count` sectors from `s64FirstSector` into `pBuffer` (count x sector size bytes).
    /// Non-zero on success, also when the device ends inside the request (the tail is zero-filled).
    virtual int ReadSector(void* pBuffer, long long s64FirstSector, long long s64Count) = 0;
    virtual int GetSectorSize() = 0;
    virtual long long GetTotalSectors() = 0;
    /// Not supported by the plain devices: 0, code 3.
    virtual int IOCtl(unsigned long long u64Request, void* pArgument) = 0;
    /// The description record; the device owns it.
    virtual IStorageDeviceData* GetPrivateData() = 0;
    /// Takes ownership of `pData`, releasing the record held before.
    virtual void SetPrivateData(IStorageDeviceData* pData) = 0;
    /// A StorageDeviceType value.
    virtual int GetType() = 0;
    /// The result code of the last operation; safe to call while another thread reads.
    virtual RESULT GetLastError() = 0;
};

/// The partition kinds: a window onto a parent device.
class IPartitionStorageDevice : public IStorageDevice {
public:
    /// First sector of the window, in the parent's sectors.
    virtual long long GetStartSector() = 0;
};

/// A new closed whole-disk device for a node or image path; null only when out of memory.
IStorageDevice* CreateDiskDevice(char const* pszPath);
/// A new closed volume device for a node or image path; null only when out of memory.
IStorageDevice* CreateVolumeDevice(char const* pszPath);
/// A window of `s64TotalSectors` sectors from `s64StartSector` of `pParent` (not owned).
IStorageDevice* CreatePartitionDevice(IStorageDevice* pParent, long long s64StartSector, long long s64TotalSectors);
/// What a partition a complete scan found inside a file of another volume is read from: the
/// file's bytes in order, over `pDevice` (not owned, which must outlive it); null for a partition
/// that reads `pDevice` itself. The caller deletes it.
IStorageDevice* CreatePlacedPartitionDevice(IStorageDevice* pDevice, CSearchedPartitionInfo const& partition);
/// A volume over the parent of a usable partition device; null when the partition's record
/// does not allow it (no device, no record, another kind of record, no data, state not 0, no parent).
IStorageDevice* CreatePartitionVirtualVolumeDevice(IStorageDevice* pPartition);
