#pragma once
// One node's file record (layout in ResultsFileLayout.h): appended from a live node by the
// writer, and read back by the reader into a host-order record that a loaded node is made from.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/IDataRunList.h"

class IFileNode;

namespace uimodel::resultsfile {

class CFrameCursor;

struct StoredFileRecord {
    std::int64_t s64NodeID = -1;
    std::int64_t s64ParentID = -1;
    std::uint64_t u64Size = 0;
    std::uint16_t u16Attribute = 0;
    std::uint64_t u64Created = 0;
    std::uint64_t u64Modified = 0;
    std::uint64_t u64Accessed = 0;
    std::uint32_t u32Folder = 0;
    std::uint32_t u32Deleted = 0;
    std::uint32_t u32Resident = 0;
    std::vector<DataRun> runs;
    std::string name;
    std::uint16_t u16Partition = 0xFFFF;
    std::int64_t s64Metadata = -1;
    std::uint32_t u32Compressed = 0;
};

/// The longest prefix of `text` of at most `maxBytes` bytes that ends on a UTF-8 character
/// boundary: stored names are cut where the reader's limits are, never inside a character.
std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes);

/// Appends a u32 length and the bytes of `text` cut to `maxBytes`.
void AppendText(std::vector<std::uint8_t>& out, std::string_view text, std::size_t maxBytes);
void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t u32Value);
void AppendU64(std::vector<std::uint8_t>& out, std::uint64_t u64Value);

/// Appends the node's file record: every run, and a name of at most 65535 bytes.
void AppendFileRecord(std::vector<std::uint8_t>& out, IFileNode& node);

/// Reads one file record at the cursor; nullopt when the frame ends inside it (a run count
/// beyond the frame's bytes included: nothing is allocated for it) or a name length is above
/// 65535 (the cursor is then out of step: the replay must end).
std::optional<StoredFileRecord> ReadFileRecord(CFrameCursor& cursor);
/// The same into `record`, whose run list keeps its room from one record to the next (a load
/// reads a million); false where the above answers nullopt.
bool ReadFileRecord(CFrameCursor& cursor, StoredFileRecord& record);

}  // namespace uimodel::resultsfile
