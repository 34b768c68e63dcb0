// Sigma X3F: bytes 0-3 "FOVb", then the header; the file ends with its section directory,
// "SECd", a version, an entry count and the entries. The directory stands at the file's end,
// so the walk looks for "SECd" in the sector that ends the file (one whose last bytes are zero,
// or that ends in the signature itself).
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr std::string_view kDirectory = "SECd";
constexpr std::uint64_t kEndAfterDirectory = 76;
constexpr std::uint64_t kWalkLimit = 0x6800001;

/// The position of the first "SECd" in `bytes`, or `bytes.Size()` when there is none.
std::size_t FindDirectory(engine::ByteView bytes) {
    for (std::size_t i = 0; i + kDirectory.size() <= bytes.Size(); ++i)
        if (bytes.Equals(i, kDirectory)) return i;
    return bytes.Size();
}

/// Where the file ends: past its directory, or where the walk had to stop. Never refuses: a
/// file whose directory is not found is carved up to where the walk stopped.
class DirectoryWalk final : public SectorWalk {
public:
    explicit DirectoryWalk(std::uint32_t u32Sector) : SectorWalk(u32Sector, 0, kWalkLimit, true) {}

    /// Another file's "SECd" lies further on when this one's is missing: what the walk found
    /// is believed up to the next file the scan found.
    void Describe(CRawFileInfo& info) const override {
        info.m_bSizeGuessed = true;
        info.m_u64Borne = 0;
    }

protected:
    bool MayEnd(engine::ByteView sector) const override {
        std::size_t const last = SectorSize() - kDirectory.size();
        return sector.Equals(last, kDirectory) || sector.Be32(last) == 0;
    }

    bool Look(IWalkSource& source, std::uint64_t u64At, std::uint64_t, engine::ByteView sector) override {
        std::uint32_t const u32Sector = SectorSize();
        std::size_t const last = u32Sector - kDirectory.size();
        if (sector.Equals(last, kDirectory)) return Ends(u64At + u32Sector + kEndAfterDirectory);
        std::size_t const inSector = FindDirectory(sector);
        if (inSector != sector.Size()) return Ends(u64At + inSector + kEndAfterDirectory);
        // The directory may straddle the boundary with the previous sector.
        std::uint64_t const u64From = u64At >= u32Sector ? u64At - u32Sector : u64At;
        engine::ByteView const span = source.Read(u64From, static_cast<std::uint32_t>(u64At + u32Sector - u64From));
        if (span.Empty()) return Ends(u64At);
        std::size_t const found = FindDirectory(span);
        if (found != span.Size()) return Ends(u64From + found + kEndAfterDirectory);
        return false;
    }

private:
    bool Ends(std::uint64_t u64Size) {
        End(u64Size);
        return true;
    }
};

Sizing X3fSize(RawFileBuffer&, std::uint32_t u32Sector, KeyedFile&) {
    return {std::nullopt, std::make_unique<DirectoryWalk>(u32Sector)};
}

constexpr std::string_view kKeys[] = {"FOVb"};
constexpr KeyedFormat kX3f = {.eType = RAW_FILE_TYPE_X3F, .keys = kKeys, .sizer = nullptr, .walkingSizer = &X3fSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileX3FAnalyser() { return CreateKeyedAnalyser(kX3f); }
