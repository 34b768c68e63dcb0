#pragma once
// The facade's threads, shared by its source files. Never destroyed: the process may end while
// a worker still runs.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "uimodel/facade/JobSlot.h"

namespace uimodel {

class QNUIOperation;

struct FacadeJobs {
    CJobSlot scanWorker, scanPoller, search;
    CJobSlot recoveryWorker, recoveryPoller;
    CJobSlot filePoller;  // saving and loading results files (their job runs on its own thread)
    std::optional<std::thread> deviceList;

    /// Every slot that may hold a thread.
    std::array<CJobSlot*, 6> Slots() {
        return {&scanWorker, &scanPoller, &search, &recoveryWorker, &recoveryPoller, &filePoller};
    }
};

FacadeJobs& GetFacadeJobs();

/// A scan or load is about to empty the scan's collections: until it has, the trees take nothing
/// from them (their nodes are about to be let go of).
void HoldTreesUntilNewData();

/// Starts the poller (posting `postName` through the seams' poster), then the worker, of one
/// operation; the last run of both is joined first.
void StartFacadeJob(QNUIOperation& operation, CJobSlot& poller, CJobSlot& worker, std::string const& postName,
                    std::function<void()> body);

}  // namespace uimodel
