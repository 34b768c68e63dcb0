#include "engine/fat/FATForeignClusters.h"

#include <iterator>
#include <vector>

#include "engine/IDataRunList.h"
#include "engine/IStorageDevice.h"
#include "engine/core/partition/BootSector.h"

CFATForeignClusters::Spans::iterator CFATForeignClusters::Add(Spans& spans, std::uint64_t u64First, Span const& span) {
    if (span.u64End <= u64First || Find(spans, u64First) != nullptr) return spans.end();
    auto const after = spans.upper_bound(u64First);
    if (after != spans.end() && after->first < span.u64End) return spans.end();
    return spans.emplace_hint(after, u64First, span);
}

CFATForeignClusters::Span const* CFATForeignClusters::Find(Spans const& spans, std::uint64_t u64At) {
    auto const after = spans.upper_bound(u64At);
    if (after == spans.begin()) return nullptr;
    auto const at = std::prev(after);
    return u64At < at->second.u64End ? &at->second : nullptr;
}

void CFATForeignClusters::AddOtherVolume(std::int64_t s64First, std::int64_t s64End) {
    if (s64First >= 0 && s64End > s64First)
        Add(m_volumes, static_cast<std::uint64_t>(s64First), Span{static_cast<std::uint64_t>(s64End)});
}

void CFATForeignClusters::AddLiveFile(IDataRunList& runs, bool bChainKnown) {
    DataRun const* pFirst = runs.GetFirst();
    if (pFirst == nullptr || pFirst->s64Start < 0) return;
    auto const u32FileFirst = static_cast<std::uint32_t>(pFirst->s64Start + 2);
    for (DataRun const* pRun = pFirst; pRun != nullptr; pRun = runs.GetNext()) {
        if (pRun->s64Start < 0 || pRun->s64Length <= 0) continue;
        std::uint64_t const u64First = static_cast<std::uint64_t>(pRun->s64Start) + 2;
        std::uint64_t const u64End = u64First + static_cast<std::uint64_t>(pRun->s64Length);
        // A chain right after the last one joins it where nothing lies behind.
        if (bChainKnown && m_lastChain != m_files.end() && m_lastChain->second.u64End == u64First) {
            auto const next = std::next(m_lastChain);
            if (next == m_files.end() || next->first >= u64End) {
                m_lastChain->second.u64End = u64End;
                continue;
            }
        }
        auto const added = Add(m_files, u64First, Span{u64End, u32FileFirst, bChainKnown});
        if (bChainKnown && added != m_files.end()) m_lastChain = added;
    }
}

bool CFATForeignClusters::Holds(std::uint64_t u64Cluster) {
    if (!m_volumes.empty() && Find(m_volumes, m_geometry.ClusterToSector(u64Cluster)) != nullptr) return true;
    Span const* pFile = Find(m_files, u64Cluster);
    return pFile != nullptr && (pFile->bKnown || IsImage(pFile->u32FileFirst));
}

bool CFATForeignClusters::HoldsSector(std::int64_t s64Sector) {
    if (s64Sector < 0) return false;
    auto const u64Sector = static_cast<std::uint64_t>(s64Sector);
    if (Find(m_volumes, u64Sector) != nullptr) return true;
    if (u64Sector < m_geometry.u64FirstDataSector || m_geometry.u32SectorsPerCluster == 0) return false;
    return Holds((u64Sector - m_geometry.u64FirstDataSector) / m_geometry.u32SectorsPerCluster + 2);
}

bool CFATForeignClusters::IsImage(std::uint32_t u32Cluster) {
    auto const [it, bNew] = m_images.emplace(u32Cluster, false);
    if (!bNew || m_pDevice == nullptr) return it->second;
    std::vector<std::uint8_t> sector(m_geometry.u32SectorSize);
    it->second =
        m_pDevice->ReadSector(sector.data(), static_cast<long long>(m_geometry.ClusterToSector(u32Cluster)), 1) &&
        partition::BootSectorFileSystem(engine::ByteView(sector.data(), sector.size()), m_geometry.u32SectorSize) !=
            FILE_SYSTEM_UNRECOGNISED;
    return it->second;
}
