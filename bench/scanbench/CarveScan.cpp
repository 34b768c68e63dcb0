#include "CarveScan.h"

#include <algorithm>
#include <chrono>

#include "engine/IFileNode.h"
#include "engine/IStorageDevice.h"

namespace scanbench {

namespace {

constexpr std::uint32_t kBlockBytes = 0x400000;

class ResizedDevice final : public IStorageDevice {
public:
    ResizedDevice(IStorageDevice& inner, std::uint32_t u32SectorSize)
        : m_inner(inner), m_u32SectorSize(u32SectorSize),
          m_u32Factor(u32SectorSize / static_cast<std::uint32_t>(inner.GetSectorSize())) {}
    int Open() override { return 1; }
    int Close() override { return 1; }
    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        return m_inner.ReadSector(pBuffer, s64First * m_u32Factor, s64Count * m_u32Factor);
    }
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return m_inner.GetTotalSectors() / m_u32Factor; }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return m_inner.GetType(); }
    RESULT GetLastError() override { return m_inner.GetLastError(); }

private:
    IStorageDevice& m_inner;
    std::uint32_t m_u32SectorSize;
    std::uint32_t m_u32Factor;
};

}  // namespace

std::string CarveTree::PathOf(IFileNode* pFile) const {
    return std::string("(RAW Files)/") + FolderOf(pFile) + "/" + pFile->GetFileName();
}

void RunCarveScan(CarveScan& scan, IStorageDevice& device) {
    CRAWSearchController& controller = *scan.pController;
    int const iSectorSize = std::max(device.GetSectorSize(), 1);
    long long const s64BlockSectors = std::max(1, static_cast<int>(kBlockBytes) / iSectorSize);
    controller.SetDevice(&device);
    controller.SetBlockSize(static_cast<int>(s64BlockSectors));
    controller.SetDirecotryTreeBuilder(&scan.tree);
    auto const start = std::chrono::steady_clock::now();
    controller.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    for (long long s64First = 0; s64First < s64Total; s64First += s64BlockSectors)
        controller.AnalyzeBlock(s64First, std::min(s64BlockSectors, s64Total - s64First));
    controller.EndSearch(1);
    scan.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    scan.u64Bytes = static_cast<std::uint64_t>(s64Total) * static_cast<std::uint64_t>(iSectorSize);
}

std::unique_ptr<IStorageDevice> MakeResizedDevice(IStorageDevice& device, std::uint32_t u32SectorSize) {
    int const iOwn = device.GetSectorSize();
    if (iOwn <= 0 || u32SectorSize % static_cast<std::uint32_t>(iOwn) != 0) return nullptr;
    return std::make_unique<ResizedDevice>(device, u32SectorSize);
}

}  // namespace scanbench
