#pragma once
// Writes a scan into an open write-mode archive: the header with status 1, then the controller,
// device and node frames, and the frame of copy-out
// values (CopyOutValues.h) when a node has one. Records are gathered in memory and handed to the archive's buffer
// whole, never one field per call.
#include <string>
#include <vector>

#include "uimodel/devices/DiskVolumeData.h"

class CSearchedPartitionInfo;
class IFilesystemNode;
class IRSData;

namespace uimodel::resultsfile {

class CJobProgress;

struct SavedRoot {
    IFilesystemNode* pRoot = nullptr;
    std::vector<CSearchedPartitionInfo const*> partitions;  // of the root's copy-out object, may be empty
};

struct SavedScan {
    int iControllerType = 0;
    int iDeep = 0;
    _DiskVolumeData device;  // the scanned device's row
    std::string mediumId;    // what tells that medium from another alike; "" none
    std::string diskName;    // its disk as the device list names it (an image's file name); "" none
    std::vector<SavedRoot> roots;
};

/// Writes everything (every root non-null); the node frame is written while the progress sink's
/// Continued() answers true. False when the header cannot be written; throws IRSException when
/// a frame cannot (a full disk, the 4 GiB limit).
bool WriteResultsFile(IRSData& archive, SavedScan const& scan, CJobProgress& progress);

}  // namespace uimodel::resultsfile
