#include "app/shell/QuitGuard.h"

#include "uimodel/facade/QNUIController.h"

namespace app {

JobControl JobControl::Facade() {
    using uimodel::QNUIController;
    JobControl jobs;
    // A results-file load runs under the scan operation; recovery and saving are jobs too. A
    // recovery is paused while the user is asked; a save cannot pause and runs on to its end.
    jobs.anyJobRunning = [] {
        return QNUIController::IsScanRunning() || QNUIController::IsRecoveryRunning() ||
               QNUIController::IsResultsFileJobRunning();
    };
    jobs.isPaused = [] {
        return QNUIController::IsRecoveryRunning() ? QNUIController::IsRecoveryPaused()
                                                   : !QNUIController::IsScanRunning() || QNUIController::IsPause();
    };
    jobs.pauseOrResume = [] {
        if (QNUIController::IsRecoveryRunning())
            QNUIController::PauseOrResumeRecovery();
        else if (QNUIController::IsScanRunning())
            QNUIController::PauseOrResumeScan();
    };
    jobs.stopJobs = [](std::chrono::milliseconds timeout) { return QNUIController::StopJobs(timeout); };
    jobs.closeApp = [] { QNUIController::CloseApp(); };
    return jobs;
}

QuitGuard::Request QuitGuard::RequestQuit() {
    if (!m_jobs.anyJobRunning()) return Request::QuitNow;
    if (!m_jobs.isPaused()) m_jobs.pauseOrResume();
    return Request::Ask;
}

bool QuitGuard::Answer(bool bYes) {
    if (!bYes) {
        // Also when the user had paused before quitting: the question's pause ends either way.
        if (m_jobs.isPaused()) m_jobs.pauseOrResume();
        return false;
    }
    StopForExit();
    return true;
}

void QuitGuard::StopForExit() {
    if (!m_jobs.stopJobs(kStopWait)) m_jobs.closeApp();
}

}  // namespace app
