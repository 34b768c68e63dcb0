#pragma once
// Scans images through the UI model as the application does: the image enumerator feeds the
// device list, and QNUIScan::DoScan runs on the job thread while the test waits on the
// operation's own state.
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/IEnumDeviceEx.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/scan/QNUIScan.h"

namespace modeltest {

/// Registers the engine's subsystems and the shipped category lists (once per process).
void PrepareEngine();

/// The scan operation as the application runs it, noting the status each file-system root
/// finds (volume k's root arrives after k-1 finished reports), and able to pause at the first.
class RecordingScan : public uimodel::QNUIScan {
public:
    using QNUIScan::QNUIScan;
    void ShowFilesystemNode(IFilesystemNode* pRoot) override;
    void UpdateProgress(_PROGRESS_INFO* pInfo) override;

    bool bPauseAtFirstRoot = false;
    std::vector<int> statusAtRoot;
    std::vector<std::size_t> filedAtRelease;  // nodes a reader could still copy when each release began
    struct ProgressNote {
        std::uint32_t u32State = 0;
        std::uint64_t u64Done = 0;
        std::uint64_t u64Error = 0;
        int iStatusAfter = 0;  // the operation's status once the record was stored
    };
    std::vector<ProgressNote> progressRecords;

protected:
    void OnReleasingResults() override;
};

struct ModelScan {
    explicit ModelScan(std::vector<std::string> const& images);
    /// Runs DoScan on the job thread until it returns; the status is running before it starts.
    /// `whileRunning`, when given, runs on the calling thread meanwhile.
    RESULT Run(IStorageDevice* pDevice, bool bDeep = false, std::function<void()> const& whileRunning = {});

    // First: the process's filter reads the category lists once, when the scan first asks for it.
    bool bEngineReady = (PrepareEngine(), true);
    std::unique_ptr<IEnumDeviceEx> pEnumerator;
    uimodel::QNUIDeviceData devices;
    RecordingScan scan;
};

/// Every filed file by its path below the volume ("/docs/a.txt"), with " (deleted)" appended
/// for deleted ones.
std::set<std::string> FiledFiles(uimodel::QNUIScan const& scan);

/// The first filed file called `name`, or null.
IFileNode* FindFile(uimodel::QNUIScan const& scan, std::string const& name);

/// The folders of the FAT, exFAT and NTFS fixture images; empty when a fixture did not run.
std::string FatFolder();
std::string ExFatFolder();
std::string NtfsFolder();
/// The oracle of image `stem` (its path without ".img"): the live files by path, and the
/// deleted ones with " (deleted)" appended.
std::set<std::string> Expected(std::string const& stem);

}  // namespace modeltest
