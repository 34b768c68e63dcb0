#include "CarveScan.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "CountingDevice.h"
#include "engine/IFileNode.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

namespace scanbench {

namespace {

constexpr std::uint32_t kBlockBytes = 0x400000;

}  // namespace

std::string CarveTree::PathOf(IFileNode* pFile) const {
    return std::string("(RAW Files)/") + FolderOf(pFile) + "/" + pFile->GetFileName();
}

void RunCarveScan(CarveScan& scan, IStorageDevice& underlying) {
    CRAWSearchController& controller = *scan.pController;
    CountingDevice device(underlying);
    int const iSectorSize = std::max(device.GetSectorSize(), 1);
    long long const s64BlockSectors = std::max(1, static_cast<int>(kBlockBytes) / iSectorSize);
    // As the complete scan drives it: blocks read ahead on a thread of their own and handed over
    // where they lie.
    CStorageDeviceWithCache cache(&device);
    cache.SetBlockSize(static_cast<unsigned int>(s64BlockSectors));
    controller.SetDevice(&cache);
    controller.SetBlockSize(static_cast<int>(s64BlockSectors));
    controller.SetDirecotryTreeBuilder(&scan.tree);
    auto const start = std::chrono::steady_clock::now();
    cache.BeginCache();
    controller.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    std::uint64_t u64PassReads = 0;
    for (long long s64Block = 0; s64Block * s64BlockSectors < s64Total; ++s64Block, ++u64PassReads) {
        long long const s64First = s64Block * s64BlockSectors;
        if (!cache.SetCurCacheBlock(s64Block)) break;
        controller.AnalyzeSharedBlock(cache.CurrentSharedBlock(), s64First,
                                      std::min(s64BlockSectors, s64Total - s64First));
    }
    cache.EndCache();
    controller.EndSearch(1);
    // The copy-out that may follow reads the device the search was given, not this counter.
    controller.SetDevice(&underlying);
    scan.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    scan.u64Bytes = static_cast<std::uint64_t>(s64Total) * static_cast<std::uint64_t>(iSectorSize);
    scan.u64SizingReads = device.Reads() - std::min(device.Reads(), u64PassReads);
    scan.u64SizingSectors = device.Sectors() - std::min(device.Sectors(), static_cast<std::uint64_t>(s64Total));
}

bool ForceSectorSize(IStorageDevice& device, std::uint64_t u64ImageBytes, std::uint32_t u32SectorSize) {
    // The image device reads in the sector size of its disk record, so a record of the wanted
    // size re-cuts the image in either direction; the device checks the size itself.
    auto pInfo = std::make_unique<CCollectDiskDeviceInfoStruct>();
    pInfo->s64SectorSize = u32SectorSize;
    pInfo->s64TotalSectors = static_cast<std::int64_t>(u64ImageBytes / u32SectorSize);
    IDiskDeviceData* pData = CreateDiskDeviceData(pInfo.get());
    if (pData == nullptr) return false;
    pInfo.release();
    device.SetPrivateData(pData);
    return device.GetSectorSize() == static_cast<int>(u32SectorSize);
}

}  // namespace scanbench
