// RIFF files (WAV, AVI, ANI, the Corel forms, WebP and the rest) and their big-endian sibling,
// the IFF form of AIFF. Layouts from Microsoft's RIFF reference and Apple's AIFF:
//   RIFF  0 4 "RIFF";  4 4 size of what follows, little-endian;  8 4 form type;  12 4 first chunk id
//         an OpenDML AVI past 1 GiB goes on in further "RIFF" <size> "AVIX" lists
//   CMX   20 24 "{Corel Binary Meta File}"
//   AIFF  0 4 "FORM";  4 4 size of what follows, big-endian;  8 4 "AIFF" or "AIFC"
// The header gives the length; a RIFF's is believed as far as its chunks (and those of its lists)
// bear it out, so a stripped or cut file ends where its chunks stop.
#include <algorithm>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/MediaSupport.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormAt = 8;
constexpr std::size_t kFirstChunkAt = 12;
constexpr std::size_t kCorelMetaAt = 20;
/// An OpenDML AVI of this many extension lists is far past any real one.
constexpr std::uint32_t kMaxAvixLists = 4096;
/// Chunks walked per file; past them the stated sizes are believed.
constexpr std::uint32_t kMaxChunks = 1 << 20;
constexpr int kMaxListDepth = 4;
/// How far a RIFF that states no size is walked.
constexpr std::uint64_t kUnstatedReach = 0xFFFFFFFF;

constexpr std::string_view kCorelDrawForms[] = {"CDR7", "CDR8", "cdr8", "CDR9", "CDRA", "CDRB", "CDRC"};

struct RiffKind {
    std::string_view form;
    std::string_view firstChunk;
    std::string_view otherFirstChunk;
    RAW_FILE_TYPE eType;
};

constexpr RiffKind kKinds[] = {
    {"WAVE", "fmt ", "", RAW_FILE_TYPE_WAV},     {"AVI ", "LIST", "", RAW_FILE_TYPE_AVI},
    {"ACON", "LIST", "anih", RAW_FILE_TYPE_ANI}, {"CARC", "vrsn", "", RAW_FILE_TYPE_CLK},
    {"CSL2", "vrsn", "", RAW_FILE_TYPE_CSL},
};

RAW_FILE_TYPE RiffKindOf(engine::ByteView bytes) {
    for (RiffKind const& kind : kKinds) {
        if (!EqualsNoCase(bytes, kFormAt, kind.form)) continue;
        if (EqualsNoCase(bytes, kFirstChunkAt, kind.firstChunk) ||
            (!kind.otherFirstChunk.empty() && EqualsNoCase(bytes, kFirstChunkAt, kind.otherFirstChunk)))
            return kind.eType;
    }
    if (bytes.Equals(kFormAt, "CMX1") && bytes.Equals(kCorelMetaAt, "{Corel Binary Meta File}"))
        return RAW_FILE_TYPE_CMX;
    if (EqualsAnyNoCase(bytes, kFormAt, kCorelDrawForms) && EqualsNoCase(bytes, kFirstChunkAt, "vrsn"))
        return RAW_FILE_TYPE_CDR;
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

    /// The RIFF's own length, and the OpenDML lists that continue an AVI, as far as the chunks
    /// bear them out.
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, kChunkHeaderBytes);
        if (header.Empty()) return 0;
        std::uint32_t u32Budget = kMaxChunks;
        std::uint64_t u64Size = ListEnd(reader, 0, header.Le32(4), u32Budget);
        for (std::uint32_t u32List = 0; info.m_u32Type == RAW_FILE_TYPE_AVI && u32List < kMaxAvixLists; ++u32List) {
            engine::ByteView const next = reader.Read(u64Size, kChunkHeaderBytes + 4);
            if (next.Empty() || !next.Equals(0, "RIFF") || !next.Equals(kFormAt, "AVIX")) break;
            std::uint64_t const u64Next = ListEnd(reader, u64Size, next.Le32(4), u32Budget);
            if (u64Next <= u64Size + kChunkHeaderBytes) break;
            u64Size = u64Next;
        }
        info.m_u64Size = u64Size;
        return 1;
    }

private:
    /// Where the RIFF (or AVIX) list at `u64At` ends: its stated end when its chunks fill it,
    /// else where they stop. A stated size of 0 or all ones (a stream written without going
    /// back) states nothing: the chunks alone tell.
    static std::uint64_t ListEnd(RawFileBuffer& reader, std::uint64_t u64At, std::uint32_t u32Stated,
                                 std::uint32_t& u32Budget) {
        bool const bStated = u32Stated != 0 && u32Stated != UINT32_MAX;
        std::uint64_t const u64End = bStated ? u64At + kChunkHeaderBytes + u32Stated : kUnstatedReach + u64At;
        std::uint64_t const u64Reached = WalkChunks(reader, u64At + kFirstChunkAt, u64End, 0, u32Budget);
        return std::min(u64Reached, u64End);
    }

    /// Walks the chunks from `u64From` up to `u64To`: each a four-character id, a little-endian
    /// size and its data, padded to an even length; a LIST holds further chunks. Answers the end
    /// of the last chunk that holds up (`u64To` when they all do, or when the budget of chunks is
    /// spent).
    static std::uint64_t WalkChunks(RawFileBuffer& reader, std::uint64_t u64From, std::uint64_t u64To, int iDepth,
                                    std::uint32_t& u32Budget) {
        std::uint64_t u64At = u64From;
        // Every chunk moves on by 8 bytes at least and the budget is finite: the loop ends.
        while (u64At + kChunkHeaderBytes <= u64To) {
            if (u32Budget == 0) return u64To;  // spent, it stays 0: the enclosing walk stops too
            --u32Budget;
            engine::ByteView const chunk = reader.ReadUpTo(u64At, kChunkHeaderBytes + 4);
            if (chunk.Size() < kChunkHeaderBytes || !IsChunkId(chunk)) return u64At;
            std::uint64_t const u64End = u64At + kChunkHeaderBytes + chunk.Le32(4);
            if (u64End > u64To) return u64At;
            if (chunk.Equals(0, "LIST") && iDepth < kMaxListDepth && u64End >= u64At + kFirstChunkAt) {
                std::uint64_t const u64Inner = WalkChunks(reader, u64At + kFirstChunkAt, u64End, iDepth + 1, u32Budget);
                if (u64Inner < u64End) return u64Inner;
            }
            u64At = u64End + (u64End & 1);
        }
        return std::min(u64At, u64To);
    }

    static bool IsChunkId(engine::ByteView chunk) {
        for (std::size_t i = 0; i < 4; ++i)
            if (chunk.U8(i) < 0x20 || chunk.U8(i) > 0x7E) return false;
        return true;
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
