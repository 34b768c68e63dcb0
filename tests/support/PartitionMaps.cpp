#include "support/PartitionMaps.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/ByteWriter.h"

namespace testsupport {

void PutMbrEntry(std::vector<std::uint8_t>& disk, std::uint64_t u64Sector, int iSlot, std::uint8_t u8Type,
                 std::uint32_t u32Lead, std::uint32_t u32Total, std::uint8_t u8Boot) {
    std::size_t const base = static_cast<std::size_t>(u64Sector) * 512;
    std::size_t const entry = base + 446 + static_cast<std::size_t>(iSlot) * 16;
    disk[entry] = u8Boot;
    disk[entry + 4] = u8Type;
    engine::ByteWriter slot(disk);
    slot.Le32(entry + 8, u32Lead);
    slot.Le32(entry + 12, u32Total);
    disk[base + 510] = 0x55;
    disk[base + 511] = 0xAA;
}

void PutProtectiveMbr(std::vector<std::uint8_t>& disk) {
    disk[446 + 4] = 0xEE;
    engine::ByteWriter slot(disk);
    slot.Le32(446 + 8, 1);
    slot.Le32(446 + 12, 0xFFFFFFFF);
    disk[510] = 0x55;
    disk[511] = 0xAA;
}

void PutGptHeader(std::vector<std::uint8_t>& disk, int iSectorSize, std::uint64_t u64ArrayLba, std::uint32_t u32Count,
                  std::uint32_t u32EntryBytes) {
    std::size_t const header = static_cast<std::size_t>(iSectorSize);
    std::memcpy(disk.data() + header, "EFI PART", 8);
    engine::ByteWriter fields(disk);
    fields.Le64(header + 72, u64ArrayLba);
    fields.Le32(header + 80, u32Count);
    fields.Le32(header + 84, u32EntryBytes);
}

void PutGptEntry(std::vector<std::uint8_t>& disk, int iSectorSize, int iSlot, std::uint64_t u64First,
                 std::uint64_t u64Last, int iArrayLba, int iEntryBytes) {
    std::size_t const entry = static_cast<std::size_t>(iArrayLba * iSectorSize + iSlot * iEntryBytes);
    for (int i = 0; i < 16; ++i) disk[entry + i] = static_cast<std::uint8_t>(0xA0 + i);        // type GUID
    for (int i = 0; i < 16; ++i) disk[entry + 16 + i] = static_cast<std::uint8_t>(iSlot + i);  // unique GUID
    engine::ByteWriter fields(disk);
    fields.Le64(entry + 32, u64First);
    fields.Le64(entry + 40, u64Last);
}

void PutEfiSystemType(std::vector<std::uint8_t>& disk, int iSectorSize, int iSlot) {
    constexpr std::uint8_t kEfiSystem[16] = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                                             0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
    std::copy(std::begin(kEfiSystem), std::end(kEfiSystem), disk.begin() + 2 * iSectorSize + iSlot * 128);
}

}  // namespace testsupport
