// scanbench complete / quick: runs a recovery controller over a device or image the way the UI
// model does, counts what it found, optionally writes it out, and reports the throughput.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "CommandLine.h"
#include "FileTypes.h"
#include "FoundFiles.h"
#include "MemoryUse.h"
#include "Modes.h"
#include "NodeListing.h"
#include "OutputFolder.h"
#include "OutputNames.h"
#include "PassthroughSearcher.h"
#include "ResultCollector.h"
#include "ScanOptions.h"
#include "ScanProgress.h"
#include "SearcherSelection.h"
#include "engine/EngineEntryPoints.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IPartitionTableAnalyze.h"
#include "engine/IRecoveryController.h"
#include "engine/IRecoveryFilter.h"
#include "engine/IStorageDevice.h"
#include "engine/IStorageDeviceData.h"
#include "engine/TreeBuilderSettings.h"
#include "engine/VolumeDescription.h"
#include "platform/SameDevice.h"

namespace scanbench {

namespace {

namespace fs = std::filesystem;

struct CategoryName {
    unsigned int uBit;
    char const* pszName;
};
constexpr CategoryName kCategories[] = {
    {FILTER_TYPE_PICTURE, "pictures"}, {FILTER_TYPE_MUSIC, "music"},        {FILTER_TYPE_MOVIE, "movies"},
    {FILTER_TYPE_ARCHIVE, "archives"}, {FILTER_TYPE_DOCUMENT, "documents"}, {FILTER_TYPE_OTHER, "others"},
};

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};

/// Puts the passthrough into the signature search's place, in front of the real one.
void InstallPassthrough(bool bHash, std::shared_ptr<PassthroughTally> const& pTally) {
    EngineEntryPoints& table = GetEngineEntryPoints();
    table.CreateRAWSearcher = [inner = table.CreateRAWSearcher, bHash,
                               pTally]() -> ICompleteFileSystemSearchController* {
        std::unique_ptr<ICompleteFileSystemSearchController> pInner(inner ? inner() : nullptr);
        return new CPassthroughSearcher(std::move(pInner), bHash, pTally);
    };
}

/// A bare volume or volume image has no enumerator to describe it: describe it from itself.
CCollectedVolumeDeviceInfoStruct const& DescribeAsVolume(IStorageDevice* pDevice, std::string const& path) {
    auto* pRecord = new CCollectedVolumeDeviceInfoStruct;
    recovery::DescribeVolume(pDevice, fs::path(path).filename().string(), *pRecord);
    std::printf("volume:        %s, file system %u, label \"%s\"\n", pRecord->szVolumeName, pRecord->u32FileSystemType,
                pRecord->szLabel);
    pDevice->SetPrivateData(CreateVolumeDeviceData(pRecord));
    return *pRecord;
}

/// The folder of one volume's files: "partitionN", or for a volume that is the whole medium
/// (a bare volume image) its label, or "volume" when it has none.
std::string VolumeFolder(CCollectedVolumeDeviceInfoStruct const& info) {
    if (info.u32PartitionNumber != kWholeDiskPartitionIndex)
        return "partition" + std::to_string(info.u32PartitionNumber);
    std::string label(info.szLabel, strnlen(info.szLabel, sizeof info.szLabel));
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label.empty() ? "volume" : SanitiseName(label);
}

/// Where one run's files go: a folder below --out (no --out: none) and the manifest shared by
/// every run of the command, whose paths start with the prefix so that volumes of one disk
/// stay apart.
struct RunOutput {
    COutputFolder* pOut = nullptr;
    std::string base;
    std::FILE* pManifest = nullptr;
    std::string manifestPrefix;
};

/// The output of a run whose files go under `folder` ("" for the top) of --out.
RunOutput OutputUnder(COutputFolder* pOut, std::string const& folder, std::FILE* pManifest) {
    return RunOutput{pOut, folder, pManifest, folder.empty() ? std::string() : folder + "/"};
}

/// Whether the quick scan's searcher recognised a volume: a volume without a user file shows
/// no root, yet copy-out finds its partition.
bool RecognisedAVolume(IRecoveryController& controller) {
    for (_tagSearcherType const eType :
         {SEARCHER_TYPE_FAT, SEARCHER_TYPE_EXFAT, SEARCHER_TYPE_NTFS, SEARCHER_TYPE_HFSPLUS})
        if (ReleasePtr<IDataRecovery>(controller.GetDataRecovery(eType))) return true;
    return false;
}

/// One controller run over one opened, described device; prints its counts and RESULT line.
int ScanDevice(ScanOptions const& options, IRecoveryFilter* pFilter, IStorageDevice* pDevice, bool bAsVolume,
               RunOutput const& output) {
    bool const bQuick = options.eKind == ScanKind::Quick;
    auto pTally = std::make_shared<PassthroughTally>();
    // Before the passthrough, which then measures the block pass even with no searcher left.
    if (!bQuick) KeepSearchers(options.uSearchers);
    if (!bQuick) SetCompleteScanThreads(options.uThreads);
    if (options.bPassthrough) InstallPassthrough(options.bHash, pTally);

    _RECOVERY_CONTROLLER_TYPE const eType = bQuick      ? RECOVERY_CONTROLLER_DELETED
                                            : bAsVolume ? RECOVERY_CONTROLLER_COMPLETE_VOLUME
                                                        : RECOVERY_CONTROLLER_COMPLETE_DISK;
    ReleasePtr<IRecoveryController> pController(CreateRecoveryController(eType));
    pController->Initialize(pFilter);
    CScanProgress progress(options.dStopAfterSeconds);
    CResultCollector collector(pController.get(), bQuick);
    std::uint64_t const u64HeapBefore = HeapBytesInUse();

    ProcessCost const costBefore = ProcessCostSoFar();
    auto const start = std::chrono::steady_clock::now();
    RESULT const result = pController->StartDataRecovery(pDevice, &progress, &collector);
    double const dScanSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The kernel's share shows memory the scan was given afresh (zeroed pages) beside its reading.
    ProcessCost const scanCost = CostBetween(costBefore, ProcessCostSoFar());
    // What the found nodes cost: all the scan still holds (nodes, names, runs, the trees' indexes
    // and the collector's list) over the nodes shown.
    std::uint64_t const u64HeapAfter = HeapBytesInUse();
    std::uint64_t const u64HeapHeld = u64HeapAfter - std::min(u64HeapAfter, u64HeapBefore);
    std::uint64_t const u64NodeBytes = collector.Nodes().empty() ? 0 : u64HeapHeld / collector.Nodes().size();
    double const dPeakMB = static_cast<double>(PeakResidentBytes()) / 1e6;

    unsigned int u32FileSystems = collector.FileSystems();
    if (u32FileSystems == 0 && bQuick && Succeeded(result) && RecognisedAVolume(*pController)) {
        u32FileSystems = 1;
        std::fprintf(stderr, "scanbench: the file system was recognised and holds no file\n");
    }
    if (u32FileSystems == 0)
        std::fprintf(stderr, "scanbench: no file system this scan reads was found%s\n",
                     bQuick ? "" : "; what is listed comes from the signature search alone");
    FoundCounts const found = CountFound(collector.Nodes(), pFilter, options.bDeletedOnly);
    PrintNodes(collector.Nodes(), options.bDeletedOnly, stdout);
    WriteCounts const written = WriteFound(collector.Nodes(), options.bDeletedOnly, collector, output.pOut, output.base,
                                           output.pManifest, output.manifestPrefix);
    // The copy-out objects and then the controller go before the tally is read: the passthrough
    // finishes its hash at the latest when it is destroyed.
    collector.ReleaseCopyOuts();
    pController.reset();

    auto const u64DeviceBytes =
        static_cast<std::uint64_t>(pDevice->GetTotalSectors()) * static_cast<std::uint64_t>(pDevice->GetSectorSize());
    double const dMbps = dScanSeconds > 0 ? static_cast<double>(u64DeviceBytes) / 1e6 / dScanSeconds : 0.0;
    RESULT const finalError = progress.Last().u64Error;

    std::printf("file systems:  %u\n", u32FileSystems);
    std::printf("files:         %llu\n", static_cast<unsigned long long>(found.u64Files));
    std::printf("folders:       %llu\n", static_cast<unsigned long long>(found.u64Folders));
    std::printf("deleted files: %llu\n", static_cast<unsigned long long>(found.u64Deleted));
    std::printf("bytes found:   %llu\n", static_cast<unsigned long long>(found.u64Bytes));
    for (CategoryName const& category : kCategories) {
        auto it = found.filesByCategory.find(category.uBit);
        std::printf("  %-11s %llu\n", category.pszName,
                    static_cast<unsigned long long>(it == found.filesByCategory.end() ? 0 : it->second));
    }
    std::printf("files written: %llu\n", static_cast<unsigned long long>(written.u64Files));
    std::printf("bytes written: %llu\n", static_cast<unsigned long long>(written.u64Bytes));
    std::printf("failures:      %llu\n", static_cast<unsigned long long>(written.u64Failures));
    std::printf("files noted:   %llu\n", static_cast<unsigned long long>(written.u64Noted));
    std::printf("scan seconds:  %.3f%s\n", dScanSeconds, progress.StopRequested() ? " (stopped)" : "");
    std::printf("scan MB/s:     %.1f\n", dMbps);
    std::printf("scan cpu:      %.3f s user, %.3f s system; page faults %llu minor, %llu major\n",
                scanCost.dUserSeconds, scanCost.dSystemSeconds,
                static_cast<unsigned long long>(scanCost.u64MinorFaults),
                static_cast<unsigned long long>(scanCost.u64MajorFaults));
    std::printf("scan read:     %.1f MB\n", static_cast<double>(scanCost.u64ReadBytes) / 1e6);
    std::printf("copy seconds:  %.3f\n", written.dSeconds);
    std::printf("heap held:     %llu bytes, %llu per node shown\n", static_cast<unsigned long long>(u64HeapHeld),
                static_cast<unsigned long long>(u64NodeBytes));
    std::printf("peak resident: %.1f MB\n", dPeakMB);
    std::printf("result:        0x%016llx\n", static_cast<unsigned long long>(result));
    if (finalError != kResultSuccess)
        std::printf("final error:   0x%016llx\n", static_cast<unsigned long long>(finalError));
    if (options.bPassthrough) {
        std::printf("passthrough:   %llu bytes\n", static_cast<unsigned long long>(pTally->u64Bytes));
        if (options.bHash) std::printf("sha256:        %s\n", pTally->sha256.c_str());
    }

    std::printf(
        "RESULT mode=%s result=0x%llx module=0x%02x code=0x%x final_error=0x%llx files=%llu folders=%llu "
        "deleted=%llu bytes_found=%llu files_written=%llu bytes_written=%llu failures=%llu noted=%llu "
        "scan_seconds=%.6f scan_mbps=%.1f scan_user_seconds=%.3f scan_sys_seconds=%.3f scan_minflt=%llu "
        "scan_majflt=%llu scan_read_mb=%.1f copy_seconds=%.6f file_systems=%u",
        bQuick ? "quick" : "complete", static_cast<unsigned long long>(result),
        Failed(result) ? ResultModule(result) : 0, ResultCode(result), static_cast<unsigned long long>(finalError),
        static_cast<unsigned long long>(found.u64Files), static_cast<unsigned long long>(found.u64Folders),
        static_cast<unsigned long long>(found.u64Deleted), static_cast<unsigned long long>(found.u64Bytes),
        static_cast<unsigned long long>(written.u64Files), static_cast<unsigned long long>(written.u64Bytes),
        static_cast<unsigned long long>(written.u64Failures), static_cast<unsigned long long>(written.u64Noted),
        dScanSeconds, dMbps, scanCost.dUserSeconds, scanCost.dSystemSeconds,
        static_cast<unsigned long long>(scanCost.u64MinorFaults),
        static_cast<unsigned long long>(scanCost.u64MajorFaults), static_cast<double>(scanCost.u64ReadBytes) / 1e6,
        written.dSeconds, u32FileSystems);
    if (options.bPassthrough) std::printf(" passthrough_bytes=%llu", static_cast<unsigned long long>(pTally->u64Bytes));
    if (options.bHash) std::printf(" sha256=%s", pTally->sha256.c_str());
    std::printf(" node_bytes=%llu peak_rss_mb=%.1f\n", static_cast<unsigned long long>(u64NodeBytes), dPeakMB);
    // A quick scan that read no file system did not do what was asked of it.
    bool const bRead = !bQuick || u32FileSystems > 0;
    return Succeeded(result) && written.u64Failures == 0 && bRead ? 0 : 1;
}

/// The image as the device list offers it: one disk with its partitions and volumes, or null
/// when the image does not open.
struct ImageListing {
    std::unique_ptr<IEnumDeviceEx> pEnum;
    IStorageDevice* pDisk = nullptr;
    std::vector<IStorageDevice*> volumes;

    static std::optional<ImageListing> Of(std::string const& path) {
        ImageListing listing;
        listing.pEnum.reset(CreateImageEnumDeviceEx({path}));
        int iCount = 1;
        if (Failed(listing.pEnum->Init()) || Failed(listing.pEnum->EnumDiskDevice(&listing.pDisk, iCount)) ||
            iCount != 1)
            return std::nullopt;
        if (Failed(listing.pEnum->EnumVolumeDevice(listing.pDisk, nullptr, iCount))) return std::nullopt;
        listing.volumes.resize(static_cast<std::size_t>(iCount));
        if (iCount > 0 && Failed(listing.pEnum->EnumVolumeDevice(listing.pDisk, listing.volumes.data(), iCount)))
            return std::nullopt;
        return listing;
    }
};

/// The volumes to scan one by one: partition N alone, or for a quick scan of a partitioned
/// disk or image, every volume an analyser recognises, as the whole-disk quick scan offers them.
std::vector<IStorageDevice*> VolumesToScan(ScanOptions const& options, ImageListing const& listing) {
    std::vector<IStorageDevice*> volumes;
    for (IStorageDevice* pVolume : listing.volumes) {
        auto* pData = dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData());
        CCollectedVolumeDeviceInfoStruct const* pInfo = pData ? pData->GetVolumeInfo() : nullptr;
        if (!pInfo) continue;
        bool const bWanted = options.s64Partition >= 0
                                 ? pInfo->u32PartitionNumber == static_cast<std::uint32_t>(options.s64Partition)
                                 : pInfo->u32FileSystemType != FILE_SYSTEM_UNRECOGNISED;
        if (bWanted) volumes.push_back(pVolume);
    }
    return volumes;
}

int RunScan(ScanOptions const& options) {
    bool const bQuick = options.eKind == ScanKind::Quick;
    std::unique_ptr<COutputFolder> pOut;
    if (!options.outDir.empty()) {
        pOut = COutputFolder::Open(options.outDir, options.devicePath, "--out");
        if (!pOut) return 1;
    }
    // One manifest for the whole command: every volume a disk's scan visits adds its files.
    std::unique_ptr<std::FILE, FileCloser> pManifest;
    if (!options.manifestPath.empty()) {
        if (platform::IsFileTheDevice(options.manifestPath, options.devicePath)) {
            std::fprintf(stderr, "scanbench: refusing to write %s: it is the image being scanned\n",
                         options.manifestPath.c_str());
            return 1;
        }
        pManifest.reset(std::fopen(options.manifestPath.c_str(), "w"));
        if (!pManifest) {
            std::fprintf(stderr, "scanbench: cannot write %s\n", options.manifestPath.c_str());
            return 1;
        }
    }

    LoadFileTypes();
    IRecoveryFilter* pFilter = CreateFilter();
    pFilter->SetFilterTypes(options.uTypes);
    pFilter->SetScanType(!bQuick                ? SCAN_TYPE_DEEP
                         : options.bDeletedOnly ? SCAN_TYPE_QUICK_MOUNTED
                                                : SCAN_TYPE_QUICK_UNMOUNTED);
    // No window waits for a new tree's root here, so the builder's pause for one would only be
    // counted as scan time.
    TreeBuilderSettings builderSettings = GetDefaultTreeBuilderSettings();
    builderSettings.u32RootShownPauseMs = 0;
    SetDefaultTreeBuilderSettings(builderSettings);

    // A partitioned disk or image: its volumes as the device list offers them.
    std::optional<ImageListing> listing;
    if (options.s64Partition >= 0 || bQuick) listing = ImageListing::Of(options.devicePath);
    auto* pDiskData = listing ? dynamic_cast<IDiskDeviceData*>(listing->pDisk->GetPrivateData()) : nullptr;
    bool const bPartitioned = pDiskData && pDiskData->GetDiskInfo()->u32PartitionScheme != PARTITION_SCHEME_NONE;
    if (options.s64Partition >= 0 || (bQuick && bPartitioned)) {
        std::vector<IStorageDevice*> const volumes =
            listing ? VolumesToScan(options, *listing) : std::vector<IStorageDevice*>{};
        if (volumes.empty()) {
            std::fprintf(stderr, "scanbench: %s has no %s\n", options.devicePath.c_str(),
                         options.s64Partition >= 0 ? "such partition" : "volume a quick scan can read");
            return 1;
        }
        int iExit = 0;
        for (IStorageDevice* pVolume : volumes) {
            CCollectedVolumeDeviceInfoStruct const* pInfo =
                dynamic_cast<IVolumeDeviceData*>(pVolume->GetPrivateData())->GetVolumeInfo();
            std::printf("volume:        partition %u, start %llu, %lld sectors, file system %u, label \"%s\"\n",
                        pInfo->u32PartitionNumber, static_cast<unsigned long long>(pInfo->u64StartSector),
                        static_cast<long long>(pInfo->s64TotalSectors), pInfo->u32FileSystemType, pInfo->szLabel);
            // Several volumes: each one's files under a folder of its own, in the folder and the manifest.
            std::string const folder = options.s64Partition >= 0 ? std::string() : VolumeFolder(*pInfo);
            iExit = std::max(
                iExit, ScanDevice(options, pFilter, pVolume, true, OutputUnder(pOut.get(), folder, pManifest.get())));
        }
        return iExit;
    }

    bool const bAsVolume = bQuick || options.bVolume;
    std::unique_ptr<IStorageDevice> pDevice(bAsVolume ? CreateVolumeDevice(options.devicePath.c_str())
                                                      : CreateDiskDevice(options.devicePath.c_str()));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s (result 0x%016llx)\n", options.devicePath.c_str(),
                     static_cast<unsigned long long>(pDevice ? pDevice->GetLastError() : 0));
        return 1;
    }
    // A quick scan's files go under the volume's folder, as they do for a disk's volumes.
    std::string folder;
    if (bAsVolume) {
        CCollectedVolumeDeviceInfoStruct const& record = DescribeAsVolume(pDevice.get(), options.devicePath);
        if (bQuick) folder = VolumeFolder(record);
    }
    return ScanDevice(options, pFilter, pDevice.get(), bAsVolume, OutputUnder(pOut.get(), folder, pManifest.get()));
}

}  // namespace

int RunCompleteMode(std::span<char* const> args) {
    auto options = ParseScanOptions(ScanKind::Complete, args);
    return options ? RunScan(*options) : kUsageError;
}

int RunQuickMode(std::span<char* const> args) {
    auto options = ParseScanOptions(ScanKind::Quick, args);
    return options ? RunScan(*options) : kUsageError;
}

}  // namespace scanbench
