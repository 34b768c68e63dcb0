#pragma once
// The model benchmarks' disk: a FAT32 image made with mkfs.fat and mtools from a folder of
// files, scanned through the model as the application scans (the image enumerator feeds the
// device list, QNUIScan::DoScan runs on the job thread).
#include <memory>
#include <string>

#include "engine/IEnumDeviceEx.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/scan/QNUIScan.h"

namespace modelbench {

/// Formats `image` (`u32MiB` MiB) and copies every file of `folder` into its root folder; false
/// (with the failing command printed) when a tool fails.
bool BuildFat32FromFolder(std::string const& folder, std::string const& image, unsigned u32MiB);

/// A quick scan of `image` through the model, with its recovery operation.
struct ScannedImage {
    explicit ScannedImage(std::string const& image);
    bool bScanned = false;
    std::unique_ptr<IEnumDeviceEx> pEnumerator;
    uimodel::QNUIDeviceData devices;
    uimodel::QNUIScan scan;
    uimodel::QNUIRecovery recovery;
};

}  // namespace modelbench
