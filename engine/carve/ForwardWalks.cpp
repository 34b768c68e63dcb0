#include "engine/carve/ForwardWalks.h"

#include <algorithm>
#include <iterator>

#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/SectorWalk.h"

namespace {

/// A file's bytes as the ring holds them: a view where a read lies in one readable block, a
/// copy where it crosses into the next (a look back across a block's start), the device's
/// bytes where the ring holds none.
class RingSource final : public IWalkSource {
public:
    RingSource(CBufferStorageDevice& ring, std::uint64_t u64FileStart, std::uint32_t u32SectorSize)
        : m_ring(ring), m_u64FileStart(u64FileStart), m_u32SectorSize(u32SectorSize) {}

    engine::ByteView Read(std::uint64_t u64Offset, std::uint32_t u32Length) override {
        if (u32Length == 0) return {};
        std::uint64_t const u64First = m_u64FileStart + u64Offset / m_u32SectorSize;
        std::uint64_t const u64Skip = u64Offset % m_u32SectorSize;
        std::uint64_t const u64Count = (u64Skip + u32Length + m_u32SectorSize - 1) / m_u32SectorSize;
        if (auto const held = m_ring.BlockHolding(u64First); held && !held->bytes.Empty()) {
            std::uint64_t const u64Into = (u64First - held->u64FirstSector) * m_u32SectorSize + u64Skip;
            if (held->bytes.Has(u64Into, u32Length)) return held->bytes.Sub(u64Into, u32Length);
        }
        m_copy.resize(u64Count * m_u32SectorSize);
        if (m_ring.ReadSector(m_copy.data(), static_cast<long long>(u64First), static_cast<long long>(u64Count)) == 0)
            return {};
        return engine::ByteView(m_copy.data() + u64Skip, u32Length);
    }

private:
    CBufferStorageDevice& m_ring;
    std::uint64_t m_u64FileStart;
    std::uint32_t m_u32SectorSize;
    std::vector<std::uint8_t> m_copy;
};

}  // namespace

CForwardWalks::TailList& CForwardWalks::ListOf(CBufferStorageDevice::HeldBlock const& block,
                                               std::uint32_t u32SectorSize, std::uint64_t u64RingStart) {
    while (!m_lists.empty() && m_lists.front().u64FirstSector < u64RingStart) m_lists.pop_front();
    for (TailList& list : m_lists)
        if (list.u64FirstSector == block.u64FirstSector) return list;
    TailList& list = m_lists.emplace_back();
    list.u64FirstSector = block.u64FirstSector;
    std::uint8_t const* const pBytes = block.bytes.Data();
    auto const u32Sectors = static_cast<std::uint32_t>(block.bytes.Size() / u32SectorSize);
    for (std::uint32_t i = 0; i < u32Sectors; ++i) {
        std::uint8_t const* const pTail = pBytes + std::size_t{i + 1} * u32SectorSize - 2;
        if (SectorWalk::IsTailKey(static_cast<std::uint16_t>(pTail[0] << 8 | pTail[1]))) list.sectors.push_back(i);
    }
    return list;
}

std::vector<std::uint32_t> const& CForwardWalks::Interesting(CBufferStorageDevice::HeldBlock const& block,
                                                             std::uint32_t u32SectorSize, std::uint64_t u64RingStart,
                                                             std::string_view marker, std::size_t reach) {
    TailList& list = ListOf(block, u32SectorSize, u64RingStart);
    if (marker.empty()) return list.sectors;
    reach = std::max(reach, marker.size());
    for (MarkedList const& known : list.marked)
        if (known.marker == marker && known.reach == reach) return known.sectors;
    // The block's first sector stands for a marker straddling the block's start, which this
    // block alone cannot tell: looked at, a sector answers exactly, so more is never wrong.
    std::vector<std::uint32_t> hits = {0};
    std::string_view const bytes(reinterpret_cast<char const*>(block.bytes.Data()), block.bytes.Size());
    auto const u32Sectors = static_cast<std::uint32_t>(block.bytes.Size() / u32SectorSize);
    // Every find moves on by a byte at least: the loop ends.
    for (std::size_t at = bytes.find(marker); at != std::string_view::npos; at = bytes.find(marker, at + 1)) {
        auto const u32Sector = static_cast<std::uint32_t>(at / u32SectorSize);
        auto const u32Last = static_cast<std::uint32_t>((at + reach - 1) / u32SectorSize);
        // Held wholly in its sector it is seen there; straddling the sector's end, from the next.
        std::uint32_t const u32Seen = u32Sector == u32Last ? u32Sector : u32Sector + 1;
        if (u32Seen < u32Sectors && hits.back() != u32Seen) hits.push_back(u32Seen);
    }
    std::vector<std::uint32_t> merged;
    merged.reserve(hits.size() + list.sectors.size());
    std::set_union(hits.begin(), hits.end(), list.sectors.begin(), list.sectors.end(), std::back_inserter(merged));
    list.marked.push_back({marker, reach, std::move(merged)});
    return list.marked.back().sectors;
}

void CForwardWalks::Advance(SectorWalk& walk, std::uint64_t u64FileStart, CBufferStorageDevice& ring,
                            std::uint64_t u64EndSector) {
    std::uint32_t const u32SectorSize = walk.SectorSize();
    // A walk made for other sectors than the ring's, or too small to have a tail, is left to the device.
    if (u32SectorSize < 2 || static_cast<int>(u32SectorSize) != ring.GetSectorSize()) return;
    RingSource source(ring, u64FileStart, u32SectorSize);
    // Every pass moves the walk on to a later block, or ends it: the loop ends.
    while (!walk.Done()) {
        std::uint64_t const u64At = u64FileStart + walk.NextSector() / u32SectorSize;
        if (u64At >= u64EndSector) return;
        auto const held = ring.BlockHolding(u64At);
        if (!held) return;
        std::uint64_t const u64BlockEnd = std::min(held->u64FirstSector + held->u64Sectors, u64EndSector);
        auto const sectorOf = [&](std::uint64_t u64Sector) { return (u64Sector - u64FileStart) * u32SectorSize; };
        if (held->bytes.Empty() || !walk.TailKeyed()) {
            // Every sector is looked at: as the device gives it where the scan could not read it.
            RawFileBuffer reader(&ring, u64FileStart);
            RawFileWalkSource device(reader);
            IWalkSource& each = held->bytes.Empty() ? static_cast<IWalkSource&>(device) : source;
            while (!walk.Done() && u64FileStart + walk.NextSector() / u32SectorSize < u64BlockEnd) walk.Step(each);
            continue;
        }
        std::vector<std::uint32_t> const& tails =
            Interesting(*held, u32SectorSize, ring.GetDeviceStartSector(), walk.Marker(), walk.MarkerReach());
        auto it =
            std::lower_bound(tails.begin(), tails.end(), static_cast<std::uint32_t>(u64At - held->u64FirstSector));
        for (; it != tails.end() && !walk.Done(); ++it) {
            std::uint64_t const u64Sector = held->u64FirstSector + *it;
            if (u64Sector >= u64BlockEnd) break;
            walk.PassTo(sectorOf(u64Sector));
            if (!walk.Done()) walk.Step(source);
        }
        walk.PassTo(sectorOf(u64BlockEnd));
    }
}
