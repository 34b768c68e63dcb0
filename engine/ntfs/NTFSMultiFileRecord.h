#pragma once
// A file whose attributes spill out of its base FILE record: the base record's attribute list
// (0x20) names the records holding the others, and they are read through the MFT's runs.
//
// Attribute-list entry: | 0 | 4 | type | 4 | 2 | entry length | 6 | 1 | name length |
//                       | 7 | 1 | name offset | 8 | 8 | first VCN | 16 | 8 | record reference |
//
// An extension record is taken only when its own base reference names this base record, so a
// record reused by another file since cannot lend its attributes to a deleted one.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ntfs/NTFSRecordSource.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"

class CNTFSMultiFileRecord {
public:
    /// At most this many distinct extension records are read for one file.
    static constexpr std::size_t kMaxExtensionRecords = 4096;

    /// Takes the base record `base` (number `u64BaseNumber`); with `bFollowList`, reads the
    /// extension records its attribute list names. Holds nothing when `base` is not valid.
    CNTFSMultiFileRecord(INTFSRecordSource const& mft, std::uint64_t u64BaseNumber, CNTFSFileRecord base,
                         bool bFollowList = true);

    bool IsValid() const { return !m_records.empty(); }
    bool IsinUse() const { return IsValid() && m_records.front().IsinUse(); }
    std::uint64_t GetMainFileRecordIndex() const { return m_u64BaseNumber; }
    /// The base record first, then the extension records in the order the list names them.
    std::vector<CNTFSFileRecord const*> Records() const;
    /// The record numbers of the extension records taken.
    std::vector<std::uint64_t> const& ExtensionNumbers() const { return m_extensionNumbers; }

    /// Attribute number `u32Index` of `u32Type` counted across the base record, then the
    /// extension records in order.
    std::optional<CNTFSFileRecordAttribute> FindAttibute(std::uint32_t u32Type, std::uint32_t u32Index = 0) const;

    /// The distinct record numbers an attribute-list value names, in order, the base number
    /// left out; at most kMaxExtensionRecords.
    static std::vector<std::uint64_t> ListedRecords(engine::ByteView list, std::uint64_t u64BaseNumber);

private:
    /// The value of the base record's attribute list, read by its runs when non-resident.
    std::vector<std::uint8_t> ReadAttributeList(INTFSRecordSource const& mft) const;

    std::uint64_t m_u64BaseNumber = 0;
    std::vector<CNTFSFileRecord> m_records;
    std::vector<std::uint64_t> m_extensionNumbers;
};
