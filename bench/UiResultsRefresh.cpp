// ui_results_refresh: what the results window's item models cost as a scan grows. 1,000,000
// synthetic nodes in 10,000 folders go to the scan in 100 batches; after each batch the path,
// type and creation-date models take the facade's refresh, with their top rows and the rows
// below them asked for as an expanded outline asks. Each refresh should cost what arrived since
// the last one: the medians of the last ten refreshes no more than twice the first ten's. Then a
// 100,000-row list is filled and sorted by name and by size.
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "engine/EngineEntryPoints.h"
#include "testkit/TestFileNode.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace {

using Clock = std::chrono::steady_clock;
using uimodel::QNUIController;

constexpr std::size_t kNodes = 1'000'000;
constexpr std::size_t kFolders = 10'000;
constexpr std::size_t kBatches = 100;
constexpr std::size_t kListRows = 100'000;
constexpr std::size_t kMedianOf = 10;
constexpr unsigned long long kFirstTime = 130'000'000'000'000'000ULL;  // December 2012
constexpr unsigned long long kTimeStep = 10'000'000ULL * 3'600;        // one hour per file
constexpr char const* kExtensions[] = {".jpg", ".mp3", ".mov", ".zip", ".pdf", ".bin", ".cr2", ".doc"};

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// What an outline with its top rows expanded asks after a refresh.
void AskAsAnOutline(app::results::ResultTreeModel& model) {
    for (int row = 0; row < model.rowCount(); ++row) model.rowCount(model.index(row, 0));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    RegisterEngineSubsystems();
    QNUIController::initFileType();
    std::vector<std::unique_ptr<testkit::CTestFileNode>> owned;
    owned.reserve(kNodes + kFolders + 1);
    owned.push_back(std::make_unique<testkit::CTestFileNode>("VOLUME", true));
    testkit::CTestFileNode* pRoot = owned.back().get();
    std::vector<IFileNode*> nodes;
    nodes.reserve(kNodes);
    const std::size_t perFolder = kNodes / kFolders;
    testkit::CTestFileNode* pFolder = nullptr;
    for (std::size_t i = 0; i < kNodes; ++i) {
        if (i % perFolder == 0) {
            owned.push_back(std::make_unique<testkit::CTestFileNode>(("folder " + std::to_string(i)).c_str(), true));
            pFolder = owned.back().get();
            pRoot->AddChild(pFolder);
            nodes.push_back(pFolder);
            continue;
        }
        const std::string name = "file " + std::to_string(i) + kExtensions[i % std::size(kExtensions)];
        owned.push_back(std::make_unique<testkit::CTestFileNode>(name.c_str()));
        owned.back()->SetFileSize(static_cast<long long>((i * 7919) % 100'000));
        const unsigned long long time = kFirstTime + i * kTimeStep;
        const _FILETIME ft{static_cast<std::uint32_t>(time), static_cast<std::uint32_t>(time >> 32)};
        owned.back()->SetTimes(ft, ft, ft);
        pFolder->AddChild(owned.back().get());
        nodes.push_back(owned.back().get());
    }

    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    uimodel::QNTimeMgr times;
    QNUIController::UseModel({&scan, &uimodel::QNUIDeviceData::instance(), &uimodel::QNTypeMgr::share(), &times,
                              nullptr, nullptr, nullptr, nullptr});
    scan.ShowFilesystemNode(pRoot);
    constexpr int kViews[] = {uimodel::VIEW_PATH, uimodel::VIEW_FILE_TYPE, uimodel::VIEW_CREATION_DATE};
    constexpr const char* kNames[] = {"path", "type", "date"};
    uimodel::TreeArray arrays[std::size(kViews)];
    std::vector<std::unique_ptr<app::results::ResultTreeModel>> models;
    for (auto& array : arrays) models.push_back(std::make_unique<app::results::ResultTreeModel>(array));
    std::vector<double> refreshMs[std::size(kViews)];
    const std::size_t batch = kNodes / kBatches;
    for (std::size_t b = 0; b < kBatches; ++b) {
        scan.ShowNodes(nodes.data() + b * batch, static_cast<unsigned>(batch), 0);
        for (std::size_t v = 0; v < std::size(kViews); ++v) {
            const auto start = Clock::now();
            QNUIController::SetViewType(kViews[v]);
            QNUIController::GetScanTreeNodeData(&arrays[v], false, models[v].get());
            AskAsAnOutline(*models[v]);
            refreshMs[v].push_back(Ms(start));
        }
    }
    bool within = true;
    std::printf("ui_results_refresh: milliseconds per refresh, batch by batch\n");
    for (std::size_t v = 0; v < std::size(kViews); ++v) {
        std::printf("%s:", kNames[v]);
        for (double ms : refreshMs[v]) std::printf(" %.2f", ms);
        std::printf("\n");
    }

    // A list of 100,000 files: filled, then sorted twice.
    std::vector<IFileNode*> files;
    for (IFileNode* node : nodes)
        if (!node->IsDirectory() && files.size() < kListRows) files.push_back(node);
    app::results::FileListModel list;
    auto start = Clock::now();
    list.setFiles(files);
    const double fillMs = Ms(start);
    start = Clock::now();
    list.sortBy(app::results::FileListModel::kName, false);
    const double nameSortMs = Ms(start);
    start = Clock::now();
    list.sortBy(app::results::FileListModel::kSize, false);
    const double sizeSortMs = Ms(start);

    std::printf("RESULT mode=ui_results_refresh nodes=%zu folders=%zu batches=%zu", kNodes, kFolders, kBatches);
    for (std::size_t v = 0; v < std::size(kViews); ++v) {
        const double first = Median({refreshMs[v].begin(), refreshMs[v].begin() + kMedianOf});
        const double last = Median({refreshMs[v].end() - kMedianOf, refreshMs[v].end()});
        within = within && last <= 2 * first;
        std::printf(" %s_rows=%d %s_first_ten_median_ms=%.3f %s_last_ten_median_ms=%.3f", kNames[v],
                    models[v]->rowCount(), kNames[v], first, kNames[v], last);
    }
    std::printf(" list_rows=%d list_fill_ms=%.3f list_sort_name_ms=%.3f list_sort_size_ms=%.3f within_twice=%d\n",
                list.rowCount(), fillMs, nameSortMs, sizeSortMs, within ? 1 : 0);
    return within ? 0 : 1;
}
