#include "uimodel/facade/QNUIController.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "engine/FileTypeLists.h"
#include "uimodel/FileTypeList.h"
#include "uimodel/devices/DeviceListNotify.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/FacadeJobs.h"
#include "uimodel/facade/ProgressText.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/PublicUtilities.h"
#include "uimodel/support/QNUIFilter.h"
#include "uimodel/support/Seams.h"
#include "uimodel/support/SpyEvents.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace uimodel {

namespace {

constexpr char kSavePathKey[] = "SavePath";
constexpr char kProgramFolder[] = "quorin";
constexpr char kResultsFolder[] = "SaveScan";
constexpr auto kCloseWait = std::chrono::seconds(5);

std::optional<QNUIController::Model>& InstalledModel() {
    static std::optional<QNUIController::Model> s_model;
    return s_model;
}

QNUIScan& Scan() { return *QNUIController::GetModel().pScan; }

void SetDeepScan(int iDeep) { Scan().SetDeepScan(iDeep); }

}  // namespace

FacadeJobs& GetFacadeJobs() {
    static FacadeJobs* s_pJobs = new FacadeJobs;
    return *s_pJobs;
}

void StartFacadeJob(QNUIOperation& operation, CJobSlot& poller, CJobSlot& worker, std::string const& postName,
                    std::function<void()> body) {
    std::shared_ptr<IMainThreadPoster> pPoster = GetSeams().pPoster;
    poller.Start([&operation, pPoster, postName] { PollOperation(operation, *pPoster, postName); });
    worker.Start(std::move(body));
}

void QNUIController::UseModel(Model const& model) { InstalledModel() = model; }

QNUIController::Model const& QNUIController::GetModel() {
    std::optional<Model>& model = InstalledModel();
    if (!model)
        model = Model{&QNUIScan::instance(),
                      &QNUIDeviceData::instance(),
                      &QNTypeMgr::share(),
                      &QNTimeMgr::share(),
                      &QNUIRecovery::instance(),
                      nullptr,
                      &QNSaveAndRestoreNodeOperate::instance(),
                      &SaveRestoreResult::instance()};
    return *model;
}

bool QNUIController::DoScanWithDiskIndex(int iDisk, int iVolume, std::string const& postName) {
    Model const& model = GetModel();
    QNUIScan& scan = *model.pScan;
    FacadeJobs& jobs = GetFacadeJobs();
    if (scan.GetStatus() == OPERATION_STOP_REQUESTED) {
        // The stopped run must return first: set running again, its Continued() would answer
        // true and it would run on under the new scan's poller.
        jobs.scanWorker.Join();
        jobs.scanPoller.Join();
        if (scan.GetStatus() == OPERATION_STOP_REQUESTED) scan.SetStatus(OPERATION_IDLE);
    }
    if (!scan.IsOperationExit()) return false;
    IStorageDevice* pDevice = model.pDevices->GetStorageByDiskVolumeIndex(iDisk, iVolume);
    if (!pDevice) return false;
    jobs.scanWorker.Join();
    jobs.scanPoller.Join();
    // On the main thread, which owns the trees, before the worker empties the collections.
    model.pTypes->clear();
    model.pTimes->clear();
    // The last scan's search goes with its results: the new one starts unfiltered.
    model.pTypes->setSearch(false);
    model.pTimes->setSearch(false);
    scan.SetSearching(0);
    scan.SetSearchKey("");
    HoldTreesUntilNewData();
    scan.SetStatus(OPERATION_RUNNING);
    spy::SpyIDStringTable1(4107, "disk" + std::to_string(iDisk) + "-" + std::to_string(iVolume));
    StartFacadeJob(scan, jobs.scanPoller, jobs.scanWorker, postName, [&scan, pDevice] {
        scan.DoScan(pDevice, nullptr);
        spy::SpyIDIncreateTable1(scan.IsDeepScan() ? 4099 : 4098);
    });
    return true;
}

bool QNUIController::DoScanWithData(DiskVolumeNodeData const* pItem, std::string const& postName) {
    if (!pItem) return false;
    SetDeepScan(0);
    return DoScanWithDiskIndex(pItem->diskIndex(), pItem->volumeIndex(), postName);
}

bool QNUIController::DoDeepScan(std::string const& postName) {
    Model const& model = GetModel();
    int iDisk = -1, iVolume = -1;
    IStorageDevice* pDevice = model.pScan->GetSavedStorage();
    if (!pDevice || !model.pDevices->GetDiskVolumeIndexByStorage(pDevice, iDisk, iVolume) || iDisk == -1) return false;
    if (!model.pScan->IsOperationExit() && model.pScan->GetStatus() != OPERATION_STOP_REQUESTED) return false;
    SetDeepScan(1);
    return DoScanWithDiskIndex(iDisk, iVolume, postName);
}

void QNUIController::PauseOrResumeScan() { Scan().PauseOrResumeOperation(); }

void QNUIController::StopScan(int iNoTree) { Scan().StopOperation(iNoTree); }

void QNUIController::ResetShouldBuild() { Scan().SetShouldBuildTree(1); }

bool QNUIController::IsScanRunning() {
    int const iStatus = Scan().GetStatus();
    return iStatus == OPERATION_RUNNING || iStatus == OPERATION_PAUSED || iStatus == OPERATION_STOP_REQUESTED;
}

bool QNUIController::IsPause() { return Scan().GetStatus() == OPERATION_PAUSED; }

bool QNUIController::IsDeepScan() { return Scan().IsDeepScan() != 0; }

std::string QNUIController::GetScannedDiskName() {
    IStorageDevice* pDevice = Scan().GetSavedStorage();
    if (!pDevice) return {};
    CCollectDiskDeviceInfoStruct const* pDisk = QNUIDeviceData::GetDiskInfo(pDevice);
    if (!pDisk) {
        CCollectedVolumeDeviceInfoStruct const* pVolume = QNUIDeviceData::GetVolumeInfo(pDevice);
        if (!pVolume || !pVolume->pParentDisk) return {};
        pDisk = QNUIDeviceData::GetDiskInfo(pVolume->pParentDisk);
    }
    if (!pDisk) return {};
    return std::string(pDisk->szBsdName, strnlen(pDisk->szBsdName, sizeof pDisk->szBsdName));
}

std::string QNUIController::GetScanProgress(double& dPercent, std::uint64_t& u64FileCount) {
    QNUIScan& scan = Scan();
    u64FileCount = scan.GetScanFileCnt();
    return RemainingTimeText(scan.GetProgressInfo(), scan.GetScanElapseTime(), dPercent);
}

void QNUIController::GetScanFileSize(std::uint64_t& u64Size, std::uint64_t& u64Count) {
    u64Size = Scan().GetScanFileSize();
    u64Count = Scan().GetScanFileCnt();
}

bool QNUIController::DidScanFail() { return Failed(Scan().GetProgressInfo().u64Error); }

bool QNUIController::WasScanStopped() { return Scan().WasStopRequested(); }

void QNUIController::SetViewType(int iViewType) { Scan().SetScanType(iViewType); }

void QNUIController::initFileType() {
    // The recovery filter fills its lookup once, when it is made, and the default model's scan
    // makes it: read the lists without making any of the model's singletons.
    std::optional<Model> const& installed = InstalledModel();
    std::map<int, std::string> lists;
    if (installed) {
        for (int const iBit : {1, 2, 4, 8, 16}) lists[iBit] = installed->pTypes->getTypeString(iBit);
    } else {
        lists = filetypes::ReadFileTypeList(filetypes::LocateFileTypeList());
    }
    lists.erase(FILTER_TYPE_OTHER);  // not a list of its own: everything no list names
    SetFileTypeLists(lists);
}

void QNUIController::SetRecoveryType(unsigned u32Mask) {
    QNUIFilter::instance().ResetFilter(u32Mask);
    spy::SpyIDStringTable1(4104, std::to_string(u32Mask));
}

bool QNUIController::DoSearchWithString(std::string const& text, std::string const& postName) {
    Model const& model = GetModel();
    QNUIScan& scan = *model.pScan;
    if (scan.IsSearching() || scan.GetStatus() == OPERATION_RUNNING) {
        std::fprintf(stderr, "++++++++++skip search key:%s++++++++\n", text.c_str());
        return false;
    }
    model.pTypes->setSearch(true);
    model.pTimes->setSearch(true);
    scan.SetSearching(1);
    scan.SetSearchKey(text.c_str());
    spy::SpyIDStringTable1(4125, text);
    std::shared_ptr<IMainThreadPoster> pPoster = GetSeams().pPoster;
    GetFacadeJobs().search.Start([&scan, pPoster, postName] {
        scan.DoSearch();
        pPoster->Post(postName);
        scan.SetNeedUIUpdate(0);
    });
    return true;
}

std::string QNUIController::GetSearchString() { return Scan().GetSearchKey().value_or(std::string()); }

void QNUIController::StopSearch() { Scan().SetSearching(0); }

bool QNUIController::ForgetSearch() {
    Model const& model = GetModel();
    QNUIScan& scan = *model.pScan;
    if (scan.GetStatus() == OPERATION_RUNNING) return false;
    // A pass still running rewrites the shown states.
    GetFacadeJobs().search.Join();
    scan.SetSearching(0);
    if (!scan.GetSearchKey()) return true;
    scan.SetSearchKey("");
    model.pTypes->setSearch(false);
    model.pTimes->setSearch(false);
    scan.DoSearch();  // without a key: every file shown
    return true;
}

void QNUIController::GetSearchResultToArr(FileNodeList& files) {
    if (!Scan().GetSearchKey()) return;
    for (auto const& [eType, nodes] : Scan().GetTypeMap())
        for (IFileNode* pNode : nodes)
            if (pNode->IsNodeShow()) files.push_back(pNode);
}

void QNUIController::RefreshData() { Scan().RefreshAllData(); }

void QNUIController::SavePathToPList(std::string const& folder) {
    GetSeams().pSettings->SetValue(kSavePathKey, folder);
}

std::optional<std::string> QNUIController::GetSavePath() { return GetSeams().pSettings->Value(kSavePathKey); }

std::string QNUIController::GetDefaultSavePath() {
    // The executable's folder is not writable once installed: results go to the user's data.
    std::filesystem::path base;
    if (char const* pszData = std::getenv("XDG_DATA_HOME"); pszData && *pszData == '/')
        base = pszData;
    else if (char const* pszHome = std::getenv("HOME"); pszHome && *pszHome)
        base = std::filesystem::path(pszHome) / ".local/share";
    else
        return {};
    std::filesystem::path const folder = base / kProgramFolder / kResultsFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error) ? folder.string() : std::string();
}

std::string QNUIController::GetSaveFileName() {
    Model const& model = GetModel();
    IStorageDevice* pDevice = model.pScan->GetSavedStorage();
    _DiskVolumeData row;
    if (pDevice && !model.pDevices->GetDiskDataByStorage(pDevice, row))
        model.pDevices->GetVolumeDataByStorage(pDevice, row);
    std::time_t const now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return SaveFileName(row.name, local);
}

void QNUIController::NotifiyDeviceInfoAfterInit(std::string const& postName) {
    FacadeJobs& jobs = GetFacadeJobs();
    // The enumerating thread posts through this poster: it is kept until that thread is joined.
    static std::shared_ptr<IMainThreadPoster> s_pPoster;
    if (jobs.deviceList && jobs.deviceList->joinable()) jobs.deviceList->join();
    s_pPoster = GetSeams().pPoster;
    jobs.deviceList = NotifyDeviceInfoAfterInit(*GetModel().pDevices, *s_pPoster, postName);
}

namespace {

/// What both refreshes do on the calling thread: false while a job runs.
bool ReleaseForRefresh() {
    QNUIController::Model const& model = QNUIController::GetModel();
    FacadeJobs& jobs = GetFacadeJobs();
    if (jobs.search.Running() || QNUIController::IsRecoveryRunning() || !model.pScan->IsOperationExit() ||
        (model.pSaver && !model.pSaver->IsOperationExit()) || jobs.filePoller.Running())
        return false;
    if (jobs.deviceList && jobs.deviceList->joinable()) jobs.deviceList->join();
    // The recovery's copy-out objects come from the scan's controller, which goes now.
    if (model.pRecovery) model.pRecovery->ReleaseDataRecovery();
    if (!uimodel::ReleaseDeviceList(*model.pScan, *model.pDevices)) return false;
    // The trees pointed at the nodes just let go of.
    model.pTypes->clear();
    model.pTimes->clear();
    return true;
}

}  // namespace

bool QNUIController::RefreshDeviceInfo() {
    if (!ReleaseForRefresh()) return false;
    GetModel().pDevices->InitDeviceInfo();
    return true;
}

std::optional<SavedDeviceAnswer> QNUIController::FindResultsFileDevice(std::string const& path,
                                                                       _DiskVolumeData& saved) {
    // Listed afresh: a device detached since the last listing must not be taken for the saved one.
    if (!GetModel().pResults || !RefreshDeviceInfo()) return std::nullopt;
    return GetModel().pResults->FindSavedDevice(path.c_str(), saved);
}

DiskImageAnswer QNUIController::AddDiskImage(std::string const& path, int& iDiskIndex) {
    QNUIDeviceData& devices = *GetModel().pDevices;
    iDiskIndex = devices.DiskIndexOfImage(path);
    if (iDiskIndex >= 0) return DiskImageAnswer::Listable;
    DiskImageAnswer const answer = CheckDiskImage(path);
    if (answer != DiskImageAnswer::Listable) return answer;
    if (!ReleaseForRefresh()) return DiskImageAnswer::Busy;
    devices.AddDiskImage(path);
    devices.InitDeviceInfo();
    iDiskIndex = devices.DiskIndexOfImage(path);
    return iDiskIndex >= 0 ? DiskImageAnswer::Listable : DiskImageAnswer::NoDisk;
}

bool QNUIController::RefreshDeviceInfoAsync(std::string const& postName) {
    if (!ReleaseForRefresh()) return false;
    // The thread posts through this poster: it is kept until that thread is joined.
    static std::shared_ptr<IMainThreadPoster> s_pPoster;
    s_pPoster = GetSeams().pPoster;
    QNUIDeviceData* pDevices = GetModel().pDevices;
    GetFacadeJobs().deviceList = std::thread([pDevices, postName] {
        pDevices->InitDeviceInfo();
        s_pPoster->Post(postName);
    });
    return true;
}

bool QNUIController::DidDeviceListFail(RESULT& reason) {
    QNUIDeviceData const& devices = *GetModel().pDevices;
    reason = devices.GetInitResult();
    return devices.GetInitState() == DEVICE_INIT_FAILED;
}

void QNUIController::GetDeviceInfoToArray(std::vector<std::unique_ptr<DiskVolumeNodeData>>& items) {
    std::vector<_DiskVolumeData> rows;
    GetModel().pDevices->GetAllDeviceInfo(rows);
    spy::SpyIDIncreateTable2(4105, static_cast<int>(rows.size()));
    for (_DiskVolumeData const& row : rows) {
        auto pDisk = std::make_unique<DiskVolumeNodeData>(row);
        std::vector<std::unique_ptr<DiskVolumeNodeData>> volumes;
        for (_DiskVolumeData const& volume : row.children)
            volumes.push_back(std::make_unique<DiskVolumeNodeData>(volume));
        pDisk->setSubNode(std::move(volumes));
        spy::SpyIDStringTable2(4106, pDisk->name() + " " + std::to_string(row.children.size()));
        items.push_back(std::move(pDisk));
    }
}

void QNUIController::UnselectedAllNodes() { Scan().UnselectAllNodes(); }

bool QNUIController::IsAppRunning() { return uimodel::IsAppRunning(); }

bool QNUIController::StopJobs(std::chrono::milliseconds timeout) {
    FacadeJobs& jobs = GetFacadeJobs();
    Model const& model = GetModel();
    for (QNUIOperation* pOperation :
         {static_cast<QNUIOperation*>(model.pScan), static_cast<QNUIOperation*>(model.pRecovery)}) {
        int const iStatus = pOperation ? pOperation->GetStatus() : OPERATION_IDLE;
        if (iStatus == OPERATION_PAUSED || iStatus == OPERATION_RUNNING) pOperation->StopOperation(1);
    }
    auto const deadline = std::chrono::steady_clock::now() + timeout;
    bool bEnded = true;
    for (CJobSlot* pSlot : jobs.Slots()) bEnded = pSlot->WaitUntil(deadline) && bEnded;
    if (!bEnded) return false;
    for (CJobSlot* pSlot : jobs.Slots()) pSlot->Join();
    if (model.pResults) model.pResults->Wait();  // its poller ended with it: only collecting is left
    if (jobs.deviceList && jobs.deviceList->joinable()) jobs.deviceList->join();
    return true;
}

void QNUIController::StopJobsBeforeExit(int iExitCode) {
    if (StopJobs(kCloseWait)) return;
    spy::SpyIDEnd();
    std::fflush(nullptr);
    // A worker still inside the engine uses the singletons that exit() would destroy.
    std::_Exit(iExitCode);
}

void QNUIController::CloseApp() {
    StopJobsBeforeExit(0);
    spy::SpyIDEnd();
    std::fflush(nullptr);
    std::exit(0);
}

}  // namespace uimodel
