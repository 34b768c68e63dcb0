#include "ModelBenchImage.h"

#include <cstdio>
#include <cstdlib>

#include "engine/EngineEntryPoints.h"
#include "scanbench/FileTypes.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/support/QNUIFilter.h"

namespace modelbench {

namespace {

bool Run(std::string const& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) == 0) return true;
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return false;
}

/// The category lists are read before the process's filter is first made.
IEnumDeviceEx* PrepareEngine(std::string const& image) {
    RegisterEngineSubsystems();
    scanbench::LoadFileTypes();
    uimodel::QNUIFilter::instance().ResetFilter(FILTER_TYPE_ALL);
    return CreateImageEnumDeviceEx({image});
}

}  // namespace

bool BuildFat32FromFolder(std::string const& folder, std::string const& image, unsigned u32MiB) {
    return Run("rm -f '" + image + "' && truncate -s " + std::to_string(u32MiB) + "M '" + image + "'") &&
           Run("mkfs.fat -F 32 -n BENCH '" + image + "'") &&
           Run("cd '" + folder + "' && MTOOLS_SKIP_CHECK=1 mcopy -i '" + image + "' * ::/");
}

ScannedImage::ScannedImage(std::string const& image)
    : pEnumerator(PrepareEngine(image)), devices(pEnumerator.get()), scan(&devices), recovery(scan) {
    devices.InitDeviceInfo();
    IStorageDevice* pDisk = devices.GetStorageByDiskVolumeIndex(0, -1);
    if (!pDisk) return;
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    RESULT result = ~RESULT{0};
    uimodel::CJobThread job;
    job.Start([&] { result = scan.DoScan(pDisk, nullptr); });
    job.Join();
    bScanned = Succeeded(result);
}

}  // namespace modelbench
