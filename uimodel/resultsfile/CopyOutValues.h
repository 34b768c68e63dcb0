#pragma once
// What decides a node's copy beyond its runs, which the file record has no field for: where an
// NTFS file's valid data ends (its initialised size: the bytes past it read as zeros, whatever
// the clusters hold) and why the scan refused its copy (a deleted file whose clusters other
// files hold now). They go into a frame of their own after the node frame, keyed by each
// record's place in the node frame. Readers look frames up by GUID: one that knows no such
// frame skips it, and a file saved without one (every file saved before it existed, and every
// scan without such a node) loads as it always did.
//
// frCopyOutValues: u64 count N, then N entries of 24 bytes, ordinals rising:
// | offset | size | field                                                      |
// |      0 |    8 | record ordinal (u64)                                       |
// |      8 |    4 | flags: 1 the initialised size is held                      |
// |     12 |    4 | refusal: the copy-out code the copy is refused with, 0 none |
// |     16 |    8 | initialised size (i64), with flag 1                        |
// A record's ordinal counts the file records of the node frame from 0, each root's record and
// each node's record alike, in the order they are written.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "engine/IRSData.h"

class IFileNode;

namespace uimodel::resultsfile {

constexpr tagGUIDSIGN kFrameCopyOutValues{
    {0x06, 0x21, 0x01, 0xAF, 0x36, 0x27, 0x45, 0x77, 0xB2, 0xED, 0x7B, 0x60, 0x81, 0x8B, 0x41, 0x0D}};

struct CopyOutValue {
    std::optional<long long> initializedSize;
    std::uint32_t u32Refusal = 0;
};

/// Record ordinal -> its values.
using CopyOutValues = std::map<std::uint64_t, CopyOutValue>;

/// Gathers the values while the node frame is written: Note once per file record, in order.
class CopyOutValueList {
public:
    void Note(IFileNode& node);
    /// Writes the frame; nothing when no node had a value to keep. Throws IRSException.
    void Write(IRSData& archive) const;

private:
    std::uint64_t m_u64Ordinal = 0;
    std::uint64_t m_u64Count = 0;
    std::vector<std::uint8_t> m_entries;
};

/// The stored values: empty when the file has no such frame; nullopt when the frame is damaged
/// (a size that does not match its count, ordinals not rising).
std::optional<CopyOutValues> ReadCopyOutValues(IRSData& archive);

}  // namespace uimodel::resultsfile
