// RealMedia (RM, RMVB): chunks of a 4-byte id and a 4-byte big-endian size counting the whole
// chunk. Layout from the RealMedia file format (Helix):
//   ".RMF" file header, then "PROP", "MDPR" (one a stream, its description text among its
//   bytes: "Audio Stream", "Video Stream"), "CONT", "DATA", "INDX" (one a stream, the last with
//   20 bytes and no next index: "INDX" 00 00 00 14 00 00 00 00 00 00 00 02 00 00 00 00)
// A file ends where its chunks end: the chunk sizes are believed only as far as the chunks bear
// them out, and the data chunk's size only as far as its packets (writers leave it wrong: ffmpeg
// counts ten bytes more than it writes and closes the file with eight zero bytes instead of an
// index). Audio-only files end there; video files at their closing index when one lies within
// that structure, searched as a walk the scan feeds.
#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/EndMarkerSearch.h"
#include "engine/carve/analysers/MediaSupport.h"
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
    for (auto at = FindBytes(searched, "MDPR", 0); at; at = FindBytes(searched, "MDPR", *at + 4)) {
        engine::ByteView const stream =
            bytes.Sub(*at, std::min<std::size_t>(bytes.Size() - *at, kDescriptionSearchBytes));
        if (FindBytes(stream, "Video Stream", 0)) return true;
    }
    return false;
}

/// The data chunk's header: id, size, version (2), packet count (4), next data header (4).
constexpr std::uint64_t kDataHeaderBytes = 18;
/// A media packet's header: version (2), length (2, the whole packet), stream (2), time (4),
/// then two bytes (version 0) or three (version 1).
constexpr std::uint32_t kPacketHeaderBytes[] = {12, 13};
/// What ffmpeg writes in place of an index: an empty header of eight zero bytes.
constexpr std::uint32_t kEmptyEndHeaderBytes = 8;

/// Where the data chunk at `u64Data` ends by its packets: after the last packet whose header
/// makes sense, within the chunk's stated size when that is one, and no more than the stated
/// count of packets. A writer that left the size or the count 0 left them unknown.
std::uint64_t WalkPackets(RawFileBuffer& reader, std::uint64_t u64Data, std::uint32_t u32Stated,
                          std::uint32_t u32Count) {
    std::uint64_t const u64StatedEnd = u32Stated > kDataHeaderBytes ? u64Data + u32Stated : kLimit;
    std::uint64_t u64At = u64Data + kDataHeaderBytes;
    // Every packet moves on by its header at least: bounded by the limit.
    for (std::uint32_t u32Packets = 0;
         u64At < std::min(u64StatedEnd, kLimit) && (u32Count == 0 || u32Packets < u32Count); ++u32Packets) {
        engine::ByteView const packet = reader.Read(u64At, 4);
        if (packet.Empty() || packet.Be16(0) > 1 || packet.Be16(2) < kPacketHeaderBytes[packet.Be16(0)]) break;
        if (u64At + packet.Be16(2) > u64StatedEnd) break;
        u64At += packet.Be16(2);
    }
    return u64At;
}

bool KnownChunk(engine::ByteView chunk) {
    for (std::string_view const id : kChunkIds)
        if (chunk.Equals(0, id)) return true;
    return false;
}

/// Chunk after chunk from the file header while their ids and sizes make sense; the data
/// chunk is walked packet by packet. Where a walk breaks, the file ends.
std::uint64_t WalkChunks(RawFileBuffer& reader, std::uint64_t u64First) {
    std::uint64_t u64Chunk = u64First;
    for (std::uint32_t u32Chunk = 0; u32Chunk < kMaxChunks && u64Chunk <= kLimit; ++u32Chunk) {
        engine::ByteView chunk = reader.Read(u64Chunk, kChunkHeaderBytes);
        if (chunk.Empty() || !KnownChunk(chunk) || chunk.Be32(4) < kChunkHeaderBytes) break;
        std::uint32_t const u32Size = chunk.Be32(4);
        if (!chunk.Equals(0, "DATA")) {
            u64Chunk += u32Size;
            continue;
        }
        chunk = reader.Read(u64Chunk, kDataHeaderBytes);
        if (chunk.Empty()) break;
        std::uint64_t const u64Packets = WalkPackets(reader, u64Chunk, u32Size, chunk.Be32(10));
        if (u64Packets == u64Chunk + u32Size) {
            u64Chunk = u64Packets;
            continue;
        }
        // The packets stop short of the stated size: the file goes on only where a chunk follows.
        engine::ByteView const after = reader.Read(u64Packets, kEmptyEndHeaderBytes);
        if (!after.Empty() && KnownChunk(after) && after.Be32(4) >= kChunkHeaderBytes) {
            u64Chunk = u64Packets;
            continue;
        }
        bool const bEmptyEnd = !after.Empty() && after.Be32(0) == 0 && after.Be32(4) == 0;
        return u64Packets + (bEmptyEnd ? kEmptyEndHeaderBytes : 0);
    }
    return u64Chunk;
}

/// The size of a video file: the end of its closing index, searched in the sectors that end in
/// zeros (where a file followed by free space ends) up to where its chunks end; that end when
/// the index is not found there.
Sizing SearchClosingIndex(std::uint32_t u32SectorSize, std::uint64_t u64StructureEnd) {
    EndMarker const marker{.marker = kClosingIndex,
                           .u64Limit = std::min(u64StructureEnd, kLimit),
                           .u32ZeroTail = 4,
                           .u32LookBack = static_cast<std::uint32_t>(kClosingIndex.size()),
                           .u64Borne = u64StructureEnd};
    return SearchEndMarker(u32SectorSize, marker,
                           [u64StructureEnd](EndFound const& found) -> std::optional<std::uint64_t> {
                               return found.bFound ? std::min(found.u64End, u64StructureEnd) : u64StructureEnd;
                           });
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
        if (pDevice == nullptr) {
            info.m_u64Size = 0;
            return 0;
        }
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        Sizing sizing = Size(reader, info, SectorSizeOf(pDevice));
        if (sizing.walk) RunWalk(*sizing.walk, reader);
        std::optional<std::uint64_t> const size = sizing.walk ? sizing.walk->Answer() : sizing.size;
        if (!size || *size == 0) return 0;
        info.m_u64Size = *size;
        return 1;
    }

    std::unique_ptr<SectorWalk> BeginRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (pDevice == nullptr) return nullptr;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        Sizing sizing = Size(reader, info, SectorSizeOf(pDevice));
        if (sizing.walk) return std::move(sizing.walk);
        if (sizing.size && *sizing.size != 0) info.m_u64Size = *sizing.size;
        return nullptr;
    }

private:
    /// Audio files by their chunks; video files by the search for their closing index within them.
    static Sizing Size(RawFileBuffer& reader, CRawFileInfo const& info, std::uint32_t u32SectorSize) {
        engine::ByteView const header = reader.Read(0, kChunkHeaderBytes);
        if (header.Empty()) return {};
        std::uint64_t const u64End = WalkChunks(reader, header.Be32(4));
        if (info.m_u32Type != RAW_FILE_TYPE_RMVB) return {u64End, nullptr};
        return SearchClosingIndex(u32SectorSize, u64End);
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileRMAnalyser() { return std::make_unique<FileRMAnalyser>(); }
