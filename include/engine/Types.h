#pragma once
// Value types and numbering shared by the whole engine and its callers.
#include <cstdint>

/// A time as 100-nanosecond intervals since 1 January 1601 (UTC), low half first.
struct _FILETIME {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;
};

/// A calendar time; day of week 0 is Sunday.
struct _SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

/// Check state of a result node; mixed is only ever derived from the children.
enum _tagCheckedStatus : int {
    CHECKED_STATUS_UNCHECKED = 0,
    CHECKED_STATUS_MIXED = 1,
    CHECKED_STATUS_CHECKED = 2,
};

/// Which searcher found a node.
enum _tagSearcherType : int {
    SEARCHER_TYPE_HFSPLUS = 31,
    SEARCHER_TYPE_FAT = 32,
    SEARCHER_TYPE_EXFAT = 33,
    SEARCHER_TYPE_RAW = 34,
    SEARCHER_TYPE_NTFS = 35,
    SEARCHER_TYPE_NONE = 36,
};

/// File-system type numbers, as stored in device records and results files.
enum FileSystemType : std::uint32_t {
    FILE_SYSTEM_FAT12 = 0,
    FILE_SYSTEM_FAT16 = 1,
    FILE_SYSTEM_FAT32 = 2,
    FILE_SYSTEM_NTFS = 3,
    FILE_SYSTEM_EXT2 = 4,
    FILE_SYSTEM_EXT3 = 5,
    FILE_SYSTEM_RAW = 6,
    FILE_SYSTEM_EXFAT = 7,
    FILE_SYSTEM_HFSPLUS = 8,
    FILE_SYSTEM_UNRECOGNISED = 9,
};

/// The searcher whose nodes a file system's records describe; SEARCHER_TYPE_NONE for a file
/// system no searcher reads.
constexpr _tagSearcherType SearcherTypeOf(std::uint32_t u32FileSystemType) {
    switch (u32FileSystemType) {
        case FILE_SYSTEM_FAT12:
        case FILE_SYSTEM_FAT16:
        case FILE_SYSTEM_FAT32:
            return SEARCHER_TYPE_FAT;
        case FILE_SYSTEM_EXFAT:
            return SEARCHER_TYPE_EXFAT;
        case FILE_SYSTEM_NTFS:
            return SEARCHER_TYPE_NTFS;
        case FILE_SYSTEM_HFSPLUS:
            return SEARCHER_TYPE_HFSPLUS;
        default:
            return SEARCHER_TYPE_NONE;
    }
}

/// What `IStorageDevice::GetType` answers.
enum StorageDeviceType : int {
    STORAGE_DEVICE_DISK = 0,
    STORAGE_DEVICE_PARTITION = 1,
    STORAGE_DEVICE_VOLUME = 2,
    STORAGE_DEVICE_CACHED = 3,
};
