#include "testkit/CompleteSearchRun.h"

#include <algorithm>

#include "engine/IFileSystemSearchController.h"
#include "engine/IStorageDevice.h"

namespace testkit {

void RunCompleteSearch(ICompleteFileSystemSearchController& searcher, IStorageDevice& device,
                       IDirecotryTreeBuilder& builder, int iBlockSectors, int iBuild,
                       std::function<void()> const& beforeEnd) {
    searcher.SetDevice(&device);
    searcher.SetBlockSize(iBlockSectors);
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    long long const s64Block = std::max(iBlockSectors, 1);
    for (long long s64First = 0; s64First < s64Total; s64First += s64Block)
        searcher.AnalyzeBlock(s64First, std::min(s64Block, s64Total - s64First));
    if (beforeEnd) beforeEnd();
    searcher.EndSearch(iBuild);
}

}  // namespace testkit
