// The operation's states and the scan's filing of the nodes the engine hands over.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/InstanceLock.h"
#include "testkit/TestFileNode.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/PublicUtilities.h"

namespace {

using testkit::CTestFileNode;
using uimodel::QNUIScan;

struct StateCase {
    char const* pszName;
    int iStart;
    void (*act)(QNUIScan&);
    int iStatus;
    int iShouldBuild;
};

class OperationState : public testing::TestWithParam<StateCase> {};

TEST_P(OperationState, Moves) {
    QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    scan.SetStatus(GetParam().iStart);
    GetParam().act(scan);
    EXPECT_EQ(scan.GetStatus(), GetParam().iStatus);
    EXPECT_EQ(scan.shouldBuild(), GetParam().iShouldBuild);
}

void Pause(QNUIScan& s) { s.PauseOrResumeOperation(); }
void PauseTwice(QNUIScan& s) { s.PauseOrResumeOperation(), s.PauseOrResumeOperation(); }
void Stop(QNUIScan& s) { s.StopOperation(0); }
void StopWithoutTrees(QNUIScan& s) { s.StopOperation(1); }

INSTANTIATE_TEST_SUITE_P(States, OperationState,
                         testing::Values(StateCase{"PauseIdle", 0, Pause, 0, 1}, StateCase{"Pause", 2, Pause, 3, 1},
                                         StateCase{"PauseTwiceResumes", 2, PauseTwice, 2, 1},
                                         StateCase{"Stop", 2, Stop, 1, 1},
                                         StateCase{"StopPaused", 3, StopWithoutTrees, 1, 0},
                                         StateCase{"StopIdle", 0, StopWithoutTrees, 0, 1}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(Operation, FreshOperationDoesNotContinue) {
    QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    EXPECT_EQ(scan.Continued(), 0);
    EXPECT_EQ(scan.GetScanElapseTime(), 0);
    scan.StopOperation(0);
    EXPECT_EQ(scan.IsNeedUIUpdate(), 1);
}

/// Exposes the operation's mutex, as the main thread holds it while it copies the collections.
class LockableScan : public QNUIScan {
public:
    using QNUIScan::QNUIScan;
    std::recursive_mutex& Mutex() { return m_mutex; }
};

TEST(Operation, AScanWaitsForABusyMutexInsteadOfSkipping) {
    LockableScan scan(&uimodel::QNUIDeviceData::instance());
    std::mutex gate;
    std::condition_variable changed;
    bool bEntered = false, bReturned = false, bReset = false;
    auto const mark = [&](bool& bFlag) {
        std::lock_guard const lock(gate);
        bFlag = true;
        changed.notify_all();
    };
    scan.SetRecoveryHooks({[&] { mark(bEntered); }, [&] { bReset = true; }});
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    std::unique_lock held(scan.Mutex());
    std::thread job([&] {
        scan.DoScan(nullptr, nullptr);
        mark(bReturned);
    });
    {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return bEntered || bReturned; });
        EXPECT_TRUE(bEntered);
        EXPECT_FALSE(bReturned) << "the scan gave up while the mutex was held";
    }
    held.unlock();  // the job finishes only now
    job.join();
    EXPECT_TRUE(bReset);
    EXPECT_EQ(scan.GetStatus(), uimodel::OPERATION_IDLE);
}

_FILETIME Ticks(unsigned long long u64) {
    return {static_cast<std::uint32_t>(u64), static_cast<std::uint32_t>(u64 >> 32)};
}

TEST(Filing, FoldersAddNothingAndUnknownOrAbsurdTimesStayOutOfTheDateMaps) {
    QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    std::vector<std::unique_ptr<CTestFileNode>> owned;
    std::vector<IFileNode*> folders;
    for (char const* pszName : {"a", "b", static_cast<char const*>(nullptr)}) {
        owned.push_back(std::make_unique<CTestFileNode>(pszName, true));
        folders.push_back(owned.back().get());
    }
    scan.ShowNodes(folders.data(), static_cast<unsigned>(folders.size()), 0);
    EXPECT_EQ(scan.GetScanFileCnt(), 0u);
    EXPECT_EQ(scan.GetScanFileSize(), 0u);
    EXPECT_TRUE(scan.GetTypeMap().empty());
    EXPECT_EQ(scan.GetFolderList().size(), 3u);

    unsigned long long const u64December2012 = 130'000'000'000'000'000ULL;  // 2012-12-14
    struct File {
        char const* pszName;
        unsigned long long u64Created, u64Modified;
        long long s64Size;
    };
    std::vector<IFileNode*> files;
    for (File const& f : {File{"zero.jpg", 0, u64December2012, 10}, File{"absurd.txt", ~0ULL, ~0ULL, 20},
                          File{"both.mp3", u64December2012, u64December2012, 30}, File{nullptr, 0, 0, -5}}) {
        owned.push_back(std::make_unique<CTestFileNode>(f.pszName));
        owned.back()->SetTimes(Ticks(f.u64Created), Ticks(f.u64Modified), Ticks(0));
        owned.back()->SetFileSize(f.s64Size);
        files.push_back(owned.back().get());
    }
    scan.ShowNodes(files.data(), static_cast<unsigned>(files.size()), 0);
    EXPECT_EQ(scan.GetScanFileCnt(), 4u);
    EXPECT_EQ(scan.GetScanFileSize(), 60u);  // a negative size adds nothing
    std::size_t u64Typed = 0;
    for (auto const& [eType, nodes] : scan.GetTypeMap()) u64Typed += nodes.size();
    EXPECT_EQ(u64Typed, 4u);
    auto const created = scan.GetCreateTimeMap();
    auto const modified = scan.GetModifyTimeMap();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created.at(2012).at(12), std::vector<IFileNode*>{files[2]});
    ASSERT_EQ(modified.size(), 1u);
    EXPECT_EQ(modified.at(2012).at(12), (std::vector<IFileNode*>{files[0], files[2]}));
    EXPECT_TRUE(scan.GetAccessTimeMap().empty());
    EXPECT_TRUE(scan.FindRemoveData(folders[0]));
    EXPECT_FALSE(scan.FindRemoveData(files[0]));
}

}  // namespace

namespace {

// Copies started at the same moment: exactly one may run, and it keeps the others out for as
// long as it lives.
TEST(Process, OfCopiesStartedTogetherExactlyOneRuns) {
    char folder[] = "/tmp/quorin-lock-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    setenv("XDG_RUNTIME_DIR", folder, 1);
    int go[2], answers[2], done[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(answers), 0);
    ASSERT_EQ(pipe(done), 0);
    constexpr int kCopies = 8;
    std::vector<pid_t> children;
    for (int i = 0; i < kCopies; ++i) {
        pid_t const child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char byte = 0;
            close(go[1]);
            close(done[1]);
            [[maybe_unused]] ssize_t n = read(go[0], &byte, 1);  // all start when the pipe closes
            byte = uimodel::IsAppRunning() ? 'y' : 'n';
            n = write(answers[1], &byte, 1);
            n = read(done[0], &byte, 1);  // the one that runs holds the lock until here
            _exit(0);
        }
        children.push_back(child);
    }
    close(go[0]);
    close(go[1]);
    std::string got;
    while (got.size() < kCopies) {
        char byte = 0;
        ASSERT_EQ(read(answers[0], &byte, 1), 1);
        got += byte;
    }
    EXPECT_EQ(std::count(got.begin(), got.end(), 'n'), 1) << got;
    EXPECT_TRUE(uimodel::IsAppRunning());
    close(done[1]);
    for (pid_t child : children) waitpid(child, nullptr, 0);
    // Its end dropped the lock: the next copy runs.
    EXPECT_FALSE(uimodel::IsAppRunning());
    EXPECT_FALSE(uimodel::IsAppRunning()) << "asking again while holding the lock";
    unlink(platform::InstanceLockPath("quorin").c_str());
    rmdir(folder);
}

}  // namespace
