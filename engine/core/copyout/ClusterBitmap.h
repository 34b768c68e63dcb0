#pragma once
// Which clusters of a volume are allocated now, one bit each (NTFS's $Bitmap, exFAT's allocation
// bitmap), and the one rule every file system applies with it: a deleted file whose clusters
// other files hold now has lost its bytes, and its copy is refused.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class IDataRunList;

class CClusterBitmap {
public:
    /// `bits`: bit n (least significant first) of byte n / 8 set for allocated cluster n;
    /// `u64VolumeClusters`: how many clusters the volume has.
    CClusterBitmap(std::vector<std::uint8_t> bits, std::uint64_t u64VolumeClusters)
        : m_bits(std::move(bits)), m_u64VolumeClusters(u64VolumeClusters) {}
    /// Every cluster free; MarkAllocated then gives clusters to files. For a volume whose own
    /// bitmap is lost: the clusters its rebuilt live files use stand in for it.
    explicit CClusterBitmap(std::uint64_t u64VolumeClusters)
        : m_bits(static_cast<std::size_t>((u64VolumeClusters + 7) / 8)), m_u64VolumeClusters(u64VolumeClusters) {}

    /// Marks the range allocated, cut at the volume's end.
    void MarkAllocated(std::uint64_t u64First, std::uint64_t u64Count);

    /// 0 when every cluster of the range is free; a copy-out code otherwise: kCodePastEnd when it
    /// reaches past the volume, kCodeIoFailure ("unreadable") past the bitmap's end, which says
    /// nothing about them, kCodeOverwritten when one of them is allocated.
    std::uint32_t RangeRefusal(std::uint64_t u64First, std::uint64_t u64Count) const;
    /// The refusal of the runs that hold the data's first `u64Bytes` bytes (holes hold none),
    /// clusters counted from `s64Base` on (the runs' cluster 0 is the bitmap's cluster `s64Base`).
    /// Costs one pass over the runs and the bitmap bytes they cover; the cursor of `runs` moves.
    std::uint32_t RunsRefusal(IDataRunList& runs, std::uint64_t u64ClusterBytes, std::uint64_t u64Bytes,
                              std::int64_t s64Base = 0) const;

    /// Calls `allocated` with each stretch of allocated clusters (first, count), in order, within
    /// the volume and the bitmap; whole free or whole allocated bytes cost one look each.
    void ForEachAllocated(std::function<void(std::uint64_t, std::uint64_t)> const& allocated) const;

private:
    std::vector<std::uint8_t> m_bits;
    std::uint64_t m_u64VolumeClusters;
};
