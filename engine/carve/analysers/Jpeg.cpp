// JPEG: FF D8 (start of image), marker segments (FF, marker, big-endian 16-bit length counting
// itself), the frame header (C0 baseline, C1 extended, C2 progressive, ... CF: 1 precision, 2
// height, 2 width, 1 component count), the start of scan (DA), entropy-coded data, FF D9 (end of image). Layout
// from ITU-T T.81; the EXIF block is the APP1 segment (FF E1) described in ExifReader.h.
// The entropy-coded data carries no length: its end is found by following the structure to the
// end of image (JpegStructure.h), and where that breaks, sector by sector, where a file followed
// by free space ends in zeros. A segment whose length leads to no marker (a byte other than FF
// where the next must start) leaves the segments before the scan: the picture then ends at the
// end of image that follows, or is not sized. A Multi-Picture file (MPO) lists its further images in an APP2
// "MPF" segment, and ends with the last of them.
#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/ExifReader.h"
#include "engine/carve/analysers/JpegStructure.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/PictureName.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::string_view kSoi = "\xFF\xD8\xFF";
constexpr std::size_t kIdentifierOffset = 6;  // "JFIF" or "Exif" in APP0 or APP1
constexpr std::uint64_t kFirstMarker = 2;
// A JFIF file's EXIF is looked for right after a 16-byte APP0 (18 bytes from the start).
constexpr std::uint64_t kJfifExifLength = 22;
constexpr std::uint64_t kJfifExifHeader = 24;
constexpr std::uint64_t kExifLength = 4;
constexpr std::uint64_t kExifHeader = 6;
// Past these the marker walk gives up looking for the scan: no picture's segments run so far.
constexpr std::uint64_t kJfifWalkLimit = 0x19FFFFFF;
constexpr std::uint64_t kOtherWalkLimit = 0xCFFFFFF;
constexpr std::uint8_t kPrecision = 8;
constexpr std::uint8_t kExtendedPrecision = 12;
// APP2 "MPF": the MP header stands after the marker, the length and "MPF\0".
constexpr std::uint64_t kMpfHeaderFromMarker = 8;
constexpr std::uint32_t kDefaultSectorSize = 512;

enum Marker : std::uint8_t {
    kDht = 0xC4,
    kJpg = 0xC8,
    kDac = 0xCC,
    kSos = 0xDA,
    kApp0 = 0xE0,
    kApp1 = 0xE1,
    kApp2 = 0xE2,
    kFill = 0xFF,
};

bool EqualsNoCase(engine::ByteView bytes, std::size_t offset, std::string_view text) {
    if (!bytes.Has(offset, text.size())) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(bytes.U8(offset + i)) != std::tolower(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool IsAnyFrameHeader(std::uint8_t u8Marker) {
    return u8Marker >= 0xC0 && u8Marker <= 0xCF && u8Marker != kDht && u8Marker != kJpg && u8Marker != kDac;
}

enum class Walker { Jfif, Exif, Plain };

/// The fill bytes (FF) that `bytes`, starting FF FF, hold before the FF of a marker.
std::uint64_t FillBytes(engine::ByteView bytes) {
    std::uint64_t u64Fill = 1;
    while (u64Fill + 1 < bytes.Size() && bytes.U8(u64Fill + 1) == kFill) ++u64Fill;
    return u64Fill;
}

/// Whether the first segment after SOI holds up: an APP0 or APP1 names itself ("JFIF", "Exif"),
/// DQT starts the plainest files; any other segment the standard allows there must be followed
/// by a marker where the bytes reach it.
bool FirstSegmentHolds(engine::ByteView bytes) {
    std::uint8_t const u8Marker = bytes.U8(3);
    if (!jpeg::MayStartSegment(u8Marker)) return false;
    bool const bNamed =
        EqualsNoCase(bytes, kIdentifierOffset, "JFIF") || EqualsNoCase(bytes, kIdentifierOffset, "Exif");
    if ((bNamed && (u8Marker == kApp0 || u8Marker == kApp1)) || u8Marker == 0xDB) return true;
    if (!bytes.Has(4, 2)) return false;
    std::size_t const length = bytes.Be16(4);
    if (length < 2) return false;
    return !bytes.Has(4 + length, 1) || bytes.U8(4 + length) == kFill;
}

class FileJPGAnalyser final : public IRawFileAnalyser {
public:
    FileJPGAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_JPG) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(0, kSoi) || !FirstSegmentHolds(bytes)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_JPG;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::unique_ptr<SectorWalk> pWalk;
        int const iResult = Begin(reader, info, *pDevice, pWalk);
        if (!pWalk) return iResult;
        RunWalk(*pWalk, reader);
        return ApplyWalkAnswer(info, *pWalk) ? 1 : 0;
    }

    std::unique_ptr<SectorWalk> BeginRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return nullptr;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::unique_ptr<SectorWalk> pWalk;
        Begin(reader, info, *pDevice, pWalk);
        return pWalk;
    }

    std::string GetRawFileName() override { return m_strName; }
    std::string GetRawFileTime() override { return m_strTime; }

private:
    /// Reads the header and walks the marker segments; the search for the end of the image
    /// goes to `pWalk`. 1 when the picture is sized (or will be by the walk), 0 when it cannot be.
    int Begin(RawFileBuffer& reader, CRawFileInfo& info, IStorageDevice& device, std::unique_ptr<SectorWalk>& pWalk) {
        InitMemValue();
        int const iSectorSize = device.GetSectorSize();
        m_u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
        engine::ByteView const start = reader.Read(0, kIdentifierOffset + 4);
        if (start.Empty()) return 0;
        if (EqualsNoCase(start, kIdentifierOffset, "JFIF")) {
            // The exact spelling only: a lower-case "jfif" is recognised but never sized.
            if (!start.Equals(kIdentifierOffset, "JFIF") || start.U8(kFirstMarker) != 0xFF) return 0;
            ReadExif(reader, info, kJfifExifLength, kJfifExifHeader);
            return Walk(reader, Walker::Jfif, pWalk);
        }
        if (EqualsNoCase(start, kIdentifierOffset, "Exif")) {
            if (start.U8(kFirstMarker) != 0xFF) return 0;
            ReadExif(reader, info, kExifLength, kExifHeader);
            return Walk(reader, Walker::Exif, pWalk);
        }
        if (start.U8(kFirstMarker) != 0xFF) return 0;
        return Walk(reader, Walker::Plain, pWalk);
    }

    void InitMemValue() {
        m_strName.clear();
        m_strTime.clear();
        m_u32SectorSize = 0;
    }

    /// Name and time from the EXIF block whose length stands at `u64LengthAt`; none when the
    /// block cannot be read, and the picture is sized all the same.
    void ReadExif(RawFileBuffer& reader, CRawFileInfo& info, std::uint64_t u64LengthAt, std::uint64_t u64HeaderAt) {
        engine::ByteView const length = reader.Read(u64LengthAt, 2);
        if (length.Empty()) return;
        std::uint32_t const u32Length = length.Be16(0);
        tag_ExifInfo exif;
        if (EXIF_process_EXIF(reader.ReadUpTo(u64HeaderAt, u32Length), u32Length, exif) == 0) return;
        ApplyPictureName(exif.strCameraMake, exif.strCameraModel, exif.strDateTime, info);
        m_strName = info.GetRawFileName();
        m_strTime = info.m_strTime;
    }

    /// Walks the marker segments from the second marker to the start of scan, or to where they
    /// break off; the search for the end of the image from there goes to `pWalk`. 1 with that
    /// walk, 0 when the picture cannot be sized.
    int Walk(RawFileBuffer& reader, Walker walker, std::unique_ptr<SectorWalk>& pWalk) {
        std::uint64_t const u64Limit = walker == Walker::Jfif ? kJfifWalkLimit : kOtherWalkLimit;
        std::uint64_t p = kFirstMarker;
        bool bFrame = false;
        std::uint64_t u64AtLeast = 0;
        std::uint64_t u64Width = 0;
        std::uint64_t u64Height = 0;
        // Every step moves at least 1 byte and the position is capped: the walk ends.
        for (;;) {
            if (p > u64Limit) return 0;
            engine::ByteView const segment = reader.Read(p, 10);
            if (segment.Empty()) return 0;
            if (segment.U8(0) != kFill) {
                // The last segment's length led here, where no marker starts.
                pWalk = jpeg::MakeLostSegmentsEndWalk(m_u32SectorSize, p,
                                                      bFrame ? p + u64Width * u64Height * 3 : u64Limit, bFrame);
                return 1;
            }
            std::uint8_t const u8Marker = segment.U8(1);
            if (u8Marker == kFill) {
                p += FillBytes(segment);
                continue;
            }
            // The first frame header gives the picture's size (baseline, extended, progressive
            // or lossless; grey or colour alike).
            if (IsAnyFrameHeader(u8Marker) && !bFrame) {
                if (segment.U8(4) != kPrecision && segment.U8(4) != kExtendedPrecision) return 0;
                u64Height = segment.Be16(5);
                u64Width = segment.Be16(7);
                bFrame = true;
            } else if (u8Marker == kApp2 && segment.Equals(4, "MPF")) {
                u64AtLeast = std::max(u64AtLeast, MultiPictureEnd(reader, p, segment.Be16(2)));
            } else if (u8Marker == kSos) {
                if (!bFrame) return 0;
                // The compressed data holds at most three bytes a pixel; the limit counts from
                // its first byte, so large EXIF, ICC or comment segments before it do not cut it.
                std::uint64_t const u64Data = p + 2 + segment.Be16(2);
                pWalk =
                    jpeg::MakeImageEndWalk(m_u32SectorSize, u64Data, u64Data + u64Width * u64Height * 3, u64AtLeast);
                return 1;
            }
            p += segment.Be16(2) + 2;
        }
    }

    /// The end of the last image an APP2 "MPF" segment at `p` lists, when a JPEG starts there,
    /// cut at the device's end: the index bears out no bytes the device does not hold. 0 otherwise.
    static std::uint64_t MultiPictureEnd(RawFileBuffer& reader, std::uint64_t p, std::uint32_t u32Length) {
        if (u32Length < kMpfHeaderFromMarker) return 0;
        std::optional<jpeg::IndexedImage> const last =
            jpeg::LastIndexedImage(reader.ReadUpTo(p + 4, u32Length - 2), p + kMpfHeaderFromMarker);
        if (!last || last->u64Start == 0) return 0;
        engine::ByteView const start = reader.Read(last->u64Start, static_cast<std::uint32_t>(kSoi.size()));
        return !start.Empty() && start.Equals(0, kSoi) ? std::min(last->u64End, reader.BytesToDeviceEnd()) : 0;
    }

    std::string m_strName;
    std::string m_strTime;
    std::uint32_t m_u32SectorSize = 0;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileJPGAnalyser() { return std::make_unique<FileJPGAnalyser>(); }
