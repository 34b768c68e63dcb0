// model_filing: how fast the scan operation files nodes while the main thread copies its
// collections. 1,000,000 synthetic files go to ShowNodes in batches of 1,024 (as the tree builder
// hands them) while another thread takes the copying getters every 100 ms.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testkit/TestFileNode.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/scan/QNUIScan.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kNodes = 1'000'000;
constexpr std::size_t kBatch = 1'024;
constexpr unsigned long long kFirstTime = 130'000'000'000'000'000ULL;  // December 2012
constexpr unsigned long long kTimeStep = 10'000'000ULL * 3'600;        // one hour per file
constexpr char const* kExtensions[] = {".jpg", ".mp3", ".mov", ".zip", ".pdf", ".bin"};

}  // namespace

int main() {
    std::vector<std::unique_ptr<testkit::CTestFileNode>> owned;
    owned.reserve(kNodes);
    std::vector<IFileNode*> nodes;
    nodes.reserve(kNodes);
    for (std::size_t i = 0; i < kNodes; ++i) {
        std::string const name = "file " + std::to_string(i) + kExtensions[i % std::size(kExtensions)];
        owned.push_back(std::make_unique<testkit::CTestFileNode>(name.c_str()));
        unsigned long long const u64Time = kFirstTime + i * kTimeStep;
        _FILETIME const ft{static_cast<std::uint32_t>(u64Time), static_cast<std::uint32_t>(u64Time >> 32)};
        owned.back()->SetTimes(ft, ft, ft);
        owned.back()->SetFileSize(static_cast<long long>(i % 100'000));
        nodes.push_back(owned.back().get());
    }

    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    std::atomic<bool> bDone{false};
    double dLongestMs = 0.0;
    std::thread reader([&] {
        while (!bDone) {
            auto const start = Clock::now();
            auto const types = scan.GetTypeMap();
            auto const created = scan.GetCreateTimeMap();
            auto const modified = scan.GetModifyTimeMap();
            dLongestMs = std::max(dLongestMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    auto const start = Clock::now();
    for (std::size_t i = 0; i < kNodes; i += kBatch)
        scan.ShowNodes(nodes.data() + i, static_cast<unsigned>(std::min(kBatch, kNodes - i)), 0);
    double const dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    bDone = true;
    reader.join();

    std::printf(
        "RESULT mode=model_filing nodes=%zu files=%llu seconds=%.6f nodes_per_second=%.0f longest_getter_ms=%.3f\n",
        kNodes, static_cast<unsigned long long>(scan.GetScanFileCnt()), dSeconds,
        static_cast<double>(kNodes) / dSeconds, dLongestMs);
    return scan.GetScanFileCnt() == kNodes ? 0 : 1;
}
