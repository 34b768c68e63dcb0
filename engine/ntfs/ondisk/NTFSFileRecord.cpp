#include "engine/ntfs/ondisk/NTFSFileRecord.h"

#include <algorithm>

#include "engine/ntfs/ondisk/NTFSFileName.h"
#include "engine/ntfs/ondisk/NTFSUpdateSequence.h"

namespace {
constexpr std::size_t kHeaderSize = 48;
constexpr std::uint16_t kMaxUpdateSequenceCount = 16;
constexpr std::uint16_t kMinUpdateSequenceOffset = 42;
constexpr std::uint16_t kMaxUpdateSequenceOffset = 256;
}  // namespace

bool CNTFSFileRecordHeader::IsValid(engine::ByteView buffer) {
    if (!buffer.Equals(0, "FILE") || !buffer.Has(0, kHeaderSize)) return false;
    std::uint16_t const u16Count = buffer.Le16(6);
    std::uint32_t const u32Allocated = buffer.Le32(28);
    std::uint16_t const u16Offset = buffer.Le16(4);
    if (u16Count == 0 || u16Count > kMaxUpdateSequenceCount) return false;
    if (u32Allocated < ntfs::kMinFileRecordSize || u32Allocated > ntfs::kMaxFileRecordSize || u32Allocated % 1024 != 0)
        return false;
    if (u16Count - 1u > u32Allocated / ntfs::kUpdateSequenceStride) return false;
    return u16Offset >= kMinUpdateSequenceOffset && u16Offset <= kMaxUpdateSequenceOffset &&
           buffer.Has(u16Offset, std::size_t{u16Count} * 2);
}

bool CNTFSFileRecordHeader::IsValidUpdateSequence(engine::ByteView buffer) {
    return IsValid(buffer) && ntfs::IsUpdateSequenceIntact(buffer, buffer.Le16(4), buffer.Le16(6));
}

bool CNTFSFileRecordHeader::UnfixupFileRecord(std::span<std::uint8_t> buffer) {
    engine::ByteView const view(buffer);
    return IsValid(view) && ntfs::UndoUpdateSequence(buffer, view.Le16(4), view.Le16(6));
}

bool CNTFSFileRecordHeader::FixupFileRecord(std::span<std::uint8_t> buffer) {
    engine::ByteView const view(buffer);
    return IsValid(view) && ntfs::ApplyUpdateSequence(buffer, view.Le16(4), view.Le16(6));
}

CNTFSFileRecord::CNTFSFileRecord(engine::ByteView buffer) {
    if (buffer.Size() < ntfs::kMinFileRecordSize || !CNTFSFileRecordHeader::IsValid(buffer)) return;
    std::size_t const size = std::min<std::size_t>(buffer.Size(), CNTFSFileRecordHeader::GetAllocatedSize(buffer));
    m_record.assign(buffer.Data(), buffer.Data() + size);
    if (!CNTFSFileRecordHeader::UnfixupFileRecord(m_record) || !WalkAttributes()) {
        m_record.clear();
        m_attributes.clear();
    }
}

bool CNTFSFileRecord::WalkAttributes() {
    engine::ByteView const record = Bytes();
    std::size_t const limit = std::min<std::size_t>(record.Size(), CNTFSFileRecordHeader::GetLength(record));
    std::size_t offset = CNTFSFileRecordHeader::GetFirstAttibuteOffset(record);
    if (offset < record.Le16(4) + 2u * record.Le16(6)) return false;  // attributes start past the header's array
    // Each step moves on by at least a header, so the walk ends within the record.
    while (offset + 4 <= limit && record.Le32(offset) != ntfs::kAttrEnd) {
        if (offset + CNTFSFileRecordAttribute::kHeaderSize > limit) break;  // too short to hold one: unseen
        std::uint32_t const u32Length = record.Le32(offset + 4);
        if (u32Length == 0) break;
        if (u32Length < CNTFSFileRecordAttribute::kHeaderSize || u32Length > limit - offset) return false;
        CNTFSFileRecordAttribute const attribute(record.Sub(offset, u32Length));
        if (!attribute.IsValid()) return false;
        if (attribute.GetType() == ntfs::kAttrFileName && !CNTFSFileRecordFileNameAttribute::IsValid(attribute))
            return false;
        m_attributes.push_back(attribute);
        offset += u32Length;
    }
    return true;
}

std::optional<CNTFSFileRecordAttribute> CNTFSFileRecord::FindAttibute(std::uint32_t u32Type,
                                                                      std::uint32_t u32Index) const {
    for (CNTFSFileRecordAttribute const& attribute : m_attributes)
        if (attribute.GetType() == u32Type && u32Index-- == 0) return attribute;
    return std::nullopt;
}

std::uint32_t CNTFSFileRecord::GetAttributeOffset(std::uint32_t u32Type, std::uint32_t u32Index) const {
    auto const attribute = FindAttibute(u32Type, u32Index);
    if (!attribute) return 0xFFFFFFFF;
    return static_cast<std::uint32_t>(attribute->Bytes().Data() - m_record.data());
}

bool CNTFSFileRecord::HasPlausibleNames() const {
    return std::all_of(m_attributes.begin(), m_attributes.end(), [](CNTFSFileRecordAttribute const& attribute) {
        return attribute.GetType() != ntfs::kAttrFileName ||
               CNTFSFileRecordFileNameAttribute::HasPlausibleName(attribute);
    });
}

std::uint32_t CNTFSFileRecord::GetAttibuteCountofSpecifiedType(std::uint32_t u32Type) const {
    return static_cast<std::uint32_t>(
        std::count_if(m_attributes.begin(), m_attributes.end(),
                      [&](CNTFSFileRecordAttribute const& a) { return a.GetType() == u32Type; }));
}
