// JPEG: FF D8 (start of image), marker segments (FF, marker, big-endian 16-bit length counting
// itself), the frame header (C0 baseline, C1 extended, C2 progressive, ... CF: 1 precision, 2
// height, 2 width, 1 component count), the start of scan (DA), entropy-coded data, FF D9 (end of image). Layout
// from ITU-T T.81; the EXIF block is the APP1 segment (FF E1) described in ExifReader.h.
// The entropy-coded data carries no length: its end is found sector by sector, where a file
// followed by free space ends in zeros.
#include <cctype>
#include <memory>
#include <string_view>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/SectorWalk.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/ExifReader.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/PictureName.h"
#include "engine/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::string_view kKeys[] = {"\xFF\xD8\xFF\xE0", "\xFF\xD8\xFF\xE1", "\xFF\xD8\xFF\xDB"};
constexpr std::size_t kIdentifierOffset = 6;   // "JFIF" or "Exif" in APP0 or APP1
constexpr std::uint64_t kFirstMarker = 2;
// A JFIF file's EXIF is looked for right after a 16-byte APP0 (18 bytes from the start).
constexpr std::uint64_t kJfifExifLength = 22;
constexpr std::uint64_t kJfifExifHeader = 24;
constexpr std::uint64_t kExifLength = 4;
constexpr std::uint64_t kExifHeader = 6;
// Past these the marker walk gives up looking for the scan and takes what it walked.
constexpr std::uint64_t kJfifWalkLimit = 0x19FFFFFF;
constexpr std::uint64_t kOtherWalkLimit = 0xCFFFFFF;
constexpr std::uint8_t kPrecision = 8;
constexpr std::uint8_t kComponents = 3;
constexpr std::uint32_t kDefaultSectorSize = 512;

enum Marker : std::uint8_t {
    kSof0 = 0xC0,
    kDht = 0xC4,
    kJpg = 0xC8,
    kDac = 0xCC,
    kSos = 0xDA,
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

/// The end of the image, from `q` (the first byte of the compressed data), sector by sector: a
/// sector ending in FF D9 ends the file, one ending in FF D9 00 one byte before its end (a file
/// one byte short of a sector's multiple); one ending in zeros holds its end marker (or has it
/// straddling the boundary with the previous sector); the limit bounds the search.
class ImageEndWalk final : public SectorWalk {
public:
    ImageEndWalk(std::uint32_t u32SectorSize, std::uint64_t u64Data, std::uint64_t u64Limit)
        : SectorWalk(u32SectorSize, u64Data, u64Limit, true), m_u64Data(u64Data) {}

protected:
    bool MayEnd(engine::ByteView sector) const override {
        std::size_t const tail = SectorSize() - 2;
        return (sector.U8(tail) == 0xFF && sector.U8(tail + 1) == 0xD9) || EndsShort(sector) ||
               (sector.U8(tail) == 0 && sector.U8(tail + 1) == 0);
    }

    bool Look(IWalkSource& source, std::uint64_t u64SectorStart, std::uint64_t q, engine::ByteView sector) override {
        std::uint32_t const u32SectorSize = SectorSize();
        std::uint64_t const u64End = u64SectorStart + u32SectorSize;
        std::size_t const tail = u32SectorSize - 2;
        if (sector.U8(tail) == 0xFF && sector.U8(tail + 1) == 0xD9) return Ends(u64End);
        if (u64End - 3 >= m_u64Data && EndsShort(sector)) return Ends(u64End - 1);
        if (sector.U8(tail) == 0 && sector.U8(tail + 1) == 0) {
            for (std::size_t i = static_cast<std::size_t>(q - u64SectorStart); i + 1 < u32SectorSize; ++i)
                if (sector.U8(i) == 0xFF && sector.U8(i + 1) == 0xD9) return Ends(u64SectorStart + i + 2);
            if (q == u64SectorStart && q != 0 && sector.U8(0) == 0xD9) {
                engine::ByteView const before = source.Read(q - 1, 1);
                if (!before.Empty() && before.U8(0) == 0xFF) return Ends(q + 1);
            }
        }
        return false;
    }

private:
    bool EndsShort(engine::ByteView sector) const {
        std::size_t const tail = SectorSize() - 2;
        return tail >= 1 && sector.U8(tail - 1) == 0xFF && sector.U8(tail) == 0xD9 && sector.U8(tail + 1) == 0;
    }
    bool Ends(std::uint64_t u64Size) {
        End(u64Size);
        return true;
    }

    std::uint64_t m_u64Data;
};

class FileJPGAnalyser final : public IRawFileAnalyser {
public:
    FileJPGAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_JPG) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!StartsWithAnyOf(bytes, kKeys)) return 0;
        if (!EqualsNoCase(bytes, kIdentifierOffset, "JFIF") && !EqualsNoCase(bytes, kIdentifierOffset, "Exif") &&
            bytes.U8(3) != 0xDB)
            return 0;
        info.m_u32Type = RAW_FILE_TYPE_JPG;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::unique_ptr<SectorWalk> pWalk;
        int const iResult = Begin(reader, info, *pDevice, pWalk);
        if (pWalk) ApplyWalkAnswer(info, RunWalk(*pWalk, reader));
        return iResult;
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
            return Walk(reader, info, Walker::Jfif, pWalk);
        }
        if (EqualsNoCase(start, kIdentifierOffset, "Exif")) {
            if (start.U8(kFirstMarker) != 0xFF) return 0;
            ReadExif(reader, info, kExifLength, kExifHeader);
            return Walk(reader, info, Walker::Exif, pWalk);
        }
        if (start.U8(kFirstMarker) != 0xFF) return 0;
        return Walk(reader, info, Walker::Plain, pWalk);
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

    /// Walks the marker segments from the second marker to the start of scan, then looks for the
    /// end of the image. 1 with the size in `info`, 0 when the picture cannot be sized.
    int Walk(RawFileBuffer& reader, CRawFileInfo& info, Walker walker, std::unique_ptr<SectorWalk>& pWalk) {
        std::uint64_t const u64Limit = walker == Walker::Jfif ? kJfifWalkLimit : kOtherWalkLimit;
        std::uint64_t p = kFirstMarker;
        bool bFrame = false;
        std::uint64_t u64Width = 0;
        std::uint64_t u64Height = 0;
        // Every step moves at least 2 bytes and the position is capped: the walk ends.
        for (;;) {
            if (p > u64Limit) {
                info.m_u64Size = p;
                return 1;
            }
            engine::ByteView const segment = reader.Read(p, 10);
            if (segment.Empty()) return 0;
            std::uint8_t const u8Marker = segment.U8(1);
            if (u8Marker == kFill) {
                p += 2;
                continue;
            }
            bool const bFrameHeader = walker == Walker::Plain
                                          ? IsAnyFrameHeader(u8Marker)
                                          : u8Marker == kSof0 || (IsAnyFrameHeader(u8Marker) && !bFrame);
            if (bFrameHeader) {
                if (segment.U8(4) != kPrecision) return 0;
                if (walker == Walker::Plain && segment.U8(9) != kComponents) return 0;
                u64Height = segment.Be16(5);
                u64Width = segment.Be16(7);
                bFrame = true;
            } else if (u8Marker == kSos) {
                if (!bFrame || (walker == Walker::Plain && segment.U8(4) != kComponents)) return 0;
                // The compressed data holds at most three bytes a pixel; the limit counts from
                // its first byte, so large EXIF, ICC or comment segments before it do not cut it.
                std::uint64_t const u64Data = p + 2 + segment.Be16(2);
                pWalk = std::make_unique<ImageEndWalk>(m_u32SectorSize, u64Data, u64Data + u64Width * u64Height * 3);
                return 1;
            }
            p += segment.Be16(2) + 2;
        }
    }

    std::string m_strName;
    std::string m_strTime;
    std::uint32_t m_u32SectorSize = 0;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileJPGAnalyser() { return std::make_unique<FileJPGAnalyser>(); }
