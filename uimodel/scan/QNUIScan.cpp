#include "uimodel/scan/QNUIScan.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "engine/IStorageDevice.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/support/FileTime.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/QNUIFilter.h"

namespace uimodel {

namespace {

/// Nodes filed under one hold of the lock: the main thread's copies wait for no more than these.
constexpr unsigned kNodesPerLock = 64;

}  // namespace

QNUIScan::QNUIScan(QNUIDeviceData* pDevices, IRecoveryFilter* pFilter)
    : m_devices(pDevices ? *pDevices : QNUIDeviceData::instance()),
      m_pFilter(pFilter ? pFilter : QNUIFilter::instance().GetFilter()) {}

QNUIScan::~QNUIScan() { ReleaseScanResults(); }

QNUIScan& QNUIScan::instance() {
    static QNUIScan s_scan;
    return s_scan;
}

RESULT QNUIScan::DoScan(IStorageDevice* pDevice, IRestoreScanSink* pSink) {
    std::lock_guard const scanLock(m_scanLock);
    m_pRestoreSink = pSink;
    if (m_hooks.releaseCopyOut) m_hooks.releaseCopyOut();
    RESULT result = kResultNothingScanned;
    if (pDevice) {
        m_pSavedStorage = pDevice;
        SetNeedUIUpdate(0);
        int const iType = GetScanControllerType(pDevice);
        if (iType == kNoController) {
            m_iDeep = 0;
        } else if (!Continued()) {
            // Stopped before it began (the window stops a deep scan it has just asked for): the
            // last scan's results stay, and the trees emptied for this one are rebuilt from them.
            KeepLastResults();
            result = kResultRunNotStarted;
        } else {
            bool const bDeep = IsDeepScan() != 0;
            // The old nodes leave the collections the main thread copies before their owner goes.
            ClearData();
            ReleaseDataRecovery();
            ResetRecoveryController(iType);
            if (m_pFilter) {
                if (!bDeep && m_devices.IsDiskStorage(pDevice)) {
                    result = ScanDiskVolumes(pDevice);
                } else {
                    _SCAN_TYPE const eScan =
                        bDeep ? SCAN_TYPE_DEEP
                              : (IsStorageMounted(pDevice) ? SCAN_TYPE_QUICK_MOUNTED : SCAN_TYPE_QUICK_UNMOUNTED);
                    m_pFilter->SetScanType(eScan);
                    result = DoVolumeStorageScan(pDevice);
                }
            }
        }
    }
    if (m_hooks.resetParameters) m_hooks.resetParameters();
    m_pRestoreSink = nullptr;
    {
        std::lock_guard const lock(m_mutex);
        m_pPendingSink.reset();
    }
    FinishJob();
    return result;
}

RESULT QNUIScan::DoRestoreScan(IStorageDevice* pDevice, std::shared_ptr<IRestoreScanSink> pSink) {
    IRestoreScanSink* pRaw = pSink.get();
    {
        std::lock_guard const lock(m_mutex);
        m_pPendingSink = std::move(pSink);
        m_bHoldRunning = true;
    }
    return DoScan(pDevice, pRaw);
}

void QNUIScan::EndRestore() {
    std::lock_guard const lock(m_mutex);
    m_bHoldRunning = false;
    m_iRemainingVolumes = 0;
    SetStatusLocked(OPERATION_IDLE);
    SetNeedUIUpdate(1);
}

RESULT QNUIScan::ScanDiskVolumes(IStorageDevice* pDisk) {
    std::vector<IStorageDevice*> volumes;
    m_devices.GetDiskVolumeStorage(pDisk, volumes);
    RESULT result = kResultNothingScanned;
    {
        std::lock_guard const lock(m_mutex);
        m_iRemainingVolumes = static_cast<int>(volumes.size());
    }
    for (IStorageDevice* pVolume : volumes) {
        {
            std::lock_guard const lock(m_mutex);
            if (m_iRemainingVolumes < 1) break;
            --m_iRemainingVolumes;
        }
        if (!QNUIDeviceData::IsVolumeStorageSupported(pVolume)) continue;
        m_pFilter->SetScanType(IsStorageMounted(pVolume) ? SCAN_TYPE_QUICK_MOUNTED : SCAN_TYPE_QUICK_UNMOUNTED);
        result = DoVolumeStorageScan(pVolume);
        if (Failed(result) && GetStatus() == OPERATION_STOP_REQUESTED) break;
    }
    return result;
}

void QNUIScan::FinishJob() {
    std::lock_guard const lock(m_mutex);
    m_iRemainingVolumes = 0;
    if (!m_bHoldRunning) SetStatusLocked(OPERATION_IDLE);
    SetNeedUIUpdate(1);
}

RESULT QNUIScan::DoVolumeStorageScan(IStorageDevice* pDevice) {
    if (!pDevice || !m_pController || !Continued()) return kResultRunNotStarted;
    SetStatus(OPERATION_RUNNING);
    m_pController->Initialize(m_pFilter);
    m_startTime = std::time(nullptr);
    return m_pController->StartDataRecovery(pDevice, this, this);
}

void QNUIScan::ReleaseScanResults() {
    ClearData();
    ReleaseDataRecovery();
    std::lock_guard const lock(m_mutex);
    if (m_pController) m_pController->Release();
    m_pController = nullptr;
    m_pHeldSink.reset();
}

int QNUIScan::GetScanControllerType(IStorageDevice* pDevice) {
    if (!pDevice) return kNoController;
    if (!IsDeepScan()) return RECOVERY_CONTROLLER_DELETED;
    return m_devices.IsDiskStorage(pDevice) ? RECOVERY_CONTROLLER_COMPLETE_DISK : RECOVERY_CONTROLLER_COMPLETE_VOLUME;
}

void QNUIScan::SetDeepScan(int iDeep) {
    std::lock_guard const lock(m_mutex);
    m_iDeep = iDeep;
}

int QNUIScan::IsDeepScan() {
    std::lock_guard const lock(m_mutex);
    // A volume whose file system nothing recognises has only its blocks to offer.
    if (!m_iDeep && m_pSavedStorage && !m_devices.IsDiskStorage(m_pSavedStorage))
        m_iDeep = IsStorageVolumeUnknow(m_pSavedStorage) ? 1 : 0;
    return m_iDeep;
}

bool QNUIScan::IsStorageVolumeUnknow(IStorageDevice* pDevice) {
    CCollectedVolumeDeviceInfoStruct const* pInfo = QNUIDeviceData::GetVolumeInfo(pDevice);
    return pInfo && pInfo->u32FileSystemType == FILE_SYSTEM_UNRECOGNISED;
}

bool QNUIScan::IsStorageMounted(IStorageDevice* pDevice) {
    if (!pDevice) return false;
    if (QNUIDeviceData::GetDiskInfo(pDevice)) return true;
    CCollectedVolumeDeviceInfoStruct const* pInfo = QNUIDeviceData::GetVolumeInfo(pDevice);
    return pInfo && pInfo->u32Mounted != 0;
}

IRecoveryController* QNUIScan::GetRecoveryController() const {
    std::lock_guard const lock(m_mutex);
    return m_pController;
}

void QNUIScan::ResetRecoveryController(int iType) {
    std::lock_guard const lock(m_mutex);
    if (m_pController) m_pController->Release();
    // The old controller is gone: its sink may go, and the new one's is kept from now on.
    m_pHeldSink = std::move(m_pPendingSink);
    m_pController = CreateRecoveryController(static_cast<_RECOVERY_CONTROLLER_TYPE>(iType));
    if (m_pController && m_pRestoreSink) m_pController->SetRestoreScanSink(m_pRestoreSink);
}

void QNUIScan::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (!pInfo) return;
    std::lock_guard const lock(m_mutex);
    SetProgressInfo(*pInfo);
    if (pInfo->u32State == PROGRESS_STATE_FINISHED && !m_bHoldRunning) {
        // A whole-disk quick scan stays running while volumes remain.
        if (m_iRemainingVolumes <= 0 || GetStatus() == OPERATION_STOP_REQUESTED) {
            m_iRemainingVolumes = 0;
            SetStatusLocked(OPERATION_IDLE);
        }
    }
    m_endTime = std::time(nullptr);
    SetNeedUIUpdate(1);
}

void QNUIScan::ShowNodes(IFileNode** ppNodes, unsigned int u32Count, int) {
    if (!ppNodes || u32Count == 0) return;
    for (unsigned first = 0; first < u32Count; first += kNodesPerLock) {
        unsigned const end = std::min(u32Count, first + kNodesPerLock);
        std::lock_guard const lock(m_mutex);  // per few nodes: the main thread's copies never wait for a batch
        for (unsigned i = first; i < end; ++i)
            if (ppNodes[i]) FileNode(ppNodes[i]);
    }
    SetNeedUIUpdate(1);
}

void QNUIScan::FileByDate(DateMap& map, LastList& last, MonthRecency& recency, _FILETIME ft, IFileNode* pNode) {
    std::optional<YearMonth> const date = LocalYearMonth(ft);
    if (!date) return;
    int const iKey = date->iYear * 100 + date->iMonth;
    if (!last.pList || last.iKey != iKey) last = {iKey, &map[date->iYear][date->iMonth]};
    last.pList->push_back(pNode);
    recency.Touch(iKey);
}

void QNUIScan::FileNode(IFileNode* pNode) {
    if (pNode->IsDirectory()) {
        m_pendingFolders.push_back(pNode);
        m_folders.push_back(pNode);
        m_insertionMarks[pNode] = 0;
        return;
    }
    FileByDate(m_createTimes, m_lastCreateMonth, m_createRecency, pNode->GetCreationTime(), pNode);
    FileByDate(m_modifyTimes, m_lastModifyMonth, m_modifyRecency, pNode->GetModificationTime(), pNode);
    if (m_pFilter) {
        _FILTER_TYPE const eType = m_pFilter->GetNodeFileType(pNode);
        if (!m_lastType.pList || m_lastType.iKey != static_cast<int>(eType))
            m_lastType = {static_cast<int>(eType), &m_types[eType]};
        m_lastType.pList->push_back(pNode);
        m_newFiles.push_back(pNode);
    }
    long long const s64Size = pNode->GetFileSize();
    // Only the scan's thread writes the totals (others read them): a plain store spares the
    // locked add a million files would make.
    std::uint64_t const u64Size = s64Size > 0 ? static_cast<std::uint64_t>(s64Size) : 0;
    m_u64TotalSize.store(m_u64TotalSize.load(std::memory_order_relaxed) + u64Size, std::memory_order_relaxed);
    m_u64FileCount.store(m_u64FileCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void QNUIScan::ShowFilesystemNode(IFilesystemNode* pRoot) {
    if (!pRoot || !pRoot->IsDirectory()) return;
    {
        std::lock_guard const lock(m_mutex);
        if (m_pController && m_pController->thisType() == RECOVERY_CONTROLLER_DELETED) {
            for (auto* pMap : {&m_dataRecoveries, &m_previewRecoveries}) {
                IDataRecovery*& pSlot = (*pMap)[pRoot];
                if (pSlot) pSlot->Release();
                pSlot = m_pController->GetDataRecovery(GetNodeSearcheType(pRoot));
            }
        }
        m_roots.push_back(pRoot);
    }
    SetNeedUIUpdate(1);
}

bool QNUIScan::IsOpTreeFinished() {
    std::lock_guard const lock(m_mutex);
    return m_iTreeFinished != 0;
}

void QNUIScan::SetOpTreeFinished(int iFinished) {
    std::lock_guard const lock(m_mutex);
    m_iTreeFinished = iFinished;
}

void QNUIScan::KeepLastResults() {
    std::lock_guard const lock(m_mutex);
    ++m_u64DataGeneration;
}

void QNUIScan::ClearData() {
    std::time_t const now = std::time(nullptr);
    m_startTime = now;
    m_endTime = now;
    m_u64FileCount = 0;
    m_u64TotalSize = 0;
    std::lock_guard const lock(m_mutex);
    m_iRemainingVolumes = 0;
    m_u64SelectedSize = 0;
    m_u64SelectedCount = 0;
    m_iRecoveryCount = 0;
    m_roots.clear();
    m_folders.clear();
    m_pendingFolders.clear();
    m_insertionMarks.clear();
    m_types.clear();
    m_newFiles.clear();
    m_createTimes.clear();
    m_modifyTimes.clear();
    m_accessTimes.clear();
    for (MonthRecency* pRecency : {&m_createRecency, &m_modifyRecency, &m_accessRecency}) pRecency->clear();
    m_lastCreateMonth = {};
    m_lastModifyMonth = {};
    m_lastType = {};
    ++m_u64DataGeneration;
}

DateMap QNUIScan::GetCreateTimeMap() const {
    std::lock_guard const lock(m_mutex);
    return m_createTimes;
}

DateMap QNUIScan::GetModifyTimeMap() const {
    std::lock_guard const lock(m_mutex);
    return m_modifyTimes;
}

DateMap QNUIScan::GetAccessTimeMap() const {
    std::lock_guard const lock(m_mutex);
    return m_accessTimes;
}

TypeMap QNUIScan::GetTypeMap() const {
    std::lock_guard const lock(m_mutex);
    return m_types;
}

NodeList QNUIScan::GetFileSystemNode() const {
    std::lock_guard const lock(m_mutex);
    return m_roots;
}

NodeList QNUIScan::GetFolderList() const {
    std::lock_guard const lock(m_mutex);
    return m_folders;
}

NodeList QNUIScan::GetTypeNode() {
    std::lock_guard const lock(m_mutex);
    NodeList taken;
    taken.swap(m_newFiles);
    return taken;
}

NodeList QNUIScan::GetFolderListFrom(std::size_t from) const {
    std::lock_guard const lock(m_mutex);
    if (from >= m_folders.size()) return {};
    return NodeList(m_folders.begin() + static_cast<std::ptrdiff_t>(from), m_folders.end());
}

TypeMap QNUIScan::GetTypeMapFrom(std::map<_FILTER_TYPE, std::size_t> const& resume) const {
    std::lock_guard const lock(m_mutex);
    TypeMap tails;
    for (auto const& [eType, files] : m_types) {
        auto const found = resume.find(eType);
        std::size_t const from = found == resume.end() ? 0 : found->second;
        if (from < files.size()) tails[eType].assign(files.begin() + static_cast<std::ptrdiff_t>(from), files.end());
    }
    return tails;
}

DateMap const* QNUIScan::DateMapOfKind(int iKind) const {
    switch (iKind) {
        case 2:
            return &m_createTimes;
        case 3:
            return &m_modifyTimes;
        case 4:
            return &m_accessTimes;
        default:
            return nullptr;
    }
}

MonthRecency const* QNUIScan::RecencyOfKind(int iKind) const {
    switch (iKind) {
        case 2:
            return &m_createRecency;
        case 3:
            return &m_modifyRecency;
        case 4:
            return &m_accessRecency;
        default:
            return nullptr;
    }
}

DateMap QNUIScan::TakeDatesAfter(int iKind, DateCursor& cursor) const {
    std::lock_guard const lock(m_mutex);
    DateMap tails;
    DateMap const* pMap = DateMapOfKind(iKind);
    MonthRecency const* pRecency = RecencyOfKind(iKind);
    if (!pMap || !pRecency) return tails;
    // Only the months that grew since the last read are looked up, so a refresh costs what
    // arrived, however many months the scan has filled.
    auto const take = [&](int iKey) {
        auto const year = pMap->find(iKey / 100);
        if (year == pMap->end()) return;
        auto const month = year->second.find(iKey % 100);
        if (month == year->second.end()) return;
        NodeList const& files = month->second;
        std::size_t& from = cursor.resume[iKey];
        if (from >= files.size()) return;
        tails[iKey / 100][iKey % 100].assign(files.begin() + static_cast<std::ptrdiff_t>(from), files.end());
        from = files.size();
    };
    pRecency->Since(cursor.u64Stamp, take);
    for (int const iKey : cursor.revisit) take(iKey);
    cursor.revisit.clear();
    cursor.u64Stamp = pRecency->Now();
    return tails;
}

std::uint64_t QNUIScan::GetDataGeneration() const {
    std::lock_guard const lock(m_mutex);
    return m_u64DataGeneration;
}

bool QNUIScan::FindRemoveData(IFileNode* pNode) {
    if (!pNode) return false;
    if (pNode->IsDirectory()) return true;
    std::lock_guard const lock(m_mutex);
    return m_insertionMarks.erase(pNode) != 0;
}

namespace {

IDataRecovery* FindByRoot(std::map<IFilesystemNode*, IDataRecovery*> const& map, IFileNode* pNode) {
    auto const found = map.find(GetFileSystemNode(pNode));
    return found == map.end() ? nullptr : found->second;
}

}  // namespace

IDataRecovery* QNUIScan::GetFileNodeDataRecover(IFileNode* pNode) const {
    std::lock_guard const lock(m_mutex);
    return FindByRoot(m_dataRecoveries, pNode);
}

IDataRecovery* QNUIScan::GetFileNodePreviewRecover(IFileNode* pNode) const {
    std::lock_guard const lock(m_mutex);
    return FindByRoot(m_previewRecoveries, pNode);
}

void QNUIScan::ReleaseDataRecovery() {
    OnReleasingResults();
    std::lock_guard const lock(m_mutex);
    for (auto* pMap : {&m_dataRecoveries, &m_previewRecoveries}) {
        for (auto const& [pRoot, pRecovery] : *pMap)
            if (pRecovery) pRecovery->Release();
        pMap->clear();
    }
}

void QNUIScan::UnselectAllNodes() {
    for (IFileNode* pRoot : GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_UNCHECKED);
}

void QNUIScan::SetSearchKey(char const* pszKey) {
    if (!pszKey) return;
    std::lock_guard const lock(m_mutex);
    if (*pszKey)
        m_searchKey = pszKey;
    else
        m_searchKey.reset();
}

std::optional<std::string> QNUIScan::GetSearchKey() const {
    std::lock_guard const lock(m_mutex);
    return m_searchKey;
}

void QNUIScan::SetSearching(int iSearching) {
    std::lock_guard const lock(m_mutex);
    m_iSearching = iSearching;
}

int QNUIScan::IsSearching() const {
    std::lock_guard const lock(m_mutex);
    return m_iSearching;
}

void QNUIScan::RefreshAllData() {
    std::lock_guard const lock(m_mutex);
    if (m_iViewType != 0) return;
    m_pendingFolders = m_folders;
    for (IFileNode* pFolder : m_pendingFolders) m_insertionMarks[pFolder] = 0;
}

void QNUIScan::DoSearch() {
    RefreshAllData();
    std::optional<std::string> const key = GetSearchKey();
    char const* pszKey = key ? key->c_str() : nullptr;
    for (auto const& [eType, files] : GetTypeMap())
        for (IFileNode* pFile : files) pFile->ShowNode(IsStringInFileNode(pszKey, pFile) ? 1 : 0);
    ++m_u64ShowGeneration;
    SetNeedUIUpdate(1);
}

bool ReleaseDeviceList(QNUIScan& scan, QNUIDeviceData& devices) {
    if (scan.GetStatus() != OPERATION_IDLE) return false;
    scan.ReleaseScanResults();
    scan.SaveScanSorage(nullptr);
    devices.Clear();
    return true;
}

bool RefreshDeviceInfo(QNUIScan& scan, QNUIDeviceData& devices) {
    if (!ReleaseDeviceList(scan, devices)) return false;
    devices.InitDeviceInfo();
    return true;
}

}  // namespace uimodel
