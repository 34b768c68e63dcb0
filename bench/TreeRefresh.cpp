// tree_refresh: what a refresh of the result trees costs as a scan grows. 1,000,000 synthetic
// nodes (a folder per 100 files) go to ShowNodes in 100 batches; after each batch the path, type
// and both date trees are refreshed through the facade, as a window does on a notification. A
// refresh should cost what arrived since the last one: the last batch's refresh no more than
// twice the first's. Single refreshes take a few milliseconds, so the verdict compares the
// medians of the first and the last ten, which a busy machine disturbs less.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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
constexpr std::size_t kBatches = 100;
constexpr std::size_t kFilesPerFolder = 100;
constexpr std::size_t kMedianOf = 10;
constexpr unsigned long long kFirstTime = 130'000'000'000'000'000ULL;  // December 2012
constexpr unsigned long long kTimeStep = 10'000'000ULL * 3'600;        // one hour per file
constexpr char const* kExtensions[] = {".jpg", ".mp3", ".mov", ".zip", ".pdf", ".bin", ".cr2", ".doc"};

/// Counts the rows each refresh adds, as an item model would take them.
class CountingSink final : public uimodel::ITreeInsertSink {
public:
    void BeginInsertRows(uimodel::OpNodeData*, std::size_t, std::size_t count) override {
        ++ranges;
        rows += count;
    }
    void EndInsertRows() override {}
    std::size_t ranges = 0, rows = 0;
};

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    RegisterEngineSubsystems();
    QNUIController::initFileType();
    std::vector<std::unique_ptr<testkit::CTestFileNode>> owned;
    owned.reserve(kNodes + 1);
    owned.push_back(std::make_unique<testkit::CTestFileNode>("VOLUME", true));
    testkit::CTestFileNode* pRoot = owned.back().get();
    std::vector<IFileNode*> nodes;
    nodes.reserve(kNodes);
    testkit::CTestFileNode* pFolder = nullptr;
    for (std::size_t i = 0; i < kNodes; ++i) {
        if (i % (kFilesPerFolder + 1) == 0) {
            owned.push_back(std::make_unique<testkit::CTestFileNode>(("folder " + std::to_string(i)).c_str(), true));
            pFolder = owned.back().get();
            pRoot->AddChild(pFolder);
        } else {
            std::string const name = "file " + std::to_string(i) + kExtensions[i % std::size(kExtensions)];
            owned.push_back(std::make_unique<testkit::CTestFileNode>(name.c_str()));
            unsigned long long const u64Time = kFirstTime + i * kTimeStep;
            _FILETIME const ft{static_cast<std::uint32_t>(u64Time), static_cast<std::uint32_t>(u64Time >> 32)};
            owned.back()->SetTimes(ft, ft, ft);
            pFolder->AddChild(owned.back().get());
        }
        nodes.push_back(owned.back().get());
    }

    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    uimodel::QNTimeMgr times;
    QNUIController::UseModel({&scan, &uimodel::QNUIDeviceData::instance(), &uimodel::QNTypeMgr::share(), &times,
                              nullptr, nullptr, nullptr, nullptr});
    scan.ShowFilesystemNode(pRoot);
    constexpr int kViews[] = {uimodel::VIEW_PATH, uimodel::VIEW_FILE_TYPE, uimodel::VIEW_CREATION_DATE,
                              uimodel::VIEW_MODIFICATION_DATE};
    uimodel::TreeArray arrays[std::size(kViews)];
    CountingSink sink;
    std::vector<double> refreshMs;
    std::size_t const batch = kNodes / kBatches;
    for (std::size_t b = 0; b < kBatches; ++b) {
        scan.ShowNodes(nodes.data() + b * batch, static_cast<unsigned>(batch), 0);
        auto const start = Clock::now();
        for (std::size_t v = 0; v < std::size(kViews); ++v) {
            QNUIController::SetViewType(kViews[v]);
            QNUIController::GetScanTreeNodeData(&arrays[v], false, &sink);
        }
        refreshMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    double const dFirstMedian = Median({refreshMs.begin(), refreshMs.begin() + kMedianOf});
    double const dLastMedian = Median({refreshMs.end() - kMedianOf, refreshMs.end()});
    bool const bWithin = dLastMedian <= 2 * dFirstMedian;
    std::printf(
        "RESULT mode=tree_refresh nodes=%zu batches=%zu files=%llu ranges=%zu rows=%zu first_refresh_ms=%.3f "
        "last_refresh_ms=%.3f "
        "first_ten_median_ms=%.3f last_ten_median_ms=%.3f within_twice=%d\n",
        kNodes, kBatches, static_cast<unsigned long long>(scan.GetScanFileCnt()), sink.ranges, sink.rows,
        refreshMs.front(), refreshMs.back(), dFirstMedian, dLastMedian, bWithin ? 1 : 0);
    return bWithin ? 0 : 1;
}
