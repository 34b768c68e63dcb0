// RIFF files (WAV, AVI, ANI, the Corel forms, WebP and the rest) and their big-endian sibling,
// the IFF form of AIFF. Layouts from Microsoft's RIFF reference and Apple's AIFF:
//   RIFF  0 4 "RIFF";  4 4 size of what follows, little-endian;  8 4 form type;  12 4 first chunk id
//         an OpenDML AVI past 1 GiB goes on in further "RIFF" <size> "AVIX" lists
//   CMX   20 24 "{Corel Binary Meta File}"
//   AIFF  0 4 "FORM";  4 4 size of what follows, big-endian;  8 4 "AIFF" or "AIFC"
// The header gives the length, so both are sized by it.
#include <string_view>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/MediaSupport.h"
#include "engine/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormAt = 8;
constexpr std::size_t kFirstChunkAt = 12;
constexpr std::size_t kCorelMetaAt = 20;
/// An OpenDML AVI of this many extension lists is far past any real one.
constexpr std::uint32_t kMaxAvixLists = 4096;

constexpr std::string_view kCorelDrawForms[] = {"CDR7", "CDR8", "cdr8", "CDR9", "CDRA", "CDRB", "CDRC"};

struct RiffKind {
    std::string_view form;
    std::string_view firstChunk;
    std::string_view otherFirstChunk;
    RAW_FILE_TYPE eType;
};

constexpr RiffKind kKinds[] = {
    {"WAVE", "fmt ", "", RAW_FILE_TYPE_WAV},
    {"AVI ", "LIST", "", RAW_FILE_TYPE_AVI},
    {"ACON", "LIST", "anih", RAW_FILE_TYPE_ANI},
    {"CARC", "vrsn", "", RAW_FILE_TYPE_CLK},
    {"CSL2", "vrsn", "", RAW_FILE_TYPE_CSL},
};

RAW_FILE_TYPE RiffKindOf(engine::ByteView bytes) {
    for (RiffKind const& kind : kKinds) {
        if (!EqualsNoCase(bytes, kFormAt, kind.form)) continue;
        if (EqualsNoCase(bytes, kFirstChunkAt, kind.firstChunk) ||
            (!kind.otherFirstChunk.empty() && EqualsNoCase(bytes, kFirstChunkAt, kind.otherFirstChunk)))
            return kind.eType;
    }
    if (bytes.Equals(kFormAt, "CMX1") && bytes.Equals(kCorelMetaAt, "{Corel Binary Meta File}")) return RAW_FILE_TYPE_CMX;
    if (EqualsAnyNoCase(bytes, kFormAt, kCorelDrawForms) && EqualsNoCase(bytes, kFirstChunkAt, "vrsn")) return RAW_FILE_TYPE_CDR;
    return RAW_FILE_TYPE_RIFF;
}

class FileRIFFAnalyser final : public IRawFileAnalyser {
public:
    FileRIFFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_RIFF) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(0, "RIFF")) return 0;
        info.m_u32Type = RiffKindOf(bytes);
        info.m_u64Size = 0;
        return 1;
    }

    /// The RIFF's own length, and the OpenDML lists that continue an AVI.
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, kChunkHeaderBytes);
        if (header.Empty()) return 0;
        std::uint64_t u64Size = kChunkHeaderBytes + header.Le32(4);
        for (std::uint32_t u32List = 0; info.m_u32Type == RAW_FILE_TYPE_AVI && u32List < kMaxAvixLists; ++u32List) {
            engine::ByteView const next = reader.Read(u64Size, kChunkHeaderBytes + 4);
            if (next.Empty() || !next.Equals(0, "RIFF") || !next.Equals(kFormAt, "AVIX")) break;
            u64Size += kChunkHeaderBytes + next.Le32(4);
        }
        info.m_u64Size = u64Size;
        return 1;
    }
};

class FileAIFFAnalyser final : public IRawFileAnalyser {
public:
    FileAIFFAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_AIFF) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (pBuffer == nullptr) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(0, "FORM") || !bytes.Equals(kFormAt, "AIF")) return 0;
        info.m_u32Type = RAW_FILE_TYPE_AIFF;
        info.m_u64Size = kChunkHeaderBytes + bytes.Be32(4);
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileRIFFAnalyser() { return std::make_unique<FileRIFFAnalyser>(); }
std::unique_ptr<IRawFileAnalyser> CreateFileAIFFAnalyser() { return std::make_unique<FileAIFFAnalyser>(); }
