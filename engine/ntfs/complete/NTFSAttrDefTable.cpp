#include "engine/ntfs/complete/NTFSAttrDefTable.h"

#include <cstring>
#include <string_view>

namespace {

struct AttrDefRow {
    std::u16string_view name;
    std::uint32_t u32Type;
    std::uint32_t u32Flags;
    std::int64_t s64Minimum;
    std::int64_t s64Maximum;
};

constexpr AttrDefRow kRows[] = {
    {u"$STANDARD_INFORMATION", 0x10, 0x40, 48, 72},
    {u"$ATTRIBUTE_LIST", 0x20, 0x80, 0, -1},
    {u"$FILE_NAME", 0x30, 0x42, 68, 578},
    {u"$OBJECT_ID", 0x40, 0x40, 0, 256},
    {u"$SECURITY_DESCRIPTOR", 0x50, 0x80, 0, -1},
    {u"$VOLUME_NAME", 0x60, 0x40, 2, 256},
    {u"$VOLUME_INFORMATION", 0x70, 0x40, 12, 12},
    {u"$DATA", 0x80, 0, 0, -1},
    {u"$INDEX_ROOT", 0x90, 0x40, 0, -1},
    {u"$INDEX_ALLOCATION", 0xA0, 0x80, 0, -1},
    {u"$BITMAP", 0xB0, 0x80, 0, -1},
    {u"$REPARSE_POINT", 0xC0, 0x80, 0, 16384},
    {u"$EA_INFORMATION", 0xD0, 0x40, 8, 8},
    {u"$EA", 0xE0, 0, 0, 65536},
    {u"$LOGGED_UTILITY_STREAM", 0x100, 0x80, 0, 65536},
};

void PutLe(std::uint8_t* pOut, std::uint64_t u64Value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) pOut[i] = static_cast<std::uint8_t>(u64Value >> (8 * i));
}

std::array<std::uint8_t, CNTFSAttrDefTable::kTableSize> MakeTable() {
    std::array<std::uint8_t, CNTFSAttrDefTable::kTableSize> table{};
    for (std::size_t row = 0; row < std::size(kRows); ++row) {
        std::uint8_t* pEntry = table.data() + row * CNTFSAttrDefTable::kEntrySize;
        for (std::size_t i = 0; i < kRows[row].name.size(); ++i) PutLe(pEntry + 2 * i, kRows[row].name[i], 2);
        PutLe(pEntry + 128, kRows[row].u32Type, 4);
        PutLe(pEntry + 140, kRows[row].u32Flags, 4);
        PutLe(pEntry + 144, static_cast<std::uint64_t>(kRows[row].s64Minimum), 8);
        PutLe(pEntry + 152, static_cast<std::uint64_t>(kRows[row].s64Maximum), 8);
    }
    return table;
}

}  // namespace

std::array<std::uint8_t, CNTFSAttrDefTable::kTableSize> const& CNTFSAttrDefTable::Table() {
    static std::array<std::uint8_t, kTableSize> const table = MakeTable();
    return table;
}

bool CNTFSAttrDefTable::MatchesStride(engine::ByteView stride) {
    if (!stride.Has(0, kStride)) return false;
    // Every sector of a disk comes here: the first eight bytes, read once, reject almost all.
    static std::array<std::uint64_t, kComparedStrides> const prefixes = [] {
        std::array<std::uint64_t, kComparedStrides> values{};
        for (std::size_t i = 0; i < kComparedStrides; ++i)
            values[i] = engine::ByteView(Table().data() + i * kStride, kStride).Le64(0);
        return values;
    }();
    std::uint64_t const u64Prefix = stride.Le64(0);
    for (std::size_t i = 0; i < kComparedStrides; ++i)
        if (u64Prefix == prefixes[i] && std::memcmp(stride.Data(), Table().data() + i * kStride, kStride) == 0)
            return true;
    return false;
}
