#pragma once
// Whether quitting may go on at once, and how it ends while the model's jobs run: the jobs are
// paused while the user is asked, stopped and waited for a bounded time on yes, resumed on no.

#include <chrono>
#include <functional>

namespace app {

// The model's job control, the facade's by default; tests give their own.
struct JobControl {
    std::function<bool()> anyJobRunning;
    std::function<bool()> isPaused;
    std::function<void()> pauseOrResume;
    std::function<bool(std::chrono::milliseconds)> stopJobs;  // true when every worker ended
    std::function<void()> closeApp;                           // ends the process; does not return
    static JobControl Facade();
};

class QuitGuard {
public:
    // How long a worker may take to end after it was asked to stop.
    static constexpr std::chrono::milliseconds kStopWait{5000};

    explicit QuitGuard(JobControl jobs) : m_jobs(std::move(jobs)) {}

    enum class Request { QuitNow, Ask };
    // The menu's quit: QuitNow while no job runs; otherwise the jobs are paused (unless they are
    // already) and the user must be asked.
    Request RequestQuit();
    // The user's answer. Yes: the jobs are stopped (see StopForExit) and true is returned, the
    // caller then leaves the event loop. No: the jobs resume, false.
    bool Answer(bool bYes);
    // Stops every job and waits; when a worker did not end, the process ends here.
    void StopForExit();

private:
    JobControl m_jobs;
};

}  // namespace app
