#include "uimodel/recovery/QNUIRecovery.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include "engine/CatchExeception.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDeviceData.h"
#include "engine/ReleasePtr.h"
#include "platform/DestinationFolder.h"
#include "platform/DestinationNames.h"
#include "platform/SameDevice.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/recovery/RecoveryDestination.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/SafeNames.h"

namespace uimodel {

namespace {

constexpr _tagSearcherType kSearcherTypes[] = {SEARCHER_TYPE_HFSPLUS, SEARCHER_TYPE_FAT, SEARCHER_TYPE_EXFAT,
                                               SEARCHER_TYPE_RAW, SEARCHER_TYPE_NTFS};

/// The node or image file the scanned device is read from: a disk's own, a volume's disk's
/// (so that every volume of the disk counts), else the volume's own; empty when unknown.
std::string ScannedDevicePath(IStorageDevice* pDevice) {
    auto const text = [](char const(&field)[4096]) { return std::string(field, strnlen(field, sizeof field)); };
    if (CCollectDiskDeviceInfoStruct const* pDisk = QNUIDeviceData::GetDiskInfo(pDevice))
        return text(pDisk->szDevicePath);
    CCollectedVolumeDeviceInfoStruct const* pVolume = QNUIDeviceData::GetVolumeInfo(pDevice);
    if (!pVolume) return {};
    if (CCollectDiskDeviceInfoStruct const* pDisk = QNUIDeviceData::GetDiskInfo(pVolume->pParentDisk))
        return text(pDisk->szDevicePath);
    return text(pVolume->szDevicePath);
}

/// The deepest folder of `path` that exists (links resolved); the destination may not exist yet.
std::filesystem::path ExistingFolderOf(std::filesystem::path const& path) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    while (!folder.empty() && !std::filesystem::exists(folder, error)) {
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return folder;
}

bool IsFullDestination(RESULT result) { return ResultCode(result) == kCodeShortWrite; }

/// What a copy writes of a file recorded at `s64Recorded` bytes when its data holds `s64Writable`.
std::uint64_t ClampedWritable(long long s64Writable, long long s64Recorded) {
    long long const s64Written = std::min(s64Writable, s64Recorded);
    return s64Written > 0 ? static_cast<std::uint64_t>(s64Written) : 0;
}

void RemoveClaim(std::string const& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

}  // namespace

QNUIRecovery::QNUIRecovery(QNUIScan& scan) : m_scan(scan) {
    m_scan.SetRecoveryHooks({[this] { ReleaseDataRecovery(); }, [this] { ResetParam(); }});
    ResetParam();
}

QNUIRecovery::~QNUIRecovery() {
    m_scan.SetRecoveryHooks({});
    ReleaseDataRecovery();
}

QNUIRecovery& QNUIRecovery::instance() {
    static QNUIRecovery s_recovery(QNUIScan::instance());
    return s_recovery;
}

void QNUIRecovery::ResetParam() {
    {
        std::lock_guard const lock(m_mutex);
        m_pController = nullptr;
        m_pCurrentNode = nullptr;
    }
    InitDataRecoveryController();
    std::lock_guard const lock(m_mutex);
    if (GetStatus() != OPERATION_RUNNING) {
        m_u64RecoveredSize = 0;
        m_u64TotalSize = 0;
    }
    m_u64TotalFiles = 0;
    SetNeedUIUpdate(0);
    SetProgressInfo(_PROGRESS_INFO{});
}

std::optional<std::size_t> QNUIRecovery::RunningScanRoots() const {
    int const iStatus = m_scan.GetStatus();
    if (iStatus != OPERATION_RUNNING && iStatus != OPERATION_PAUSED) return std::nullopt;
    return m_scan.GetFileSystemNode().size();
}

void QNUIRecovery::InitDataRecoveryController() {
    // The scan's mutex is never taken inside this one: a copy-out object holds its own lock
    // while it reports progress here, and the scan holds its mutex while it releases them. For
    // the same reason the old copy-out objects are released outside this one's lock: each takes
    // its own lock as it goes.
    IRecoveryController* pScanController = m_scan.GetRecoveryController();
    bool const bDeep = m_scan.IsDeepScan() != 0;
    std::optional<std::size_t> const roots = RunningScanRoots();
    // Each object holds a 4 MiB buffer: the old one goes before its successor comes.
    ReleaseCopyOut(TakeCopyOut());
    std::lock_guard const lock(m_mutex);
    if (!m_pController) m_pController = pScanController;
    if (m_pController) {
        for (_tagSearcherType const eType : kSearcherTypes)
            if (IDataRecovery* pCopyOut = m_pController->GetDataRecovery(eType)) m_copyOut[eType] = pCopyOut;
        m_copyOutMadeAtRoots = roots;
    }
    if (bDeep) m_bDeep = true;
}

void QNUIRecovery::ReleaseDataRecovery() {
    m_outlooks.Forget();
    ReleaseCopyOut(TakeCopyOut());
    std::lock_guard const lock(m_mutex);
    for (auto const& [eType, pPreview] : m_previews) pPreview->Release();
    m_previews.clear();
    for (IDataRecovery* pPreview : m_outgrownPreviews) pPreview->Release();
    m_outgrownPreviews.clear();
    m_previewsMadeAtRoots.reset();
    m_pController = nullptr;
    m_bDeep = false;
    m_filesToRecover.reset();
}

std::vector<IDataRecovery*> QNUIRecovery::TakeCopyOut() {
    std::lock_guard const lock(m_mutex);
    std::vector<IDataRecovery*> outgoing;
    for (auto const& [eType, pCopyOut] : m_copyOut) outgoing.push_back(pCopyOut);
    m_copyOut.clear();
    m_copyOutMadeAtRoots.reset();
    return outgoing;
}

void QNUIRecovery::ReleaseCopyOut(std::vector<IDataRecovery*> const& outgoing) {
    for (IDataRecovery* pCopyOut : outgoing) pCopyOut->Release();
}

bool QNUIRecovery::CheckWhetherNeedReset() const {
    std::lock_guard const lock(m_mutex);
    return m_copyOut.empty();
}

IDataRecovery* QNUIRecovery::GetDataRecoveryByType(_tagSearcherType eType) const {
    std::lock_guard const lock(m_mutex);
    auto const found = m_copyOut.find(eType);
    return found == m_copyOut.end() ? nullptr : found->second;
}

IDataRecovery* QNUIRecovery::GetPreviewRecoveryByType(_tagSearcherType eType) {
    IRecoveryController* pScanController = m_scan.GetRecoveryController();
    std::optional<std::size_t> const roots = RunningScanRoots();
    std::lock_guard const lock(m_mutex);
    if (Outgrown(m_previewsMadeAtRoots, roots)) {
        for (auto const& [eKnown, pPreview] : m_previews) m_outgrownPreviews.push_back(pPreview);
        m_previews.clear();
    }
    if (m_previews.empty()) m_previewsMadeAtRoots = roots;
    auto const found = m_previews.find(eType);
    if (found != m_previews.end()) return found->second;
    IRecoveryController* pController = m_pController ? m_pController : pScanController;
    IDataRecovery* pPreview = pController ? pController->GetDataRecovery(eType) : nullptr;
    if (pPreview) m_previews[eType] = pPreview;
    return pPreview;
}

IDataRecovery* QNUIRecovery::PreviewCopyOutFor(IFileNode* pNode) {
    IRecoveryController* pController = m_scan.GetRecoveryController();
    if (!pController) return nullptr;
    if (pController->thisType() == RECOVERY_CONTROLLER_DELETED) return m_scan.GetFileNodePreviewRecover(pNode);
    return GetPreviewRecoveryByType(GetNodeSearcheType(pNode));
}

IDataRecovery::Refusal QNUIRecovery::Outlook(IFileNode* pNode) {
    if (!pNode) return {};
    // A folder is judged by the files below it, which a running scan is still hanging there.
    if (pNode->IsDirectory() && m_scan.GetStatus() == OPERATION_RUNNING) return {};
    return m_outlooks.Of(
        pNode, [this, pNode] { return PreviewCopyOutFor(pNode); }, RunningScanRoots());
}

void QNUIRecovery::SetRecoveryPath(char const* pszPath) {
    std::lock_guard const lock(m_mutex);
    m_recoveryPath = pszPath ? pszPath : "";
}

std::string QNUIRecovery::GetRecoveryPath() const {
    std::lock_guard const lock(m_mutex);
    return m_recoveryPath;
}

void QNUIRecovery::SetRecoveryTotalSize(std::uint64_t u64Size) {
    std::lock_guard const lock(m_mutex);
    m_u64TotalSize = u64Size;
}

std::uint64_t QNUIRecovery::GetRecoveryTotalSize() const {
    std::lock_guard const lock(m_mutex);
    return m_u64TotalSize;
}

void QNUIRecovery::SetRecoveryTotalFilesCnt(std::uint64_t u64Count) {
    std::lock_guard const lock(m_mutex);
    m_u64TotalFiles = u64Count;
}

std::uint64_t QNUIRecovery::GetRecoveryTotalFilesCnt() const {
    std::lock_guard const lock(m_mutex);
    return m_u64TotalFiles;
}

std::uint64_t QNUIRecovery::GetRecoveriedFileSize() const {
    std::lock_guard const lock(m_mutex);
    return m_u64RecoveredSize;
}

std::uint64_t QNUIRecovery::GetRecoveriedFilesCnt() const {
    std::lock_guard const lock(m_mutex);
    return m_u64RecoveredFiles;
}

std::uint64_t QNUIRecovery::GetFailedFilesCnt() const {
    std::lock_guard const lock(m_mutex);
    return m_u64FailedFiles;
}

std::uint64_t QNUIRecovery::GetNotedFilesCnt() const {
    std::lock_guard const lock(m_mutex);
    return m_u64NotedFiles;
}

std::vector<QNUIRecovery::RecoveryNote> QNUIRecovery::GetNotes() const {
    std::lock_guard const lock(m_mutex);
    return m_notes;
}

void QNUIRecovery::SetWaitsForRoom(bool bWaits) {
    std::lock_guard const lock(m_mutex);
    m_bWaitsForRoom = bWaits;
}

bool QNUIRecovery::WaitsForRoom() const {
    std::lock_guard const lock(m_mutex);
    return m_bWaitsForRoom;
}

std::uint64_t QNUIRecovery::GetDestinationFullCnt() const {
    std::lock_guard const lock(m_mutex);
    return m_u64DestinationFull;
}

IFileNode* QNUIRecovery::GetCurrentRecoveryNode() const {
    std::lock_guard const lock(m_mutex);
    return m_pCurrentNode;
}

void QNUIRecovery::SetCreateDirIndex(_tagSearcherType eType, int iIndex) {
    std::lock_guard const lock(m_mutex);
    m_folderIndexes[eType] = iIndex;
}

int QNUIRecovery::GetCreateDirIndex(_tagSearcherType eType) const {
    std::lock_guard const lock(m_mutex);
    auto const found = m_folderIndexes.find(eType);
    return found == m_folderIndexes.end() ? 0 : found->second;
}

void QNUIRecovery::ClearCreateDirIndex() {
    LetGoOfHeldFolder();
    std::lock_guard const lock(m_mutex);
    m_folderIndexes.clear();
    m_nextClashCounters.clear();
    m_windowsNames.clear();
}

void QNUIRecovery::SetFileReport(FileReport report) {
    std::lock_guard const lock(m_mutex);
    m_report = std::move(report);
}

std::vector<IFileNode*> QNUIRecovery::CheckedFiles() const {
    std::vector<IFileNode*> files;
    for (auto const& [eCategory, nodes] : m_scan.GetTypeMap())
        for (IFileNode* pNode : nodes)
            if (pNode->IsNodeShow() && pNode->GetCheckedStatus() == CHECKED_STATUS_CHECKED) files.push_back(pNode);
    return files;
}

void QNUIRecovery::SetFilesToRecover(std::vector<IFileNode*> files) {
    std::lock_guard const lock(m_mutex);
    m_filesToRecover = std::move(files);
}

bool QNUIRecovery::HasFilesToRecover() const {
    std::lock_guard const lock(m_mutex);
    return m_filesToRecover.has_value();
}

RESULT QNUIRecovery::DoRecovery(std::string& rawFolders) {
    std::optional<std::vector<IFileNode*>> handed;
    bool const bScanDeep = m_scan.IsDeepScan() != 0;
    std::optional<std::size_t> const roots = RunningScanRoots();
    bool bRenew = false;
    {
        std::lock_guard const lock(m_mutex);
        m_u64RecoveredSize = 0;
        m_u64RecoveredFiles = 0;
        m_u64FailedFiles = 0;
        m_u64NotedFiles = 0;
        m_notes.clear();
        m_reasons.clear();
        m_u64DestinationFull = 0;
        m_pCurrentNode = nullptr;
        handed.swap(m_filesToRecover);
        // A scan that ended without handing over its copy-out objects, or a quick scan's
        // objects kept for a deep one: take them afresh.
        // Objects made while a deep scan ran are taken afresh once it found more.
        bRenew =
            !m_pController || m_copyOut.empty() || (bScanDeep && !m_bDeep) || Outgrown(m_copyOutMadeAtRoots, roots);
        if (bRenew) m_pController = nullptr;
    }
    if (bRenew) InitDataRecoveryController();
    m_scan.SetCurrentScanRecoveryCnt(m_scan.GetCurrentScanRecoveryCnt() + 1);
    rawFolders.clear();

    RESULT firstFailure = kResultSuccess;
    std::string const destination = GetRecoveryPath();
    if (destination.empty()) {
        firstFailure = kResultNoDestination;
    } else if (RESULT const prepared = PrepareDestination(destination); Failed(prepared)) {
        firstFailure = prepared;
    } else {
        std::vector<IFileNode*> const files = handed ? std::move(*handed) : CheckedFiles();
        for (IFileNode* pNode : files) {
            if (!Continued()) break;
            IDataRecovery* pCopyOut = CopyOutFor(pNode, rawFolders);
            RESULT result = kResultNoCopyOut;
            if (pCopyOut)
                result = RecoverNode(pNode, pCopyOut, destination);
            else
                FinishFile(pNode, {}, result);
            if (Failed(result) && Succeeded(firstFailure)) firstFailure = result;
            // The user makes room and goes on with the next file, or stops; nobody waits to make
            // room: the files after this one would not fit either.
            if (IsFullDestination(result) && !PauseForRoom()) break;
        }
    }
    LetGoOfHeldFolder();
    std::lock_guard const lock(m_mutex);
    SetNeedUIUpdate(1);
    SetStatusLocked(OPERATION_IDLE);
    std::fprintf(stderr, "========Recovery finished!==========\n");
    return firstFailure;
}

IDataRecovery* QNUIRecovery::CopyOutFor(IFileNode* pNode, std::string& rawFolders) {
    IRecoveryController* pController = nullptr;
    {
        std::lock_guard const lock(m_mutex);
        pController = m_pController;
    }
    if (!pController) return nullptr;
    if (pController->thisType() == RECOVERY_CONTROLLER_DELETED) return m_scan.GetFileNodeDataRecover(pNode);
    _tagSearcherType const eType = GetNodeSearcheType(pNode);
    if (eType == SEARCHER_TYPE_RAW) {
        IFileNode* pFolder = pNode->GetParent();
        char const* pszName = pFolder ? pFolder->GetFileName() : nullptr;
        std::string const entry = std::string(pszName ? pszName : "") + ",";
        if (rawFolders.find(entry) == std::string::npos) rawFolders += entry;
    }
    return GetDataRecoveryByType(eType);
}

bool QNUIRecovery::WritesWindowsNames(std::filesystem::path const& destination) {
    std::string const key = destination.string();
    {
        std::lock_guard const lock(m_mutex);
        if (auto const known = m_windowsNames.find(key); known != m_windowsNames.end()) return known->second;
    }
    bool const bWindows = platform::RefusesWindowsReservedNames(ExistingFolderOf(destination).string());
    std::lock_guard const lock(m_mutex);
    m_windowsNames[key] = bWindows;
    return bWindows;
}

std::uint64_t QNUIRecovery::BytesToWrite(IFileNode* pNode) {
    long long const s64Recorded = pNode ? pNode->GetFileSize() : 0;
    if (s64Recorded <= 0) return 0;
    std::string rawFolders;
    IDataRecovery* pCopyOut = CopyOutFor(pNode, rawFolders);
    if (!pCopyOut) return static_cast<std::uint64_t>(s64Recorded);
    return ClampedWritable(pCopyOut->GetWritableSize(pNode), s64Recorded);
}

void QNUIRecovery::SettleTotal(IFileNode* pNode, IDataRecovery* pCopyOut, IFileReader const* pReader) {
    long long const s64Recorded = pNode->GetFileSize();
    std::uint64_t const u64Planned = ClampedWritable(pCopyOut->GetWritableSize(pNode), s64Recorded);
    std::uint64_t const u64Exact = pReader ? ClampedWritable(pReader->GetWritableSize(), s64Recorded) : 0;
    if (u64Planned == u64Exact) return;
    // The plan counted a resident or compressed file by its recorded size: the total follows
    // what is written, so that the progress ends at 100 %.
    std::lock_guard const lock(m_mutex);
    m_u64TotalSize = u64Exact > u64Planned ? m_u64TotalSize + (u64Exact - u64Planned)
                                           : m_u64TotalSize - std::min(m_u64TotalSize, u64Planned - u64Exact);
}

RESULT QNUIRecovery::RecoverNode(IFileNode* pNode, IDataRecovery* pCopyOut, std::filesystem::path const& destination) {
    std::optional<ClaimedFile> const claimed = ClaimFileFor(pNode, destination);
    std::optional<std::string> const path = claimed ? std::optional<std::string>(claimed->path) : std::nullopt;
    if (!path) {
        FinishFile(pNode, {}, kResultNoDestinationPath);
        return kResultNoDestinationPath;
    }
    {
        std::lock_guard const lock(m_mutex);
        m_pCurrentNode = pNode;
        SetNeedUIUpdate(1);
    }
    if (pNode->GetFileSize() == 0) {
        FinishFile(pNode, *path, kResultSuccess);  // the claimed empty file is the whole file
        return kResultSuccess;
    }
    // The copy-out object keeps whatever node it was given last: without a reader of this
    // node, copying would write another file's data under this name.
    ReleasePtr<IFileReader> const pReader(pCopyOut->SetRecoverNode(pNode));
    SettleTotal(pNode, pCopyOut, pReader.get());
    if (!pReader) {
        RemoveClaim(claimed->writePath);
        // A refused file fails with copy-out's reason, and what the reason names.
        IDataRecovery::Refusal const refusal = pCopyOut->GetRefusal();
        RESULT const result = Failed(refusal.result) ? refusal.result : kResultNoReader;
        FinishFile(pNode, {}, result, refusal.note);
        return result;
    }
    {
        std::lock_guard const lock(m_mutex);
        m_u64FileDone = 0;
    }
    RESULT result = pCopyOut->RecoverTo(claimed->writePath.c_str(), this, 0);
    if (IsFullDestination(result)) {
        // The part written would stay under the file's own name looking recovered; removed, it
        // also gives its room back. The file has failed; the user decides whether the files
        // after it are tried.
        RemoveClaim(claimed->writePath);
        {
            std::lock_guard const lock(m_mutex);
            m_u64RecoveredSize -= std::min(m_u64FileDone, m_u64RecoveredSize);
            // Its bytes will not be written: the progress still ends at 100 %.
            std::uint64_t const u64Planned = ClampedWritable(pReader->GetWritableSize(), pNode->GetFileSize());
            m_u64TotalSize -= std::min(u64Planned, m_u64TotalSize);
            _PROGRESS_INFO record = GetProgressInfo();
            record.u64Total = m_u64TotalSize;
            record.u64Done = m_u64RecoveredSize;
            SetProgressInfo(record);
        }
        FinishFile(pNode, {}, result);
        return result;
    }
    bool bCutShort = false;
    {
        std::lock_guard const lock(m_mutex);
        bCutShort = Succeeded(result) && GetStatus() == OPERATION_STOP_REQUESTED && m_u64FileDone < m_u64FileTotal;
    }
    if (bCutShort) {
        // Stopped inside the file: a truncated copy is no recovered file.
        RemoveClaim(claimed->writePath);
        result = kResultRecoveryStopped;
    } else if (Failed(result)) {
        // A failed copy (destination full and then stopped, an unreadable source) holds part of
        // the file or zeros: under the file's own name it would look recovered.
        RemoveClaim(claimed->writePath);
        FinishFile(pNode, {}, result);
        return result;
    }
    FinishFile(pNode, *path, result);
    return bCutShort ? kResultSuccess : result;
}

void QNUIRecovery::FinishFile(IFileNode* pNode, std::string const& path, RESULT result, std::string const& note) {
    FileReport report;
    std::string const source = IsNotedCopy(result) ? GetPathByFileNode(pNode) : std::string();
    {
        std::lock_guard const lock(m_mutex);
        if (result == kResultRecoveryStopped) {
            // neither recovered nor failed: the user ended it
        } else if (IsNotedCopy(result)) {
            // written, but its bytes may not be the file's: counted apart, and named
            ++m_u64NotedFiles;
            m_notes.push_back(RecoveryNote{source, path, CopyRefusalWord(result)});
        } else if (Succeeded(result)) {
            ++m_u64RecoveredFiles;
            std::fprintf(stderr, "===Recvoeried file(%llu):%s=====\n",
                         static_cast<unsigned long long>(m_u64RecoveredFiles),
                         pNode->GetFileName() ? pNode->GetFileName() : "");
        } else {
            ++m_u64FailedFiles;
        }
        if (result != kResultRecoveryStopped && !IsRecoveredCopy(result)) CountReason(result, note);
        SetNeedUIUpdate(1);
        report = m_report;
    }
    if (IsNotedCopy(result))
        CatchExeception::WriteLog("Recovery: written with a note (%s): %s -> %s\r\n", CopyRefusalWord(result),
                                  source.c_str(), path.c_str());
    if (report) report(pNode, path, result, note);
}

void QNUIRecovery::CountReason(RESULT result, std::string const& note) {
    // One reason per kind of answer and what it names, whichever line made the code.
    auto const same = [&](ReasonCount const& known) {
        return ResultModule(known.result) == ResultModule(result) && ResultCode(known.result) == ResultCode(result) &&
               Succeeded(known.result) == Succeeded(result) && known.note == note;
    };
    auto const known = std::find_if(m_reasons.begin(), m_reasons.end(), same);
    if (known != m_reasons.end())
        ++known->u64Count;
    else
        m_reasons.push_back(ReasonCount{result, note, 1});
}

std::vector<QNUIRecovery::ReasonCount> QNUIRecovery::GetReasonCounts() const {
    std::lock_guard const lock(m_mutex);
    return m_reasons;
}

void QNUIRecovery::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (!pInfo) return;
    std::lock_guard const lock(m_mutex);
    // A report below the last adds nothing; the next one adds only what lies above it.
    if (pInfo->u64Done > m_u64LastDone) {
        std::uint64_t const u64Added = pInfo->u64Done - m_u64LastDone;
        m_u64RecoveredSize += u64Added;
        m_u64FileDone += u64Added;
    }
    m_u64LastDone = pInfo->u64Done;
    m_u64FileTotal = pInfo->u64Total;
    _PROGRESS_INFO record;
    record.u64Total = m_u64TotalSize;
    record.u64Done = m_u64RecoveredSize;
    record.u64Error = pInfo->u64Error;
    SetProgressInfo(record);
    SetNeedUIUpdate(1);
}

bool QNUIRecovery::PauseForRoom() {
    {
        std::lock_guard const lock(m_mutex);
        ++m_u64DestinationFull;
        if (!m_bWaitsForRoom) return false;
        if (GetStatus() == OPERATION_RUNNING) SetStatusLocked(OPERATION_PAUSED);
        SetNeedUIUpdate(1);
    }
    if (!Continued()) return false;
    // Resumed: the full destination is over until the next write fails, so a later pause by the
    // user is not taken for it.
    std::lock_guard const lock(m_mutex);
    _PROGRESS_INFO record = GetProgressInfo();
    record.u64Error = 0;
    SetProgressInfo(record);
    return true;
}

RESULT QNUIRecovery::PrepareDestination(std::string const& path) const {
    std::optional<platform::DestinationFolder> const located = platform::LocateDestination(path);
    if (!located) return kResultNoDestinationPath;
    // Checked where the folder would be made, before anything is made.
    if (::access(located->existing.c_str(), W_OK) != 0) return kResultDestinationNotWritable;
    if (RecoveryPathIsSameDevice(located->existing.c_str())) return kResultDestinationOnScannedDevice;
    return platform::MakeDestination(*located) ? kResultSuccess : kResultNoDestinationPath;
}

bool QNUIRecovery::RecoveryPathIsSameDevice(char const* pszPath) const {
    if (!pszPath) return false;
    std::string const devicePath = ScannedDevicePath(m_scan.GetSavedStorage());
    if (devicePath.empty()) return true;
    std::filesystem::path const folder = ExistingFolderOf(pszPath);
    if (folder.empty()) return true;
    std::optional<bool> const bOnDevice = platform::IsFolderOnDevice(folder.string(), devicePath);
    return !bOnDevice || *bOnDevice;
}

bool QNUIRecovery::PathIsScannedImage(char const* pszPath) const {
    if (!pszPath) return false;
    std::string const devicePath = ScannedDevicePath(m_scan.GetSavedStorage());
    return !devicePath.empty() && platform::IsFileTheDevice(pszPath, devicePath);
}

std::optional<std::string> QNUIRecovery::CreateRecoveryFilePathByNode(IFileNode* pNode,
                                                                      std::filesystem::path const& destination) {
    std::optional<ClaimedFile> const claimed = ClaimFileFor(pNode, destination);
    if (!claimed) return std::nullopt;
    return claimed->path;
}

std::optional<QNUIRecovery::ClaimedFile> QNUIRecovery::ClaimFileFor(IFileNode* pNode,
                                                                    std::filesystem::path const& destination) {
    if (!pNode || !pNode->IsNodeShow() || destination.empty()) return std::nullopt;
    _tagSearcherType const eType = GetNodeSearcheType(pNode);
    if (eType == SEARCHER_TYPE_NONE) return std::nullopt;
    std::string const prefix = GetFileSystemStrByType(eType);
    int iIndex = GetCreateDirIndex(eType);
    if (iIndex < 1) {
        std::optional<int> const created = CreateNumberedFolder(destination, prefix);
        if (!created) return std::nullopt;
        iIndex = *created;
        SetCreateDirIndex(eType, iIndex);
    }
    std::vector<std::string> folders = GetPathComponentsByFileNode(pNode);
    if (WritesWindowsNames(destination)) {
        for (std::string& component : folders) {
            std::string replaced = ReplaceWindowsReserved(component);
            if (replaced == component) continue;
            // The file is recovered under another name, not lost: say which.
            CatchExeception::WriteLog(
                "Recovery: \"%s\" is written as \"%s\": the destination's file system refuses its characters\r\n",
                component.c_str(), replaced.c_str());
            component = std::move(replaced);
        }
    }
    bool const bFolder = pNode->IsDirectory() != 0;
    std::string const name = bFolder || folders.empty() ? std::string() : folders.back();
    if (!bFolder && !folders.empty()) folders.pop_back();
    std::filesystem::path const base = destination / NumberedFolderName(prefix, iIndex);
    std::filesystem::path const folderPath = FolderPathBelow(base, folders);
    std::string const counterKey = (folderPath / name).string();
    std::lock_guard const folderLock(m_folderMutex);
    // Files come folder by folder: the folder of the last one is usually this one's.
    bool bReused = m_heldFolder.IsOpen() && m_heldFolder.Path() == folderPath;
    for (;;) {
        if (!bReused) {
            m_heldFolder = {};
            std::optional<CHeldFolder> folder = MakeFoldersBelow(base, folders);
            if (!folder) return std::nullopt;
            m_heldFolder = std::move(*folder);
        }
        if (bFolder) return std::nullopt;
        int iNextCounter = 1;
        {
            std::lock_guard const lock(m_mutex);
            iNextCounter = m_nextClashCounters[counterKey];
        }
        std::optional<std::string> const claimed = ClaimClashFreeFile(m_heldFolder, name, iNextCounter);
        {
            std::lock_guard const lock(m_mutex);
            m_nextClashCounters[counterKey] = iNextCounter;
        }
        if (claimed) return ClaimedFile{(folderPath / *claimed).string(), m_heldFolder.PathThrough(*claimed)};
        if (!bReused) return std::nullopt;
        bReused = false;  // the held folder may be gone from the disk: it is made afresh once
    }
}

void QNUIRecovery::LetGoOfHeldFolder() {
    std::lock_guard const lock(m_folderMutex);
    m_heldFolder = {};
}

}  // namespace uimodel
