// results_file: saves a synthetic scan of 1,000,000 nodes (1,000 folders of 999 files, one run
// and a 20-byte name each) to a results file, then loads it into a fresh scan operation through
// the real tree builder, as a whole-disk deep scan of an empty image. Each direction runs in a
// child process of its own, so each peak RSS is that direction's alone.
//   results_file [WORK_DIR]     (default /tmp; the image and the file are removed afterwards)
// Last line: RESULT mode=results_file nodes= bytes= save_seconds= save_peak_mb= load_seconds= load_cpu_seconds=
// load_peak_mb= (the load's user and system time beside its clock time)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineEntryPoints.h"
#include "engine/IEnumDeviceEx.h"
#include "engine/IRSData.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/TreeBuilderSettings.h"
#include "scanbench/FileTypes.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/RestoreFileNode.h"
#include "uimodel/resultsfile/ResultsFileWriter.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace rf = uimodel::resultsfile;

constexpr std::size_t kFolders = 1'000;
constexpr std::size_t kFilesPerFolder = 999;
constexpr std::size_t kNodes = kFolders * (kFilesPerFolder + 1);
constexpr long long kRootID = 2;

struct Figures {
    double dSeconds = -1;
    double dPeakMb = -1;
    long long s64Count = 0;   // save: bytes written; load: files filed
    double dCpuSeconds = -1;  // user and system time: steadier than the clock on a shared machine
};

double PeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto const seconds = [](timeval const& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

rf::StoredFileRecord Record(long long s64ID, long long s64Parent, char const* pszName, bool bFolder) {
    rf::StoredFileRecord record;
    record.s64NodeID = s64ID;
    record.s64ParentID = s64Parent;
    record.name = pszName;
    record.u32Folder = bFolder ? 1 : 0;
    record.u64Created = record.u64Modified = record.u64Accessed =
        130'000'000'000'000'000ULL + static_cast<unsigned long long>(s64ID) * 10'000'000ULL;
    record.u16Partition = 0;
    if (!bFolder) {
        record.u64Size = 4096;
        record.runs.push_back({s64ID * 8, 8});
    }
    return record;
}

/// The device list over the image, ready.
struct ImageDevices {
    explicit ImageDevices(std::string const& image)
        : pEnumerator(CreateImageEnumDeviceEx({image})), devices(pEnumerator.get()) {
        devices.InitDeviceInfo();
    }
    std::unique_ptr<IEnumDeviceEx> pEnumerator;
    uimodel::QNUIDeviceData devices;
};

Figures Save(std::string const& image, std::string const& file) {
    ImageDevices list(image);
    rf::SavedScan saved;
    saved.iControllerType = RECOVERY_CONTROLLER_COMPLETE_DISK;
    saved.iDeep = 1;
    if (!list.devices.GetDiskDataByStorage(list.devices.GetDiskStorageByIndex(0), saved.device)) return {};

    uimodel::RestoreSystemNode root(Record(kRootID, 1, "Disk(FAT/FAT32)", true), SEARCHER_TYPE_FAT, "Disk");
    std::vector<std::unique_ptr<uimodel::RestoreFileNode>> owned;
    owned.reserve(kNodes);
    char name[32];
    long long s64ID = 100;
    for (std::size_t folder = 0; folder < kFolders; ++folder) {
        std::snprintf(name, sizeof name, "folder_%09zu.dat", folder);
        owned.push_back(std::make_unique<uimodel::RestoreFileNode>(Record(++s64ID, kRootID, name, true)));
        uimodel::RestoreFileNode* pFolder = owned.back().get();
        root.AddChild(pFolder);
        for (std::size_t u64File = 0; u64File < kFilesPerFolder; ++u64File) {
            std::snprintf(name, sizeof name, "file_%07zu_%03zu.jpg", folder, u64File);
            owned.push_back(
                std::make_unique<uimodel::RestoreFileNode>(Record(++s64ID, pFolder->GetCurrentNodeID(), name, false)));
            pFolder->AddChild(owned.back().get());
        }
    }
    CSearchedPartitionInfo partition;
    partition.m_u16PartitionIndex = 0;
    partition.m_u32FileSystemType = FILE_SYSTEM_FAT32;
    partition.m_u32SectorsPerCluster = 8;
    partition.SetTotalSectors(1 << 20);
    saved.roots.push_back({&root, {&partition}});

    auto const start = Clock::now();
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_WRITE);
    rf::CJobProgress progress(nullptr);
    bool bWritten = false;
    try {
        bWritten =
            pArchive->StartRS(file.c_str(), 1) && rf::WriteResultsFile(*pArchive, saved, progress) && pArchive->EndRS();
    } catch (IRSException const&) {
    }
    if (!bWritten) return {};
    Figures figures{std::chrono::duration<double>(Clock::now() - start).count(), PeakMb(), 0};
    figures.s64Count = static_cast<long long>(std::filesystem::file_size(file));
    return figures;
}

Figures Load(std::string const& image, std::string const& file) {
    // As the other tree benchmarks: the pause that lets a window draw a new root is not work.
    TreeBuilderSettings settings = GetDefaultTreeBuilderSettings();
    settings.u32RootShownPauseMs = 0;
    SetDefaultTreeBuilderSettings(settings);
    RegisterEngineSubsystems();
    scanbench::LoadFileTypes();
    ImageDevices list(image);
    uimodel::QNUIScan scan(&list.devices);
    uimodel::SaveRestoreResult results(scan, list.devices);
    results.SetLoadPause(std::chrono::milliseconds(0));
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    double const dCpuStart = CpuSeconds();
    auto const start = Clock::now();
    if (results.DoRestoreScanResult(file.c_str(), &scan) != 0) return {};
    results.Wait();
    if (scan.GetProgressInfo().u64Error != 0) return {};
    return {std::chrono::duration<double>(Clock::now() - start).count(), PeakMb(),
            static_cast<long long>(scan.GetScanFileCnt() + scan.GetFolderList().size()), CpuSeconds() - dCpuStart};
}

/// Runs `direction` in a child process and reads its figures back through a pipe.
Figures InChild(Figures (*direction)(std::string const&, std::string const&), std::string const& image,
                std::string const& file) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t const child = fork();
    if (child == 0) {
        close(fds[0]);
        Figures const figures = direction(image, file);
        ssize_t const written = write(fds[1], &figures, sizeof figures);
        _exit(written == static_cast<ssize_t>(sizeof figures) ? 0 : 1);
    }
    close(fds[1]);
    Figures figures;
    if (child < 0 || read(fds[0], &figures, sizeof figures) != static_cast<ssize_t>(sizeof figures)) figures = {};
    close(fds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::string const work = argc > 1 ? argv[1] : "/tmp";
    std::string const stem = work + "/results_file_bench_" + std::to_string(getpid());
    std::string const image = stem + ".img";
    std::string const file = stem + ".rsf";
    if (!std::ofstream(image)) {
        std::fprintf(stderr, "results_file: cannot write in %s\n", work.c_str());
        return 1;
    }
    std::filesystem::resize_file(image, 64 << 20);  // an empty disk: nothing is read from it
    Figures const saved = InChild(Save, image, file);
    Figures const loaded = saved.dSeconds >= 0 ? InChild(Load, image, file) : Figures{};
    std::filesystem::remove(image);
    std::filesystem::remove(file);
    if (loaded.s64Count != static_cast<long long>(kNodes))
        std::fprintf(stderr, "results_file: %lld of %zu nodes loaded\n", loaded.s64Count, kNodes);
    std::printf(
        "RESULT mode=results_file nodes=%zu bytes=%lld save_seconds=%.3f save_peak_mb=%.1f load_seconds=%.3f "
        "load_cpu_seconds=%.3f load_peak_mb=%.1f\n",
        kNodes, saved.s64Count, saved.dSeconds, saved.dPeakMb, loaded.dSeconds, loaded.dCpuSeconds, loaded.dPeakMb);
    return saved.dSeconds >= 0 && loaded.s64Count == static_cast<long long>(kNodes) ? 0 : 1;
}
