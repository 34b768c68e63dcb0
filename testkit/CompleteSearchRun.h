#pragma once
// Drives one complete searcher over a device as the complete controller does: device, block
// size and builder set, every block handed over in rising order, then EndSearch.
class ICompleteFileSystemSearchController;
class IDirecotryTreeBuilder;
class IStorageDevice;

namespace testkit {

/// `iBlockSectors` sectors per AnalyzeBlock (the last block may be shorter); `iBuild` goes to
/// EndSearch.
void RunCompleteSearch(ICompleteFileSystemSearchController& searcher, IStorageDevice& device, IDirecotryTreeBuilder& builder,
                       int iBlockSectors, int iBuild = 1);

}  // namespace testkit
