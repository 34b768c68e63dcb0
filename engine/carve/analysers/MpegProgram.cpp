// MPEG program streams (MPEG-1 system streams, MPEG-2 PS and VOB). Layout from ISO/IEC 11172-1
// and 13818-1: a sequence of start codes 00 00 01 xx:
//   BA  pack header: MPEG-1 12 bytes (byte 4 = 0010....); MPEG-2 14 bytes (byte 4 = 01......)
//       plus the stuffing count in the low 3 bits of byte 13
//   BB and up  a packet (system header, PES): 4 2 length (BE) of what follows
//   B9  the program end code, 4 bytes
// Writers pad between packs with zeros. The stream is sized by walking packs and packets; a
// run of 100 zero steps ends it before the zeros.
#include <optional>
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

using namespace std::string_view_literals;

constexpr std::uint8_t kPack = 0xBA;
constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kEndCode = 0xB9;
constexpr std::uint8_t kFirstPacket = 0xBB;
constexpr std::uint64_t kMpeg1PackBytes = 12;
constexpr std::uint64_t kMpeg2PackBytes = 14;
constexpr std::uint64_t kPacketHeaderBytes = 6;
constexpr std::uint64_t kWalkLimit = 0x82000000;
constexpr std::uint32_t kZeroStepsEnd = 100;

/// Bytes 4-7 of the packs and sequence headers that start the streams worth carving.
constexpr std::string_view kStarts[] = {"\x21\x00\x01\x00"sv, "\x21\x00\x71\x6F"sv, "\x44\x00\x2C\x48"sv,
                                        "\x21\x00\x01\x09"sv, "\x44\x00\x04\x00"sv, "\x2F\xFF\xFF\x13"sv,
                                        "\x44\x00\x04\x04"sv};

bool IsStartCode(engine::ByteView bytes) { return bytes.Equals(0, "\x00\x00\x01"sv); }

/// The pack header's length from its own bytes.
std::uint64_t PackBytes(engine::ByteView pack) {
    if ((pack.U8(4) & 0xC0) != 0x40) return kMpeg1PackBytes;
    return kMpeg2PackBytes + (pack.U8(13) & 0x07);
}

class FileMPGAnalyser final : public IRawFileAnalyser {
public:
    FileMPGAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_MPG) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!IsStartCode(bytes) || !bytes.Has(0, 4) || (bytes.U8(3) != kPack && bytes.U8(3) != kSequenceHeader))
            return 0;
        bool bKnown = false;
        for (std::string_view const start : kStarts) bKnown = bKnown || bytes.Equals(4, start);
        if (!bKnown) return 0;
        info.m_u32Type = RAW_FILE_TYPE_MPG;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        info.m_u64Size = 0;
        if (m_stream.HoldsInside(info.m_u64StartSector)) return 0;  // a pack of the stream sized before
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::uint64_t const u64End = Walk(reader);
        if (u64End == 0) return 0;
        m_stream.Remember(info.m_u64StartSector, u64End, SectorSizeOf(pDevice));
        info.m_u32Type = RAW_FILE_TYPE_MPG;
        info.m_u64Size = u64End;
        return 1;
    }

private:
    /// The stream's length; 0 when not even its first pack and packet can be walked.
    static std::uint64_t Walk(RawFileBuffer& reader) {
        std::uint64_t u64Position = 0;
        std::uint64_t u64ZeroRun = 0;
        std::uint32_t u32ZeroSteps = 0;
        std::uint32_t u32Units = 0;
        // Each step moves on by at least one byte, zero steps are bounded and so is the position.
        while (u64Position <= kWalkLimit) {
            engine::ByteView const bytes = reader.ReadUpTo(u64Position, kMpeg2PackBytes);
            if (bytes.Size() < 4) break;
            if (bytes.Equals(0, "\x00\x00\x00"sv) && (bytes.U8(3) == 0 || bytes.U8(3) == 1)) {
                if (u32ZeroSteps++ == 0) u64ZeroRun = u64Position;
                if (u32ZeroSteps == kZeroStepsEnd) return u64ZeroRun;
                ++u64Position;
                continue;
            }
            u32ZeroSteps = 0;
            if (!IsStartCode(bytes)) break;
            std::uint8_t const u8Code = bytes.U8(3);
            if (u8Code == kEndCode) return u64Position + 4;
            std::uint64_t u64Unit = 0;
            if (u8Code == kPack) {
                if (bytes.Size() < kMpeg2PackBytes) break;
                u64Unit = PackBytes(bytes);
            } else if (u8Code >= kFirstPacket) {
                if (bytes.Size() < kPacketHeaderBytes) break;
                u64Unit = kPacketHeaderBytes + bytes.Be16(4);
            } else {
                break;  // a video start code outside a packet: not a program stream here
            }
            u64Position += u64Unit;
            ++u32Units;
        }
        return u32Units > 1 ? u64Position : 0;
    }

    RememberedStream m_stream;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileMPGAnalyser() { return std::make_unique<FileMPGAnalyser>(); }
