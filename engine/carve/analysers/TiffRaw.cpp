// TIFF and the camera raw files built on it. Header variants (bytes 0-3):
//   49 49 2A 00 / 4D 4D 00 2A   TIFF, little- and big-endian
//   49 49 55 00                 Panasonic RW2 and Leica RAW (little-endian, magic 0x55)
//   49 49 52 4F / 49 49 52 53   Olympus ORF ("IIRO", "IIRS")
//   "FUJIFILMCCD-RAW "          Fuji RAF: a container (big-endian) whose header gives the
//                               offset and length of a preview JPEG at 84 and 88, two further
//                               sections at 92 and 100, and a TIFF at offset 160
// The file is sized from its directories (TiffSizer.h): exactly, when its chain of directories
// holds up to its end; its type comes from the camera's maker.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/ExifReader.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/carve/analysers/PictureName.h"
#include "engine/carve/analysers/TiffDirectory.h"
#include "engine/carve/analysers/TiffSizer.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::string_view kKeys[] = {
    std::string_view("MM\0*", 4), std::string_view("II*\0", 4), std::string_view("IIU\0", 4), "IIRO", "IIRS", "FUJI"};
constexpr std::string_view kFujiMagic = "FUJIFILMCCD-RAW ";
constexpr std::uint8_t kPanasonicHeader[] = {0x49, 0x49, 0x55, 0x00};

// The Fuji container's big-endian header fields.
constexpr std::size_t kFujiJpegOffset = 84;
constexpr std::size_t kFujiSections[] = {92, 100};  // offset and length pairs
constexpr std::size_t kFujiExtra = 132;
constexpr std::uint64_t kFujiTiffStart = 160;
constexpr std::uint32_t kFujiMaxOffset = 0x4E000000;
constexpr std::uint32_t kFujiHeaderBytes = 136;

// Sizes outside this range are not believed; such a file gets a fixed size instead.
constexpr std::uint64_t kMinBelievedSize = 10240;
constexpr std::uint64_t kMaxBelievedSize = 1308622848;
constexpr std::uint64_t kUnbelievedSize = 0x7CCCCCC;
// A small file may run on past what its directories say, while its sectors do not end in zeros.
constexpr std::uint64_t kGrowBelow = 0x100000;
constexpr std::uint64_t kGrowLimit = 0x299999A;
constexpr std::uint32_t kTailBytes = 16;
constexpr std::uint32_t kDefaultSectorSize = 512;

struct MakerRow {
    std::string_view make;  // upper case, looked for anywhere in the make
    RAW_FILE_TYPE type;
};
// In this order; the first row whose text the make holds decides. Sony, Panasonic, Leica and
// Kodak have a second type that depends on the model or the header (TypeFromMaker).
constexpr MakerRow kMakers[] = {
    {"NIKON", RAW_FILE_TYPE_NEF},     {"CANON", RAW_FILE_TYPE_CR2},      {"SONY", RAW_FILE_TYPE_ARW},
    {"PANASONIC", RAW_FILE_TYPE_RW2}, {"LEICA", RAW_FILE_TYPE_TIF},      {"KODAK", RAW_FILE_TYPE_KDC},
    {"EPSON", RAW_FILE_TYPE_ERF},     {"HASSELBLAD", RAW_FILE_TYPE_3FR}, {"MAMIYA", RAW_FILE_TYPE_MEF},
    {"PENTAX", RAW_FILE_TYPE_PEF},    {"SAMSUNG", RAW_FILE_TYPE_SRW},    {"OLYMPUS", RAW_FILE_TYPE_ORF},
};

RAW_FILE_TYPE TypeFromMaker(std::string make, std::string const& model, bool bPanasonicHeader, RAW_FILE_TYPE eCurrent) {
    std::transform(make.begin(), make.end(), make.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (MakerRow const& row : kMakers) {
        if (make.find(row.make) == std::string::npos) continue;
        switch (row.type) {
            case RAW_FILE_TYPE_ARW:
                return model.find("DSC-R1") != std::string::npos ? RAW_FILE_TYPE_SR2 : RAW_FILE_TYPE_ARW;
            case RAW_FILE_TYPE_RW2:
                return bPanasonicHeader && model.find("DMC-") == std::string::npos ? RAW_FILE_TYPE_RAW
                                                                                   : RAW_FILE_TYPE_RW2;
            case RAW_FILE_TYPE_TIF:
                return bPanasonicHeader ? RAW_FILE_TYPE_RAW : eCurrent;
            case RAW_FILE_TYPE_KDC:
                return model.find("DCS Pro SLR") != std::string::npos ? RAW_FILE_TYPE_DCR : RAW_FILE_TYPE_KDC;
            default:
                return row.type;
        }
    }
    return RAW_FILE_TYPE_TIF;
}

class FileTIFAnalyser final : public IRawFileAnalyser {
public:
    FileTIFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_TIF) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!StartsWithAnyOf(bytes, kKeys) || (bytes.Equals(0, "FUJI") && !bytes.Equals(0, kFujiMagic))) return 0;
        info.m_u32Type = RAW_FILE_TYPE_TIF;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        m_strName.clear();
        m_strTime.clear();
        info.m_u64Size = GetTiffSize(info, pDevice);
        return 1;
    }

    std::string GetRawFileName() override { return m_strName; }
    std::string GetRawFileTime() override { return m_strTime; }

private:
    /// The file's size by the rules, 0 when it cannot be told; sets the type, name and time.
    std::uint64_t GetTiffSize(CRawFileInfo& info, IStorageDevice* pDevice) {
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const start = reader.Read(0, kFujiHeaderBytes);
        if (start.Empty()) return 0;
        info.m_u32Type = RAW_FILE_TYPE_TIF;
        bool const bFuji = start.Equals(0, kFujiMagic);
        std::uint64_t u64FujiRunning = 0;
        bool bPreviewThere = false;
        if (bFuji && !ReadFujiContainer(reader, info, u64FujiRunning, bPreviewThere)) return 0;

        std::uint64_t const u64TiffStart = bFuji ? kFujiTiffStart : 0;
        engine::ByteView const header = reader.Read(u64TiffStart, 8);
        if (header.Empty()) return 0;
        engine::ByteOrder const order = tiff::OrderOf(header).value_or(engine::ByteOrder::Little);
        bool const bPanasonic = header.Equals(0, kPanasonicHeader);
        if (bPanasonic) info.m_u32Type = RAW_FILE_TYPE_RAW;

        TiffSizer sizer(reader, u64TiffStart, order, bFuji);
        sizer.Raise(u64FujiRunning);
        sizer.WalkMainChain(header.U32(4, order));
        TiffFacts const& facts = sizer.Facts();

        // The walked structure itself: the Fuji header, the directories and their values (a
        // preview among them); what a file found inside it is part of the file.
        std::uint64_t const u64Structure = facts.u64Structure + u64TiffStart;
        if (bFuji && sizer.FujiFinished()) {
            info.m_u32Type = RAW_FILE_TYPE_RAF;
            // What the container's header places bears the file out should its directories
            // reach past the device's end, once its preview is where the header says; without
            // it the sections are a claim that ends at the next file.
            info.m_u64Borne = bPreviewThere ? u64FujiRunning : std::max(u64Structure, std::uint64_t{kFujiHeaderBytes});
            info.m_bSizeGuessed = !bPreviewThere;
            if (info.GetRawFileName().empty()) SetNameAndTime(facts.strModel, facts.strTime, info);
            return facts.u64Running;
        }
        info.m_u32Type = facts.bDng ? RAW_FILE_TYPE_DNG
                                    : TypeFromMaker(facts.strMake, facts.strModel, bPanasonic,
                                                    static_cast<RAW_FILE_TYPE>(info.m_u32Type));
        if (bFuji) info.m_u32Type = RAW_FILE_TYPE_RAF;
        if (!bFuji || info.GetRawFileName().empty()) SetNameAndTime(facts.strModel, facts.strTime, info);

        // The furthest structure is the end: image data of odd length laid out last is followed
        // by a pad byte only in a writer's mind, and a zero there is the file system's slack.
        std::uint64_t u64Size = std::max(facts.u64Running, facts.u64LastIfdEnd) + u64TiffStart;
        // A chain walked to its end gives the file's length, however small, when the device
        // holds that many bytes (a Fuji container's only with its preview where its header says).
        bool const bBorne = !bFuji || bPreviewThere;
        if (bBorne && facts.bWalkedToEnd && u64Size <= kMaxBelievedSize && !reader.Read(u64Size - 1, 1).Empty())
            return u64Size;
        // Otherwise the directories tell no end: a guess, which the search cuts at the next file
        // found past what they do tell. Where that lies off the device (a strip offset of
        // FFFFFFFF), only the structure itself bears the file out.
        auto const onDevice = [&reader](std::uint64_t u64End) {
            return u64End != 0 && !reader.Read(u64End - 1, 1).Empty();
        };
        std::uint64_t const u64Directories = facts.u64LastIfdEnd + u64TiffStart;
        info.m_u64Borne = bBorne && onDevice(u64Size) ? u64Size
                          : onDevice(u64Structure)    ? u64Structure
                          : onDevice(u64Directories)  ? u64Directories
                                                      : 0;
        info.m_bSizeGuessed = true;
        if (u64Size < kMinBelievedSize || u64Size > kMaxBelievedSize) u64Size = kUnbelievedSize;
        return GrowSmallFile(reader, u64Size, pDevice);
    }

    /// The preview JPEG's EXIF names and dates the file; the running size starts past the
    /// preview and the two further sections. False when an offset is out of range;
    /// `bPreviewThere` tells whether a JPEG starts where the header places the preview.
    bool ReadFujiContainer(RawFileBuffer& reader, CRawFileInfo& info, std::uint64_t& u64Running, bool& bPreviewThere) {
        engine::ByteView const header = reader.Read(0, kFujiHeaderBytes);
        std::uint32_t const u32JpegOffset = header.Be32(kFujiJpegOffset);
        std::uint32_t const u32JpegLength = header.Be32(kFujiJpegOffset + 4);
        if (u32JpegOffset > kFujiMaxOffset || u32JpegLength > kFujiMaxOffset) return false;
        u64Running = std::uint64_t{u32JpegOffset} + u32JpegLength;
        for (std::size_t section : kFujiSections)
            u64Running = std::max(u64Running, std::uint64_t{header.Be32(section)} + header.Be32(section + 4));
        u64Running += header.Be32(kFujiExtra);

        // The preview's EXIF is read where it stands, through the windowed reader.
        engine::ByteView const app1 = reader.Read(u32JpegOffset, 6);
        bPreviewThere = u32JpegLength != 0 && !app1.Empty() && app1.Be16(0) == 0xFFD8 && app1.U8(2) == 0xFF;
        if (!bPreviewThere || app1.Be16(2) != 0xFFE1) return true;
        std::uint32_t const u32Length = app1.Be16(4);
        tag_ExifInfo exif;
        if (EXIF_process_EXIF(reader.ReadUpTo(std::uint64_t{u32JpegOffset} + 6, u32Length), u32Length, exif) != 0) {
            ApplyPictureName(exif.strCameraMake, exif.strCameraModel, exif.strDateTime, info);
            m_strName = info.GetRawFileName();
            m_strTime = info.m_strTime;
        }
        return true;
    }

    void SetNameAndTime(std::string const& model, std::string const& time, CRawFileInfo& info) {
        info.SetRawFileName(model);
        info.m_strTime = time;
        m_strName = info.GetRawFileName();
        m_strTime = time;
    }

    /// Rounds up to whole sectors; a small file then takes in following sectors while their
    /// last bytes are not zero (data the directories did not account for).
    static std::uint64_t GrowSmallFile(RawFileBuffer& reader, std::uint64_t u64Size, IStorageDevice* pDevice) {
        int const iSectorSize = pDevice->GetSectorSize();
        std::uint64_t const u64Sector = iSectorSize > 0 ? static_cast<std::uint64_t>(iSectorSize) : kDefaultSectorSize;
        u64Size = (u64Size + u64Sector - 1) / u64Sector * u64Sector;
        if (u64Size >= kGrowBelow) return u64Size;
        std::uint64_t const u64Tail = u64Sector - kTailBytes;
        std::uint8_t const kZeros[kTailBytes] = {};
        for (std::uint64_t u64Look = u64Size - u64Sector; u64Size < kGrowLimit; u64Look += u64Sector) {
            engine::ByteView const tail = reader.Read(u64Look + u64Tail, kTailBytes);
            if (tail.Empty() || tail.Equals(0, kZeros)) break;
            u64Size = u64Look + u64Sector;
        }
        return u64Size;
    }

    std::string m_strName;
    std::string m_strTime;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileTIFAnalyser() { return std::make_unique<FileTIFAnalyser>(); }
