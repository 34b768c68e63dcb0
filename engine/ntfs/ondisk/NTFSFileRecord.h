#pragma once
// A FILE record of the MFT with its update-sequence fixups undone and its attributes walked.
//
// | Offset | Width | Field                                                              |
// | 0      | 4     | "FILE"                                                             |
// | 4      | 2     | update-sequence offset (42..256)                                   |
// | 6      | 2     | update-sequence count: check value + one word per 512-byte stride  |
// | 8      | 8     | $LogFile sequence number                                           |
// | 16     | 2     | sequence number                                                    |
// | 18     | 2     | hard-link count                                                    |
// | 20     | 2     | first attribute offset                                             |
// | 22     | 2     | flags: 1 in use, 2 directory                                       |
// | 24     | 4     | bytes in use                                                       |
// | 28     | 4     | bytes allocated (1024..4096, a multiple of 1024)                   |
// | 32     | 8     | base record reference (low 48 bits); non-zero in extension records |
// | 42     | 2     | 0 in records that store their own number                           |
// | 44     | 4     | number of this record                                              |
//
// Every 512-byte stride ends with the check value on disk; its real last word is saved in the
// update-sequence array. A 4 KiB record has eight strides, and every one is restored.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSAttribute.h"

namespace ntfs {
constexpr std::uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFull;
constexpr std::size_t kMinFileRecordSize = 1024;
constexpr std::size_t kMaxFileRecordSize = 4096;
}  // namespace ntfs

/// Header tests and fields on a raw buffer (fixups not needed: the header lies in stride 0).
class CNTFSFileRecordHeader {
public:
    /// Magic first (the deep search runs this on every sector), then the update-sequence count
    /// (1..16, no more strides than the allocation holds), allocation 1024..4096 in steps of
    /// 1024 and the array's offset in 42..256.
    static bool IsValid(engine::ByteView buffer);
    static bool IsinUse(engine::ByteView buffer) { return (buffer.Le16(22) & 1) != 0; }
    static bool IsFolder(engine::ByteView buffer) { return (buffer.Le16(22) & 2) != 0; }
    static bool IsExtendFileRecord(engine::ByteView buffer) { return buffer.Le64(32) != 0; }
    static std::uint64_t GetBaseFileRecordNumber(engine::ByteView buffer) {
        return buffer.Le64(32) & ntfs::kRecordNumberMask;
    }
    static std::uint16_t GetFirstAttibuteOffset(engine::ByteView buffer) { return buffer.Le16(20); }
    static std::uint32_t GetLength(engine::ByteView buffer) { return buffer.Le32(24); }
    static std::uint32_t GetAllocatedSize(engine::ByteView buffer) { return buffer.Le32(28); }
    static std::uint64_t GetLogFileSequenceNumber(engine::ByteView buffer) { return buffer.Le64(8); }
    static std::uint16_t GetSequenceNumber(engine::ByteView buffer) { return buffer.Le16(16); }
    static bool HasXPNumberOfthisMFTRecord(engine::ByteView buffer) {
        return buffer.Le16(4) >= 48 && buffer.Le16(42) == 0;
    }
    static std::uint32_t GetXPNumberOfthisMFTRecord(engine::ByteView buffer) { return buffer.Le32(44); }

    /// Whether each covered stride inside the buffer ends with the check value.
    static bool IsValidUpdateSequence(engine::ByteView buffer);
    /// Puts the saved words back; false (nothing changed) when the sequence does not check out.
    static bool UnfixupFileRecord(std::span<std::uint8_t> buffer);
    /// Saves each covered stride's last word and writes the check value there.
    static bool FixupFileRecord(std::span<std::uint8_t> buffer);
};

/// A private copy of one record, fixups undone. Holds nothing (IsValid false) when the header,
/// the update sequence or an attribute is unsound.
class CNTFSFileRecord {
public:
    CNTFSFileRecord() = default;
    explicit CNTFSFileRecord(engine::ByteView buffer);
    // The attribute views point into the record's own bytes, which a move keeps and a copy would not.
    CNTFSFileRecord(CNTFSFileRecord const&) = delete;
    CNTFSFileRecord& operator=(CNTFSFileRecord const&) = delete;
    CNTFSFileRecord(CNTFSFileRecord&&) = default;
    CNTFSFileRecord& operator=(CNTFSFileRecord&&) = default;

    /// The full record test on a raw buffer.
    static bool IsValid(engine::ByteView buffer) { return CNTFSFileRecord(buffer).IsValid(); }

    bool IsValid() const { return !m_record.empty(); }
    /// The record with fixups undone; empty when not valid.
    engine::ByteView Bytes() const { return engine::ByteView(m_record.data(), m_record.size()); }
    bool IsinUse() const { return CNTFSFileRecordHeader::IsinUse(Bytes()); }
    bool IsFolder() const { return CNTFSFileRecordHeader::IsFolder(Bytes()); }
    bool IsExtendFileRecord() const { return CNTFSFileRecordHeader::IsExtendFileRecord(Bytes()); }
    std::uint64_t GetBaseFileRecordNumber() const { return CNTFSFileRecordHeader::GetBaseFileRecordNumber(Bytes()); }
    std::uint64_t GetLogFileSequenceNumber() const { return CNTFSFileRecordHeader::GetLogFileSequenceNumber(Bytes()); }
    bool HasXPNumberOfthisMFTRecord() const { return CNTFSFileRecordHeader::HasXPNumberOfthisMFTRecord(Bytes()); }
    std::uint32_t GetXPNumberOfthisMFTRecord() const {
        return CNTFSFileRecordHeader::GetXPNumberOfthisMFTRecord(Bytes());
    }

    /// Every attribute in record order, up to the end marker or the end of the bytes in use.
    std::vector<CNTFSFileRecordAttribute> const& Attributes() const { return m_attributes; }
    /// Attribute number `u32Index` (from 0) of `u32Type`.
    std::optional<CNTFSFileRecordAttribute> FindAttibute(std::uint32_t u32Type, std::uint32_t u32Index = 0) const;
    /// Its offset in the record; 0xFFFFFFFF when absent.
    std::uint32_t GetAttributeOffset(std::uint32_t u32Type, std::uint32_t u32Index = 0) const;
    std::uint32_t GetAttibuteCountofSpecifiedType(std::uint32_t u32Type) const;
    bool HasAttributeList() const { return GetAttibuteCountofSpecifiedType(ntfs::kAttrAttributeList) != 0; }
    /// No $FILE_NAME holds a character Windows refuses: the test of a sector that only looks
    /// like a record. A record of a volume's own MFT is read whatever its names hold.
    bool HasPlausibleNames() const;

private:
    /// Walks the attributes into m_attributes; false when one is unsound.
    bool WalkAttributes();

    std::vector<std::uint8_t> m_record;
    std::vector<CNTFSFileRecordAttribute> m_attributes;
};
