#pragma once
// Runs one complete searcher over a fuzz input as a disk: the first byte picks the block size
// (1 to `iMaxBlockSectors` sectors, so that structures cross block ends at every place), the
// rest is the disk. The searcher reports the volumes it found, their use and the files holding
// others, as in a complete scan, before it builds. Every node handed over must have a name.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/IFileNode.h"
#include "engine/IFileSystemSearchController.h"
#include "engine/core/crossvolume/FoundVolumes.h"
#include "engine/core/device/MemoryDevice.h"
#include "testkit/CompleteSearchRun.h"
#include "testkit/RecordingTreeBuilder.h"

/// RunCompleteSearch with the rounds a complete scan runs before the searcher builds: the
/// volumes it found, their use and the files holding others' starts, weighed on the device.
inline void RunReportingSearch(ICompleteFileSystemSearchController& searcher, IStorageDevice& device,
                               testkit::RecordingTreeBuilder& builder, int iBlockSectors) {
    CFoundVolumes volumes;  // the device lists none: every volume is weighed as found
    searcher.SetFoundVolumes(&volumes);
    testkit::RunCompleteSearch(searcher, device, builder, iBlockSectors, 1, [&] {
        if (IVolumeReporter* pReporter = searcher.VolumeReporter()) volumes.Gather(std::span(&pReporter, 1));
        volumes.Resolve(device);
    });
    searcher.SetFoundVolumes(nullptr);
}

/// False when the input is too short or too long to be a disk of `iSectorSize`-byte sectors.
inline bool SearchFuzzedDisk(ICompleteFileSystemSearchController& searcher, std::uint8_t const* pData, std::size_t size,
                             int iSectorSize, int iMaxBlockSectors) {
    constexpr std::size_t kMaxDisk = std::size_t{4} << 20;
    if (size < 1 + static_cast<std::size_t>(iSectorSize) || size > 1 + kMaxDisk) return false;
    int const iBlockSectors = 1 + pData[0] % iMaxBlockSectors;
    CMemoryDevice device(std::vector<std::uint8_t>(pData + 1, pData + size), iSectorSize, STORAGE_DEVICE_DISK);
    device.Open();
    testkit::RecordingTreeBuilder builder;
    RunReportingSearch(searcher, device, builder, iBlockSectors);
    for (IFileNode* pNode : builder.Nodes())
        if (pNode->GetFileName() == nullptr) __builtin_trap();
    return true;
}
