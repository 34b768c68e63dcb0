// scanbench model-scan: one scan through the UI model as the application runs it (the device
// list, QNUIScan::DoScan on the job thread, the main thread polling every 0.1 s), printed from
// the scan's own collections. A harness, not a feature.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FileTypes.h"
#include "MemoryUse.h"
#include "ModelFacade.h"
#include "ModelListing.h"
#include "ModelRecovery.h"
#include "ModelThumbnail.h"
#include "Modes.h"
#include "OutputFolder.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDeviceData.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"

namespace scanbench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr OptionSpec kOptions[] = {{"--disk", false},
                                   {"--volume", true},
                                   {"--deep", false},
                                   {"--types", true},
                                   {"--stop-after", true},
                                   {"--pause-after", true},
                                   {"--pause-for", true},
                                   {"--recover", true},
                                   {"--check", true},
                                   {"--recovery-pause-for", true},
                                   {"--recovery-stop-after-files", true},
                                   {"--thumb", true},
                                   {"--thumb-out", true},
                                   {"--save", true},
                                   {"--facade", false},
                                   {"--tree", true, true},
                                   {"--search", true}};

struct Options {
    std::string path;
    int iVolume = -1;  // -1: the whole disk
    bool bDeep = false;
    unsigned u32Types = FILTER_TYPE_ALL;
    std::optional<double> stopAfter, pauseAfter, pauseFor;
    std::optional<RecoveryOptions> recovery;
    std::optional<std::string> thumbName;
    std::string thumbOut;
    std::optional<std::string> saveTo;
    bool bFacade = false;
    std::vector<std::string> trees;
    std::optional<std::string> treeCheck, search;
};

std::optional<double> Seconds(CCommandLine const& commandLine, char const* pszName, bool& bBad) {
    auto const text = commandLine.Value(pszName);
    if (!text) return std::nullopt;
    char* pEnd = nullptr;
    double const d = std::strtod(text->c_str(), &pEnd);
    if (!pEnd || *pEnd != '\0' || !(d >= 0)) {
        std::fprintf(stderr, "scanbench: %s takes a number of seconds\n", pszName);
        bBad = true;
    }
    return d;
}

std::optional<Options> ParseOptions(std::span<char* const> args) {
    auto const commandLine = CCommandLine::Parse(args, kOptions, 1);
    if (!commandLine) return std::nullopt;
    Options options;
    options.path = commandLine->Operand(0);
    bool bBad = false;
    if (auto const text = commandLine->Value("--volume")) {
        auto const n = ParseCount(*text);
        if (!n || *n > 0xFFFF || commandLine->Has("--disk")) {
            std::fprintf(stderr, "scanbench: --volume takes a volume index, and not with --disk\n");
            return std::nullopt;
        }
        options.iVolume = static_cast<int>(*n);
    }
    options.bDeep = commandLine->Has("--deep");
    if (auto const text = commandLine->Value("--types")) {
        auto const n = ParseCount(*text);
        if (!n || *n < 1 || *n > FILTER_TYPE_ALL) {
            std::fprintf(stderr, "scanbench: --types takes a mask of 1 to 63\n");
            return std::nullopt;
        }
        options.u32Types = static_cast<unsigned>(*n);
    }
    options.saveTo = commandLine->Value("--save");
    options.stopAfter = Seconds(*commandLine, "--stop-after", bBad);
    options.pauseAfter = Seconds(*commandLine, "--pause-after", bBad);
    options.pauseFor = Seconds(*commandLine, "--pause-for", bBad);
    if (options.pauseAfter.has_value() != options.pauseFor.has_value()) {
        std::fprintf(stderr, "scanbench: --pause-after and --pause-for go together\n");
        bBad = true;
    }
    options.bFacade = commandLine->Has("--facade");
    options.trees = commandLine->Values("--tree");
    options.search = commandLine->Value("--search");
    if (auto const check = commandLine->Value("--check"); check && IsTreeCheck(*check)) options.treeCheck = check;
    for (std::string const& view : options.trees)
        if (!IsTreeName(view)) {
            std::fprintf(stderr, "scanbench: --tree takes path, type, ctime or mtime\n");
            bBad = true;
        }
    if (!options.bFacade && (!options.trees.empty() || options.treeCheck || options.search)) {
        std::fprintf(stderr, "scanbench: --tree, --search and --check VIEW:ROW go with --facade\n");
        bBad = true;
    }
    if (auto const destination = commandLine->Value("--recover")) {
        RecoveryOptions& recovery = options.recovery.emplace();
        recovery.destination = *destination;
        recovery.check = commandLine->Value("--check").value_or("all");
        if (!IsCheckOption(recovery.check) && !options.treeCheck) {
            std::fprintf(stderr, "scanbench: --check takes all, deleted, ext:EXT or VIEW:ROW/ROW\n");
            bBad = true;
        }
        recovery.pauseFor = Seconds(*commandLine, "--recovery-pause-for", bBad);
        if (auto const text = commandLine->Value("--recovery-stop-after-files")) {
            auto const n = ParseCount(*text);
            if (!n || *n < 1) {
                std::fprintf(stderr, "scanbench: --recovery-stop-after-files takes a count of 1 or more\n");
                bBad = true;
            } else {
                recovery.stopAfterFiles = static_cast<unsigned long long>(*n);
            }
        }
    } else if ((commandLine->Has("--check") && !options.treeCheck) || commandLine->Has("--recovery-pause-for") ||
               commandLine->Has("--recovery-stop-after-files")) {
        std::fprintf(stderr, "scanbench: --check and the --recovery- options go with --recover\n");
        bBad = true;
    }
    options.thumbName = commandLine->Value("--thumb");
    options.thumbOut = commandLine->Value("--thumb-out").value_or("");
    if (!options.thumbName && !options.thumbOut.empty()) {
        std::fprintf(stderr, "scanbench: --thumb-out goes with --thumb\n");
        bBad = true;
    }
    if (bBad) return std::nullopt;
    return options;
}

/// The listed disk the path names: an image is the image enumerator's only disk; a device is
/// the machine's disk whose kernel name is the path's last component.
IStorageDevice* FindDisk(uimodel::QNUIDeviceData const& devices, std::string const& path, bool bImage) {
    if (bImage) return devices.GetDiskStorageByIndex(0);
    std::string const name = std::filesystem::path(path).filename().string();
    for (int i = 0; IStorageDevice* pDisk = devices.GetDiskStorageByIndex(i); ++i) {
        CCollectDiskDeviceInfoStruct const* pInfo = uimodel::QNUIDeviceData::GetDiskInfo(pDisk);
        if (pInfo && name == std::string(pInfo->szBsdName, strnlen(pInfo->szBsdName, sizeof pInfo->szBsdName)))
            return pDisk;
    }
    return nullptr;
}

struct SaveRun {
    std::string fields;  // " save_error= save_seconds= save_bytes="
    unsigned long long u64Error = 0;
};

/// Saves the scan as the application does (its saving sink, the job thread).
SaveRun SaveModelScan(uimodel::QNUIScan& scan, uimodel::QNUIDeviceData& devices, uimodel::QNUIRecovery& recovery,
                      std::string const& path) {
    uimodel::QNSaveAndRestoreNodeOperate sink;
    sink.SetStatus(uimodel::OPERATION_RUNNING);
    uimodel::SaveRestoreResult results(scan, devices, &recovery);
    auto const start = Clock::now();
    int const iStarted = results.DoSaveScanResult(path.c_str(), &sink);
    results.Wait();
    double const dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    unsigned long long const u64Error =
        iStarted == 0 ? sink.GetProgressInfo().u64Error : static_cast<unsigned long long>(-iStarted);
    std::error_code error;
    auto const u64Bytes = std::filesystem::file_size(path, error);
    char fields[128];
    std::snprintf(fields, sizeof fields, " save_error=%llu save_seconds=%.6f save_bytes=%llu", u64Error, dSeconds,
                  error ? 0ULL : static_cast<unsigned long long>(u64Bytes));
    return {fields, u64Error};
}

/// Whether the asked-for work failed, each failure named on stderr. A whole disk's scan answers
/// its last volume's result, which for a partition holding no file system (an Apple map's
/// driver or ISO 9660 partitions) is a failure: the disk's scan failed only when it read no
/// volume at all.
bool ReportFailures(Options const& options, uimodel::QNUIScan& scan, RESULT result,
                    std::optional<RecoveryRun> const& recoveryRun, std::optional<SaveRun> const& saved,
                    bool bThumbWritten, bool bCheckMissing) {
    bool bFailed = !bThumbWritten || bCheckMissing;
    if (Failed(result)) {
        std::size_t const volumesRead = scan.GetFileSystemNode().size();
        if (options.iVolume >= 0 || volumesRead == 0) {
            std::fprintf(stderr, "scanbench: the scan failed (0x%016llx)%s\n", static_cast<unsigned long long>(result),
                         options.iVolume < 0 ? ": no volume of the disk could be read" : "");
            bFailed = true;
        } else {
            std::fprintf(stderr, "scanbench: %zu volume(s) of the disk read; the last one scanned answered 0x%016llx\n",
                         volumesRead, static_cast<unsigned long long>(result));
        }
    }
    if (recoveryRun && (Failed(recoveryRun->result) || recoveryRun->bDestinationFull)) {
        RESULT const recoveryResult = recoveryRun->result;
        std::fprintf(
            stderr, "scanbench: the recovery to %s failed: %s (0x%016llx)\n", options.recovery->destination.c_str(),
            recoveryRun->bDestinationFull                                  ? "the destination is full"
            : recoveryResult == uimodel::kResultDestinationOnScannedDevice ? "it lies on the device being scanned"
            : recoveryResult == uimodel::kResultNoDestinationPath          ? "a folder or file could not be made there"
                                                                           : "a file could not be copied",
            static_cast<unsigned long long>(recoveryResult));
        bFailed = true;
    }
    if (saved && saved->u64Error != 0) {
        namespace results = uimodel::resultsfile;
        std::fprintf(stderr, "scanbench: the scan was not saved to %s: %s (error %llu)\n", options.saveTo->c_str(),
                     saved->u64Error == results::RESULTS_ON_SCANNED_DEVICE  ? "it lies on the device being scanned"
                     : saved->u64Error == results::RESULTS_IS_SCANNED_IMAGE ? "it is the image being scanned"
                     : saved->u64Error == results::RESULTS_CANNOT_OPEN      ? "the file cannot be created there"
                     : saved->u64Error == results::RESULTS_WRITE_FAILED     ? "a write failed"
                                                                            : "the save failed",
                     saved->u64Error);
        bFailed = true;
    }
    return bFailed;
}

}  // namespace

int RunModelScanMode(std::span<char* const> args) {
    auto const parsed = ParseOptions(args);
    if (!parsed) return kUsageError;
    Options const& options = *parsed;

    // A destination that is a link, no folder, read-only or on the scanned device is refused
    // before the scan, as every mode refuses it.
    if (options.recovery && !COutputFolder::Open(options.recovery->destination, options.path, "--recover")) return 1;

    LoadFileTypes();
    uimodel::QNUIFilter::instance().ResetFilter(options.u32Types);

    struct stat info {};
    bool const bImage = ::stat(options.path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    std::unique_ptr<IEnumDeviceEx> pImages(bImage ? CreateImageEnumDeviceEx({options.path}) : nullptr);
    uimodel::QNUIDeviceData devices(bImage ? pImages.get() : CreateEnumDeviceEx());
    devices.InitDeviceInfo();
    if (devices.GetInitState() != uimodel::DEVICE_INIT_READY) {
        std::fprintf(stderr, "scanbench: the device list could not be made (no readable disk)\n");
        return 1;
    }
    IStorageDevice* pDisk = FindDisk(devices, options.path, bImage);
    IStorageDevice* pDevice = options.iVolume < 0 ? pDisk : devices.GetVolumeStorageByIndex(pDisk, options.iVolume);
    if (!pDevice) {
        std::fprintf(stderr, "scanbench: %s is not in the device list%s\n", options.path.c_str(),
                     pDisk ? " with that volume" : "");
        return 1;
    }

    uimodel::QNUIScan scan(&devices);
    uimodel::QNUIRecovery recovery(scan);
    RESULT result = kResultSuccess;
    bool bStopped = false;
    double dSeconds = 0;
    std::optional<FacadeRun> facadeRun;
    if (options.bFacade) {
        FacadeOptions facade{devices.GetDiskIndexByStorage(pDisk),
                             options.iVolume,
                             options.bDeep,
                             options.stopAfter,
                             options.pauseAfter,
                             options.pauseFor,
                             options.trees,
                             options.treeCheck,
                             options.search,
                             options.recovery,
                             options.saveTo};
        facadeRun = RunFacadeScan(scan, recovery, devices, facade);
        if (!facadeRun->bStarted) {
            std::fprintf(stderr, "scanbench: the facade refused the scan\n");
            return 1;
        }
        result = facadeRun->result;
        bStopped = facadeRun->bStopped;
        dSeconds = facadeRun->dSeconds;
    } else {
        scan.SetDeepScan(options.bDeep ? 1 : 0);
        scan.SetStatus(uimodel::OPERATION_RUNNING);
        // A stop after 0 seconds lands before the job runs, however the threads are scheduled:
        // polled, it would land before or after the scan began as the machine's load decides.
        if (options.stopAfter && *options.stopAfter <= 0) {
            scan.StopOperation(0);
            bStopped = true;
        }
        auto const start = Clock::now();
        uimodel::CJobThread job;
        if (!job.Start([&] { result = scan.DoScan(pDevice, nullptr); })) {
            std::fprintf(stderr, "scanbench: cannot start the job thread\n");
            return 1;
        }
        bool bPaused = false, bResumed = false;
        std::optional<Clock::time_point> pausedAt;
        uimodel::CQueuedPoster poster;
        auto const elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
        uimodel::PollOperation(scan, poster, "NormalScranValue", std::chrono::milliseconds(100), [&] {
            if (options.pauseAfter && !bPaused && elapsed() >= *options.pauseAfter) {
                scan.PauseOrResumeOperation();
                bPaused = true;
                pausedAt = Clock::now();
            } else if (bPaused && !bResumed &&
                       std::chrono::duration<double>(Clock::now() - *pausedAt).count() >= *options.pauseFor) {
                scan.PauseOrResumeOperation();
                bResumed = true;
            }
            if (options.stopAfter && !bStopped && elapsed() >= *options.stopAfter) {
                scan.StopOperation(0);
                bStopped = true;
            }
        });
        job.Join();
        dSeconds = elapsed();
    }

    std::string const fields = PrintModelListing(scan);
    bool const bThumbWritten =
        !options.thumbName || PrintModelThumbnail(scan, recovery, *options.thumbName, options.thumbOut);
    std::optional<RecoveryRun> recoveryRun;
    if (facadeRun)
        recoveryRun = facadeRun->recovery;
    else if (options.recovery)
        recoveryRun = RunModelRecovery(scan, recovery, *options.recovery);
    std::optional<SaveRun> saved;
    if (facadeRun && options.saveTo)
        saved = SaveRun{facadeRun->saveFields, facadeRun->u64SaveError};
    else if (options.saveTo)
        saved = SaveModelScan(scan, devices, recovery, *options.saveTo);

    // The model's trees and lists come on top of the engine's nodes: the whole process's peak.
    std::printf("RESULT mode=model-scan result=0x%llx stopped=%d %s seconds=%.6f%s%s%s peak_rss_mb=%.1f\n",
                static_cast<unsigned long long>(result), bStopped ? 1 : 0, fields.c_str(), dSeconds,
                facadeRun ? FacadeFields(*facadeRun).c_str() : "",
                recoveryRun ? RecoveryFields(recovery, *recoveryRun).c_str() : "", saved ? saved->fields.c_str() : "",
                static_cast<double>(PeakResidentBytes()) / 1e6);
    bool const bCheckMissing = facadeRun && !facadeRun->bCheckFound;
    return ReportFailures(options, scan, result, recoveryRun, saved, bThumbWritten, bCheckMissing) ? 1 : 0;
}

}  // namespace scanbench
