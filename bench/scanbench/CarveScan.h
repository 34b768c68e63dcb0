#pragma once
// The signature search alone over one device, as the complete scan drives it, keeping the
// carved-file tree for listing and copy-out. Shared by `scanbench carve` and bench/raw_scan.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/carve/RAWSearchController.h"
#include "testkit/RecordingTreeBuilder.h"

class IFileNode;
class IStorageDevice;

namespace scanbench {

/// Keeps every node the search files (the recording builder) and names their tree paths.
class CarveTree final : public testkit::RecordingTreeBuilder {
public:
    /// "(RAW Files)/<folder>/<name>".
    std::string PathOf(IFileNode* pFile) const;
};

struct CarveScan {
    std::unique_ptr<CRAWSearchController> pController = std::make_unique<CRAWSearchController>();
    CarveTree tree;
    std::uint64_t u64Bytes = 0;
    double dSeconds = 0.0;
    /// Device reads (and their sectors) beyond the block pass's own: the sizing's.
    std::uint64_t u64SizingReads = 0;
    std::uint64_t u64SizingSectors = 0;
};

/// Runs the search over the whole device in 4 MiB blocks.
void RunCarveScan(CarveScan& scan, IStorageDevice& device);

/// Makes an opened image file read in sectors of `u32SectorSize` bytes (a power of two from 512
/// to 64 KiB), whatever size its data suggested; false when the device refuses that size.
bool ForceSectorSize(IStorageDevice& device, std::uint64_t u64ImageBytes, std::uint32_t u32SectorSize);

}  // namespace scanbench
