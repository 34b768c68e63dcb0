#include "engine/carve/analysers/ZipEndSearch.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/ZipRecords.h"

namespace {

constexpr std::uint32_t kZeroTailBytes = 16;
/// An end record's signature may straddle the sector's start by this much.
constexpr std::uint64_t kStraddle = zip::kEndSignature.size() - 1;

class ZipEndSearch final : public SectorWalk {
public:
    /// Stands at the start of the sector the walk stopped in, as the search begins there.
    ZipEndSearch(std::uint32_t u32SectorSize, std::uint64_t u64WalkEnd, ZipKind const& kind)
        : SectorWalk(u32SectorSize, u64WalkEnd / u32SectorSize * u32SectorSize, zip::kMaxOffset + 1, true),
          m_u64WalkEnd(u64WalkEnd),
          m_kind(kind) {}

    void Describe(CRawFileInfo& info) const override { info.m_u32Type = m_kind.Final(); }
    /// Fed by the search, it looks only at sectors that hold an end record's signature or end
    /// in zeros: no other can end the archive.
    std::string_view Marker() const override { return zip::kEndSignature; }

protected:
    bool MayEnd(engine::ByteView /*sector*/) const override { return true; }  // the marker may lie anywhere in it

    bool Look(IWalkSource& source, std::uint64_t u64Sector, std::uint64_t /*u64At*/, engine::ByteView sector) override {
        std::uint64_t const u64To = u64Sector + sector.Size();
        bool const bZeroTail = EndsInZeros(sector, kZeroTailBytes);
        std::uint64_t const u64From = std::max(m_u64WalkEnd, u64Sector >= kStraddle ? u64Sector - kStraddle : 0);
        if (u64From < u64To) {
            // Kept apart from the source's view: checking a candidate reads elsewhere.
            engine::ByteView const bytes = source.Read(u64From, static_cast<std::uint32_t>(u64To - u64From));
            m_bytes.assign(bytes.Data(), bytes.Data() + bytes.Size());
            engine::ByteView const held(m_bytes.data(), m_bytes.size());
            for (std::size_t i = 0; i + zip::kEndSignature.size() <= held.Size(); ++i) {
                if (!held.Equals(i, zip::kEndSignature)) continue;
                if (auto const end = CheckedEnd(source, u64From + i)) {
                    End(*end);
                    return true;
                }
            }
        }
        if (!bZeroTail) return false;
        End(u64To);
        return true;
    }

private:
    /// The end of the archive whose end record would stand at `u64At`, its directory's members
    /// typing it; none when the record does not check out.
    std::optional<std::uint64_t> CheckedEnd(IWalkSource& source, std::uint64_t u64At) {
        engine::ByteView const end = source.Read(u64At, zip::kEndBytes);
        if (end.Empty()) return std::nullopt;
        std::uint64_t const u64Size = u64At + zip::kEndBytes + end.Le16(20);
        std::uint64_t u64Header = end.Le32(16);
        std::uint64_t u64DirectoryEnd = u64At;
        if (!zip::EndChecksOut(end, u64At)) {
            std::optional<std::uint64_t> const zip64 = Zip64End(source, u64At);
            if (!zip64) return std::nullopt;
            u64DirectoryEnd = *zip64;
            u64Header = source.Read(*zip64, zip::kZip64EndBytes).Le64(48);
        }
        // Each header moves on by at least 46 bytes and stays before the end record: it ends.
        while (u64Header < u64DirectoryEnd) {
            engine::ByteView const header = source.Read(u64Header, zip::kCentralBytes);
            if (zip::KindOf(header) != zip::Record::Central) break;
            std::uint64_t const u64Length = zip::CentralLength(header);
            std::uint16_t const u16Name = header.Le16(28);
            engine::ByteView const name =
                u16Name != 0 ? source.Read(u64Header + zip::kCentralBytes, u16Name) : engine::ByteView();
            m_kind.CentralMember({reinterpret_cast<char const*>(name.Data()), name.Size()});
            u64Header += u64Length;
        }
        return u64Size;
    }

    /// Where the ZIP64 end record stands whose locator stands right before the end record at
    /// `u64At`, when it says its directory ends right before it and it ends at the locator.
    static std::optional<std::uint64_t> Zip64End(IWalkSource& source, std::uint64_t u64At) {
        if (u64At < zip::kZip64LocatorBytes) return std::nullopt;
        std::uint64_t const u64Locator = u64At - zip::kZip64LocatorBytes;
        engine::ByteView const locator = source.Read(u64Locator, zip::kZip64LocatorBytes);
        if (zip::KindOf(locator) != zip::Record::Zip64Locator) return std::nullopt;
        std::uint64_t const u64Record = locator.Le64(8);
        if (u64Record >= u64Locator) return std::nullopt;
        engine::ByteView const record = source.Read(u64Record, zip::kZip64EndBytes);
        std::optional<std::uint64_t> const length = zip::Zip64EndLength(record);
        if (zip::KindOf(record) != zip::Record::Zip64End || !length || u64Record + *length != u64Locator ||
            !zip::Zip64EndChecksOut(record, u64Record))
            return std::nullopt;
        return u64Record;
    }

    std::uint64_t m_u64WalkEnd;
    ZipKind m_kind;
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace

std::unique_ptr<SectorWalk> MakeZipEndSearch(std::uint32_t u32SectorSize, std::uint64_t u64WalkEnd,
                                             ZipKind const& kind) {
    return std::make_unique<ZipEndSearch>(std::max<std::uint32_t>(u32SectorSize, 1), u64WalkEnd, kind);
}
