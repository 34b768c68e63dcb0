#pragma once
// What a found volume may read, where that is not simply its own sectors of the scanned device:
// a volume found inside a file of another volume is read through the file (its sectors are the
// file's bytes in the file's order, and it ends where the file ends); a volume inside a virtual
// disk's container is not read at all; and the device sectors that another volume uses now (a
// volume formatted over it, new files of the volume holding its image) hold none of its files'
// bytes any more. Copy-out judges each file by it; a results file keeps it beside the partition
// record, so that a reloaded scan reads and judges the same bytes.
//
// Stored form, all little-endian: u32 version (1), u64 view sectors, u32 extent count E, E x (i64
// view sector, i64 device sector, i64 count), u32 taken span count T, T x (i64 first, i64 end),
// u32 doubtful span count D, D x (i64 first, i64 end), u32 length L (at most 1023), L bytes of the
// container's name (UTF-8).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ByteView.h"
#include "engine/core/device/SectorExtents.h"
#include "engine/core/util/SpanSet.h"

class CVolumePlacement {
public:
    /// Span sets are kept to this many spans: a larger one is coarsened (it only grows), so that
    /// the stored form stays bounded and the live scan judges as its reload does.
    static constexpr std::size_t kMaxSpans = 65536;
    static constexpr std::size_t kMaxExtents = 65536;
    static constexpr std::size_t kMaxContainerName = 1023;

    /// The view the volume is read through: the holding file's sectors; none when the volume is
    /// read from the device's own sectors.
    std::vector<SectorExtent> m_view;
    std::int64_t m_s64ViewSectors = 0;
    /// Device sectors another volume uses now: a file lying on one is overwritten.
    CSpanSet m_taken;
    /// Device sectors whose bytes may be another's (past what is known to be the volume's own):
    /// a file lying on one is copied with a note.
    CSpanSet m_doubtful;
    /// The virtual disk the volume lies in, named with its format ("vm.qcow2 (qcow2)"): none of
    /// its files is read.
    std::string m_container;

    bool HasView() const { return m_s64ViewSectors > 0; }
    /// Whether it says anything at all.
    bool Empty() const { return !HasView() && m_taken.Empty() && m_doubtful.Empty() && m_container.empty(); }
    /// Bounds the span sets and the extents to what the stored form keeps.
    void Bound();

    /// The copy-out code of a file whose bytes lie on `sectors`, sectors of what the volume is
    /// read from (the view when it has one, else the device): kCodeInVirtualDisk for any file of a
    /// volume in a container, kCodeOverwritten when one lies on what another volume uses now,
    /// kCodePossiblyOverwritten (a note) when one lies where the bytes may be another's, else 0.
    std::uint32_t Judge(CSpanSet const& sectors) const;
    /// Whether Judge's answer depends on the sectors at all: a caller spares working them out.
    bool JudgesBySectors() const { return m_container.empty() && !(m_taken.Empty() && m_doubtful.Empty()); }
    /// The device sectors that `sectors` (sectors of what the volume is read from) lie on.
    CSpanSet DeviceSectors(CSpanSet const& sectors) const;

    /// This placement seen from below a view `outer` of the device: its sectors and extents
    /// given in `outer`'s view become the device's, and `outer`'s own judgements apply too.
    CVolumePlacement OnTopOf(CVolumePlacement const& outer) const;

    std::vector<std::uint8_t> Store() const;
    /// Null for bytes that are not a whole stored form or name more than they hold.
    static std::optional<CVolumePlacement> Load(engine::ByteView bytes);
};
