#pragma once
// How many things the disk page would offer: with exactly one the page is skipped and that one
// is scanned at once.

#include <memory>
#include <vector>

#include "uimodel/trees/DiskVolumeNodeData.h"

namespace app {

struct Choices {
    int count = 0;
    // The one choice when `count` is 1 and no disk image is listed: a volume, or a disk without
    // volumes. The disk page is skipped only then.
    uimodel::DiskVolumeNodeData* only = nullptr;
    // What the disk page chooses first: the first volume, else the first disk.
    uimodel::DiskVolumeNodeData* first = nullptr;
};

// Every volume is a choice; a disk without volumes (a stick with a damaged table) is one; a
// disk holding the only volume counts once more when over 99,999 bytes of it lie outside it.
// A copy of `item` (a disk with copies of its volumes) for the results window, whose parentName
// is `parentName`: the disk's name for a volume, its own for a disk.
std::unique_ptr<uimodel::DiskVolumeNodeData> CopyChoice(const uimodel::DiskVolumeNodeData& item,
                                                        const std::string& parentName);
// The parent's name of `item` among `disks`.
std::string ParentNameOf(const std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>>& disks,
                         const uimodel::DiskVolumeNodeData& item);

// Whether two listings' rows are one device: the same disk node or image file, the same volume
// of it, with the same name, size and file system. Row positions and disk indexes are not
// compared: another device coming or going moves them.
bool SameDevice(const uimodel::DiskVolumeNodeData& first, const uimodel::DiskVolumeNodeData& second);

Choices CountChoices(const std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>>& disks);

}  // namespace app
