#include "engine/carve/SectorWalk.h"

#include <algorithm>

#include "engine/carve/RawFileBuffer.h"

engine::ByteView RawFileWalkSource::Read(std::uint64_t u64Offset, std::uint32_t u32Length) {
    return m_reader.Read(u64Offset, u32Length);
}

SectorWalk::SectorWalk(std::uint32_t u32SectorSize, std::uint64_t u64From, std::uint64_t u64Bound, bool bTailKeyed)
    : m_u32SectorSize(std::max<std::uint32_t>(u32SectorSize, 1)),
      m_u64At(u64From),
      m_u64Bound(u64Bound),
      m_bTailKeyed(bTailKeyed) {}

void SectorWalk::End(std::optional<std::uint64_t> answer) {
    m_answer = answer;
    m_bDone = true;
}

void SectorWalk::Step(IWalkSource& source) {
    if (m_bDone) return;
    if (m_u64At >= m_u64Bound) return End(Stopped(m_u64At));
    std::uint64_t const u64Sector = NextSector();
    engine::ByteView const sector = source.Read(u64Sector, m_u32SectorSize);
    if (sector.Empty()) return End(Stopped(m_u64At));
    if (MayEnd(sector) && Look(source, u64Sector, m_u64At, sector)) return;
    m_u64At = u64Sector + m_u32SectorSize;
}

void SectorWalk::PassTo(std::uint64_t u64Sector) {
    if (m_bDone || u64Sector <= m_u64At) return;
    if (m_u64At >= m_u64Bound) return End(Stopped(m_u64At));
    // Stepping stands at every sector end after the current sector's start; the first of them
    // at or past the bound ends the walk when it comes before the target.
    std::uint64_t const u64First = NextSector();
    std::uint64_t const u64Steps = (m_u64Bound - u64First + m_u32SectorSize - 1) / m_u32SectorSize;
    std::uint64_t const u64AtBound = u64First + u64Steps * m_u32SectorSize;
    if (u64AtBound < u64Sector) {
        m_u64At = u64AtBound;
        return End(Stopped(m_u64At));
    }
    m_u64At = u64Sector;
}

bool EndsInZeros(engine::ByteView sector, std::uint32_t u32Bytes) {
    if (u32Bytes > sector.Size()) return false;
    for (std::size_t i = sector.Size() - u32Bytes; i < sector.Size(); ++i)
        if (sector.U8(i) != 0) return false;
    return true;
}

std::optional<std::uint64_t> RunWalk(SectorWalk& walk, RawFileBuffer& reader) {
    RawFileWalkSource source(reader);
    // Every step moves on by a sector or ends the walk, which is bounded: the loop ends.
    while (!walk.Done()) walk.Step(source);
    return walk.Answer();
}
