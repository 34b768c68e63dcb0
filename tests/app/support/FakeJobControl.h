#pragma once
// A recording double of the model's job control: a job that runs until stopped, paused and
// resumed on request, and the calls made of it in order ("pause resume stop close ").
#include <chrono>
#include <string>

#include "app/shell/QuitGuard.h"

namespace apptest {

struct FakeJobs {
    bool running = true;
    bool paused = false;
    bool workersEnd = true;  // false: the workers outlive the stop's wait
    std::string calls;

    app::JobControl Control() {
        app::JobControl control;
        control.anyJobRunning = [this] { return running; };
        control.isPaused = [this] { return paused; };
        control.pauseOrResume = [this] {
            paused = !paused;
            calls += paused ? "pause " : "resume ";
        };
        control.stopJobs = [this](std::chrono::milliseconds) {
            calls += "stop ";
            running = false;
            return workersEnd;
        };
        control.closeApp = [this] { calls += "close "; };
        return control;
    }
};

}  // namespace apptest
