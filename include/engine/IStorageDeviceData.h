#pragma once
// Description records that enumeration and partition analysis attach to devices.
#include <cstdint>

class IStorageDevice;

/// Bus type of a disk.
enum DiskBusType : std::uint32_t {
    DISK_BUS_UNKNOWN = 0,
    DISK_BUS_ATA = 1,
    DISK_BUS_SATA = 2,
    DISK_BUS_SCSI = 3,
    DISK_BUS_USB = 4,
    DISK_BUS_VIRTUAL = 5,
};

/// Partition scheme of a disk.
enum PartitionScheme : std::uint32_t {
    PARTITION_SCHEME_NONE = 0,
    PARTITION_SCHEME_MBR = 1,
    PARTITION_SCHEME_GPT = 2,
    PARTITION_SCHEME_APM = 3,
};

/// One whole disk.
struct CCollectDiskDeviceInfoStruct {
    std::uint32_t u32State = 0;  // 0 = usable
    std::uint32_t u32Reserved = 0;
    std::uint32_t u32BusType = DISK_BUS_UNKNOWN;
    std::uint32_t u32PartitionScheme = PARTITION_SCHEME_NONE;
    std::uint32_t u32Writable = 0;
    char szName[128] = {};
    char szBsdName[128] = {};
    std::int64_t s64SectorSize = 0;
    std::int64_t s64TotalSectors = 0;
    std::int64_t s64Cylinders = 0;  // total sectors / (255 x 63)
    std::int64_t s64TracksPerCylinder = 255;
    std::int64_t s64SectorsPerTrack = 63;
    std::uint32_t u32DeviceId = 0;  // major << 24 | minor
    char szDevicePath[4096] = {};   // the node or image file read; the model keeps recoveries off it
};

/// One partition-table entry.
struct CCollectedPartitionDeviceInfoStruct {
    std::uint32_t u32State = 0;
    std::uint32_t u32Reserved1 = 0;
    std::uint32_t u32Reserved2 = 0;
    std::uint32_t u32FileSystemType = 9;
    char szLabel[100] = {};
    std::int64_t s64SectorSize = 0;
    std::int64_t s64TotalSectors = 0;
    std::uint32_t u32DeviceId = 0;
    IStorageDevice* pParentDisk = nullptr;  // not owned
    std::uint32_t u32PartitionIndex = 0;
    std::uint8_t partitionTypeGuid[16] = {};
    std::uint8_t uniquePartitionGuid[16] = {};
    char szApmPartitionType[32] = {};
    std::uint64_t u64StartSector = 0;
};

/// One volume.
struct CCollectedVolumeDeviceInfoStruct {
    std::uint32_t u32State = 0;
    std::uint32_t u32Reserved1 = 0;
    std::uint32_t u32Reserved2 = 0;
    std::uint32_t u32FileSystemType = 9;
    char szLabel[100] = {};
    char szVolumeName[1024] = {};
    char szBsdName[128] = {};
    std::int64_t s64SectorSize = 0;
    std::int64_t s64TotalSectors = 0;
    std::uint32_t u32DeviceId = 0;
    IStorageDevice* pParentDisk = nullptr;           // not owned
    std::uint32_t u32PartitionNumber = 0xFFFFFFFFu;  // all bits set: a whole medium
    std::uint8_t partitionTypeGuid[16] = {};         // on-disk GUID byte order
    std::uint8_t uniquePartitionGuid[16] = {};
    char szApmPartitionType[32] = {};
    std::uint64_t u64StartSector = 0;
    std::uint32_t u32Mounted = 0;
    char szDevicePath[4096] = {};  // the node read; empty for a volume the partition table describes
};

/// The private data of an enumerated device; one of the three kinds below.
class IStorageDeviceData {
public:
    virtual ~IStorageDeviceData() = default;
};

class IDiskDeviceData : public IStorageDeviceData {
public:
    /// The record, owned by this holder; null when none was given.
    virtual CCollectDiskDeviceInfoStruct* GetDiskInfo() = 0;
    /// Replaces (and deletes) the record held before; takes ownership.
    virtual void SetDiskInfo(CCollectDiskDeviceInfoStruct* pInfo) = 0;
};

class IVolumeDeviceData : public IStorageDeviceData {
public:
    virtual CCollectedVolumeDeviceInfoStruct* GetVolumeInfo() = 0;
    virtual void SetVolumeInfo(CCollectedVolumeDeviceInfoStruct* pInfo) = 0;
};

class IPartitionDeviceData : public IStorageDeviceData {
public:
    virtual CCollectedPartitionDeviceInfoStruct* GetPartitionInfo() = 0;
    virtual void SetPartitionInfo(CCollectedPartitionDeviceInfoStruct* pInfo) = 0;
};

/// Holders that own the record they are given (which may be null).
IDiskDeviceData* CreateDiskDeviceData(CCollectDiskDeviceInfoStruct* pInfo);
IVolumeDeviceData* CreateVolumeDeviceData(CCollectedVolumeDeviceInfoStruct* pInfo);
IPartitionDeviceData* CreatePartitionDeviceData(CCollectedPartitionDeviceInfoStruct* pInfo);
