#pragma once
// Drives a signature search the way the complete recovery controller does: sink, device,
// block size, builder, prepare, every block in order, end.
#include <cstdint>
#include <memory>
#include <tuple>
#include <vector>

#include "engine/carve/RAWSearchController.h"
#include "testkit/RecordingTreeBuilder.h"

class IProgress;
class IStorageDevice;

namespace carvetest {

struct SearchRun {
    std::unique_ptr<CRAWSearchController> pController = std::make_unique<CRAWSearchController>();
    testkit::RecordingTreeBuilder builder{SEARCHER_TYPE_RAW};
};

/// Runs the whole search over the device in blocks of `u32SectorsPerBlock` sectors; EndSearch(1)
/// unless the sink stopped the scan.
void RunSearch(SearchRun& run, IStorageDevice& device, std::uint32_t u32SectorsPerBlock,
               IProgress* pProgress = nullptr);

/// The carved files as the builder was given them, in order: start sector and size.
std::vector<std::tuple<std::uint64_t, long long>> FiledFiles(testkit::RecordingTreeBuilder const& builder);

}  // namespace carvetest
