// The facade's results-file functions: saving the scan and loading a saved one, each on its job
// thread with a poller that posts progress and "QueryProgressFinish" at the end.
#include "uimodel/facade/FacadeJobs.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/Seams.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace uimodel {

namespace {

constexpr char kFinishName[] = "QueryProgressFinish";

QNUIOperation& FileOperation(bool bSave) {
    QNUIController::Model const& model = QNUIController::GetModel();
    return bSave ? static_cast<QNUIOperation&>(*model.pSaver) : static_cast<QNUIOperation&>(*model.pScan);
}

}  // namespace

void QNUIController::RestorPostUIUpdate(std::string const& postName, bool bSave) {
    QNUIOperation& operation = FileOperation(bSave);
    operation.SetStatus(OPERATION_RUNNING);
    std::shared_ptr<IMainThreadPoster> pPoster = GetSeams().pPoster;
    GetFacadeJobs().filePoller.Start([&operation, pPoster, postName] {
        PollOperation(operation, *pPoster, postName);
        pPoster->Post(kFinishName);
    });
}

void QNUIController::QuerySaveOrRestoreProgress() {
    Model const& model = GetModel();
    if (!model.pSaver || GetFacadeJobs().filePoller.Running()) return;
    QNUIOperation& operation = *model.pSaver;
    std::shared_ptr<IMainThreadPoster> pPoster = GetSeams().pPoster;
    GetFacadeJobs().filePoller.Start(
        [&operation, pPoster] { PollOperation(operation, *pPoster, "QueryProgressInfo"); });
}

int QNUIController::beginSaveOrRestoreNode(bool bSave, std::string const& path, std::string const& postName) {
    Model const& model = GetModel();
    if (path.empty() || !model.pResults || !model.pSaver) return kResultsFileBadArgument;
    // The writer walks trees the scan's builder still changes, and a load replaces the nodes a
    // recovery copies: neither starts while a scan, a recovery or another save or load runs.
    if (!model.pScan->IsOperationExit() || IsRecoveryRunning() || !model.pSaver->IsOperationExit() ||
        GetFacadeJobs().filePoller.Running())
        return kResultsFileBusy;
    if (!bSave) {
        // Emptied here, on the main thread that owns the trees, before the load refills the scan.
        model.pTypes->clear();
        model.pTimes->clear();
        HoldTreesUntilNewData();
    }
    RestorPostUIUpdate(postName, bSave);
    int const iStarted = bSave ? model.pResults->DoSaveScanResult(path.c_str(), model.pSaver)
                               : model.pResults->DoRestoreScanResult(path.c_str(), model.pScan);
    if (iStarted != 0) FileOperation(bSave).SetStatus(OPERATION_IDLE);  // the poller ends with it
    return iStarted;
}

bool QNUIController::IsResultsFileJobRunning() {
    QNSaveAndRestoreNodeOperate const* pSaver = GetModel().pSaver;
    return pSaver && !pSaver->IsOperationExit();
}

void QNUIController::GetSaveorRestoreProgress(std::uint64_t& u64Total, std::uint64_t& u64Done, std::uint64_t& u64Error,
                                              bool bSaver) {
    _PROGRESS_INFO const info = FileOperation(bSaver).GetProgressInfo();
    u64Total = info.u64Total;
    // A finished job may not have counted its last steps.
    u64Done = info.u32State == PROGRESS_STATE_FINISHED ? info.u64Total : info.u64Done;
    u64Error = info.u64Error;
}

std::vector<std::string> QNUIController::GetLoadLeftOutRoots() {
    Model const& model = GetModel();
    return model.pResults ? model.pResults->LeftOutRoots() : std::vector<std::string>{};
}

}  // namespace uimodel
