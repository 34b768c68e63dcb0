// An HFS+ volume opened on a 1 MiB memory device made from arbitrary bytes, with its catalog
// walked by the quick search. The input is a list of blocks, each a big-endian u16 block number
// (of 4 KiB blocks, modulo 256) and 4096 bytes placed there; the rest of the device is zeros.
// The walk must end, and take no more memory than the device and one node.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/hfsplus/HfsPlusQuickSearch.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

namespace {
constexpr std::size_t kBlock = 4096;
constexpr std::size_t kBlocks = 256;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    std::vector<std::uint8_t> volume(kBlock * kBlocks, 0);
    for (std::size_t at = 0; at + 2 <= size;) {
        std::size_t const block = ((std::size_t{pData[at]} << 8) | pData[at + 1]) % kBlocks;
        at += 2;
        std::size_t const length = std::min(kBlock, size - at);
        std::copy(pData + at, pData + at + length, volume.begin() + static_cast<long>(block * kBlock));
        at += length;
    }
    for (int iSectorSize : {512, 4096}) {
        CMemoryDevice device(volume, iSectorSize, STORAGE_DEVICE_VOLUME);
        testkit::RecordingTreeBuilder builder;
        testkit::ProgressSink progress;
        CHFSPlusQuickFileSystemSearchController searcher;
        searcher.SetDirecotryTreeBuilder(&builder);
        (void)searcher.QuickSearchFiles(&device, &progress);
    }
    return 0;
}
