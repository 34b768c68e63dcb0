// Paint Shop Pro images: a fixed signature and version, then blocks that each state their
// length. Layout from Jasc's published PSP file format (version 6 and later),
// little-endian:
//   0   32  "Paint Shop Pro Image File" LF 1A and five zero bytes
//   32  2   major version;  34 2 minor version
//   block from 36: 0 4 "~BK" 0;  4 2 block id;  6 4 block length (after these 10 bytes)
// The file ends at the first place where no block header stands.
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"

namespace {

constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1A\0\0\0\0";  // its own terminator is the 32nd byte
constexpr std::string_view kSignatureBytes(kSignature, sizeof(kSignature));
static_assert(kSignatureBytes.size() == 32);
constexpr std::uint64_t kFirstBlock = 36;
constexpr std::uint32_t kBlockMagic = 0x004B427E;  // "~BK" 0 read little-endian
constexpr std::uint64_t kBlockHeaderBytes = 10;
/// A file of a header and a few blocks is shorter than any image Paint Shop Pro writes.
constexpr std::uint64_t kMinFileBytes = 512;

/// Walks the blocks from the first; the file ends where no block header stands.
std::optional<std::uint64_t> PspSize(RawFileBuffer& reader, std::uint32_t) {
    std::uint64_t u64Block = kFirstBlock;
    // Every block moves on by at least 10 bytes and the walk is capped: it ends.
    while (u64Block <= RawFileBuffer::kMaxWalkBytes) {
        engine::ByteView const header = reader.Read(u64Block, kBlockHeaderBytes);
        if (header.Empty()) return std::nullopt;
        if (header.Le32(0) != kBlockMagic) {
            if (u64Block < kMinFileBytes) return std::nullopt;
            break;
        }
        u64Block += header.Le32(6) + kBlockHeaderBytes;
    }
    return u64Block;
}

constexpr std::string_view kKeys[] = {kSignatureBytes};
constexpr KeyedFormat kPsp = {RAW_FILE_TYPE_PSP, kKeys, &PspSize};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFilePSPAnalyser() { return CreateKeyedAnalyser(kPsp); }
