// RealMedia (RM, RMVB): chunks of a 4-byte id and a 4-byte big-endian size counting the whole
// chunk. Layout from the RealMedia file format (Helix):
//   ".RMF" file header, then "PROP", "MDPR" (one a stream, its description text among its
//   bytes: "Audio Stream", "Video Stream"), "CONT", "DATA", "INDX" (one a stream, the last with
//   20 bytes and no next index: "INDX" 00 00 00 14 00 00 00 00 00 00 00 02 00 00 00 00)
// Audio-only files are sized by walking the chunks; video files, whose writers often leave the
// sizes of the data unreliable, by searching for the closing index.
#include <optional>
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

using namespace std::string_view_literals;

constexpr std::uint32_t kStreamSearchBytes = 1024;
constexpr std::uint32_t kDescriptionSearchBytes = 160;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kLimit = 0x104000000;
constexpr std::uint32_t kMaxChunks = 0x100000;
constexpr std::string_view kClosingIndex = "INDX\x00\x00\x00\x14\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00"sv;
constexpr std::string_view kChunkIds[] = {"PROP", "MDPR", "CONT", "DATA", "INDX"};

/// Whether a stream header among the bytes describes a video stream.
bool HasVideoStream(engine::ByteView bytes) {
    engine::ByteView const searched = bytes.Sub(0, std::min<std::size_t>(bytes.Size(), kStreamSearchBytes));
    for (auto at = FindBytes(searched, "MDPR"); at; at = FindBytes(searched, "MDPR", *at + 4)) {
        engine::ByteView const stream = bytes.Sub(*at, std::min<std::size_t>(bytes.Size() - *at, kDescriptionSearchBytes));
        if (FindBytes(stream, "Video Stream")) return true;
    }
    return false;
}

/// Chunk after chunk while their ids and sizes make sense.
std::uint64_t WalkChunks(RawFileBuffer& reader, std::uint64_t u64First) {
    std::uint64_t u64Chunk = u64First;
    for (std::uint32_t u32Chunk = 0; u32Chunk < kMaxChunks && u64Chunk <= kLimit; ++u32Chunk) {
        engine::ByteView const chunk = reader.Read(u64Chunk, kChunkHeaderBytes);
        bool bKnown = false;
        for (std::string_view const id : kChunkIds) bKnown = bKnown || chunk.Equals(0, id);
        if (!bKnown || chunk.Be32(4) < kChunkHeaderBytes) break;
        u64Chunk += chunk.Be32(4);
    }
    return u64Chunk;
}

/// The end of the closing index, searched in the sectors that end in zeros (where a file
/// followed by free space ends); the limit when it is never found.
std::optional<std::uint64_t> SearchClosingIndex(RawFileBuffer& reader, std::uint32_t u32SectorSize) {
    std::uint64_t const u64Overlap = kClosingIndex.size() - 1;
    std::uint64_t u64Sector = 0;
    for (; u64Sector <= kLimit; u64Sector += u32SectorSize) {
        engine::ByteView const sector = reader.Read(u64Sector, u32SectorSize);
        if (sector.Empty()) return u64Sector == 0 ? std::nullopt : std::optional(u64Sector);
        if (sector.Be32(u32SectorSize - 4) != 0) continue;
        std::uint64_t const u64From = u64Sector < u64Overlap ? 0 : u64Sector - u64Overlap;
        engine::ByteView const searched = reader.Read(u64From, static_cast<std::uint32_t>(u64Sector + u32SectorSize - u64From));
        if (auto const at = FindBytes(searched, kClosingIndex)) return u64From + *at + kClosingIndex.size();
    }
    return u64Sector;
}

class FileRMAnalyser final : public IRawFileAnalyser {
public:
    FileRMAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_RM) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!bytes.Equals(0, ".RMF")) return 0;
        info.m_u32Type = HasVideoStream(bytes) ? RAW_FILE_TYPE_RMVB : RAW_FILE_TYPE_RM;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (pDevice == nullptr) return 0;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        engine::ByteView const header = reader.Read(0, kChunkHeaderBytes);
        if (header.Empty()) return 0;
        std::optional<std::uint64_t> const size = info.m_u32Type == RAW_FILE_TYPE_RMVB
                                                      ? SearchClosingIndex(reader, SectorSizeOf(pDevice))
                                                      : std::optional(WalkChunks(reader, header.Be32(4)));
        if (!size || *size == 0) return 0;
        info.m_u64Size = *size;
        return 1;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileRMAnalyser() { return std::make_unique<FileRMAnalyser>(); }
