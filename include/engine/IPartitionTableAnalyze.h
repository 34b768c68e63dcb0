#pragma once
// Reading a whole disk's partition table: GPT, the Apple Partition Map, or the MBR with its
// chain of extended boot records. Result codes use module 0x10.
#include <cstdint>
#include <vector>

#include "engine/Result.h"

class IStorageDevice;

/// What the first sectors of a disk hold.
enum enumDiskPartitionScheme : std::uint32_t {
    DISK_PARTITION_SCHEME_NONE = 0,
    DISK_PARTITION_SCHEME_MBR = 1,
    DISK_PARTITION_SCHEME_GPT = 2,
    DISK_PARTITION_SCHEME_APM = 3,
};

/// One listed partition, in the disk's sectors.
struct PartitionEntry {
    /// MBR: 1-4 primary, 5 and up logical in chain order; GPT: slot from 1; APM: map entry from 1;
    /// all bits set for the whole-disk entry of a disk whose table lists nothing.
    std::uint32_t u32PartitionIndex = 0;
    std::uint32_t u32Reserved = 0;
    std::uint64_t u64StartSector = 0;
    std::uint64_t u64SectorCount = 0;
    std::uint8_t partitionTypeGuid[16] = {};    // GPT only, on-disk byte order
    std::uint8_t uniquePartitionGuid[16] = {};  // GPT only, on-disk byte order
    char szPartitionTypeName[32] = {};          // APM only, NUL-padded
};

constexpr std::uint32_t kWholeDiskPartitionIndex = 0xFFFFFFFFu;

// Refusal codes of module 0x10.
constexpr std::uint32_t kCodePartitionNotUsable = 3;    // not a disk, unusable, dynamic, bad APM sector size
constexpr std::uint32_t kCodePartitionBadTable = 6;     // damaged or looping table data
constexpr std::uint32_t kCodePartitionSmallSector = 8;  // sector size below 512

class IPartitionTableAnalyze {
public:
    virtual ~IPartitionTableAnalyze() = default;
    /// Empties `entries` and lists the partitions of the disk's table. A refusal keeps the
    /// entries listed before it; a failed read answers the device's own last error.
    virtual RESULT AnalyzePartitionTable(IStorageDevice* pDisk, std::vector<PartitionEntry>& entries) = 0;
};

/// A new analyser; the caller deletes it. Null only when out of memory.
IPartitionTableAnalyze* CreatePartitionTableAnalyze();
