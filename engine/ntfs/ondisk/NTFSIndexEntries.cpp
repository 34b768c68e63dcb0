#include "engine/ntfs/ondisk/NTFSIndexEntries.h"

#include "engine/ntfs/ondisk/NTFSFileRecord.h"

namespace {
constexpr std::size_t kIndexHeaderOffset = 16;
constexpr std::size_t kIndexHeaderSize = 16;
constexpr std::size_t kNameLengthInKey = 64;

/// The entries of an index root's value, from the header's entry offset to its bytes in use.
engine::ByteView RootEntries(engine::ByteView value) {
    std::uint32_t const u32First = value.Le32(kIndexHeaderOffset);
    std::uint32_t const u32InUse = value.Le32(kIndexHeaderOffset + 4);
    if (u32First < kIndexHeaderSize || u32InUse < u32First) return {};
    return value.Sub(kIndexHeaderOffset + u32First, u32InUse - u32First);
}
}  // namespace

void ForEachIndexEntry(engine::ByteView area, std::function<bool(CIndexEntry const&)> const& visit) {
    std::size_t offset = 0;
    while (area.Has(offset, ntfs::kIndexEntryHeaderSize)) {
        std::uint16_t const u16Length = area.Le16(offset + 8);
        if (u16Length < ntfs::kIndexEntryHeaderSize || !area.Has(offset, u16Length)) return;
        if (!visit(CIndexEntry(area.Sub(offset, u16Length)))) return;
        offset += u16Length;
    }
}

bool CNTFSFileRecordIndexRootAttribute::IsValid(CNTFSFileRecordAttribute const& attribute) {
    if (attribute.GetType() != ntfs::kAttrIndexRoot || !attribute.IsResident()) return false;
    engine::ByteView const value = attribute.GetValue();
    return value.Has(kIndexHeaderOffset, kIndexHeaderSize) &&
           value.Has(kIndexHeaderOffset, value.Le32(kIndexHeaderOffset + 4));
}

std::int64_t CNTFSFileRecordIndexRootAttribute::GetMFTFileRecordNumberfrom0x90(
    CNTFSFileRecordAttribute const& attribute) {
    if (!IsValid(attribute)) return -1;
    std::optional<std::uint64_t> parent;
    bool agree = true;
    ForEachIndexEntry(RootEntries(attribute.GetValue()), [&](CIndexEntry const& entry) {
        engine::ByteView const key = entry.GetKey();
        if (entry.GetFlags() != ntfs::kIndexEntrySubNode &&
            ((entry.GetFlags() & ntfs::kIndexEntryLast) || !key.Has(kNameLengthInKey, 1) ||
             key.U8(kNameLengthInKey) == 0))
            return false;
        if (!entry.IsValid()) return false;
        std::uint64_t const u64Parent = entry.GetParentReference() & ntfs::kRecordNumberMask;
        if (parent && *parent != u64Parent) agree = false;
        parent = u64Parent;
        return agree;
    });
    return agree && parent ? static_cast<std::int64_t>(*parent) : -1;
}
