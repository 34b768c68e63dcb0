#pragma once
// Reads back the value of a file's unnamed resident $DATA from its FILE record on the device,
// for copy-out of files small enough to live inside their record.
#include <cstdint>

class IFileNode;
class IStorageDevice;

/// The record is the node's own when `pNode` is an NTFS node, else the one starting at device
/// sector `s64RecordSector`. Copies at most `u32Capacity` bytes and stores the value's full
/// size; false when the record is unsound or holds no resident unnamed data.
bool GetNTFSResidentData(IStorageDevice* pDevice, IFileNode* pNode, long long s64RecordSector,
                         std::uint8_t* pDestination, std::uint32_t u32Capacity, std::uint32_t& u32ValueSize);
