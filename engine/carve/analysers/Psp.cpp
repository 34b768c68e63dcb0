// Paint Shop Pro images: a fixed signature and version, then blocks that each state their
// length. Layout from Jasc's published PSP file format (version 6 and later),
// little-endian:
//   0   32  "Paint Shop Pro Image File" LF 1A and five zero bytes
//   32  2   major version;  34 2 minor version
//   block from 36: 0 4 "~BK" 0;  4 2 block id;  6 4 block length (after these 10 bytes)
// The file ends at the first place where no block header stands.
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1A\0\0\0\0";  // its own terminator is the 32nd byte
constexpr std::string_view kSignatureBytes(kSignature, sizeof(kSignature));
static_assert(kSignatureBytes.size() == 32);
constexpr std::uint64_t kFirstBlock = 36;
constexpr std::uint32_t kBlockMagic = 0x004B427E;  // "~BK" 0 read little-endian
constexpr std::uint64_t kBlockHeaderBytes = 10;
constexpr std::uint64_t kMaxWalk = 0xD000000;
/// A file of a header and a few blocks is shorter than any image Paint Shop Pro writes.
constexpr std::uint64_t kMinFileBytes = 512;

class FilePSPAnalyser final : public IRawFileAnalyser {
public:
    FilePSPAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_PSP) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (!engine::ByteView(pBuffer, u32Readable).Equals(0, kSignatureBytes)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_PSP;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::uint64_t u64Block = kFirstBlock;
        // Every block moves on by at least 10 bytes and the walk is capped: it ends.
        while (u64Block <= kMaxWalk) {
            engine::ByteView const header = reader.Read(u64Block, kBlockHeaderBytes);
            if (header.Empty()) return 0;
            if (header.Le32(0) != kBlockMagic) {
                if (u64Block < kMinFileBytes) return 0;
                break;
            }
            u64Block += header.Le32(6) + kBlockHeaderBytes;
        }
        info.m_u64Size = u64Block;
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePSPAnalyser() { return std::make_unique<FilePSPAnalyser>(); }
