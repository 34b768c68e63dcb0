#pragma once
// Partition maps written by hand into a disk's bytes, for the shapes the tools cannot make:
// MBR and EBR slots, a protective MBR, a GPT header and its entries. Sectors are 512 bytes for
// the MBR and `iSectorSize` for GPT; nothing is checked, the tests give offsets that fit.
#include <cstdint>
#include <vector>

namespace testsupport {

/// One MBR/EBR slot in the table sector at `u64Sector` (512-byte sectors), and the signature.
void PutMbrEntry(std::vector<std::uint8_t>& disk, std::uint64_t u64Sector, int iSlot, std::uint8_t u8Type,
                 std::uint32_t u32Lead, std::uint32_t u32Total, std::uint8_t u8Boot = 0);
/// A protective MBR covering the disk.
void PutProtectiveMbr(std::vector<std::uint8_t>& disk);
/// A header in LBA 1 placing the array of `u32Count` entries of `u32EntryBytes` at `u64ArrayLba`.
void PutGptHeader(std::vector<std::uint8_t>& disk, int iSectorSize, std::uint64_t u64ArrayLba = 2,
                  std::uint32_t u32Count = 128, std::uint32_t u32EntryBytes = 128);
/// Slot `iSlot` of the array: type GUID A0..AF, a unique GUID from the slot, first and last LBA.
void PutGptEntry(std::vector<std::uint8_t>& disk, int iSectorSize, int iSlot, std::uint64_t u64First,
                 std::uint64_t u64Last, int iArrayLba = 2, int iEntryBytes = 128);
/// Gives slot `iSlot` of the array at LBA 2 the EFI System type, in its on-disk byte order.
void PutEfiSystemType(std::vector<std::uint8_t>& disk, int iSectorSize, int iSlot);

}  // namespace testsupport
