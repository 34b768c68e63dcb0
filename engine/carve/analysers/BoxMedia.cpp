// ISO base media files (MP4, M4A, M4V, 3GP) and QuickTime movies (MOV): a sequence of boxes,
// each a 4-byte big-endian length counting the whole box, then a 4-byte type. Layout from
// ISO/IEC 14496-12 and Apple's QuickTime File Format:
//   box        0 4 length (1: a 64-bit length follows the type; 0: to the end of the file)
//              4 4 type;  8 8 the 64-bit length when length is 1
//   file       "ftyp" box first: 8 4 major brand, then top-level boxes (mdat, moov, ...)
// The file is recognised by its "ftyp" box and brand and sized by walking the top-level boxes
// up to the first that is none of the top-level types. Whatever its brand (a PSP's "MSNV",
// "iso5", "isml", "XAVC"), a file may hold any of both documents' top-level boxes: fragments
// ("moof", "mfra", "sidx", "styp"), extensions ("uuid") and QuickTime's "wide" and "pnot".
#include <optional>
#include <span>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/MediaSupport.h"
#include "engine/core/bytes/CheckedMath.h"
#include "engine/core/util/EngineAssert.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kBrandAt = 4;  // "ftyp" and the major brand
// An "ftyp" box is far shorter than 16 MiB: its length's first byte is 0.
constexpr std::uint64_t kBoxHeaderBytes = 8;
constexpr std::uint64_t kLargeBoxHeaderBytes = 16;

struct BoxRules {
    std::span<std::string_view const> types;  // the top-level types that continue the file
    bool bCaseless;
    std::uint32_t u32MaxBoxes;  // after the first
    std::uint64_t u64Limit;     // no box starts past this
};

// The file-level boxes of ISO/IEC 14496-12 (progressive download information, movie, fragments
// and their random access, segment type and indexes, producer reference time, event messages,
// media data, free space, metadata, extensions), and QuickTime's: "wide" (room for a 64-bit
// "mdat", written by its exporters and ffmpeg's mov muxer into MPEG-4-branded files too), the
// preview ("pnot", "PICT"), and the movie's own boxes that old writers put at the top.
constexpr std::string_view kTopLevelTypes[] = {"ftyp", "pdin", "moov", "moof", "mfra", "mdat", "free", "skip",
                                               "meta", "meco", "styp", "sidx", "ssix", "prft", "emsg", "uuid",
                                               "wide", "pnot", "PICT", "mvex", "mvhd", "trak", "udta"};

bool IsType(engine::ByteView box, std::string_view type, bool bCaseless) {
    return bCaseless ? EqualsNoCase(box, 4, type) : box.Equals(4, type);
}

bool IsAnyType(engine::ByteView box, BoxRules const& rules) {
    for (std::string_view const type : rules.types)
        if (IsType(box, type, rules.bCaseless)) return true;
    return false;
}

/// Where the walk of the top-level boxes ended.
struct BoxWalk {
    std::uint64_t u64End = 0;  // the start of the first box that breaks the rules
    /// Where the last box's header ends when that box is an "mdat" no "moov" bears out (none
    /// walked before it, nor found as the box after it): its length is a claim.
    std::optional<std::uint64_t> unborneData;
};

/// The file's length: the start of the first box that breaks the rules (or of the box past the
/// limit). Lengths and offsets are 64-bit, so files past 4 GiB keep their size.
std::optional<BoxWalk> WalkBoxes(RawFileBuffer& reader, BoxRules const& rules) {
    engine::ByteView const first = reader.Read(0, kBoxHeaderBytes);
    if (first.Empty() || first.Be32(0) < kBoxHeaderBytes) return std::nullopt;
    BoxWalk walk{first.Be32(0), std::nullopt};
    bool bMoov = false;
    std::uint64_t& u64Offset = walk.u64End;
    for (std::uint32_t u32Box = 0; u32Box < rules.u32MaxBoxes && u64Offset <= rules.u64Limit; ++u32Box) {
        engine::ByteView const box = reader.ReadUpTo(u64Offset, kLargeBoxHeaderBytes);
        if (box.Size() < kBoxHeaderBytes || !IsAnyType(box, rules)) break;
        bool const bData = IsType(box, "mdat", rules.bCaseless);
        std::uint64_t u64Header = kBoxHeaderBytes;
        std::uint64_t u64Length = box.Be32(0);
        if (u64Length == 1) {
            if (!bData || box.Size() < kLargeBoxHeaderBytes) break;
            u64Length = box.Be64(8);
            u64Header = kLargeBoxHeaderBytes;
            if (u64Length < kLargeBoxHeaderBytes) return std::nullopt;
        } else if (u64Length < kBoxHeaderBytes) {
            break;
        }
        auto const next = engine::CheckedAdd(u64Offset, u64Length);
        if (!next) break;
        // Every box but this "mdat" is borne out by the one found after it.
        walk.unborneData = bData && !bMoov ? std::optional<std::uint64_t>(u64Offset + u64Header) : std::nullopt;
        bMoov = bMoov || IsType(box, "moov", rules.bCaseless);
        u64Offset = *next;
    }
    // The "mdat" was the last box walked, and nothing after it: only a "moov" before it bears it out.
    if (walk.unborneData) {
        engine::ByteView const after = reader.ReadUpTo(u64Offset, kBoxHeaderBytes);
        if (after.Size() == kBoxHeaderBytes && IsType(after, "moov", rules.bCaseless)) walk.unborneData.reset();
    }
    return walk;
}

// A fragmented file holds two boxes a fragment: many more than a plain one.
constexpr BoxRules kIsoRules = {kTopLevelTypes, true, 100000, UINT64_MAX};
constexpr BoxRules kQuickTimeRules = {kTopLevelTypes, false, 100000, 0x104000000};

int SizeByBoxes(CRawFileInfo& info, IStorageDevice* pDevice, BoxRules const& rules) {
    if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
    RawFileBuffer reader(pDevice, info.m_u64StartSector);
    auto const walk = WalkBoxes(reader, rules);
    if (!walk) return 0;
    info.m_u64Size = walk->u64End;
    if (walk->unborneData) {
        info.m_bSizeGuessed = true;
        info.m_u64Borne = *walk->unborneData;
    }
    return 1;
}

/// Box media recognised by brand and sized by the ISO walk.
class IsoBoxAnalyser final : public IRawFileAnalyser {
public:
    struct Brand {
        std::string_view text;  // "ftyp" and the major brand
        RAW_FILE_TYPE eType;
    };

    IsoBoxAnalyser(RAW_FILE_TYPE eOwnType, std::span<Brand const> brands, bool bCaseless)
        : IRawFileAnalyser(eOwnType), m_brands(brands), m_bCaseless(bCaseless) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (u32Readable < 12 || pBuffer[0] != 0 || pBuffer[kBrandAt] != 'f') return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        for (Brand const& brand : m_brands) {
            if (m_bCaseless ? EqualsNoCase(bytes, kBrandAt, brand.text) : bytes.Equals(kBrandAt, brand.text)) {
                info.m_u32Type = brand.eType;
                info.m_u64Size = 0;
                return 1;
            }
        }
        return 0;
    }

    bool MayStartWith(std::uint8_t u8First) const override { return u8First == 0; }
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        return SizeByBoxes(info, pDevice, kIsoRules);
    }

private:
    std::span<Brand const> m_brands;  // static rows below
    bool m_bCaseless;
};

constexpr IsoBoxAnalyser::Brand k3gpBrands[] = {{"ftyp3g2a", RAW_FILE_TYPE_3GP},
                                                {"ftyp3gp4", RAW_FILE_TYPE_3GP},
                                                {"ftyp3gp5", RAW_FILE_TYPE_3GP},
                                                {"ftypmmp4", RAW_FILE_TYPE_3GP}};
constexpr IsoBoxAnalyser::Brand kMp4Brands[] = {{"ftypisom", RAW_FILE_TYPE_MP4},
                                                {"ftypmp41", RAW_FILE_TYPE_MP4},
                                                {"ftypmp42", RAW_FILE_TYPE_MP4},
                                                {"ftypM4A ", RAW_FILE_TYPE_M4A},
                                                {"ftypM4V ", RAW_FILE_TYPE_M4V}};
/// The brands others claim; every other "ftyp" file is a QuickTime movie.
constexpr std::string_view kNotQuickTime[] = {"ftypisom", "ftyp3gp4", "ftyp3g2a", "ftypmmp4",
                                              "ftypM4A ", "ftypM4V ", "ftypmp41", "ftypmp42"};

class FileMOVAnalyser final : public IRawFileAnalyser {
public:
    FileMOVAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_MOV) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (u32Readable < 12 || pBuffer[0] != 0 || pBuffer[kBrandAt] != 'f') return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(kBrandAt, "ftyp") || EqualsAnyNoCase(bytes, kBrandAt, kNotQuickTime)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_MOV;
        return 1;
    }

    bool MayStartWith(std::uint8_t u8First) const override { return u8First == 0; }
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        return SizeByBoxes(info, pDevice, kQuickTimeRules);
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFile3GPAnalyser() {
    return std::make_unique<IsoBoxAnalyser>(RAW_FILE_TYPE_3GP, k3gpBrands, false);
}
std::unique_ptr<IRawFileAnalyser> CreateFileMP4Analyser() {
    return std::make_unique<IsoBoxAnalyser>(RAW_FILE_TYPE_MP4, kMp4Brands, true);
}
std::unique_ptr<IRawFileAnalyser> CreateFileMOVAnalyser() { return std::make_unique<FileMOVAnalyser>(); }
