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
    if (m_u64Count == 0) return;
    std::vector<std::uint8_t> bytes;
    AppendU64(bytes, m_u64Count);
    bytes.insert(bytes.end(), m_entries.begin(), m_entries.end());
    archive.OpenFrame(kFramePartitionPlacements);
    archive.WriteCurFrame(bytes.data(), static_cast<unsigned int>(bytes.size()));
    archive.CloseFrame();
}

std::optional<PartitionPlacements> ReadPartitionPlacements(IRSData& archive) {
    PartitionPlacements placements;
    try {
        archive.OpenFrame(kFramePartitionPlacements);
    } catch (IRSException const&) {
        return placements;  // saved without one
    }
    bool bSound = false;
    try {
        CFrameCursor cursor(archive);
        std::uint64_t u64Count = 0;
        bSound = cursor.TakeU64(u64Count);
        for (std::uint64_t i = 0; bSound && i < u64Count; ++i) {
            std::uint64_t u64Root = 0;
            std::uint32_t u32Place = 0, u32Length = 0;
            bSound = cursor.TakeU64(u64Root) && cursor.TakeU32(u32Place) && cursor.TakeU32(u32Length) &&
                     u32Length <= kMaxPlacementBytes && cursor.Need(u32Length);
            auto const key = std::make_pair(u64Root, u32Place);
            bSound = bSound && (placements.empty() || key > placements.rbegin()->first);
            if (!bSound) break;
            engine::ByteView const stored = cursor.View().Sub(0, u32Length);
            placements.emplace_hint(placements.end(), key,
                                    std::vector<std::uint8_t>(stored.Data(), stored.Data() + stored.Size()));
            cursor.Skip(u32Length);
        }
        bSound = bSound && cursor.Remaining() == 0;
        archive.CloseFrame();
    } catch (IRSException const&) {
        bSound = false;
    }
    if (!bSound) return std::nullopt;
    return placements;
}

}  // namespace uimodel::resultsfile
