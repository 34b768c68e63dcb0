#include "uimodel/resultsfile/FileRecord.h"

#include <bit>
#include <cstring>

#include "engine/ByteWriter.h"
#include "engine/FileNode.h"
#include "engine/FileTimeTicks.h"
#include "engine/IFileNode.h"
#include "uimodel/resultsfile/FrameCursor.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"

namespace uimodel::resultsfile {

namespace {

/// Appends `size` zero bytes and answers a writer over them.
engine::ByteWriter Grow(std::vector<std::uint8_t>& out, std::size_t size) {
    std::size_t const start = out.size();
    out.resize(start + size);
    return engine::ByteWriter(std::span<std::uint8_t>(out.data() + start, size));
}

/// The little-endian value at `pBytes`, which the caller has checked to hold it.
template <class Value>
Value LoadLe(std::uint8_t const* pBytes) {
    Value value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, pBytes, sizeof value);
    } else {
        for (std::size_t i = sizeof value; i-- > 0;) value = static_cast<Value>((value << 8) | pBytes[i]);
    }
    return value;
}

std::size_t CountRuns(IDataRunList* pRuns) {
    std::size_t count = 0;
    if (!pRuns) return 0;
    // The count field is 32 bits wide; no list comes near that.
    for (DataRun const* pRun = pRuns->GetFirst(); pRun && count < UINT32_MAX; pRun = pRuns->GetNext()) ++count;
    return count;
}

}  // namespace

std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character cut in two.
    while (end > 0 && (static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t u32Value) { Grow(out, 4).Le32(0, u32Value); }

void AppendU64(std::vector<std::uint8_t>& out, std::uint64_t u64Value) { Grow(out, 8).Le64(0, u64Value); }

void AppendText(std::vector<std::uint8_t>& out, std::string_view text, std::size_t maxBytes) {
    std::string_view const cut = CutAtCharacter(text, maxBytes);
    AppendU32(out, static_cast<std::uint32_t>(cut.size()));
    out.insert(out.end(), cut.begin(), cut.end());
}

void AppendFileRecord(std::vector<std::uint8_t>& out, IFileNode& node) {
    auto* pFileNode = dynamic_cast<CFileNode*>(&node);
    IDataRunList* pRuns = pFileNode ? pFileNode->GetDataRunList() : nullptr;
    std::size_t const runCount = CountRuns(pRuns);

    engine::ByteWriter head = Grow(out, kRecordHeadSize + runCount * kRunSize);
    head.Le64(0, static_cast<std::uint64_t>(node.GetCurrentNodeID()));
    head.Le64(8, static_cast<std::uint64_t>(node.GetParentNodeID()));
    head.Le64(16, static_cast<std::uint64_t>(node.GetFileSize()));
    head.Le16(24, static_cast<std::uint16_t>(node.GetAttribute()));
    head.Le64(26, FileTimeTicks(node.GetCreationTime()));
    head.Le64(34, FileTimeTicks(node.GetModificationTime()));
    head.Le64(42, FileTimeTicks(node.GetLastAccessTime()));
    head.Le32(50, node.IsDirectory() ? 1 : 0);
    head.Le32(54, node.IsDeleted() ? 1 : 0);
    head.Le32(58, static_cast<std::uint32_t>(runCount));
    head.Le32(62, pRuns ? static_cast<std::uint32_t>(pRuns->IsResident()) : 0);
    DataRun const* pRun = runCount ? pRuns->GetFirst() : nullptr;
    for (std::size_t i = 0; i < runCount && pRun; ++i, pRun = pRuns->GetNext()) {
        head.Le64(kRecordHeadSize + i * kRunSize, static_cast<std::uint64_t>(pRun->s64Start));
        head.Le64(kRecordHeadSize + i * kRunSize + 8, static_cast<std::uint64_t>(pRun->s64Length));
    }

    AppendText(out, CFileNode::NameOrEmpty(node.GetFileName()), kMaxName);

    engine::ByteWriter tail = Grow(out, kRecordTailSize);
    tail.Le32(0, node.IsNodeShow() ? 1 : 0);
    tail.Le16(4, pFileNode ? pFileNode->GetBelongedPartition() : CFileNode::kNoPartition);
    tail.Le64(6, static_cast<std::uint64_t>(pFileNode ? pFileNode->GetMetadataStartPosition() : -1));
    tail.Le32(14, node.IsCompressed() ? 1 : 0);
}

std::optional<StoredFileRecord> ReadFileRecord(CFrameCursor& cursor) {
    StoredFileRecord record;
    if (!ReadFileRecord(cursor, record)) return std::nullopt;
    return record;
}

bool ReadFileRecord(CFrameCursor& cursor, StoredFileRecord& record) {
    // Each part is read from bytes the cursor has just made available: one check a part, not
    // one a field (a load reads a million records).
    if (!cursor.Need(kRecordHeadSize)) return false;
    std::uint8_t const* pHead = cursor.View().Data();
    record.s64NodeID = static_cast<std::int64_t>(LoadLe<std::uint64_t>(pHead + 0));
    record.s64ParentID = static_cast<std::int64_t>(LoadLe<std::uint64_t>(pHead + 8));
    record.u64Size = LoadLe<std::uint64_t>(pHead + 16);
    record.u16Attribute = LoadLe<std::uint16_t>(pHead + 24);
    record.u64Created = LoadLe<std::uint64_t>(pHead + 26);
    record.u64Modified = LoadLe<std::uint64_t>(pHead + 34);
    record.u64Accessed = LoadLe<std::uint64_t>(pHead + 42);
    record.u32Folder = LoadLe<std::uint32_t>(pHead + 50);
    record.u32Deleted = LoadLe<std::uint32_t>(pHead + 54);
    std::uint32_t const u32Runs = LoadLe<std::uint32_t>(pHead + 58);
    record.u32Resident = LoadLe<std::uint32_t>(pHead + 62);
    cursor.Skip(kRecordHeadSize);

    // The runs and the name length arrive together: one check covers both, and a count the
    // frame cannot hold fails it before anything is allocated.
    std::size_t const runBytes = std::size_t{u32Runs} * kRunSize;
    if (!cursor.Need(runBytes + 4)) return false;
    std::uint8_t const* pRuns = cursor.View().Data();
    record.runs.resize(u32Runs);
    for (std::size_t i = 0; i < u32Runs; ++i) {
        record.runs[i].s64Start = static_cast<long long>(LoadLe<std::uint64_t>(pRuns + i * kRunSize));
        record.runs[i].s64Length = static_cast<long long>(LoadLe<std::uint64_t>(pRuns + i * kRunSize + 8));
    }
    std::uint32_t const u32NameLength = LoadLe<std::uint32_t>(pRuns + runBytes);
    if (u32NameLength > kMaxName) return false;
    cursor.Skip(runBytes + 4);

    if (!cursor.Need(u32NameLength + kRecordTailSize)) return false;
    std::uint8_t const* pRest = cursor.View().Data();
    record.name.assign(reinterpret_cast<char const*>(pRest), u32NameLength);
    // The stored shown flag is not used: a loaded node is shown whatever a search hid.
    record.u16Partition = LoadLe<std::uint16_t>(pRest + u32NameLength + 4);
    record.s64Metadata = static_cast<std::int64_t>(LoadLe<std::uint64_t>(pRest + u32NameLength + 6));
    record.u32Compressed = LoadLe<std::uint32_t>(pRest + u32NameLength + 14);
    cursor.Skip(u32NameLength + kRecordTailSize);
    return true;
}

}  // namespace uimodel::resultsfile
