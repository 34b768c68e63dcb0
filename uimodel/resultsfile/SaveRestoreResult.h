#pragma once
// Saving a scan to a results file and loading it again, each on the model's job thread. A load
// finds the saved device among the attached ones and replays the stored nodes through the
// engine's tree builder, so the loaded scan has the trees, categories and copy-out of a fresh
// one. Either job ends with one finished progress record whose error field holds a
// ResultsFileError (0: done).
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "engine/IDataRecovery.h"
#include "engine/ReleasePtr.h"
#include "engine/Types.h"
#include "uimodel/devices/DiskVolumeData.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/resultsfile/SavedDeviceAnswer.h"

class IProgress;
class IStorageDevice;

namespace uimodel {

class QNUIDeviceData;
class QNUIRecovery;
class QNUIScan;

namespace resultsfile {
class CJobProgress;
struct SavedScan;
}  // namespace resultsfile

class SaveRestoreResult {
public:
    /// Over `scan` and `devices`, and the recovery operation over that scan when there is one
    /// (its copy-out objects give a complete scan's partitions, and it tells a destination on
    /// the scanned device); none owned.
    SaveRestoreResult(QNUIScan& scan, QNUIDeviceData& devices, QNUIRecovery* pRecovery = nullptr);
    /// Over the process's scan operation, device list and recovery operation.
    static SaveRestoreResult& instance();

    /// Saves the scan to `pszPath`, reporting to `pProgress` (the facade passes
    /// QNSaveAndRestoreNodeOperate). -1 for a null argument, -2 when a job still runs or the
    /// thread cannot start, 0 when the job started.
    int DoSaveScanResult(char const* pszPath, IProgress* pProgress);
    /// Loads `pszPath` into the scan operation, which the caller has cleared and set running;
    /// `pProgress` is normally that operation. Answers as DoSaveScanResult.
    int DoRestoreScanResult(char const* pszPath, IProgress* pProgress);
    /// Waits for the running save or load; nothing when none runs.
    void Wait();

    /// The attached device the saved row describes: the one at its indexes when name, file
    /// system and capacity match too; else the first disk row, or volume row of a disk, that
    /// matches all three (a disk before its volumes). With a saved `mediumId`, a device whose own
    /// id differs is another medium and never matches. Null when none does.
    IStorageDevice* GetFromDiskVolumeData(_DiskVolumeData const& saved, std::string const& mediumId = {});

    /// Reads the device row of the results file `pszPath` into `saved` and looks for that
    /// device among the listed ones (listing them first when they never were). Only while no
    /// save or load runs: it lists the devices on the calling thread.
    SavedDeviceAnswer FindSavedDevice(char const* pszPath, _DiskVolumeData& saved);

    /// The names of the roots the last load read and could not place on the device it found (the
    /// load's message names them); empty while a load runs, and when it placed every root.
    std::vector<std::string> LeftOutRoots() const;

    /// How long a load waits before it starts, so that its progress window is up; 1 s.
    void SetLoadPause(std::chrono::milliseconds pause) { m_loadPause = pause; }

private:
    int Start(char const* pszPath, IProgress* pProgress,
              void (SaveRestoreResult::*job)(std::string const&, IProgress*));
    void SaveScanResult(std::string const& path, IProgress* pProgress);
    void RestoreScanResult(std::string const& path, IProgress* pProgress);
    int Save(std::string const& path, resultsfile::CJobProgress& progress);
    int Restore(std::string const& path, resultsfile::CJobProgress& progress);
    bool RowOf(IStorageDevice* pDevice, _DiskVolumeData& row) const;
    /// The roots with their partitions; copy-out objects made for it are kept in `made`.
    void GatherRoots(resultsfile::SavedScan& saved, std::vector<ReleasePtr<IDataRecovery>>& made) const;

    QNUIScan& m_scan;
    QNUIDeviceData& m_devices;
    QNUIRecovery* m_pRecovery;
    std::chrono::milliseconds m_loadPause{1000};
    CJobThread m_job;
    std::atomic<bool> m_bRunning{false};
    mutable std::mutex m_leftOutMutex;
    std::vector<std::string> m_leftOut;  // of the last load
};

}  // namespace uimodel
