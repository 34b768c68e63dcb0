#include "uimodel/resultsfile/SaveRestoreResult.h"

#include <unistd.h>

#include <memory>
#include <thread>

#include "engine/CatchExeception.h"
#include "engine/IFileNode.h"
#include "engine/IRSData.h"
#include "engine/IRecoveryController.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/HfsPlusVolumeCache.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/RestoreScanSink.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"
#include "uimodel/resultsfile/ResultsFileReader.h"
#include "uimodel/resultsfile/ResultsFileWriter.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"

namespace uimodel {

using namespace resultsfile;

namespace {

/// Logs a failed step as the function and the line it was met on.
int Logged(int iCode, char const* pszFunction, int iLine) {
    CatchExeception::WriteLog("%s %d\r\n", pszFunction, iLine);
    return iCode;
}
#define RESULTS_FAIL(code) Logged((code), __func__, __LINE__)

/// The frames before the nodes and the medium's id: 0, or the ResultsFileError of the first that
/// does not read.
int ReadFrontFrames(IRSData& archive, std::optional<StoredController>& controller, std::optional<_DiskVolumeData>& row,
                    std::string& mediumId) {
    if (!ReadHeader(archive)) return RESULTS_BAD_HEADER;
    try {
        controller = ReadControllerFrame(archive);
    } catch (IRSException const&) {
    }
    if (!controller) return RESULTS_BAD_CONTROLLER;
    try {
        row = ReadDeviceFrame(archive);
    } catch (IRSException const&) {
    }
    std::optional<std::string> id = ReadMediumIdFrame(archive);
    if (!row || !id) return RESULTS_BAD_DEVICE;
    mediumId = std::move(*id);
    return RESULTS_OK;
}

/// Ends the archive's reading however the reader left it.
struct ArchiveCloser {
    IRSData& archive;
    ~ArchiveCloser() {
        try {
            archive.EndRS();
        } catch (IRSException const&) {
        }
    }
};

bool SameDevice(_DiskVolumeData const& row, _DiskVolumeData const& saved) {
    return row.name == saved.name && row.iFileSystem == saved.iFileSystem && row.s64Capacity == saved.s64Capacity;
}

}  // namespace

SaveRestoreResult::SaveRestoreResult(QNUIScan& scan, QNUIDeviceData& devices, QNUIRecovery* pRecovery)
    : m_scan(scan), m_devices(devices), m_pRecovery(pRecovery) {}

SaveRestoreResult& SaveRestoreResult::instance() {
    static SaveRestoreResult s_results(QNUIScan::instance(), QNUIDeviceData::instance(), &QNUIRecovery::instance());
    return s_results;
}

int SaveRestoreResult::DoSaveScanResult(char const* pszPath, IProgress* pProgress) {
    return Start(pszPath, pProgress, &SaveRestoreResult::SaveScanResult);
}

int SaveRestoreResult::DoRestoreScanResult(char const* pszPath, IProgress* pProgress) {
    return Start(pszPath, pProgress, &SaveRestoreResult::RestoreScanResult);
}

int SaveRestoreResult::Start(char const* pszPath, IProgress* pProgress,
                             void (SaveRestoreResult::*job)(std::string const&, IProgress*)) {
    if (!pszPath || !pProgress) return -1;
    if (m_bRunning.exchange(true)) return -2;
    m_job.Join();  // the last job has ended: its thread only needs collecting
    std::string path(pszPath);
    bool const bStarted = m_job.Start([this, job, path, pProgress] {
        (this->*job)(path, pProgress);
        m_bRunning = false;
    });
    if (!bStarted) m_bRunning = false;
    return bStarted ? 0 : -2;
}

void SaveRestoreResult::Wait() { m_job.Join(); }

std::vector<std::string> SaveRestoreResult::LeftOutRoots() const {
    std::lock_guard lock(m_leftOutMutex);
    return m_leftOut;
}

void SaveRestoreResult::SaveScanResult(std::string const& path, IProgress* pProgress) {
    CJobProgress progress(pProgress);
    progress.IncProgress(false, true);
    if (int const iCode = Save(path, progress)) progress.TipError(iCode);
    progress.IncProgress(true);
}

void SaveRestoreResult::RestoreScanResult(std::string const& path, IProgress* pProgress) {
    {
        std::lock_guard lock(m_leftOutMutex);
        m_leftOut.clear();
    }
    std::this_thread::sleep_for(m_loadPause);
    HfsPlusVolumeCache::instance().Clear();
    CJobProgress progress(pProgress);
    progress.IncProgress(false, true);
    if (int const iCode = Restore(path, progress)) progress.TipError(iCode);
    progress.IncProgress(true);
    // After the finished record is stored: whoever sees the scan idle reads the load's outcome.
    m_scan.EndRestore();
}

bool SaveRestoreResult::RowOf(IStorageDevice* pDevice, _DiskVolumeData& row) const {
    return m_devices.IsDiskStorage(pDevice) ? m_devices.GetDiskDataByStorage(pDevice, row)
                                            : m_devices.GetVolumeDataByStorage(pDevice, row);
}

void SaveRestoreResult::GatherRoots(SavedScan& saved, std::vector<ReleasePtr<IDataRecovery>>& made) const {
    IRecoveryController* pController = m_scan.GetRecoveryController();
    for (IFileNode* pNode : m_scan.GetFileSystemNode()) {
        auto* pRoot = dynamic_cast<IFilesystemNode*>(pNode);
        if (!pRoot) continue;
        SavedRoot root{pRoot, {}};
        _tagSearcherType const eType = GetNodeSearcheType(pRoot);
        IDataRecovery* pRecovery = nullptr;
        if (saved.iControllerType == RECOVERY_CONTROLLER_DELETED) {
            pRecovery = m_scan.GetFileNodeDataRecover(pRoot);
        } else if (m_pRecovery) {
            if (m_pRecovery->CheckWhetherNeedReset()) m_pRecovery->InitDataRecoveryController();
            pRecovery = m_pRecovery->GetDataRecoveryByType(eType);
        } else if (pController) {
            made.emplace_back(pController->GetDataRecovery(eType));
            pRecovery = made.back().get();
        }
        if (pRecovery) {
            std::vector<CSearchedPartitionInfo*> const partitions = pRecovery->GetSearchedPartitions();
            root.partitions.assign(partitions.begin(), partitions.end());
        }
        saved.roots.push_back(std::move(root));
    }
}

int SaveRestoreResult::Save(std::string const& path, CJobProgress& progress) {
    SavedScan saved;
    IStorageDevice* pDevice = m_scan.GetSavedStorage();
    if (!pDevice || !RowOf(pDevice, saved.device)) return RESULTS_FAIL(RESULTS_NOTHING_SCANNED);
    if (m_pRecovery && m_pRecovery->PathIsScannedImage(path.c_str())) return RESULTS_FAIL(RESULTS_IS_SCANNED_IMAGE);
    if (m_pRecovery && m_pRecovery->RecoveryPathIsSameDevice(path.c_str()))
        return RESULTS_FAIL(RESULTS_ON_SCANNED_DEVICE);
    saved.mediumId = QNUIDeviceData::MediumIdOf(pDevice);
    if (IStorageDevice* pDisk = m_devices.GetDiskStorageByIndex(saved.device.iDiskIndex)) {
        _DiskVolumeData disk;
        if (m_devices.GetDiskDataByStorage(pDisk, disk)) saved.diskName = disk.name;
    }
    saved.iControllerType = m_scan.GetScanControllerType(pDevice);
    saved.iDeep = m_scan.IsDeepScan();
    std::vector<ReleasePtr<IDataRecovery>> made;
    GatherRoots(saved, made);

    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_WRITE);
    if (!pArchive) return RESULTS_FAIL(RESULTS_NO_ARCHIVE);
    if (!pArchive->StartRS(path.c_str(), 1)) return RESULTS_FAIL(RESULTS_CANNOT_OPEN);
    int iCode = RESULTS_OK;
    try {
        if (!WriteResultsFile(*pArchive, saved, progress) || !pArchive->EndRS())
            iCode = RESULTS_FAIL(RESULTS_WRITE_FAILED);
    } catch (IRSException const&) {
        iCode = RESULTS_FAIL(RESULTS_WRITE_FAILED);
    }
    if (iCode != RESULTS_OK) {
        try {
            pArchive->EndRS();
        } catch (IRSException const&) {
        }
        // A partial file would load as a damaged scan: none is better.
        ::unlink(path.c_str());
    }
    return iCode;
}

int SaveRestoreResult::Restore(std::string const& path, CJobProgress& progress) {
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_READ);
    if (!pArchive) return RESULTS_FAIL(RESULTS_NO_ARCHIVE);
    if (!pArchive->StartRS(path.c_str(), 0)) return RESULTS_FAIL(RESULTS_CANNOT_OPEN);
    ArchiveCloser const closer{*pArchive};

    std::optional<StoredController> controller;
    std::optional<_DiskVolumeData> row;
    std::string mediumId;
    if (int const iCode = ReadFrontFrames(*pArchive, controller, row, mediumId)) return RESULTS_FAIL(iCode);
    progress.IncProgress();

    IStorageDevice* pDevice = GetFromDiskVolumeData(*row, mediumId);
    if (!pDevice) return RESULTS_FAIL(RESULTS_NO_DEVICE);
    auto pSink = std::make_shared<RestoreScanSink>(pArchive.get(), static_cast<int>(controller->u32Type), &progress);
    m_scan.SetDeepScan(controller->u32Deep != 0 ? 1 : 0);
    m_scan.DoRestoreScan(pDevice, pSink);
    m_scan.SetOpTreeFinished(1);
    pSink->DetachArchive();
    {
        std::lock_guard lock(m_leftOutMutex);
        m_leftOut = pSink->LeftOutRoots();
    }
    return pSink->GetError() != 0 ? RESULTS_FAIL(RESULTS_DAMAGED_NODES) : RESULTS_OK;
}

SavedDeviceAnswer SaveRestoreResult::FindSavedDevice(char const* pszPath, _DiskVolumeData& saved) {
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_READ);
    if (!pszPath || !pArchive || !pArchive->StartRS(pszPath, 0)) return SavedDeviceAnswer::Unreadable;
    ArchiveCloser const closer{*pArchive};
    std::optional<StoredController> controller;
    std::optional<_DiskVolumeData> row;
    std::string mediumId;
    if (ReadFrontFrames(*pArchive, controller, row, mediumId) != RESULTS_OK) return SavedDeviceAnswer::Unreadable;
    saved = *row;
    saved.diskName = ReadDiskNameFrame(*pArchive);
    return GetFromDiskVolumeData(saved, mediumId) ? SavedDeviceAnswer::Attached : SavedDeviceAnswer::NotAttached;
}

IStorageDevice* SaveRestoreResult::GetFromDiskVolumeData(_DiskVolumeData const& saved, std::string const& mediumId) {
    if (m_devices.GetInitState() != DEVICE_INIT_READY) m_devices.InitDeviceInfo();
    // Name, size and file system alike, and the same medium where both tell which they are: a
    // reformatted card or another image of the same size is not the scanned one.
    auto const sameMedium = [&mediumId](IStorageDevice* pDevice) {
        if (!pDevice || mediumId.empty()) return pDevice != nullptr;
        std::string const id = QNUIDeviceData::MediumIdOf(pDevice);
        return id.empty() || id == mediumId;
    };
    if (IStorageDevice* pDevice = m_devices.GetStorageByDiskVolumeIndex(saved.iDiskIndex, saved.iVolumeIndex)) {
        _DiskVolumeData row;
        if (RowOf(pDevice, row) && SameDevice(row, saved) && sameMedium(pDevice)) return pDevice;
    }
    std::vector<_DiskVolumeData> rows;
    m_devices.GetAllDeviceInfo(rows);
    for (_DiskVolumeData const& disk : rows) {
        IStorageDevice* pDisk = m_devices.GetStorageByDiskVolumeIndex(disk.iDiskIndex, -1);
        if (SameDevice(disk, saved) && sameMedium(pDisk)) return pDisk;
        for (_DiskVolumeData const& volume : disk.children) {
            IStorageDevice* pVolume = m_devices.GetStorageByDiskVolumeIndex(volume.iDiskIndex, volume.iVolumeIndex);
            if (SameDevice(volume, saved) && sameMedium(pVolume)) return pVolume;
        }
    }
    return nullptr;
}

}  // namespace uimodel
