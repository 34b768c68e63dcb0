#include "uimodel/resultsfile/PartitionPlacements.h"

#include "engine/SearchedPartitionRecord.h"
#include "uimodel/resultsfile/FileRecord.h"
#include "uimodel/resultsfile/FrameCursor.h"

namespace uimodel::resultsfile {

void PartitionPlacementList::Note(std::uint64_t u64Root, std::uint32_t u32Place,
                                  CSearchedPartitionInfo const& partition) {
    std::vector<std::uint8_t> const stored = StoreSearchedPartitionPlacement(partition);
    if (stored.empty() || stored.size() > kMaxPlacementBytes) return;
    AppendU64(m_entries, u64Root);
    AppendU32(m_entries, u32Place);
    AppendU32(m_entries, static_cast<std::uint32_t>(stored.size()));
    m_entries.insert(m_entries.end(), stored.begin(), stored.end());
    ++m_u64Count;
}

void PartitionPlacementList::Write(IRSData& archive) const {
    WriteCountedFrame(archive, kFramePartitionPlacements, m_u64Count, m_entries);
}

std::optional<PartitionPlacements> ReadPartitionPlacements(IRSData& archive) {
    PartitionPlacements placements;
    bool const bSound =
        ReadCountedFrame(archive, kFramePartitionPlacements, [&](CFrameCursor& cursor, std::uint64_t u64Count) {
            for (std::uint64_t i = 0; i < u64Count; ++i) {
                std::uint64_t u64Root = 0;
                std::uint32_t u32Place = 0, u32Length = 0;
                if (!cursor.TakeU64(u64Root) || !cursor.TakeU32(u32Place) || !cursor.TakeU32(u32Length) ||
                    u32Length > kMaxPlacementBytes || !cursor.Need(u32Length))
                    return false;
                auto const key = std::make_pair(u64Root, u32Place);
                if (!placements.empty() && key <= placements.rbegin()->first) return false;
                engine::ByteView const stored = cursor.View().Sub(0, u32Length);
                placements.emplace_hint(placements.end(), key,
                                        std::vector<std::uint8_t>(stored.Data(), stored.Data() + stored.Size()));
                cursor.Skip(u32Length);
            }
            return cursor.Remaining() == 0;
        });
    if (!bSound) return std::nullopt;
    return placements;
}

}  // namespace uimodel::resultsfile
