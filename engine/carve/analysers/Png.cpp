// PNG: an 8-byte signature, then chunks (length, type, data, CRC) up to IEND. The file is sized
// by walking the chunks. Layout from the PNG standard (ISO/IEC 15948), big-endian:
//   0   8  89 50 4E 47 0D 0A 1A 0A
//   8   4  IHDR's data length;  12 4 "IHDR";  16 4 width;  20 4 height
//   chunk: 0 4 data length;  4 4 type;  8 n data;  8+n 4 CRC   (12 bytes beside the data)
// A damaged chunk after image data still leaves a picture worth recovering: the file then
// ends where the damage starts.
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint64_t kSignatureBytes = 8;
constexpr std::uint64_t kChunkFrameBytes = 12;  // length, type and CRC
constexpr std::uint32_t kMaxChunkBytes = 0x1400000;
constexpr std::uint64_t kMaxChunkOffset = 0x1400000;

class FilePNGAnalyser final : public IRawFileAnalyser {
public:
    FilePNGAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_PNG) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (!engine::ByteView(pBuffer, u32Readable).Equals(0, kSignature)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_PNG;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, 24);
        if (header.Empty() || !header.Equals(12, "IHDR") || static_cast<std::int32_t>(header.Be32(16)) <= 0 ||
            static_cast<std::int32_t>(header.Be32(20)) <= 0)
            return 0;

        std::uint64_t u64Chunk = kSignatureBytes + kChunkFrameBytes + header.Be32(8);
        bool bSeenImageData = false;
        // Each chunk moves on by at least 12 bytes and the offset is capped: the walk ends.
        while (u64Chunk <= kMaxChunkOffset) {
            engine::ByteView const chunk = reader.Read(u64Chunk, 8);
            if (chunk.Empty()) return 0;
            std::uint32_t const u32Length = chunk.Be32(0);
            if (u32Length > kMaxChunkBytes) {  // also every length that is negative as signed
                if (!bSeenImageData) return 0;
                info.m_u64Size = u64Chunk;
                return 1;
            }
            if (chunk.Equals(4, "IEND")) {
                info.m_u64Size = u64Chunk + u32Length + kChunkFrameBytes;
                return 1;
            }
            if (chunk.Equals(4, "IDAT")) bSeenImageData = true;
            u64Chunk += u32Length + kChunkFrameBytes;
        }
        return 0;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePNGAnalyser() { return std::make_unique<FilePNGAnalyser>(); }
