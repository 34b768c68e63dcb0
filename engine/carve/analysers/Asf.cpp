// ASF (WMA, WMV): top-level objects, each a 16-byte GUID and a 64-bit little-endian size that
// counts the whole object. Layout from Microsoft's ASF format reference:
//   Header Object (30 26 B2 75 ...)  16 8 size;  24 4 object count;  30 the header's objects,
//                                    among them Stream Properties Objects naming each stream's
//                                    kind by a Media GUID
//   Data Object, then an optional Simple Index Object
// The kind comes from the stream types in the header; the size from walking the objects.
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

// GUIDs as they are stored: the first three fields little-endian.
constexpr std::string_view kHeaderObject = "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::string_view kDataObject = "\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::string_view kSimpleIndexObject = "\x90\x08\x00\x33\xB1\xE5\xCF\x11\x89\xF4\x00\xA0\xC9\x03\x49\xCB"sv;
constexpr std::string_view kStreamProperties = "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65"sv;
constexpr std::string_view kVideoMedia = "\xC0\xEF\x19\xBC\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B"sv;
constexpr std::string_view kAudioMedia = "\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B"sv;
constexpr std::string_view kCommandMedia = "\xC0\xCF\xDA\x59\xE6\x59\xD0\x11\xA3\xAC\x00\xA0\xC9\x03\x48\xF6"sv;
constexpr std::string_view kOtherMedia = "\xE2\x65\xFB\x3A\xEF\x47\xF2\x40\xAC\x2C\x70\xA9\x0D\x71\xD3\x43"sv;

constexpr std::uint64_t kObjectHeaderBytes = 24;
/// The header's bytes searched for the stream kinds.
constexpr std::uint32_t kKindSearchBytes = 20480;

/// WMV for a video stream (unless commands or other media come with it), WMA for audio alone.
RAW_FILE_TYPE KindIn(engine::ByteView header) {
    auto const streams = FindBytes(header, kStreamProperties);
    if (!streams) return RAW_FILE_TYPE_ASF;
    engine::ByteView const rest = header.From(*streams);
    bool const bVideo = FindBytes(rest, kVideoMedia).has_value();
    if (bVideo && !FindBytes(rest, kCommandMedia) && !FindBytes(rest, kOtherMedia)) return RAW_FILE_TYPE_WMV;
    if (!bVideo && FindBytes(rest, kAudioMedia)) return RAW_FILE_TYPE_WMA;
    return RAW_FILE_TYPE_ASF;
}

class FileASFAnalyser final : public IRawFileAnalyser {
public:
    FileASFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_ASF) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (!engine::ByteView(pBuffer, u32Readable).Equals(0, kHeaderObject)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_ASF;
        return 1;
    }

    /// Header, Data and (when there) Simple Index Object in turn.
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, kObjectHeaderBytes);
        if (header.Empty() || !header.Equals(0, kHeaderObject)) return 0;
        std::uint64_t const u64HeaderBytes = header.Le64(16);
        RAW_FILE_TYPE eType = KindIn(reader.ReadUpTo(0, kKindSearchBytes));
        std::uint32_t const u32SectorSize = SectorSizeOf(pDevice);
        if (eType == RAW_FILE_TYPE_ASF && u64HeaderBytes > kKindSearchBytes)
            eType = KindIn(reader.ReadUpTo(u64HeaderBytes - u32SectorSize, u32SectorSize));

        std::uint64_t u64Position = 0;
        for (std::string_view const guid : {kHeaderObject, kDataObject, kSimpleIndexObject}) {
            engine::ByteView const object = reader.Read(u64Position, kObjectHeaderBytes);
            if (object.Empty() || !object.Equals(0, guid)) {
                if (guid == kSimpleIndexObject) break;
                return 0;
            }
            auto const next = engine::CheckedAdd(u64Position, object.Le64(16));
            if (!next || object.Le64(16) < kObjectHeaderBytes) return 0;
            u64Position = *next;
        }
        info.m_u32Type = eType;
        info.m_u64Size = u64Position;
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileASFAnalyser() { return std::make_unique<FileASFAnalyser>(); }
