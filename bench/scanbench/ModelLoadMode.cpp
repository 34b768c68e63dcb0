// scanbench model-load: loads a results file the way the application's facade does (the scan's
// data cleared, its status running, the scan operation as progress sink, the main thread
// polling), onto an image listed through the device list; prints what model-scan prints and
// can run the model's recovery over the loaded files. A harness, not a feature.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FileTypes.h"
#include "ModelListing.h"
#include "ModelRecovery.h"
#include "Modes.h"
#include "OutputFolder.h"
#include "engine/IEnumDeviceEx.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"

namespace scanbench {

int RunModelLoadMode(std::span<char* const> args) {
    constexpr OptionSpec kOptions[] = {{"--image", true}, {"--recover", true}, {"--check", true}};
    auto const commandLine = CCommandLine::Parse(args, kOptions, 1);
    if (!commandLine) return kUsageError;
    std::string const file = commandLine->Operand(0);
    std::optional<std::string> const image = commandLine->Value("--image");
    if (!image) {
        std::fprintf(stderr, "scanbench: model-load needs --image IMAGE\n");
        return kUsageError;
    }

    if (auto const directory = commandLine->Value("--recover");
        directory && !COutputFolder::Open(*directory, *image, "--recover"))
        return 1;

    LoadFileTypes();
    uimodel::QNUIFilter::instance().ResetFilter(FILTER_TYPE_ALL);
    std::unique_ptr<IEnumDeviceEx> pImages(CreateImageEnumDeviceEx({*image}));
    uimodel::QNUIDeviceData devices(pImages.get());
    devices.InitDeviceInfo();
    if (devices.GetInitState() != uimodel::DEVICE_INIT_READY) {
        std::fprintf(stderr, "scanbench: the device list could not be made from %s\n", image->c_str());
        return 1;
    }

    uimodel::QNUIScan scan(&devices);
    uimodel::QNUIRecovery recovery(scan);
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    uimodel::SaveRestoreResult results(scan, devices, &recovery);
    results.SetLoadPause(std::chrono::milliseconds(0));
    auto const start = std::chrono::steady_clock::now();
    if (results.DoRestoreScanResult(file.c_str(), &scan) != 0) {
        std::fprintf(stderr, "scanbench: cannot start the load\n");
        return 1;
    }
    uimodel::CQueuedPoster poster;
    uimodel::PollOperation(scan, poster, "NormalScranValue");
    results.Wait();
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    unsigned long long const u64Error = scan.GetProgressInfo().u64Error;
    // What the load's message names: the roots of the file it could not place.
    std::vector<std::string> const leftOut = results.LeftOutRoots();
    for (std::string const& root : leftOut) std::printf("left out\t%s\n", root.c_str());

    std::string const fields = PrintModelListing(scan);
    std::optional<RecoveryRun> recoveryRun;
    if (auto const directory = commandLine->Value("--recover")) {
        RecoveryOptions options;
        options.destination = *directory;
        options.check = commandLine->Value("--check").value_or("all");
        if (!IsCheckOption(options.check)) return kUsageError;
        recoveryRun = RunModelRecovery(scan, recovery, options);
    }
    std::printf("RESULT mode=model-load load_error=%llu roots_left_out=%zu %s seconds=%.6f%s\n", u64Error,
                leftOut.size(), fields.c_str(), dSeconds,
                recoveryRun ? RecoveryFields(recovery, *recoveryRun).c_str() : "");
    bool const bRecoveryFailed = recoveryRun && (Failed(recoveryRun->result) || recoveryRun->bDestinationFull);
    return u64Error == 0 && !bRecoveryFailed ? 0 : 1;
}

}  // namespace scanbench
