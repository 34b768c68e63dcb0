#pragma once
// The stored form of a CSearchedPartitionInfo in results files: a little-endian u32 type,
// then the 104-byte record.
//
// | offset | size | field                                      |
// |      0 |    8 | not meaningful: written zero, ignored      |
// |      8 |    8 | 64-bit value of the file system            |
// |     16 |    2 | partition index                            |
// |     18 |    2 | padding (zero)                             |
// |     20 |    4 | file-system type                           |
// |     24 |    4 | sectors per cluster                        |
// |     28 |    4 | padding (zero)                             |
// |     32 |    8 | start sector                               |
// |     40 |   24 | three 64-bit values of the file system     |
// |     64 |    4 | sector size                                |
// |     68 |    4 | u32 of the file system                     |
// |     72 |    8 | total sectors                              |
// |     80 |    8 | u64 of the file system                     |
// |     88 |    8 | score (IEEE double)                        |
// |     96 |    8 | two u32 of the file system                 |
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CSearchedPartitionInfo;

constexpr std::size_t kSearchedPartitionRecordSize = 104;
constexpr std::size_t kStoredSearchedPartitionSize = 4 + kSearchedPartitionRecordSize;

/// The u32 type followed by the 104-byte record, field by field.
std::array<std::uint8_t, kStoredSearchedPartitionSize> StoreSearchedPartitionInfo(CSearchedPartitionInfo const& info);

/// Reads the stored type into `u32Type` and the fields into `info` (its own type is kept).
/// A sector size the constructor would not accept is read as 512.
/// False, with `info` unchanged, when `bytes` is shorter than the stored form.
bool LoadSearchedPartitionInfo(std::span<std::uint8_t const> bytes, std::uint32_t& u32Type,
                               CSearchedPartitionInfo& info);

/// Where a complete scan found the volume's sectors (a file of another volume it is read
/// through, sectors others use now), in the stored form results files keep beside the record;
/// empty when the partition has no such placement.
std::vector<std::uint8_t> StoreSearchedPartitionPlacement(CSearchedPartitionInfo const& info);

/// Gives `info` the placement stored in `bytes`; false, with `info` unchanged, when the bytes are
/// not a whole stored placement.
bool LoadSearchedPartitionPlacement(std::span<std::uint8_t const> bytes, CSearchedPartitionInfo& info);
