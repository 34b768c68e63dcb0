// The whole signature search over the input as a device image: small blocks so that the ring
// fills, wraps and sizes through the device within a few KiB, every registered analyser, and
// one walker that follows offsets taken from the input through the windowed reader.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "WholeSectors.h"

#include "engine/ByteView.h"
#include "engine/IFileNode.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RAWSearchController.h"
#include "engine/carve/RawFileAnalyserListSingle.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {

/// "FZWK" then hops: each step reads a u32 at the current offset and jumps forward by it, up
/// to 64 steps; the file ends where a zero hop is read.
class FuzzWalker final : public IRawFileAnalyser {
public:
    FuzzWalker() : IRawFileAnalyser(RAW_FILE_TYPE_PNG) {}
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        engine::ByteView const sector(pBuffer, u32Readable);
        if (!sector.Equals(0, "FZWK")) return 0;
        info.m_u32Type = sector.U8(4) % 130;  // also ids without an extension
        return 1;
    }
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::uint64_t u64Offset = 4;
        for (int i = 0; i < 64; ++i) {
            engine::ByteView const hop = reader.Read(u64Offset, 4);
            if (hop.Empty()) return 0;
            if (hop.Le32(0) == 0) {
                info.m_u64Size = u64Offset + 4;
                return 1;
            }
            u64Offset += hop.Le32(0);
            (void)reader.ReadUpTo(u64Offset, hop.Le32(0));
        }
        return 0;
    }
};

constexpr std::uint32_t kWalkerKey = 'F' | 'Z' << 8 | 'W' << 16 | std::uint32_t{'K'} << 24;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 1 || size > (1 << 20)) return 0;
    static bool const bRegistered = [] {
        CRawFileAnalyserListSingle::SetExtraAnalysers({{kWalkerKey, [] { return std::make_unique<FuzzWalker>(); }}});
        return true;
    }();
    (void)bRegistered;
    std::uint32_t const u32SectorSize = (pData[0] & 0x80) != 0 ? 4096 : 512;
    std::uint32_t const u32SectorsPerBlock = 1 + (pData[0] & 0x0F);
    CMemoryDevice device(WholeSectors(pData + 1, size - 1, u32SectorSize), static_cast<int>(u32SectorSize));
    testkit::RecordingTreeBuilder builder;
    CRAWSearchController controller;
    controller.SetDevice(&device);
    controller.SetBlockSize(static_cast<int>(u32SectorsPerBlock));
    controller.SetDirecotryTreeBuilder(&builder);
    controller.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    for (long long s64First = 0; s64First < s64Total; s64First += u32SectorsPerBlock)
        controller.AnalyzeBlock(s64First, std::min<long long>(u32SectorsPerBlock, s64Total - s64First));
    controller.EndSearch(1);
    for (IFileNode* pNode : builder.Nodes()) {  // every filed node reads whole
        (void)pNode->GetFileName();
        (void)pNode->GetFileSize();
    }
    return 0;
}
