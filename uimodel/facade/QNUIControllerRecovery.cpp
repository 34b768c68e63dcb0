// The facade's recovery and picture functions.
#include <atomic>
#include <cstdint>

#include "uimodel/facade/FacadeJobs.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/SpyEvents.h"
#include "uimodel/thumbnails/QNUIThumbnails.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace uimodel {

namespace {

QNUIRecovery& Recovery() { return *QNUIController::GetModel().pRecovery; }

// The last recovery's answer, written by its worker before the worker returns.
std::atomic<RESULT>& LastRecoveryResult() {
    static std::atomic<RESULT> s_result{kResultSuccess};
    return s_result;
}

/// Saturates: a wrapped sum would pass the free-space check.
std::uint64_t AddSaturating(std::uint64_t u64Sum, std::uint64_t u64Add) {
    return u64Add > UINT64_MAX - u64Sum ? UINT64_MAX : u64Sum + u64Add;
}

/// A file's recorded size; nothing for a damaged negative one.
std::uint64_t RecordedSize(IFileNode* pNode) {
    long long const s64Size = pNode->GetFileSize();
    return s64Size > 0 ? static_cast<std::uint64_t>(s64Size) : 0;
}

}  // namespace

RESULT QNUIController::DoRecovery(std::string const& path, std::string const& postName) {
    if (path.empty()) return kResultRecoveryBadArgument;
    if (IsRecoveryRunning()) return kResultRecoveryBusy;
    QNUIRecovery& recovery = Recovery();
    if (!recovery.HasFilesToRecover()) GatherCheckedFiles();
    FacadeJobs& jobs = GetFacadeJobs();
    jobs.recoveryWorker.Join();
    jobs.recoveryPoller.Join();
    recovery.SetRecoveryPath((path + "/").c_str());
    recovery.ClearCreateDirIndex();
    recovery.SetStatus(OPERATION_RUNNING);
    LastRecoveryResult() = kResultSuccess;
    StartFacadeJob(recovery, jobs.recoveryPoller, jobs.recoveryWorker, postName, [&recovery] {
        std::string rawFolders;
        RESULT const result = recovery.DoRecovery(rawFolders);
        LastRecoveryResult() = result;
        spy::SpyIDStringTable1(4152, std::to_string(result));
        spy::SpyIDStringTable1(4117, std::to_string(recovery.GetRecoveriedFileSize()));
        spy::SpyIDStringTable1(4124, std::to_string(recovery.GetRecoveriedFilesCnt()));
    });
    return kResultSuccess;
}

void QNUIController::GetSelectedFilesAndSize(FileNodeList& files, std::uint64_t& u64Size) {
    FileNodeList const checked = Recovery().CheckedFiles();
    for (IFileNode* pNode : checked) u64Size = AddSaturating(u64Size, RecordedSize(pNode));
    files.insert(files.end(), checked.begin(), checked.end());
}

void QNUIController::GetSelectedFilesAmout(std::uint64_t& u64Count, std::uint64_t& u64Size) {
    FileNodeList files;
    u64Size = 0;
    GetSelectedFilesAndSize(files, u64Size);
    u64Count = files.size();
}

QNUIController::CheckedFiles QNUIController::GatherCheckedFiles() {
    QNUIRecovery& recovery = Recovery();
    FileNodeList files = recovery.CheckedFiles();
    CheckedFiles gathered;
    gathered.u64Count = files.size();
    for (IFileNode* pNode : files) {
        gathered.u64Size = AddSaturating(gathered.u64Size, RecordedSize(pNode));
        gathered.u64BytesToWrite = AddSaturating(gathered.u64BytesToWrite, recovery.BytesToWrite(pNode));
    }
    recovery.SetRecoveryTotalFilesCnt(gathered.u64Count);
    recovery.SetRecoveryTotalSize(gathered.u64BytesToWrite);
    recovery.SetFilesToRecover(std::move(files));
    return gathered;
}

std::string QNUIController::GetRecoveryProgressTotal(std::uint64_t& u64Total, std::uint64_t& u64Done,
                                                     std::uint64_t& u64Error) {
    _PROGRESS_INFO const info = Recovery().GetProgressInfo();
    u64Total = info.u64Total;
    u64Done = info.u64Done;
    u64Error = info.u64Error;
    IFileNode* pNode = Recovery().GetCurrentRecoveryNode();
    char const* pszName = pNode ? pNode->GetFileName() : nullptr;
    return pszName ? pszName : "";
}

bool QNUIController::IsRecoveryRunning() {
    if (!GetModel().pRecovery) return false;
    int const iStatus = Recovery().GetStatus();
    return iStatus == OPERATION_RUNNING || iStatus == OPERATION_PAUSED;
}

bool QNUIController::IsRecoveryWindingDown() {
    return GetModel().pRecovery && Recovery().GetStatus() == OPERATION_STOP_REQUESTED;
}

bool QNUIController::IsRecoveryPaused() { return GetModel().pRecovery && Recovery().GetStatus() == OPERATION_PAUSED; }

void QNUIController::StopRecvoery() { Recovery().StopOperation(1); }

void QNUIController::PauseOrResumeRecovery() { Recovery().PauseOrResumeOperation(); }

bool QNUIController::IsRecoveryToSameDevice(std::string const& path) {
    return Recovery().RecoveryPathIsSameDevice(path.c_str());
}
bool QNUIController::IsScannedImage(std::string const& path) { return Recovery().PathIsScannedImage(path.c_str()); }

std::uint64_t QNUIController::GetRecoveridedSize() { return Recovery().GetRecoveriedFileSize(); }

std::uint64_t QNUIController::GetRecoveridedFiles() { return Recovery().GetRecoveriedFilesCnt(); }

std::uint64_t QNUIController::GetRecoveryFailedFiles() { return Recovery().GetFailedFilesCnt(); }

std::uint64_t QNUIController::GetRecoveryNotedFiles() { return Recovery().GetNotedFilesCnt(); }

void QNUIController::SetRecoveryWaitsForRoom(bool bWaits) { Recovery().SetWaitsForRoom(bWaits); }

std::vector<std::string> QNUIController::GetRecoveryNoteLines() {
    std::vector<std::string> lines;
    for (QNUIRecovery::RecoveryNote const& note : Recovery().GetNotes())
        lines.push_back(note.note + ": " + note.source + " -> " + note.written);
    return lines;
}

std::vector<QNUIController::RecoveryReason> QNUIController::GetRecoveryReasons() {
    std::vector<RecoveryReason> reasons;
    for (QNUIRecovery::ReasonCount const& reason : Recovery().GetReasonCounts())
        reasons.push_back(RecoveryReason{reason.result, reason.note, reason.u64Count});
    return reasons;
}

IDataRecovery::Refusal QNUIController::GetCopyOutlook(IFileNode* pNode) { return Recovery().Outlook(pNode); }

std::string QNUIController::PrepareRecoveryFolder(std::string const& path) {
    RESULT const made = Recovery().PrepareDestination(path);
    if (Succeeded(made)) return {};
    if (made == kResultDestinationOnScannedDevice) return "it lies on the device being scanned";
    if (made == kResultDestinationNotWritable) return "it takes no writes";
    return "the folder cannot be made";
}

RESULT QNUIController::GetRecoveryResult() {
    // The operation goes idle before its worker stores the answer.
    if (!IsRecoveryRunning()) GetFacadeJobs().recoveryWorker.Join();
    return LastRecoveryResult();
}

int QNUIController::GetCurrentScanRecoveryCnt() { return GetModel().pScan->GetCurrentScanRecoveryCnt(); }

void QNUIController::ReleaseDataRecovery() {
    GetModel().pScan->ReleaseDataRecovery();
    Recovery().ReleaseDataRecovery();
}

Thumbnail QNUIController::GetNSImageByNode(OpNodeData const* pItem) {
    QNUIThumbnails* pThumbnails = GetModel().pThumbnails;
    if (!pThumbnails || !pItem) return {};
    return pThumbnails->GetNSImageByFildNode(pItem->fileNode());
}

Thumbnail QNUIController::GetThumbnailOfFile(IFileNode* pNode) {
    QNUIThumbnails* pThumbnails = GetModel().pThumbnails;
    if (!pThumbnails || !pNode) return {};
    return pThumbnails->GetNSImageByFildNode(pNode);
}

void QNUIController::SetRecoveryFailureReport(RecoveryFailureReport report) {
    QNUIRecovery* pRecovery = GetModel().pRecovery;
    if (!pRecovery) return;
    pRecovery->SetFileReport([report = std::move(report)](IFileNode* pNode, std::string const& path, RESULT result,
                                                          std::string const& note) {
        if (IsRecoveredCopy(result) || result == kResultRecoveryStopped) return;
        report(pNode, path, result, note);
    });
}

uimodel::RgbaImage QNUIController::getImageForType(std::string const& extension) {
    return GetModel().pTypes->getImageForType(extension);
}

}  // namespace uimodel
