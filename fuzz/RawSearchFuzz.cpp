// The whole signature search over the input as a device image: small blocks so that the ring
// fills, wraps and sizes through the device within a few KiB, every registered analyser, and
// one walker that follows offsets taken from the input through the windowed reader.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IFileNode.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RAWSearchController.h"
#include "engine/carve/RawFileAnalyserListSingle.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/bytes/ByteView.h"

namespace {

class FuzzDevice final : public IStorageDevice {
public:
    FuzzDevice(std::uint8_t const* pData, std::size_t size, std::uint32_t u32SectorSize)
        : m_bytes(pData, pData + size), m_u32SectorSize(u32SectorSize) {}
    int Open() override { return 1; }
    int Close() override { return 1; }
    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        if (pBuffer == nullptr || s64First < 0 || s64Count <= 0 || s64Count > (1 << 20)) return 0;
        std::size_t const length = static_cast<std::size_t>(s64Count) * m_u32SectorSize;
        std::uint64_t const u64Offset = static_cast<std::uint64_t>(s64First) * m_u32SectorSize;
        auto* pOut = static_cast<std::uint8_t*>(pBuffer);
        std::memset(pOut, 0, length);
        if (u64Offset < m_bytes.size())
            std::memcpy(pOut, m_bytes.data() + u64Offset, std::min<std::size_t>(length, m_bytes.size() - u64Offset));
        return 1;
    }
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return static_cast<long long>((m_bytes.size() + m_u32SectorSize - 1) / m_u32SectorSize); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 0; }
    RESULT GetLastError() override { return 0; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_u32SectorSize;
};

class FuzzTreeBuilder final : public IDirecotryTreeBuilder {
public:
    ~FuzzTreeBuilder() override {
        for (IFileNode* pNode : m_nodes) pNode->Release();
    }
    int Initialize(char const*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
    int AddNode(IFileNode* pNode, _tagSearcherType) override {
        (void)pNode->GetFileName();
        (void)pNode->GetFileSize();
        m_nodes.push_back(pNode);
        return 1;
    }
    int AddSearcherInfo(_tagSearcherType, long long) override { return 1; }
    void FlashBuild(_tagSearcherType) override {}
    void Release() override {}
    void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

private:
    std::vector<IFileNode*> m_nodes;
};

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
    FuzzDevice device(pData + 1, size - 1, u32SectorSize);
    FuzzTreeBuilder builder;
    CRAWSearchController controller;
    controller.SetDevice(&device);
    controller.SetBlockSize(static_cast<int>(u32SectorsPerBlock));
    controller.SetDirecotryTreeBuilder(&builder);
    controller.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    for (long long s64First = 0; s64First < s64Total; s64First += u32SectorsPerBlock)
        controller.AnalyzeBlock(s64First, std::min<long long>(u32SectorsPerBlock, s64Total - s64First));
    controller.EndSearch(1);
    return 0;
}
