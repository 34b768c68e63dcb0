#include "engine/core/crossvolume/VolumePlacement.h"

#include "engine/ByteWriter.h"
#include "engine/IDataRecovery.h"

namespace {

constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kSpanBytes = 16;
constexpr std::size_t kExtentBytes = 24;

/// Appends little-endian values to a growing buffer.
class Appender {
public:
    void U32(std::uint32_t u32Value) { Put(u32Value, 4); }
    void U64(std::uint64_t u64Value) { Put(u64Value, 8); }
    void Spans(CSpanSet const& spans) {
        U32(static_cast<std::uint32_t>(spans.Spans().size()));
        for (CSpanSet::Span const& span : spans.Spans()) {
            U64(static_cast<std::uint64_t>(span.first));
            U64(static_cast<std::uint64_t>(span.second));
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    void Put(std::uint64_t u64Value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) m_bytes.push_back(static_cast<std::uint8_t>(u64Value >> (8 * i)));
    }
    std::vector<std::uint8_t> m_bytes;
};

/// Reads the stored form in order; a read past the end fails every read after it.
class Taker {
public:
    explicit Taker(engine::ByteView bytes) : m_bytes(bytes) {}
    bool Ok() const { return m_ok; }
    std::size_t Left() const { return m_ok ? m_bytes.Size() - m_at : 0; }
    std::uint32_t U32() { return Has(4) ? m_bytes.Le32(Advance(4)) : 0; }
    std::int64_t I64() { return Has(8) ? static_cast<std::int64_t>(m_bytes.Le64(Advance(8))) : 0; }
    /// A count of items of `itemBytes` each; 0 with the reader failed when they cannot all be there.
    std::uint32_t Count(std::size_t itemBytes, std::size_t max) {
        std::uint32_t const u32Count = U32();
        if (u32Count > max || u32Count > Left() / itemBytes) m_ok = false;
        return m_ok ? u32Count : 0;
    }
    bool Spans(CSpanSet& spans, std::size_t max) {
        std::uint32_t const u32Count = Count(kSpanBytes, max);
        for (std::uint32_t i = 0; i < u32Count; ++i) {
            std::int64_t const s64First = I64();
            spans.Add(s64First, I64());
        }
        return m_ok;
    }
    std::string Text(std::size_t max) {
        std::uint32_t const u32Length = Count(1, max);
        if (!Has(u32Length)) return {};
        engine::ByteView const text = m_bytes.Sub(Advance(u32Length), u32Length);
        return std::string(reinterpret_cast<char const*>(text.Data()), text.Size());
    }

private:
    bool Has(std::size_t length) {
        m_ok = m_ok && m_bytes.Has(m_at, length);
        return m_ok;
    }
    std::size_t Advance(std::size_t length) {
        std::size_t const at = m_at;
        m_at += length;
        return at;
    }
    engine::ByteView m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

}  // namespace

void CVolumePlacement::Bound() {
    m_taken.CoarsenTo(kMaxSpans);
    m_doubtful.CoarsenTo(kMaxSpans);
    if (m_view.size() > kMaxExtents) {
        // A view in more pieces than are kept ends where the kept ones end: reads past it fail.
        m_view.resize(kMaxExtents);
        m_s64ViewSectors = m_view.back().s64View + m_view.back().s64Count;
    }
    if (m_container.size() > kMaxContainerName) m_container.resize(kMaxContainerName);
}

CSpanSet CVolumePlacement::DeviceSectors(CSpanSet const& sectors) const {
    return HasView() ? sectorextents::ToDevice(sectors, m_view) : sectors;
}

std::uint32_t CVolumePlacement::Judge(CSpanSet const& sectors) const {
    if (!JudgesBySectors()) return m_container.empty() ? 0 : kCodeInVirtualDisk;
    CSpanSet const device = DeviceSectors(sectors);
    bool bDoubtful = false;
    for (CSpanSet::Span const& span : device.Spans()) {
        if (m_taken.Overlaps(span.first, span.second)) return kCodeOverwritten;
        bDoubtful = bDoubtful || m_doubtful.Overlaps(span.first, span.second);
    }
    return bDoubtful ? kCodePossiblyOverwritten : 0;
}

CVolumePlacement CVolumePlacement::OnTopOf(CVolumePlacement const& outer) const {
    CVolumePlacement placement;
    if (!outer.HasView()) {
        placement = *this;
    } else {
        placement.m_view = HasView() ? sectorextents::Compose(m_view, outer.m_view) : outer.m_view;
        placement.m_s64ViewSectors = HasView() ? m_s64ViewSectors : outer.m_s64ViewSectors;
        placement.m_taken = sectorextents::ToDevice(m_taken, outer.m_view);
        placement.m_doubtful = sectorextents::ToDevice(m_doubtful, outer.m_view);
        placement.m_container = m_container;
    }
    placement.m_taken.Add(outer.m_taken);
    placement.m_doubtful.Add(outer.m_doubtful);
    if (placement.m_container.empty()) placement.m_container = outer.m_container;
    placement.Bound();
    return placement;
}

std::vector<std::uint8_t> CVolumePlacement::Store() const {
    Appender out;
    out.U32(kVersion);
    out.U64(static_cast<std::uint64_t>(m_s64ViewSectors));
    out.U32(static_cast<std::uint32_t>(m_view.size()));
    for (SectorExtent const& extent : m_view) {
        out.U64(static_cast<std::uint64_t>(extent.s64View));
        out.U64(static_cast<std::uint64_t>(extent.s64Device));
        out.U64(static_cast<std::uint64_t>(extent.s64Count));
    }
    out.Spans(m_taken);
    out.Spans(m_doubtful);
    out.U32(static_cast<std::uint32_t>(m_container.size()));
    std::vector<std::uint8_t> bytes = out.Take();
    bytes.insert(bytes.end(), m_container.begin(), m_container.end());
    return bytes;
}

std::optional<CVolumePlacement> CVolumePlacement::Load(engine::ByteView bytes) {
    Taker in(bytes);
    if (in.U32() != kVersion) return std::nullopt;
    CVolumePlacement placement;
    placement.m_s64ViewSectors = in.I64();
    std::uint32_t const u32Extents = in.Count(kExtentBytes, kMaxExtents);
    for (std::uint32_t i = 0; i < u32Extents; ++i) {
        SectorExtent extent;
        extent.s64View = in.I64();
        extent.s64Device = in.I64();
        extent.s64Count = in.I64();
        placement.m_view.push_back(extent);
    }
    in.Spans(placement.m_taken, kMaxSpans);
    in.Spans(placement.m_doubtful, kMaxSpans);
    placement.m_container = in.Text(kMaxContainerName);
    if (!in.Ok() || in.Left() != 0 || placement.m_s64ViewSectors < 0) return std::nullopt;
    placement.m_view = sectorextents::Normalized(std::move(placement.m_view), placement.m_s64ViewSectors);
    // Merged before it is shared: the copy-out threads only ask a placement, never change it.
    placement.Bound();
    return placement;
}
