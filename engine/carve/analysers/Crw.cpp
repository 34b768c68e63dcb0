// Canon CRW (CIFF): bytes 0-1 "II" or "MM", 2-5 the header length (0x1A), 6-13 "HEAP" and the
// file kind ("CCDR", "TIFP" or "ARCH"), 14-17 the version (0x00010002). The heap carries no
// total length; the file ends a fixed distance after the last heap's table, which holds one of
// three record patterns. A camera writes the file in one piece, so the walk looks for the
// pattern only in sectors that end in zeros (the file's last sector, padded).
#include <string_view>

#include "engine/ByteView.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/carve/analysers/KeyedAnalyser.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::string_view kKeys[] = {std::string_view("II\x1A\0", 4), std::string_view("MM\x1A\0", 4)};
constexpr std::uint8_t kHeap[] = {0x00, 0x00, 'H', 'E', 'A', 'P'};
constexpr std::string_view kKinds[] = {"CCDR", "TIFP", "ARCH"};
constexpr std::size_t kHeapAt = 4;
constexpr std::size_t kKindAt = 10;
constexpr std::size_t kVersionAt = 14;
constexpr std::uint8_t kVersion = 0x02;

struct EndPattern {
    std::uint8_t bytes[6];
    std::uint64_t u64FileEnd;  // from the pattern's first byte
};
constexpr EndPattern kEndPatterns[] = {
    {{0x07, 0x28, 0xA8, 0x00, 0x00, 0x00}, 70},
    {{0x07, 0x28, 0xB2, 0x00, 0x00, 0x00}, 60},
    {{0x07, 0x28, 0xE4, 0x00, 0x00, 0x00}, 50},
};
constexpr std::uint32_t kPatternBytes = 6;
constexpr std::uint64_t kLookBack = 80;  // a pattern may start this far before a sector
constexpr std::uint32_t kBoundaryPositions = 91;
constexpr std::uint64_t kWalkLimit = 0x3200001;
constexpr std::uint64_t kDefaultSize = 52428800;
constexpr std::uint32_t kDefaultSectorSize = 512;

/// The file's end when a pattern starts at one of `u32Positions` positions of `bytes`, whose
/// first byte stands at `u64Offset` of the file; 0 when none does.
std::uint64_t FindEnd(engine::ByteView bytes, std::uint64_t u64Offset, std::uint32_t u32Positions) {
    for (std::uint32_t i = 0; i < u32Positions; ++i)
        for (EndPattern const& pattern : kEndPatterns)
            if (bytes.Equals(i, pattern.bytes)) return u64Offset + i + pattern.u64FileEnd;
    return 0;
}

class FileCRWAnalyser final : public IRawFileAnalyser {
public:
    FileCRWAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_CRW) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!StartsWithAnyOf(bytes, kKeys) || !bytes.Equals(kHeapAt, kHeap)) return 0;
        bool bKind = false;
        for (std::string_view kind : kKinds) bKind = bKind || bytes.Equals(kKindAt, kind);
        if (!bKind || !bytes.Has(kVersionAt, 1) || bytes.U8(kVersionAt) != kVersion) return 0;
        info.m_u32Type = RAW_FILE_TYPE_CRW;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        info.m_u64Size = GetRawFileSizeEX(info, pDevice);
        // The default has nothing behind it: the search ends it at the next file found.
        info.m_bSizeGuessed = info.m_u64Size == kDefaultSize;
        info.m_u64Borne = 0;
        return 1;
    }

private:
    static std::uint64_t GetRawFileSizeEX(CRawFileInfo const& info, IStorageDevice* pDevice) {
        int const iSectorSize = pDevice->GetSectorSize();
        std::uint32_t const u32Sector = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        for (std::uint64_t u64At = 0; u64At < kWalkLimit; u64At += u32Sector) {
            engine::ByteView const sector = reader.Read(u64At, u32Sector);
            if (sector.Empty()) break;
            if (sector.Be32(u32Sector - 4) != 0) continue;
            if (std::uint64_t const u64End = FindEnd(sector, u64At, u32Sector - kPatternBytes + 1)) return u64End;
            if (u64At < kLookBack) continue;
            engine::ByteView const boundary = reader.Read(u64At - kLookBack, kBoundaryPositions + kPatternBytes - 1);
            if (std::uint64_t const u64End = FindEnd(boundary, u64At - kLookBack, kBoundaryPositions)) return u64End;
        }
        return kDefaultSize;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileCRWAnalyser() { return std::make_unique<FileCRWAnalyser>(); }
