#include "engine/ntfs/ondisk/IndexRecord.h"

#include <vector>

#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/NTFSIndexEntries.h"
#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"

namespace {
constexpr std::uint16_t kMaxUpdateSequenceCount = 16;
constexpr std::uint16_t kMinUpdateSequenceOffset = 40;
constexpr std::uint16_t kMaxUpdateSequenceOffset = 256;

/// The entries from the first one to the end of the bytes in use, inside the buffer.
engine::ByteView Entries(engine::ByteView buffer) {
    std::uint64_t const u64First = CStandardIndexHeader::GetOffsetofIndexEntries(buffer);
    std::uint64_t const u64End = CStandardIndexHeader::kIndexHeaderOffset + std::uint64_t{buffer.Le32(28)};
    if (u64End < u64First) return {};
    return buffer.Sub(u64First, u64End - u64First);
}

/// The block with fixups undone, or empty when the header or sequence is unsound.
std::vector<std::uint8_t> Unfixed(engine::ByteView buffer) {
    if (!CStandardIndexHeader::IsValid(buffer)) return {};
    std::vector<std::uint8_t> copy(buffer.Data(), buffer.Data() + buffer.Size());
    if (!CIndexRecord::UnfixupIndexRecord(copy)) return {};
    return copy;
}
}  // namespace

bool CStandardIndexHeader::IsValid(engine::ByteView buffer) {
    if (!IsValidMagicNumber(buffer) || !buffer.Has(0, 40)) return false;
    std::uint32_t const u32Allocated = buffer.Le32(32);
    if (u32Allocated > buffer.Size() || buffer.Le32(28) > u32Allocated) return false;
    std::uint16_t const u16Count = buffer.Le16(6);
    if (u16Count == 0 || u16Count > kMaxUpdateSequenceCount || u16Count - 1u > buffer.Size() / 512) return false;
    if (u16Count - 1u != static_cast<std::uint16_t>((std::uint64_t{u32Allocated} + buffer.Le32(24)) / 512))
        return false;
    std::uint16_t const u16Offset = buffer.Le16(4);
    return u16Offset >= kMinUpdateSequenceOffset && u16Offset <= kMaxUpdateSequenceOffset;
}

bool CIndexRecord::IsValidUpdateSequence(engine::ByteView buffer) {
    return CStandardIndexHeader::IsValid(buffer) &&
           ntfs::IsUpdateSequenceIntact(buffer, buffer.Le16(4), buffer.Le16(6));
}

bool CIndexRecord::UnfixupIndexRecord(std::span<std::uint8_t> buffer) {
    engine::ByteView const view(buffer);
    return CStandardIndexHeader::IsValid(view) && ntfs::UndoUpdateSequence(buffer, view.Le16(4), view.Le16(6));
}

bool CIndexRecord::FixupIndexRecord(std::span<std::uint8_t> buffer) {
    engine::ByteView const view(buffer);
    return CStandardIndexHeader::IsValid(view) && ntfs::ApplyUpdateSequence(buffer, view.Le16(4), view.Le16(6));
}

bool CIndexRecord::CheckIndexEntries(engine::ByteView buffer) { return CommonParent(buffer).has_value(); }

std::optional<std::uint64_t> CIndexRecord::CommonParent(engine::ByteView buffer) {
    std::optional<std::uint64_t> reference;
    bool sound = true;
    ForEachIndexEntry(Entries(buffer), [&](CIndexEntry const& entry) {
        if (entry.GetFlags() & ntfs::kIndexEntryLast) return false;
        if (!reference) reference = entry.GetParentReference();  // the first entry names it
        if (entry.GetFlags() == ntfs::kIndexEntrySubNode) return true;
        sound = entry.IsValid() && entry.GetParentReference() == *reference;
        return sound;
    });
    if (!sound) return std::nullopt;
    return reference.value_or(0);
}

bool CIndexRecord::IsValid(engine::ByteView buffer) {
    std::vector<std::uint8_t> const block = Unfixed(buffer);
    return !block.empty() && CheckIndexEntries(engine::ByteView(block.data(), block.size()));
}

std::int64_t CIndexRecord::GetParentFileReference(engine::ByteView buffer) {
    std::vector<std::uint8_t> const block = Unfixed(buffer);
    if (block.empty()) return -1;
    auto const parent = CommonParent(engine::ByteView(block.data(), block.size()));
    return parent && *parent != 0 ? static_cast<std::int64_t>(*parent & ntfs::kRecordNumberMask) : -1;
}
