#include "engine/carve/analysers/ExifReader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "engine/carve/analysers/TiffDirectory.h"

namespace {

constexpr std::uint32_t kMinSegmentLength = 14;  // the 6-byte header and the 8-byte TIFF header
constexpr std::uint32_t kHeaderBytes = 6;
constexpr std::uint32_t kMinFirstIfd = 8;
constexpr std::uint32_t kMaxFirstIfd = 16;
// A block holds a handful of directories; the cap bounds a chain that keeps finding new ones,
// and with it the recursion depth.
constexpr int kMaxDirectories = 64;
// The entry count is 16 bits: any count the block can hold is read.
constexpr std::uint32_t kMaxEntries = 0xFFFF;

constexpr std::size_t kMakeChars = 31;
constexpr std::size_t kModelChars = 39;
constexpr std::size_t kDateChars = 19;
constexpr std::size_t kVersionChars = 4;

constexpr std::uint32_t kFormatAscii = 2;

/// Millimetres per focal-plane resolution unit (1 none, 2 inch, 3 cm, 4 mm, 5 micrometre).
double MillimetresPerUnit(std::uint32_t u32Unit) {
    switch (u32Unit) {
        case 3:
            return 10.0;
        case 4:
            return 1.0;
        case 5:
            return 0.001;
        default:
            return 25.4;
    }
}

/// One reading: the block, its byte order and the directories on the way to the current one.
class ExifWalk {
public:
    ExifWalk(engine::ByteView block, engine::ByteOrder order, tag_ExifInfo& info)
        : m_block(block), m_order(order), m_info(info) {}

    bool EXIF_ProcessExifDir(std::uint32_t u32Directory);
    std::uint32_t LargestWidth() const { return m_u32LargestWidth; }
    double FocalPlaneXRes() const { return m_dFocalPlaneXRes; }
    std::uint32_t FocalPlaneUnits() const { return m_u32FocalPlaneUnits; }

private:
    bool OnStack(std::uint32_t u32Directory) const {
        return std::find(m_stack.begin(), m_stack.begin() + m_iDepth, u32Directory) != m_stack.begin() + m_iDepth;
    }
    bool ProcessEntry(tiff::Entry const& entry, std::uint32_t u32Directory);

    engine::ByteView m_block;
    engine::ByteOrder m_order;
    tag_ExifInfo& m_info;
    std::array<std::uint32_t, kMaxDirectories> m_stack{};
    int m_iDepth = 0;
    int m_iWalked = 0;
    std::uint32_t m_u32LargestWidth = 0;
    double m_dFocalPlaneXRes = 0;
    std::uint32_t m_u32FocalPlaneUnits = 0;
    std::uint32_t m_u32ThumbOffset = 0;
    std::uint32_t m_u32ThumbLength = 0;
    bool m_bThumbOffset = false;
    bool m_bThumbLength = false;
};

/// Up to `maxChars` characters of a text value, ending at its first zero byte.
std::string Text(engine::ByteView value, std::size_t maxChars) {
    std::size_t length = 0;
    while (length < value.Size() && length < maxChars && value.U8(length) != 0) ++length;
    return std::string(reinterpret_cast<char const*>(value.Data()), length);
}

bool ExifWalk::EXIF_ProcessExifDir(std::uint32_t u32Directory) {
    if (OnStack(u32Directory) || m_iWalked >= kMaxDirectories) return false;
    ++m_iWalked;
    m_stack[static_cast<std::size_t>(m_iDepth++)] = u32Directory;
    struct Pop {
        int& iDepth;
        ~Pop() { --iDepth; }
    } const pop{m_iDepth};

    tiff::Directory directory;
    if (!tiff::DecodeDirectory(m_block.From(u32Directory), m_order, kMaxEntries, directory)) return false;
    for (tiff::Entry const& entry : directory.entries)
        if (!ProcessEntry(entry, u32Directory)) return false;
    if (directory.next && *directory.next != 0) {
        if (*directory.next > m_block.Size()) return false;
        if (!EXIF_ProcessExifDir(*directory.next)) return false;
    }
    if (m_bThumbOffset && m_bThumbLength && m_block.Has(m_u32ThumbOffset, m_u32ThumbLength)) {
        m_info.u32ThumbnailOffset = m_u32ThumbOffset;
        m_info.u32ThumbnailLength = m_u32ThumbLength;
    }
    return true;
}

bool ExifWalk::ProcessEntry(tiff::Entry const& entry, std::uint32_t u32Directory) {
    if (tiff::TypeBytes(entry.u16Type) == 0) return false;
    std::uint64_t const u64ValueAt = entry.DataAt(u32Directory);
    if (!m_block.Has(u64ValueAt, entry.u64DataBytes)) return false;
    engine::ByteView const value = m_block.Sub(u64ValueAt, entry.u64DataBytes);
    auto const number = [&] { return EXIF_ConvertAnyFormat(value, entry.u16Type, m_order); };
    auto const whole = [&] { return static_cast<std::uint32_t>(std::max(0.0, std::min(number(), 4294967295.0))); };

    using namespace tiff;
    switch (entry.u16Tag) {
        case kTagMake:
            m_info.strCameraMake = Text(value, kMakeChars);
            break;
        case kTagModel:
            m_info.strCameraModel = Text(value, kModelChars);
            break;
        case kTagDateTimeOriginal:
            m_info.strDateTime = Text(value, kDateChars);
            break;
        case kTagDateTimeDigitized:
            m_info.strDateTimeDigitized = Text(value, kDateChars);
            break;
        case kTagExifVersion:
            m_info.strExifVersion = Text(value, kVersionChars);
            break;
        case kTagOrientation:
            m_info.u32Orientation = whole();
            break;
        case kTagXResolution:
            m_info.dXResolution = number();
            break;
        case kTagYResolution:
            m_info.dYResolution = number();
            break;
        case kTagExposureTime:
            m_info.dExposureTime = number();
            break;
        case kTagFNumber:
            m_info.dApertureFNumber = number();
            break;
        case kTagFocalLength:
            m_info.dFocalLength = number();
            break;
        case kTagIsoEquivalent:
            m_info.u32IsoEquivalent = whole();
            break;
        case kTagFlash:
            m_info.u32Flash = whole();
            break;
        case kTagMeteringMode:
            m_info.u32MeteringMode = whole();
            break;
        case kTagExifImageWidth:
        case kTagExifImageLength:
            m_u32LargestWidth = std::max(m_u32LargestWidth, whole());
            break;
        case kTagFocalPlaneXRes:
            m_dFocalPlaneXRes = number();
            break;
        case kTagFocalPlaneUnits:
            m_u32FocalPlaneUnits = whole();
            break;
        case kTagJpegOffset:
            m_u32ThumbOffset = whole();
            m_bThumbOffset = true;
            break;
        case kTagJpegLength:
            m_u32ThumbLength = whole();
            m_bThumbLength = true;
            break;
        case kTagExifIfd:
        case kTagInteropIfd:
            // A sub-directory is walked before the next entry, so its texts are there in order.
            if (!EXIF_ProcessExifDir(entry.u32Field)) return false;
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

double EXIF_ConvertAnyFormat(engine::ByteView value, std::uint32_t u32Format, engine::ByteOrder order) {
    std::uint32_t const u32Size = tiff::TypeBytes(u32Format);
    if (u32Size == 0 || u32Format == kFormatAscii || !value.Has(0, u32Size)) return 0;
    auto const get16 = [&](std::size_t offset) { return value.U16(offset, order); };
    auto const get32 = [&](std::size_t offset) { return value.U32(offset, order); };
    switch (u32Format) {
        case 1:
            return value.U8(0);
        case 6:
            return static_cast<std::int8_t>(value.U8(0));
        case 3:
            return get16(0);
        case 8:
            return static_cast<std::int16_t>(get16(0));
        case 4:
            return get32(0);
        case 9:
            return static_cast<std::int32_t>(get32(0));
        case 5:
        case 10: {
            bool const bSigned = u32Format == 10;
            double const dNumerator = bSigned ? static_cast<std::int32_t>(get32(0)) : static_cast<double>(get32(0));
            double const dDenominator = bSigned ? static_cast<std::int32_t>(get32(4)) : static_cast<double>(get32(4));
            return dDenominator == 0 ? 0 : dNumerator / dDenominator;
        }
        case 11: {
            std::uint32_t const u32Bits = get32(0);
            float fValue = 0;
            static_assert(sizeof fValue == sizeof u32Bits);
            __builtin_memcpy(&fValue, &u32Bits, sizeof fValue);
            return fValue;
        }
        case 12: {
            std::uint64_t const u64Bits = value.U64(0, order);
            double dValue = 0;
            __builtin_memcpy(&dValue, &u64Bits, sizeof dValue);
            return dValue;
        }
        default:
            return 0;  // undefined bytes
    }
}

int EXIF_process_EXIF(engine::ByteView header, std::uint32_t u32Length, tag_ExifInfo& info) {
    if (u32Length < kMinSegmentLength || !header.Equals(0, std::string_view("Exif\0\0", kHeaderBytes))) return 0;
    std::size_t const blockBytes = std::min<std::size_t>(u32Length - kHeaderBytes, header.Size() - kHeaderBytes);
    engine::ByteView const block = header.Sub(kHeaderBytes, blockBytes);
    if (block.Size() < 8) return 0;

    std::optional<engine::ByteOrder> const order = tiff::OrderOf(block);
    if (!order || block.U16(2, *order) != tiff::kMagic) return 0;
    std::uint32_t const u32FirstIfd = block.U32(4, *order);
    if (u32FirstIfd < kMinFirstIfd || u32FirstIfd > kMaxFirstIfd) return 0;

    ExifWalk walk(block, *order, info);
    // The first directory is taken to follow the header, whatever the offset says.
    if (!walk.EXIF_ProcessExifDir(kMinFirstIfd)) return 0;
    if (walk.FocalPlaneXRes() != 0)
        info.dCcdWidth = walk.LargestWidth() * MillimetresPerUnit(walk.FocalPlaneUnits()) / walk.FocalPlaneXRes();
    return 1;
}
