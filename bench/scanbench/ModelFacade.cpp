#include "ModelFacade.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <utility>

#include "NodeListing.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/Seams.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace scanbench {

namespace {

using Clock = std::chrono::steady_clock;
using uimodel::OpNodeData;
using uimodel::QNUIController;

constexpr std::pair<char const*, int> kViews[] = {{"path", uimodel::VIEW_PATH},
                                                  {"type", uimodel::VIEW_FILE_TYPE},
                                                  {"ctime", uimodel::VIEW_CREATION_DATE},
                                                  {"mtime", uimodel::VIEW_MODIFICATION_DATE}};

std::optional<int> ViewOf(std::string const& name) {
    for (auto const& [pszName, iView] : kViews)
        if (name == pszName) return iView;
    return std::nullopt;
}

/// The main thread's queue, noting whether the scan had ended when each name was posted.
class HarnessPoster final : public uimodel::IMainThreadPoster {
public:
    explicit HarnessPoster(uimodel::QNUIScan const& scan) : m_scan(scan) {}
    void Post(std::string const& name) override {
        std::lock_guard const lock(m_mutex);
        m_posts.emplace(name, m_scan.IsOperationExit());
    }
    std::optional<std::pair<std::string, bool>> Take() {
        std::lock_guard const lock(m_mutex);
        if (m_posts.empty()) return std::nullopt;
        auto post = m_posts.front();
        m_posts.pop();
        return post;
    }

private:
    uimodel::QNUIScan const& m_scan;
    std::mutex m_mutex;
    std::queue<std::pair<std::string, bool>> m_posts;
};

/// The window: one tree per view it shows, refreshed on every notification.
class Harness {
public:
    Harness(HarnessPoster& poster, std::vector<int> views) : m_poster(poster), m_views(std::move(views)) {}

    void Refresh() {
        for (int const iView : m_views) {
            QNUIController::SetViewType(iView);
            QNUIController::GetScanTreeNodeData(&m_arrays[iView], false, nullptr);
        }
    }
    /// Takes and prints notifications, refreshing on each, until `done` answers true (asked
    /// between passes, every 10 ms); `onPass` runs on every pass.
    template <class Done, class Pass>
    void Drain(FacadeRun& run, Done done, Pass onPass) {
        for (;;) {
            while (auto const post = m_poster.Take()) {
                std::printf("notify\t%s\n", post->first.c_str());
                ++run.notifications;
                if (post->first == "NormalScranValue") run.bNotifyAfterEnd = post->second;
                Refresh();
            }
            if (done()) return;
            onPass();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    uimodel::TreeArray& Array(int iView) { return m_arrays[iView]; }

private:
    HarnessPoster& m_poster;
    std::vector<int> m_views;
    std::map<int, uimodel::TreeArray> m_arrays;
};

/// The row named by "Item/Item" from the top rows down; null when a name is missing.
OpNodeData* FindRow(uimodel::TreeArray const& array, std::string const& names) {
    OpNodeData* pFound = nullptr;
    std::size_t begin = 0;
    while (begin <= names.size()) {
        std::size_t end = names.find('/', begin);
        if (end == std::string::npos) end = names.size();
        std::string const name = names.substr(begin, end - begin);
        OpNodeData* pNext = nullptr;
        std::size_t const count = pFound ? pFound->childCount() : array.size();
        for (std::size_t i = 0; i < count && !pNext; ++i) {
            OpNodeData* pRow = pFound ? pFound->childItem(i) : array[i];
            if (pRow && pRow->name() == name) pNext = pRow;
        }
        if (!pNext) return nullptr;
        pFound = pNext;
        begin = end + 1;
    }
    return pFound;
}

/// One line per row, depth-first in row order.
void PrintTree(char const* pszView, uimodel::TreeArray const& array) {
    std::vector<std::pair<OpNodeData*, int>> pending;
    for (std::size_t i = array.size(); i-- > 0;) pending.emplace_back(array[i], 0);
    while (!pending.empty()) {
        auto const [pRow, iDepth] = pending.back();
        pending.pop_back();
        uimodel::FileNodeList files;
        QNUIController::GetFileNodeToArray(files, pRow);
        std::printf("tree\t%s\t%d\t%d\t%zu\t%s\n", pszView, iDepth, pRow->state(), files.size(),
                    Escaped(pRow->name().c_str()).c_str());
        for (std::size_t i = pRow->childCount(); i-- > 0;)
            if (OpNodeData* pChild = pRow->childItem(i)) pending.emplace_back(pChild, iDepth + 1);
    }
}

}  // namespace

std::string FacadeFields(FacadeRun const& run) {
    return " notifications=" + std::to_string(run.notifications) +
           " notify_after_end=" + (run.bNotifyAfterEnd ? "1" : "0");
}

bool IsTreeName(std::string const& view) { return ViewOf(view).has_value(); }

bool IsTreeCheck(std::string const& check) {
    std::size_t const colon = check.find(':');
    return colon != std::string::npos && colon + 1 < check.size() && IsTreeName(check.substr(0, colon));
}

FacadeRun RunFacadeScan(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, uimodel::QNUIDeviceData& devices,
                        FacadeOptions const& options) {
    FacadeRun run;
    auto pPoster = std::make_shared<HarnessPoster>(scan);
    uimodel::GetSeams().pPoster = pPoster;
    uimodel::QNTimeMgr times;
    uimodel::QNSaveAndRestoreNodeOperate saver;
    uimodel::SaveRestoreResult results(scan, devices, &recovery);
    QNUIController::UseModel(
        {&scan, &devices, &uimodel::QNTypeMgr::share(), &times, &recovery, nullptr, &saver, &results});

    std::vector<int> views;
    for (std::string const& name : options.trees) views.push_back(*ViewOf(name));
    std::optional<int> checkView;
    if (options.treeCheck)
        views.push_back(*(checkView = ViewOf(options.treeCheck->substr(0, options.treeCheck->find(':')))));
    Harness harness(*pPoster, views);

    scan.SetDeepScan(options.bDeep ? 1 : 0);
    auto const start = Clock::now();
    auto const elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    run.bStarted = QNUIController::DoScanWithDiskIndex(options.iDisk, options.iVolume, "NormalScranValue");
    if (!run.bStarted) return run;
    bool bPaused = false, bResumed = false;
    std::optional<Clock::time_point> pausedAt;
    harness.Drain(
        run, [] { return !QNUIController::IsScanRunning(); },
        [&] {
            if (options.pauseAfter && !bPaused && elapsed() >= *options.pauseAfter) {
                QNUIController::PauseOrResumeScan();
                bPaused = true;
                pausedAt = Clock::now();
            } else if (bPaused && !bResumed &&
                       std::chrono::duration<double>(Clock::now() - *pausedAt).count() >= *options.pauseFor) {
                QNUIController::PauseOrResumeScan();
                bResumed = true;
            }
            if (options.stopAfter && !run.bStopped && elapsed() >= *options.stopAfter) {
                QNUIController::StopScan(0);
                run.bStopped = true;
            }
        });
    QNUIController::StopJobs(std::chrono::minutes(10));  // joins the ended scan's threads
    harness.Drain(
        run, [] { return true; }, [] {});
    run.dSeconds = elapsed();
    run.result = scan.GetProgressInfo().u64Error;

    if (options.search) {
        if (QNUIController::DoSearchWithString(*options.search, "DoSearchValue")) {
            QNUIController::StopJobs(std::chrono::minutes(10));
            harness.Drain(
                run, [] { return true; }, [] {});
            uimodel::FileNodeList found;
            QNUIController::GetSearchResultToArr(found);
            std::printf("search\t%s\t%zu\n", Escaped(options.search->c_str()).c_str(), found.size());
        }
        QNUIController::StopSearch();
    }
    if (options.treeCheck) {
        harness.Refresh();
        OpNodeData* pRow =
            FindRow(harness.Array(*checkView), options.treeCheck->substr(options.treeCheck->find(':') + 1));
        run.bCheckFound = pRow != nullptr;
        if (pRow)
            pRow->setNodeState(CHECKED_STATUS_CHECKED);
        else
            std::fprintf(stderr, "scanbench: no tree row %s\n", options.treeCheck->c_str());
    }
    for (std::string const& name : options.trees) {
        int const iView = *ViewOf(name);
        QNUIController::SetViewType(iView);
        QNUIController::GetScanTreeNodeData(&harness.Array(iView), false, nullptr);
        // A window brings a tree's states up to date when it shows it.
        if (iView == uimodel::VIEW_FILE_TYPE)
            QNUIController::RefreshTypeTreeState();
        else if (iView != uimodel::VIEW_PATH)
            QNUIController::RefreshTimeTreeState(harness.Array(iView));
        PrintTree(name.c_str(), harness.Array(iView));
    }

    if (options.recovery) {
        RecoveryRun& recoveryRun = run.recovery.emplace();
        if (!options.treeCheck) CheckFiles(scan, options.recovery->check);
        QNUIController::GatherCheckedFiles();  // as the window does, before its destination checks
        recovery.SetFileReport([](IFileNode*, std::string const& path, RESULT result, std::string const& note) {
            PrintRecoverLine(path, result, note);
        });
        auto const recoveryStart = Clock::now();
        recoveryRun.result = QNUIController::DoRecovery(options.recovery->destination, "DoRecovery");
        if (Succeeded(recoveryRun.result)) {
            harness.Drain(
                run, [] { return !QNUIController::IsRecoveryRunning(); },
                [&] {
                    // A destination that stopped taking bytes is given up, as a user would.
                    if (QNUIController::GetModel().pRecovery->GetDestinationFullCnt() > 0 &&
                        !recoveryRun.bDestinationFull) {
                        recoveryRun.bDestinationFull = true;
                        QNUIController::StopRecvoery();
                    }
                });
            QNUIController::StopJobs(std::chrono::minutes(10));
            harness.Drain(
                run, [] { return true; }, [] {});
            if (recovery.GetFailedFilesCnt() > 0) {
                RESULT const error = recovery.GetProgressInfo().u64Error;
                recoveryRun.result = Failed(error) ? error : MakeResult(kModuleUiModel, 0x121, kCodeIoFailure);
            }
        }
        recoveryRun.dSeconds = std::chrono::duration<double>(Clock::now() - recoveryStart).count();
        recovery.SetFileReport({});
    }
    if (options.saveTo) {
        auto const saveStart = Clock::now();
        int const iStarted = QNUIController::beginSaveOrRestoreNode(true, *options.saveTo);
        QNUIController::StopJobs(std::chrono::minutes(10));  // a save is not stopped: this waits for it
        harness.Drain(
            run, [] { return true; }, [] {});
        std::uint64_t u64Total = 0, u64Done = 0, u64Error = 0;
        QNUIController::GetSaveorRestoreProgress(u64Total, u64Done, u64Error, true);
        if (iStarted != 0) u64Error = static_cast<std::uint64_t>(-iStarted);
        std::error_code error;
        auto const u64Bytes = std::filesystem::file_size(*options.saveTo, error);
        char fields[128];
        std::snprintf(fields, sizeof fields, " save_error=%llu save_seconds=%.6f save_bytes=%llu",
                      static_cast<unsigned long long>(u64Error),
                      std::chrono::duration<double>(Clock::now() - saveStart).count(),
                      error ? 0ULL : static_cast<unsigned long long>(u64Bytes));
        run.saveFields = fields;
        run.u64SaveError = u64Error;
    }
    return run;
}

}  // namespace scanbench
