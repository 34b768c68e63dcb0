#pragma once
// Entries of a file-name index, as a folder's index root and its INDX blocks hold them:
//
// | 0  | 8 | reference of the FILE record named |
// | 8  | 2 | entry length                       |
// | 10 | 2 | key length                         |
// | 12 | 2 | flags: 1 has a sub-node, 2 last entry (no key) |
// | 16 | . | key: a $FILE_NAME value            |
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/ByteView.h"
#include "engine/ntfs/ondisk/NTFSAttribute.h"

namespace ntfs {
constexpr std::uint16_t kIndexEntrySubNode = 1;
constexpr std::uint16_t kIndexEntryLast = 2;
constexpr std::size_t kIndexEntryHeaderSize = 16;
}  // namespace ntfs

class CIndexEntry {
public:
    explicit CIndexEntry(engine::ByteView bytes) : m_bytes(bytes) {}
    std::uint64_t GetFileReference() const { return m_bytes.Le64(0); }
    std::uint16_t GetLength() const { return m_bytes.Le16(8); }
    std::uint16_t GetFlags() const { return m_bytes.Le16(12); }
    /// The $FILE_NAME key, bounded by the key length and the entry; empty when absent.
    engine::ByteView GetKey() const { return m_bytes.Sub(ntfs::kIndexEntryHeaderSize, m_bytes.Le16(10)); }
    /// The key's parent folder reference; 0 without a key.
    std::uint64_t GetParentReference() const { return GetKey().Has(0, 8) ? GetKey().Le64(0) : 0; }
    /// The key holds the sizes, and its real size does not exceed its allocated size.
    bool IsValid() const { return GetKey().Has(0, 56) && GetKey().Le64(48) <= GetKey().Le64(40); }

private:
    engine::ByteView m_bytes;
};

/// Calls `visit` for each entry of `area` in order until it answers false. The walk ends at an
/// entry shorter than its header or reaching past the area: a zero or damaged length can
/// neither loop nor read outside.
void ForEachIndexEntry(engine::ByteView area, std::function<bool(CIndexEntry const&)> const& visit);

/// $INDEX_ROOT (0x90), resident: type, collation, block size, clusters per block, then the
/// index header at 16 (entries offset, bytes in use, bytes allocated, flags; offsets from 16).
class CNTFSFileRecordIndexRootAttribute {
public:
    /// Resident, and the header and its entries lie inside the value.
    static bool IsValid(CNTFSFileRecordAttribute const& attribute);
    /// The folder's own record number as its entries name it: the common parent of the entries
    /// up to the last one; -1 when they disagree, there are none, or the root is invalid.
    static std::int64_t GetMFTFileRecordNumberfrom0x90(CNTFSFileRecordAttribute const& attribute);
};
