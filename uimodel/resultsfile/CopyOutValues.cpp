#include "uimodel/resultsfile/CopyOutValues.h"

#include "engine/FileNode.h"
#include "uimodel/resultsfile/FileRecord.h"
#include "uimodel/resultsfile/FrameCursor.h"

namespace uimodel::resultsfile {

namespace {
constexpr std::size_t kEntrySize = 24;
constexpr std::uint32_t kHoldsInitializedSize = 1;
}  // namespace

void CopyOutValueList::Note(IFileNode& node) {
    std::uint64_t const u64Ordinal = m_u64Ordinal++;
    auto* pFileNode = dynamic_cast<CFileNode*>(&node);
    if (!pFileNode) return;
    std::optional<long long> initialized = pFileNode->GetInitializedSize();
    // Equal to the size it says nothing; any other value is kept as found, so a loaded file is
    // copied (or refused) as the scanned one was.
    if (initialized && *initialized == node.GetFileSize()) initialized.reset();
    std::uint32_t const u32Refusal = pFileNode->GetCopyRefusal();
    if (!initialized && u32Refusal == 0) return;
    AppendU64(m_entries, u64Ordinal);
    AppendU32(m_entries, initialized ? kHoldsInitializedSize : 0);
    AppendU32(m_entries, u32Refusal);
    AppendU64(m_entries, static_cast<std::uint64_t>(initialized.value_or(0)));
    ++m_u64Count;
}

void CopyOutValueList::Write(IRSData& archive) const {
    WriteCountedFrame(archive, kFrameCopyOutValues, m_u64Count, m_entries);
}

std::optional<CopyOutValues> ReadCopyOutValues(IRSData& archive) {
    CopyOutValues values;
    bool const bSound =
        ReadCountedFrame(archive, kFrameCopyOutValues, [&](CFrameCursor& cursor, std::uint64_t u64Count) {
            if (cursor.Remaining() % kEntrySize != 0 || cursor.Remaining() / kEntrySize != u64Count) return false;
            for (std::uint64_t i = 0; i < u64Count; ++i) {
                if (!cursor.Need(kEntrySize)) return false;
                engine::ByteView const entry = cursor.View();
                std::uint64_t const u64Ordinal = entry.Le64(0);
                if (!values.empty() && u64Ordinal <= values.rbegin()->first) return false;
                CopyOutValue value;
                if ((entry.Le32(8) & kHoldsInitializedSize) != 0)
                    value.initializedSize = static_cast<long long>(entry.Le64(16));
                value.u32Refusal = entry.Le32(12);
                values.emplace_hint(values.end(), u64Ordinal, value);
                cursor.Skip(kEntrySize);
            }
            return true;
        });
    if (!bSound) return std::nullopt;
    return values;
}

}  // namespace uimodel::resultsfile
