#include "engine/carve/analysers/JpegStructure.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/TiffDirectory.h"

namespace jpeg {

namespace {

constexpr std::uint8_t kStuffed = 0x00;
constexpr std::uint8_t kTem = 0x01;
constexpr std::uint8_t kRst0 = 0xD0;
constexpr std::uint8_t kRst7 = 0xD7;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kFill = 0xFF;

// The MP header follows "MPF\0"; its index directory lists one 16-byte entry per image:
// attributes (4), size (4), offset from the MP header (4; 0 for the first image), two
// dependent-image numbers (2 + 2).
constexpr std::string_view kMpfIdentifier = std::string_view("MPF\0", 4);
constexpr std::uint16_t kTagMpEntry = 0xB002;
constexpr std::uint32_t kMpEntryBytes = 16;
constexpr std::uint32_t kMaxMpEntries = 64;
constexpr std::uint32_t kMaxMpDirectoryEntries = 64;

bool IsRestart(std::uint8_t u8Marker) { return u8Marker >= kRst0 && u8Marker <= kRst7; }

/// SOF0-SOF15 but DHT, JPG and DAC.
bool IsFrameHeader(std::uint8_t u8Marker) {
    return u8Marker >= 0xC0 && u8Marker <= 0xCF && u8Marker != 0xC4 && u8Marker != 0xC8 && u8Marker != 0xCC;
}

/// Markers that may stand between the scans of one image (tables, further scans, restart
/// intervals, comments, application data, the line count, hierarchical frames).
bool MayFollowScan(std::uint8_t u8Marker) {
    return (u8Marker >= 0xC0 && u8Marker <= 0xCF) || (u8Marker >= kSos && u8Marker <= 0xEF) || u8Marker == 0xFE;
}

/// The old sector rule, and from the first scan's data the structure, as described in the header.
class ImageEndWalk final : public SectorWalk {
public:
    ImageEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Data, std::uint64_t u64Limit, std::uint64_t u64AtLeast,
                 bool bLost, bool bFrame)
        : SectorWalk(u32SectorSize, u64Data, u64Limit, false),
          m_u64Data(u64Data),
          m_u64Parse(u64Data),
          m_u64AtLeast(u64AtLeast),
          m_state(bLost ? State::Resync : State::Entropy),
          m_bLost(bLost),
          m_bFrame(bFrame),
          m_bSawScan(!bLost) {}

    /// Stopped at its limit (or the device's end) without an end, or ended by the sector rule or
    /// a resynchronised marker after the structure broke off: the end is a guess, cut at the
    /// next file found past the structure the walk followed.
    void Describe(CRawFileInfo& info) const override {
        std::optional<std::uint64_t> const cut = CutFrom();
        if (m_bDecided && !cut) return;
        info.m_bSizeGuessed = true;
        info.m_u64Borne = cut.value_or(m_u64Parse);
    }
    std::optional<std::uint64_t> CutFrom() const override {
        if (m_bLost) return m_u64Data;
        return m_bBroken ? std::optional<std::uint64_t>(m_u64Parse) : std::nullopt;
    }

protected:
    bool MayEnd(engine::ByteView sector) const override { return !m_bBroken || TailMayEnd(sector); }
    /// Walking from where the segments broke off, only an end found sizes the picture.
    std::optional<std::uint64_t> Stopped(std::uint64_t u64At) const override {
        return m_bLost ? std::nullopt : std::optional<std::uint64_t>(u64At);
    }
    std::optional<std::uint64_t> AnswerAtFoundFile(std::uint64_t u64Offset) const override {
        return HoldsPicture() ? std::optional<std::uint64_t>(u64Offset) : std::nullopt;
    }

    bool Look(IWalkSource& source, std::uint64_t u64SectorStart, std::uint64_t q, engine::ByteView sector) override {
        if (!m_bBroken) {
            if (std::optional<std::uint64_t> const eoi = Parse(u64SectorStart, sector))
                return Ends(std::max(*eoi, m_u64AtLeast));
            if (!m_bBroken || !TailMayEnd(sector)) return false;
        }
        return SectorRule(source, u64SectorStart, q, sector);
    }

private:
    enum class State { Entropy, EntropyFF, ExpectMarker, MarkerCode, LengthHigh, LengthLow, Skip, Resync, ResyncFF };

    bool TailMayEnd(engine::ByteView sector) const {
        std::size_t const tail = SectorSize() - 2;
        return (sector.U8(tail) == 0xFF && sector.U8(tail + 1) == kEoi) || EndsShort(sector) ||
               (sector.U8(tail) == 0 && sector.U8(tail + 1) == 0);
    }
    bool EndsShort(engine::ByteView sector) const {
        std::size_t const tail = SectorSize() - 2;
        return tail >= 1 && sector.U8(tail - 1) == 0xFF && sector.U8(tail) == kEoi && sector.U8(tail + 1) == 0;
    }

    bool SectorRule(IWalkSource& source, std::uint64_t u64SectorStart, std::uint64_t q, engine::ByteView sector) {
        std::uint32_t const u32SectorSize = SectorSize();
        std::uint64_t const u64End = u64SectorStart + u32SectorSize;
        std::size_t const tail = u32SectorSize - 2;
        if (sector.U8(tail) == 0xFF && sector.U8(tail + 1) == kEoi) return Ends(u64End);
        if (u64End - 3 >= m_u64Data && EndsShort(sector)) return Ends(u64End - 1);
        if (sector.U8(tail) == 0 && sector.U8(tail + 1) == 0) {
            for (std::size_t i = static_cast<std::size_t>(q - u64SectorStart); i + 1 < u32SectorSize; ++i)
                if (sector.U8(i) == 0xFF && sector.U8(i + 1) == kEoi) return Ends(u64SectorStart + i + 2);
            if (q == u64SectorStart && q != 0 && sector.U8(0) == kEoi) {
                engine::ByteView const before = source.Read(q - 1, 1);
                if (!before.Empty() && before.U8(0) == 0xFF) return Ends(q + 1);
            }
        }
        return false;
    }

    /// Follows the structure over this sector's bytes; the end of the image when it is here.
    std::optional<std::uint64_t> Parse(std::uint64_t u64SectorStart, engine::ByteView sector) {
        std::size_t const size = sector.Size();
        if (m_u64Parse >= u64SectorStart + size) return std::nullopt;
        std::size_t i = static_cast<std::size_t>(m_u64Parse > u64SectorStart ? m_u64Parse - u64SectorStart : 0);
        std::uint8_t const* const pBytes = sector.Data();
        // Every turn takes one byte at least, or breaks off: the loop ends at the sector's end.
        while (i < size) {
            switch (m_state) {
                case State::Entropy: {
                    void const* pFF = std::memchr(pBytes + i, kFill, size - i);
                    if (pFF == nullptr) {
                        i = size;
                        break;
                    }
                    i = static_cast<std::size_t>(static_cast<std::uint8_t const*>(pFF) - pBytes) + 1;
                    m_state = State::EntropyFF;
                    break;
                }
                case State::EntropyFF: {
                    std::uint8_t const u8 = pBytes[i++];
                    if (u8 == kStuffed || IsRestart(u8))
                        m_state = State::Entropy;
                    else if (u8 != kFill && !Marker(u8))
                        return Break();
                    if (m_bEnded) return u64SectorStart + i;
                    break;
                }
                case State::Resync: {
                    // Bytes no segment accounts for: passed over up to the next marker that
                    // starts one, as a decoder does.
                    void const* pFF = std::memchr(pBytes + i, kFill, size - i);
                    i = pFF == nullptr ? size
                                       : static_cast<std::size_t>(static_cast<std::uint8_t const*>(pFF) - pBytes) + 1;
                    if (pFF != nullptr) m_state = State::ResyncFF;
                    break;
                }
                case State::ResyncFF: {
                    std::uint8_t const u8 = pBytes[i++];
                    if (u8 == kEoi || MayFollowScan(u8))
                        Marker(u8);
                    else if (u8 != kFill)
                        m_state = State::Resync;
                    if (m_bEnded) return u64SectorStart + i;
                    break;
                }
                case State::ExpectMarker:
                    if (pBytes[i++] != kFill) return Break();
                    m_state = State::MarkerCode;
                    break;
                case State::MarkerCode: {
                    std::uint8_t const u8 = pBytes[i++];
                    if (u8 != kFill && !Marker(u8)) return Break();
                    if (m_bEnded) return u64SectorStart + i;
                    break;
                }
                case State::LengthHigh:
                    m_u32Remaining = std::uint32_t{pBytes[i++]} << 8;
                    m_state = State::LengthLow;
                    break;
                case State::LengthLow:
                    m_u32Remaining |= pBytes[i++];
                    if (m_u32Remaining < 2) return Break();
                    m_u32Remaining -= 2;
                    m_state = State::Skip;
                    break;
                case State::Skip: {
                    std::size_t const take = std::min<std::size_t>(m_u32Remaining, size - i);
                    i += take;
                    m_u32Remaining -= static_cast<std::uint32_t>(take);
                    if (m_u32Remaining == 0) m_state = m_bScan ? State::Entropy : State::ExpectMarker;
                    break;
                }
            }
        }
        m_u64Parse = u64SectorStart + size;
        if (m_state == State::Skip) {
            // A long segment is passed over whole: the walk goes on where it ends.
            m_u64Parse = u64SectorStart + size + m_u32Remaining;
            m_u32Remaining = 0;
            m_state = m_bScan ? State::Entropy : State::ExpectMarker;
        }
        return std::nullopt;
    }

    /// Takes the marker after FF; false when no image may hold it here.
    bool Marker(std::uint8_t u8Marker) {
        if (u8Marker == kEoi) {
            m_bEnded = true;
            return true;
        }
        if (u8Marker == kTem || IsRestart(u8Marker)) {
            m_state = State::ExpectMarker;
            return true;
        }
        if (!MayFollowScan(u8Marker)) return false;
        m_bScan = u8Marker == kSos;
        m_bSawScan = m_bSawScan || (m_bScan && m_bFrame);
        m_bFrame = m_bFrame || IsFrameHeader(u8Marker);
        m_state = State::LengthHigh;
        return true;
    }

    std::optional<std::uint64_t> Break() {
        m_bBroken = true;
        return std::nullopt;
    }

    bool Ends(std::uint64_t u64Size) {
        m_bDecided = true;
        End(u64Size);
        return true;
    }

    /// A walk from lost segments holds a picture once it met a frame header and a scan after it;
    /// without them only an end of image found makes one, not a file found after it.
    bool HoldsPicture() const { return m_bSawScan; }

    std::uint64_t m_u64Data;
    std::uint64_t m_u64Parse;  // the first byte the structure has not taken yet
    std::uint64_t m_u64AtLeast;
    State m_state;
    bool m_bLost;     // from where the segments before the scan broke off
    bool m_bFrame;    // a frame header was met
    bool m_bSawScan;  // a start of scan after a frame header was met
    std::uint32_t m_u32Remaining = 0;
    bool m_bScan = true;
    bool m_bBroken = false;
    bool m_bEnded = false;    // the structure met its end of image
    bool m_bDecided = false;  // the walk found the end, by the structure or the sector rule
};

}  // namespace

bool MayStartSegment(std::uint8_t u8Marker) {
    bool const bFrameOrTable = u8Marker >= 0xC0 && u8Marker <= 0xCF && u8Marker != 0xC8;  // DHT, DAC and every SOFn
    bool const bApplication = u8Marker >= 0xE0 && u8Marker <= 0xEF;
    return bFrameOrTable || bApplication || u8Marker == 0xDB || u8Marker == 0xDD || u8Marker == 0xFE;
}

std::optional<IndexedImage> LastIndexedImage(engine::ByteView segment, std::uint64_t u64HeaderAt) {
    if (!segment.Equals(0, kMpfIdentifier)) return std::nullopt;
    engine::ByteView const header = segment.From(kMpfIdentifier.size());
    std::optional<engine::ByteOrder> const order = tiff::OrderOf(header);
    if (!order || !header.Has(0, tiff::kHeaderBytes) || header.U16(2, *order) != tiff::kMagic) return std::nullopt;
    tiff::Directory index;
    if (!tiff::DecodeDirectory(header.From(header.U32(4, *order)), *order, kMaxMpDirectoryEntries, index))
        return std::nullopt;
    std::optional<IndexedImage> last;
    for (tiff::Entry const& entry : index.entries) {
        if (entry.u16Tag != kTagMpEntry || entry.u64DataBytes % kMpEntryBytes != 0) continue;
        std::uint64_t const u64Images = std::min<std::uint64_t>(entry.u64DataBytes / kMpEntryBytes, kMaxMpEntries);
        engine::ByteView const entries =
            header.Sub(entry.u32Field, static_cast<std::size_t>(u64Images * kMpEntryBytes));
        for (std::uint64_t i = 0; i < u64Images && !entries.Empty(); ++i) {
            std::size_t const at = static_cast<std::size_t>(i * kMpEntryBytes);
            std::uint32_t const u32Size = entries.U32(at + 4, *order);
            std::uint32_t const u32Offset = entries.U32(at + 8, *order);
            // The first image counts from the file's start, the others from the MP header.
            std::uint64_t const u64Start = u32Offset == 0 ? 0 : u64HeaderAt + u32Offset;
            if (u32Size != 0 && (!last || u64Start + u32Size > last->u64End))
                last = IndexedImage{u64Start, u64Start + u32Size};
        }
    }
    return last;
}

std::unique_ptr<SectorWalk> MakeImageEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Data, std::uint64_t u64Limit,
                                             std::uint64_t u64AtLeast) {
    return std::make_unique<ImageEndWalk>(u32SectorSize, u64Data, u64Limit, u64AtLeast, false, true);
}

std::unique_ptr<SectorWalk> MakeLostSegmentsEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Break,
                                                    std::uint64_t u64Limit, bool bFrame) {
    return std::make_unique<ImageEndWalk>(u32SectorSize, u64Break, u64Limit, 0, true, bFrame);
}

}  // namespace jpeg
