#include "engine/core/copyout/ClusterBitmap.h"

#include <algorithm>

#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"

std::uint32_t CClusterBitmap::RangeRefusal(std::uint64_t u64First, std::uint64_t u64Count) const {
    if (u64Count == 0) return 0;
    if (u64First >= m_u64VolumeClusters || u64Count > m_u64VolumeClusters - u64First) return kCodePastEnd;
    std::uint64_t const u64End = u64First + u64Count;
    if (u64End > std::uint64_t{m_bits.size()} * 8) return kCodeIoFailure;
    std::uint64_t u64Cluster = u64First;
    // Bit by bit up to a byte boundary, then whole bytes, then the tail bits.
    for (; u64Cluster < u64End && u64Cluster % 8 != 0; ++u64Cluster)
        if ((m_bits[u64Cluster / 8] >> (u64Cluster % 8) & 1) != 0) return kCodeOverwritten;
    std::uint64_t const u64WholeEnd = u64End / 8 * 8;
    if (u64Cluster < u64WholeEnd) {
        auto const first = m_bits.begin() + static_cast<std::ptrdiff_t>(u64Cluster / 8);
        auto const last = m_bits.begin() + static_cast<std::ptrdiff_t>(u64WholeEnd / 8);
        if (std::any_of(first, last, [](std::uint8_t u8Byte) { return u8Byte != 0; })) return kCodeOverwritten;
        u64Cluster = u64WholeEnd;
    }
    for (; u64Cluster < u64End; ++u64Cluster)
        if ((m_bits[u64Cluster / 8] >> (u64Cluster % 8) & 1) != 0) return kCodeOverwritten;
    return 0;
}

void CClusterBitmap::MarkAllocated(std::uint64_t u64First, std::uint64_t u64Count) {
    std::uint64_t const u64Bits = std::uint64_t{m_bits.size()} * 8;
    if (u64First >= u64Bits) return;
    std::uint64_t const u64End = u64First + std::min(u64Count, u64Bits - u64First);
    auto const mark = [this](std::uint64_t u64Cluster) {
        m_bits[u64Cluster / 8] = static_cast<std::uint8_t>(m_bits[u64Cluster / 8] | 1u << (u64Cluster % 8));
    };
    // Bit by bit up to a byte boundary, then whole bytes (a hostile entry may claim the whole
    // volume, many times over), then the tail bits.
    std::uint64_t u64Cluster = u64First;
    for (; u64Cluster < u64End && u64Cluster % 8 != 0; ++u64Cluster) mark(u64Cluster);
    std::uint64_t const u64WholeEnd = std::max(u64Cluster, u64End / 8 * 8);
    std::fill(m_bits.begin() + static_cast<std::ptrdiff_t>(u64Cluster / 8),
              m_bits.begin() + static_cast<std::ptrdiff_t>(u64WholeEnd / 8), std::uint8_t{0xFF});
    for (u64Cluster = u64WholeEnd; u64Cluster < u64End; ++u64Cluster) mark(u64Cluster);
}

std::uint32_t CClusterBitmap::RunsRefusal(IDataRunList& runs, std::uint64_t u64ClusterBytes, std::uint64_t u64Bytes,
                                          std::int64_t s64Base) const {
    if (u64ClusterBytes == 0 || runs.IsResident()) return 0;
    std::uint64_t u64Needed = u64Bytes / u64ClusterBytes + (u64Bytes % u64ClusterBytes != 0 ? 1 : 0);
    for (DataRun const* pRun = runs.GetFirst(); pRun != nullptr && u64Needed > 0; pRun = runs.GetNext()) {
        if (pRun->s64Length <= 0) break;
        std::uint64_t const u64Take = std::min<std::uint64_t>(u64Needed, static_cast<std::uint64_t>(pRun->s64Length));
        u64Needed -= u64Take;
        if (pRun->s64Start < 0) continue;  // a hole
        if (pRun->s64Start > INT64_MAX - s64Base || pRun->s64Start + s64Base < 0) return kCodePastEnd;
        if (std::uint32_t const u32Refusal =
                RangeRefusal(static_cast<std::uint64_t>(pRun->s64Start + s64Base), u64Take))
            return u32Refusal;
    }
    return 0;
}

void CClusterBitmap::ForEachAllocated(std::function<void(std::uint64_t, std::uint64_t)> const& allocated) const {
    std::uint64_t const u64End = std::min<std::uint64_t>(m_u64VolumeClusters, std::uint64_t{m_bits.size()} * 8);
    std::uint64_t u64Start = 0;
    bool bInRun = false;
    for (std::uint64_t u64Cluster = 0; u64Cluster < u64End;) {
        std::uint8_t const u8Byte = m_bits[u64Cluster / 8];
        if (u64Cluster % 8 == 0 && u64End - u64Cluster >= 8 && (u8Byte == 0 || u8Byte == 0xFF)) {
            bool const bAllocated = u8Byte == 0xFF;
            if (bAllocated && !bInRun) u64Start = u64Cluster;
            if (!bAllocated && bInRun) allocated(u64Start, u64Cluster - u64Start);
            bInRun = bAllocated;
            u64Cluster += 8;
            continue;
        }
        bool const bAllocated = (u8Byte >> (u64Cluster % 8) & 1) != 0;
        if (bAllocated && !bInRun) u64Start = u64Cluster;
        if (!bAllocated && bInRun) allocated(u64Start, u64Cluster - u64Start);
        bInRun = bAllocated;
        ++u64Cluster;
    }
    if (bInRun) allocated(u64Start, u64End - u64Start);
}
