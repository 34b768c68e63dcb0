#pragma once
// One row of the device list: a disk with its volume rows, or a volume. Rows keep their own
// copies of the names, so they stay valid after the enumeration that produced them is dropped.
#include <cstdint>
#include <string>
#include <vector>

namespace uimodel {

struct _DiskVolumeData {
    std::string name;        // disk: media name; volume: volume name, else its label, else "Untitled"
    std::string secondName;  // disk: device name; "" for a volume
    std::string devicePath;  // the node or image file of the disk (of a volume's disk); "" unknown
    std::int64_t s64Capacity = 0;
    std::int64_t s64Used = 0;
    int iDiskIndex = -1;
    int iVolumeIndex = -1;  // -1 for a disk row
    int iFileSystem = -1;   // -1 for a disk row
    int iIsDiskImage = 0;
    int iIsUSB = 0;
    std::string diskName;                   // a saved scan's: its disk as the device list names it; "" unknown
    std::vector<_DiskVolumeData> children;  // a disk's volume rows, in volume order
};

}  // namespace uimodel
