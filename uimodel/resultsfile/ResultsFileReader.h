#pragma once
// The frames of a results file before its nodes: the header, the controller the scan was made
// with, and the row of the device it was made on. The node frame is the replay's
// (RestoreScanSink). Every read is bounded by its frame.
#include <cstdint>
#include <optional>
#include <string>

#include "uimodel/devices/DiskVolumeData.h"

class IRSData;

namespace uimodel::resultsfile {

struct StoredController {
    std::uint32_t u32Type = 0;  // 0 quick, 1 complete volume, 2 complete disk
    std::uint32_t u32Deep = 0;
};

/// True when the header reads back whole with its check value, and its status is 1 to 4.
bool ReadHeader(IRSData& archive);
/// Nullopt when the frame is missing, its length is not 8 or the type is not 0 to 2. Throws.
std::optional<StoredController> ReadControllerFrame(IRSData& archive);
/// Nullopt when the frame is missing or cut short, or its name is longer than 4095. Throws.
std::optional<_DiskVolumeData> ReadDeviceFrame(IRSData& archive);
/// The scanned medium's id; "" when the file was saved without one, nullopt when its frame is
/// damaged. Never throws.
std::optional<std::string> ReadMediumIdFrame(IRSData& archive);
/// The name of the scanned device's disk as the device list shows it (an image's file name);
/// "" when the file was saved without one or its frame is damaged: it only names. Never throws.
std::string ReadDiskNameFrame(IRSData& archive);

}  // namespace uimodel::resultsfile
