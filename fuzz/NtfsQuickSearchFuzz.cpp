// A hostile NTFS volume in memory through the whole quick search, then the resident-data loader
// on every node it handed over, as copy-out would call it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "testkit/ProgressSink.h"
#include "testkit/RecordingTreeBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    constexpr std::size_t kMaxVolume = std::size_t{4} << 20;
    if (size < 512 || size > kMaxVolume) return 0;
    CMemoryDevice device(std::vector<std::uint8_t>(pData, pData + size));
    device.Open();
    testkit::RecordingTreeBuilder builder;
    testkit::ProgressSink progress;
    CNTFSQuickSearch searcher;
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.QuickSearchFiles(&device, &progress);
    std::vector<std::uint8_t> value(4096);
    for (IFileNode* pNode : builder.Nodes()) {
        if (pNode->GetFileName() == nullptr) __builtin_trap();
        std::uint32_t u32Size = 0;
        (void)GetNTFSResidentData(&device, pNode, -1, value.data(), static_cast<std::uint32_t>(value.size()), u32Size);
    }
    return 0;
}
