#include "engine/hfsplus/HfsPlusForkExtents.h"

#include "engine/hfsplus/HfsPlusResult.h"

namespace hfsplus {

ForkExtents CollectForkExtents(HFSPlusForkData const& fork, std::uint32_t u32VolumeBlocks, OverflowLookup const& lookup,
                               std::uint32_t u32MaxLookups) {
    ForkExtents out;
    std::uint64_t u64Covered = 0;
    std::uint64_t const u64Wanted = fork.u32TotalBlocks;
    HFSPlusExtentRecord record = fork.extents;
    for (std::uint32_t u32Lookups = 0;; ++u32Lookups) {
        std::uint64_t const u64Before = u64Covered;
        for (HFSPlusExtentDescriptor const& extent : record) {
            if (u64Covered >= u64Wanted) return out;
            if (extent.u32BlockCount == 0) break;
            std::uint64_t const u64End = std::uint64_t{extent.u32StartBlock} + extent.u32BlockCount;
            if (u64End > u32VolumeBlocks) {
                out.result = HFSPLUS_RESULT(kCodeBadData);
                return out;
            }
            // A fork never holds more than its totalBlocks: a longer extent is cut there.
            std::uint64_t const u64Take = std::min<std::uint64_t>(extent.u32BlockCount, u64Wanted - u64Covered);
            out.extents.push_back({extent.u32StartBlock, static_cast<std::uint32_t>(u64Take)});
            u64Covered += u64Take;
        }
        if (u64Covered >= u64Wanted) return out;
        bool const bProgress = u64Covered > u64Before;
        if (!bProgress || !lookup || u32Lookups >= u32MaxLookups) break;
        std::optional<HFSPlusExtentRecord> const next = lookup(static_cast<std::uint32_t>(u64Covered));
        if (!next) break;
        record = *next;
    }
    out.result = HFSPLUS_RESULT(kCodeBadData);
    return out;
}

}  // namespace hfsplus
