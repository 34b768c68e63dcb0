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
#include "ModelRecovery.h"
#include "ModelThumbnail.h"
#include "Modes.h"
#include "NodeListing.h"
#include "engine/EngineEntryPoints.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IStorageDeviceData.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"

namespace scanbench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr OptionSpec kOptions[] = {{"--disk", false},       {"--volume", true},     {"--deep", false},
                                   {"--types", true},       {"--stop-after", true}, {"--pause-after", true},
                                   {"--pause-for", true},   {"--recover", true},    {"--check", true},
                                   {"--recovery-pause-for", true},                  {"--recovery-stop-after-files", true},
                                   {"--thumb", true},       {"--thumb-out", true}};

struct Options {
    std::string path;
    int iVolume = -1;  // -1: the whole disk
    bool bDeep = false;
    unsigned u32Types = FILTER_TYPE_ALL;
    std::optional<double> stopAfter, pauseAfter, pauseFor;
    std::optional<RecoveryOptions> recovery;
    std::optional<std::string> thumbName;
    std::string thumbOut;
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
    options.stopAfter = Seconds(*commandLine, "--stop-after", bBad);
    options.pauseAfter = Seconds(*commandLine, "--pause-after", bBad);
    options.pauseFor = Seconds(*commandLine, "--pause-for", bBad);
    if (options.pauseAfter.has_value() != options.pauseFor.has_value()) {
        std::fprintf(stderr, "scanbench: --pause-after and --pause-for go together\n");
        bBad = true;
    }
    if (auto const destination = commandLine->Value("--recover")) {
        RecoveryOptions& recovery = options.recovery.emplace();
        recovery.destination = *destination;
        recovery.check = commandLine->Value("--check").value_or("all");
        if (!IsCheckOption(recovery.check)) {
            std::fprintf(stderr, "scanbench: --check takes all, deleted or ext:EXT\n");
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
    } else if (commandLine->Has("--check") || commandLine->Has("--recovery-pause-for") || commandLine->Has("--recovery-stop-after-files")) {
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
        if (pInfo && name == std::string(pInfo->szBsdName, strnlen(pInfo->szBsdName, sizeof pInfo->szBsdName))) return pDisk;
    }
    return nullptr;
}

void PrintNode(IFileNode* pNode) {
    bool const bFolder = pNode->IsDirectory() != 0;
    std::printf("node\t%s\t%s%s\t%lld\n", pNode->IsDeleted() ? "deleted" : "live",
                Escaped(uimodel::GetPathByFileNode(pNode).c_str()).c_str(), bFolder ? "/" : "", bFolder ? 0LL : pNode->GetFileSize());
}

void PrintMonths(char const* pszKind, uimodel::DateMap const& map) {
    for (auto const& [iYear, months] : map)
        for (auto const& [iMonth, nodes] : months) std::printf("month %s %04d-%02d %zu\n", pszKind, iYear, iMonth, nodes.size());
}

std::size_t Count(uimodel::TypeMap const& types, _FILTER_TYPE eType) {
    auto const found = types.find(eType);
    return found == types.end() ? 0 : found->second.size();
}

}  // namespace

int RunModelScanMode(std::span<char* const> args) {
    auto const parsed = ParseOptions(args);
    if (!parsed) return kUsageError;
    Options const& options = *parsed;

    RegisterEngineSubsystems();
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
        std::fprintf(stderr, "scanbench: %s is not in the device list%s\n", options.path.c_str(), pDisk ? " with that volume" : "");
        return 1;
    }

    uimodel::QNUIScan scan(&devices);
    uimodel::QNUIRecovery recovery(scan);
    scan.SetDeepScan(options.bDeep ? 1 : 0);
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    RESULT result = kResultSuccess;
    auto const start = Clock::now();
    uimodel::CJobThread job;
    if (!job.Start([&] { result = scan.DoScan(pDevice, nullptr); })) {
        std::fprintf(stderr, "scanbench: cannot start the job thread\n");
        return 1;
    }
    bool bStopped = false, bPaused = false, bResumed = false;
    std::optional<Clock::time_point> pausedAt;
    uimodel::CQueuedPoster poster;
    auto const elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    uimodel::PollOperation(scan, poster, "NormalScranValue", std::chrono::milliseconds(100), [&] {
        if (options.pauseAfter && !bPaused && elapsed() >= *options.pauseAfter) {
            scan.PauseOrResumeOperation();
            bPaused = true;
            pausedAt = Clock::now();
        } else if (bPaused && !bResumed && std::chrono::duration<double>(Clock::now() - *pausedAt).count() >= *options.pauseFor) {
            scan.PauseOrResumeOperation();
            bResumed = true;
        }
        if (options.stopAfter && !bStopped && elapsed() >= *options.stopAfter) {
            scan.StopOperation(0);
            bStopped = true;
        }
    });
    job.Join();
    double const dSeconds = elapsed();

    // Folders and files, as the quick mode lists them (the roots only counted).
    uimodel::NodeList const folders = scan.GetFolderList();
    std::vector<IFileNode*> nodes = folders;
    uimodel::TypeMap const types = scan.GetTypeMap();
    std::size_t u64Deleted = 0;
    for (auto const& [eType, files] : types) {
        nodes.insert(nodes.end(), files.begin(), files.end());
        u64Deleted += static_cast<std::size_t>(std::count_if(files.begin(), files.end(), [](IFileNode* p) { return p->IsDeleted() != 0; }));
    }
    for (IFileNode* pNode : nodes) PrintNode(pNode);
    PrintMonths("ctime", scan.GetCreateTimeMap());
    PrintMonths("mtime", scan.GetModifyTimeMap());

    bool const bThumbWritten = !options.thumbName || PrintModelThumbnail(scan, recovery, *options.thumbName, options.thumbOut);
    std::optional<RecoveryRun> recoveryRun;
    if (options.recovery) recoveryRun = RunModelRecovery(scan, recovery, *options.recovery);

    IRecoveryController const* pController = scan.GetRecoveryController();
    std::printf("RESULT mode=model-scan result=0x%llx status=%d controller=%d deep=%d stopped=%d files=%llu folders=%zu deleted=%zu "
                "bytes=%llu roots=%zu pictures=%zu music=%zu movies=%zu archives=%zu documents=%zu others=%zu seconds=%.6f%s\n",
                static_cast<unsigned long long>(result), scan.GetStatus(), pController ? pController->thisType() : uimodel::kNoController,
                scan.IsDeepScan(), bStopped ? 1 : 0, static_cast<unsigned long long>(scan.GetScanFileCnt()), folders.size(), u64Deleted,
                static_cast<unsigned long long>(scan.GetScanFileSize()), scan.GetFileSystemNode().size(), Count(types, FILTER_TYPE_PICTURE),
                Count(types, FILTER_TYPE_MUSIC), Count(types, FILTER_TYPE_MOVIE), Count(types, FILTER_TYPE_ARCHIVE),
                Count(types, FILTER_TYPE_DOCUMENT), Count(types, FILTER_TYPE_OTHER), dSeconds,
                recoveryRun ? RecoveryFields(recovery, *recoveryRun).c_str() : "");
    bool const bRecoveryFailed = recoveryRun && (Failed(recoveryRun->result) || recoveryRun->bDestinationFull);
    return Failed(result) || bRecoveryFailed || !bThumbWritten ? 1 : 0;
}

}  // namespace scanbench
