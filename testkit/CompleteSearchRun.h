#pragma once
// Drives one complete searcher over a device as the complete controller does: device, block
// size and builder set, every block handed over in rising order, then EndSearch.
#include <functional>

class ICompleteFileSystemSearchController;
class IDirecotryTreeBuilder;
class IStorageDevice;

namespace testkit {

/// `iBlockSectors` sectors per AnalyzeBlock (the last block may be shorter); `iBuild` goes to
/// EndSearch; `beforeEnd`, when given, runs between the last block and EndSearch (the
/// controller's reports of the volumes found).
void RunCompleteSearch(ICompleteFileSystemSearchController& searcher, IStorageDevice& device,
                       IDirecotryTreeBuilder& builder, int iBlockSectors, int iBuild = 1,
                       std::function<void()> const& beforeEnd = {});

}  // namespace testkit
