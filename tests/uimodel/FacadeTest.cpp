// The whole model driven through QNUIController as a window drives it: scans of tool-made images
// with the trees refreshed on every notification, job control, search, and the poller.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <mutex>
#include <queue>
#include <set>
#include <thread>

#include "FatTestImages.h"
#include "ModelImages.h"
#include "ModelScan.h"
#include "TreeMirror.h"
#include "support/NtfsImage.h"
#include "support/TempDir.h"
#include "uimodel/FileTypeList.h"
#include "uimodel/facade/ProgressText.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/resultsfile/SaveRestoreResult.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/Seams.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/QNTimeMgr.h"
#include "uimodel/trees/QNTypeMgr.h"

namespace {

using uimodel::QNUIController;
using uimodel::TreeArray;

/// The main thread's queue, noting the scan's status when each name was posted.
class StatusPoster final : public uimodel::IMainThreadPoster {
public:
    explicit StatusPoster(uimodel::QNUIOperation const& operation) : m_operation(operation) {}
    void Post(std::string const& name) override {
        std::lock_guard const lock(m_mutex);
        m_posts.push({name, m_operation.GetStatus()});
        m_changed.notify_all();
    }
    /// The next post, waiting for it.
    std::pair<std::string, int> Take() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_posts.empty(); });
        auto post = m_posts.front();
        m_posts.pop();
        return post;
    }
    bool Empty() {
        std::lock_guard const lock(m_mutex);
        return m_posts.empty();
    }

private:
    uimodel::QNUIOperation const& m_operation;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::queue<std::pair<std::string, int>> m_posts;
};

/// A results window without a screen: one array per view, refreshed on every notification.
struct Window {
    static constexpr int kViews[] = {uimodel::VIEW_PATH, uimodel::VIEW_FILE_TYPE, uimodel::VIEW_CREATION_DATE,
                                     uimodel::VIEW_MODIFICATION_DATE};
    TreeArray arrays[4];
    modeltest::CTreeMirror mirrors[4]{modeltest::CTreeMirror(arrays[0]), modeltest::CTreeMirror(arrays[1]),
                                      modeltest::CTreeMirror(arrays[2]), modeltest::CTreeMirror(arrays[3])};

    void Refresh() {
        for (int i = 0; i < 4; ++i) {
            QNUIController::SetViewType(kViews[i]);
            QNUIController::GetScanTreeNodeData(&arrays[i], false, &mirrors[i]);
            EXPECT_EQ(mirrors[i].Check(), "") << "view " << kViews[i];
        }
    }
    std::size_t Inserts() const {
        std::size_t n = 0;
        for (auto const& mirror : mirrors) n += mirror.inserts.size();
        return n;
    }
};

/// The image's model behind the facade, with the poster and the managers of this test.
struct FacadeModel {
    explicit FacadeModel(std::vector<std::string> const& images) : model(images) {
        uimodel::GetSeams().pPoster = pPoster;
        results.SetLoadPause(std::chrono::milliseconds(0));
        QNUIController::UseModel({&model.scan, &model.devices, &types, &times, &recovery, nullptr, &saver, &results});
    }
    ~FacadeModel() {
        QNUIController::StopJobs(std::chrono::minutes(1));
        uimodel::GetSeams().pPoster = std::make_shared<uimodel::CQueuedPoster>();
    }
    /// Takes notifications, refreshing the window on each, until the scan has ended and its
    /// poller is done; answers them.
    std::vector<std::pair<std::string, int>> RunToEnd(Window& window) {
        std::vector<std::pair<std::string, int>> posts;
        do {
            posts.push_back(pPoster->Take());
            window.Refresh();
        } while (posts.back().second != uimodel::OPERATION_IDLE ||
                 QNUIController::IsScanRunning());  // an older run's end
        QNUIController::StopJobs(std::chrono::minutes(1));
        while (!pPoster->Empty()) {
            posts.push_back(pPoster->Take());
            window.Refresh();
        }
        return posts;
    }

    /// Takes notifications until `name` arrives while `running` answers false, then collects
    /// the ended job's threads.
    void TakeUntil(std::string const& name, bool (*running)() = nullptr) {
        while (pPoster->Take().first != name || (running && running())) {
        }
        QNUIController::StopJobs(std::chrono::minutes(1));
    }

    modeltest::ModelScan model;
    uimodel::QNTypeMgr types{filetypes::ReadFileTypeList(QUORIN_FILETYPE_LIST)};
    uimodel::QNTimeMgr times;
    uimodel::QNUIRecovery recovery{model.scan};
    uimodel::QNSaveAndRestoreNodeOperate saver;
    uimodel::SaveRestoreResult results{model.scan, model.devices, &recovery};
    std::shared_ptr<StatusPoster> pPoster = std::make_shared<StatusPoster>(model.scan);
};

/// The files of the type tree: those of the extension folders and those directly under Others.
std::size_t TypeTreeFiles(TreeArray const& array) {
    std::size_t n = 0;
    for (auto const& pCategory : array.rows)
        for (std::size_t i = 0; i < pCategory->childCount(); ++i) {
            uimodel::OpNodeData const* pFolder = pCategory->childItem(i);
            n += pFolder ? pFolder->childCount() : 1;
        }
    return n;
}

struct ImageCase {
    char const* pszName;
    std::string (*folder)();
};

class FacadeScan : public testing::TestWithParam<ImageCase> {};

TEST_P(FacadeScan, TreesFollowTheScanInRangesAndHoldEveryFile) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::string const folder = GetParam().folder();
    if (folder.empty())
        GTEST_SKIP() << "the " << GetParam().pszName << " image was not built (tools, root or FUSE missing)";
    std::string const stem = folder + "/" + GetParam().pszName;
    FacadeModel facade({stem + ".img"});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    auto const posts = facade.RunToEnd(window);
    ASSERT_GE(posts.size(), 1u);
    EXPECT_EQ(posts.back(), std::make_pair(std::string("NormalScranValue"), int{uimodel::OPERATION_IDLE}))
        << "the last notification must follow the end of the scan";
    for (auto const& mirror : window.mirrors) EXPECT_EQ(mirror.resets, 0u);

    // Every file the tools wrote is listed by its folder's row of the path tree.
    std::set<std::string> listed;
    std::vector<uimodel::OpNodeData*> rows;
    for (auto const& pRow : window.arrays[0].rows) rows.push_back(pRow.get());
    while (!rows.empty()) {
        uimodel::OpNodeData* pRow = rows.back();
        rows.pop_back();
        uimodel::FileNodeList files;
        QNUIController::GetFileNodeToArray(files, pRow);
        for (IFileNode* pFile : files) {
            std::string path = uimodel::GetPathByFileNode(pFile);
            listed.insert(path.substr(path.find('/', 1)) + (pFile->IsDeleted() ? " (deleted)" : ""));
        }
        for (std::size_t i = 0; i < pRow->childCount(); ++i) rows.push_back(pRow->childItem(i));
    }
    std::set<std::string> const expected = modeltest::Expected(stem);
    ASSERT_FALSE(expected.empty());
    for (auto const& path : expected) EXPECT_TRUE(listed.count(path)) << path;

    // The type tree holds every file once; the modification tree every file with a date.
    EXPECT_EQ(TypeTreeFiles(window.arrays[1]), facade.model.scan.GetScanFileCnt());
    std::size_t u64Dated = 0;
    for (auto const& [iYear, months] : facade.model.scan.GetModifyTimeMap())
        for (auto const& [iMonth, files] : months) u64Dated += files.size();
    // The date root reads as its files, not its years and months with them.
    EXPECT_EQ(QNUIController::GetTimeNodeChildrenCnt(window.arrays[3][0]), u64Dated);

    std::size_t const inserts = window.Inserts();
    window.Refresh();
    window.Refresh();
    EXPECT_EQ(window.Inserts(), inserts) << "refreshes without new files added rows";
}

INSTANTIATE_TEST_SUITE_P(Images, FacadeScan,
                         testing::Values(ImageCase{"fat32", modeltest::FatFolder},
                                         ImageCase{"exfat_4k", modeltest::ExFatFolder}),
                         [](auto const& testInfo) { return std::string(testInfo.param.pszName); });

TEST(Facade, PauseRefusalAndAStopFollowedAtOnceByANewScanRunOnlyTheNewOne) {
    FAT_IMAGES_OR_SKIP();
    FacadeModel facade({fattest::Image("fat32.img")});
    Window window;
    facade.model.scan.bPauseAtFirstRoot = true;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.model.scan.WaitForStatus([](int iStatus) { return iStatus == uimodel::OPERATION_PAUSED; });
    EXPECT_TRUE(QNUIController::IsPause());
    EXPECT_TRUE(QNUIController::IsScanRunning());
    EXPECT_FALSE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue")) << "a second scan while one runs";
    QNUIController::PauseOrResumeScan();
    QNUIController::PauseOrResumeScan();
    EXPECT_TRUE(QNUIController::IsPause());

    facade.model.scan.bPauseAtFirstRoot = false;
    QNUIController::StopScan(0);
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    // One root per run: the stopped run had returned before the new one was set running.
    EXPECT_EQ(facade.model.scan.statusAtRoot,
              (std::vector<int>{uimodel::OPERATION_RUNNING, uimodel::OPERATION_RUNNING}));
    EXPECT_EQ(facade.model.scan.GetFileSystemNode().size(), 1u);
    std::set<std::string> const filed = modeltest::FiledFiles(facade.model.scan);
    EXPECT_EQ(facade.model.scan.GetScanFileCnt(), filed.size());
    EXPECT_FALSE(QNUIController::IsScanRunning());
}

TEST(Facade, ASecondSearchWaitsForStopSearchAndASearchKeepsOnlyMatchingFiles) {
    FAT_IMAGES_OR_SKIP();
    FacadeModel facade({fattest::Image("fat32.img")});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    std::size_t const u64All = facade.model.scan.GetScanFileCnt();

    ASSERT_TRUE(QNUIController::DoSearchWithString("PLAIN", "DoSearchValue"));
    EXPECT_FALSE(QNUIController::DoSearchWithString("OTHER", "DoSearchValue"));
    EXPECT_EQ(facade.pPoster->Take().first, "DoSearchValue");
    EXPECT_FALSE(QNUIController::DoSearchWithString("OTHER", "DoSearchValue")) << "until StopSearch";
    uimodel::FileNodeList found;
    QNUIController::GetSearchResultToArr(found);
    ASSERT_FALSE(found.empty());
    for (IFileNode* pFile : found)
        EXPECT_TRUE(uimodel::IsStringInString("PLAIN", pFile->GetFileName())) << pFile->GetFileName();
    window.Refresh();
    EXPECT_EQ(TypeTreeFiles(window.arrays[1]), found.size());

    QNUIController::StopSearch();
    ASSERT_TRUE(QNUIController::DoSearchWithString("", "DoSearchValue"));
    facade.pPoster->Take();
    QNUIController::StopSearch();
    uimodel::FileNodeList all;
    QNUIController::GetSearchResultToArr(all);
    EXPECT_TRUE(all.empty()) << "no key, no search result";
    window.Refresh();
    EXPECT_EQ(window.mirrors[1].resets, 2u) << "each search empties the type tree once";

    // While a scan runs unpaused, the search would race the tree builder over the nodes.
    facade.model.scan.SetStatus(uimodel::OPERATION_RUNNING);
    EXPECT_FALSE(QNUIController::DoSearchWithString("PLAIN", "DoSearchValue"));
    facade.model.scan.SetStatus(uimodel::OPERATION_IDLE);
    EXPECT_EQ(facade.model.scan.GetScanFileCnt(), u64All);
}

TEST(Facade, CheckingACategoryRowRecoversThatCategoryAndNothingElse) {
    FAT_IMAGES_OR_SKIP();
    FacadeModel facade({fattest::Image("fat32.img")});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    // The first category other than Others that holds files, and those files.
    uimodel::OpNodeData* pCategory = nullptr;
    std::set<IFileNode*> expected;
    for (auto const& pRow : window.arrays[1].rows) {
        if (pRow == window.arrays[1].rows.back() || pCategory) continue;
        for (std::size_t i = 0; i < pRow->childCount(); ++i)
            for (std::size_t k = 0; k < pRow->childItem(i)->childCount(); ++k)
                expected.insert(pRow->childItem(i)->childNode(k));
        if (!expected.empty()) pCategory = pRow.get();
    }
    ASSERT_NE(pCategory, nullptr);
    pCategory->setNodeState(2);
    std::uint64_t u64Count = 0, u64Size = 0;
    QNUIController::GetSelectedFilesAmout(u64Count, u64Size);
    EXPECT_EQ(u64Count, expected.size());

    std::set<IFileNode*> recovered;
    facade.recovery.SetFileReport(
        [&recovered](IFileNode* pNode, std::string const&, RESULT result, std::string const&) {
            if (Succeeded(result)) recovered.insert(pNode);
        });
    testsupport::TempDir temp;
    EXPECT_EQ(QNUIController::DoRecovery("", "DoRecovery"), uimodel::kResultRecoveryBadArgument);
    ASSERT_EQ(QNUIController::DoRecovery(temp.Path() + "/out", "DoRecovery"), kResultSuccess);
    facade.TakeUntil("DoRecovery", &QNUIController::IsRecoveryRunning);
    EXPECT_EQ(recovered, expected);
    EXPECT_EQ(QNUIController::GetRecoveridedFiles(), expected.size());

    // A new device list lets go of the scan's controller: the recovery must not keep its objects.
    ASSERT_TRUE(QNUIController::RefreshDeviceInfo());
    Window again;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(again);
    for (IFileNode* pRoot : facade.model.scan.GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_CHECKED);
    ASSERT_EQ(QNUIController::DoRecovery(temp.Path() + "/again", "DoRecovery"), kResultSuccess);
    facade.TakeUntil("DoRecovery", &QNUIController::IsRecoveryRunning);
    EXPECT_EQ(QNUIController::GetRecoveridedFiles(), facade.model.scan.GetScanFileCnt());
}

TEST(Facade, SavingAndLoadingAreRefusedWhileAJobRunsAndALoadedScanRecovers) {
    FAT_IMAGES_OR_SKIP();
    FacadeModel facade({fattest::Image("fat32.img")});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    std::uint64_t const u64Files = facade.model.scan.GetScanFileCnt();
    testsupport::TempDir temp;
    std::string const file = temp.File("scan.rsf");

    // The writer would walk trees the builder still changes; a load would replace what a recovery copies.
    for (uimodel::QNUIOperation* pBusy : {static_cast<uimodel::QNUIOperation*>(&facade.model.scan),
                                          static_cast<uimodel::QNUIOperation*>(&facade.recovery)}) {
        pBusy->SetStatus(uimodel::OPERATION_RUNNING);
        EXPECT_EQ(QNUIController::beginSaveOrRestoreNode(true, file), uimodel::kResultsFileBusy);
        EXPECT_EQ(QNUIController::beginSaveOrRestoreNode(false, file), uimodel::kResultsFileBusy);
        pBusy->SetStatus(uimodel::OPERATION_IDLE);
    }
    ASSERT_EQ(QNUIController::beginSaveOrRestoreNode(true, file), 0);
    facade.TakeUntil("QueryProgressFinish");
    std::uint64_t u64Total = 0, u64Done = 0, u64Error = 1;
    QNUIController::GetSaveorRestoreProgress(u64Total, u64Done, u64Error, true);
    EXPECT_GT(u64Total, 0u);
    EXPECT_EQ(u64Done, u64Total);
    EXPECT_EQ(u64Error, 0u);
    // The stand-alone progress poller over a finished save posts once and ends.
    QNUIController::QuerySaveOrRestoreProgress();
    facade.TakeUntil("QueryProgressInfo");

    ASSERT_EQ(QNUIController::beginSaveOrRestoreNode(false, file), 0);
    facade.TakeUntil("QueryProgressFinish");
    QNUIController::GetSaveorRestoreProgress(u64Total, u64Done, u64Error, false);
    EXPECT_EQ(u64Done, u64Total);
    EXPECT_EQ(u64Error, 0u);
    EXPECT_EQ(facade.model.scan.GetScanFileCnt(), u64Files);
    Window loaded;
    loaded.Refresh();
    EXPECT_EQ(TypeTreeFiles(loaded.arrays[1]), u64Files);

    for (IFileNode* pRoot : facade.model.scan.GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_CHECKED);
    ASSERT_EQ(QNUIController::DoRecovery(temp.Path() + "/out", "DoRecovery"), kResultSuccess);
    facade.TakeUntil("DoRecovery", &QNUIController::IsRecoveryRunning);
    EXPECT_EQ(QNUIController::GetRecoveridedFiles(), u64Files);
}

TEST(Facade, ClosingWithAPausedScanStopsItAndExits) {
    FAT_IMAGES_OR_SKIP();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FacadeModel facade({fattest::Image("fat32.img")});
            facade.model.scan.bPauseAtFirstRoot = true;
            QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue");
            facade.model.scan.WaitForStatus([](int iStatus) { return iStatus == uimodel::OPERATION_PAUSED; });
            QNUIController::CloseApp();
        },
        testing::ExitedWithCode(0), "");
}

TEST(Facade, DiskRowsCarryTheirVolumesAndAVolumeRowScansThatVolumeAlone) {
    for (char const* pszTool : {"sfdisk", "mkfs.fat", "mcopy"})
        if (!testsupport::HaveTool(pszTool)) GTEST_SKIP() << pszTool << " is not installed";
    testsupport::TempDir dir;
    std::string const image = dir.File("disk.img");
    // Three FAT16 volumes of 10 MiB, each with one file named after it.
    ASSERT_EQ(testsupport::RunCommand(
                  "set -e; export MTOOLS_SKIP_CHECK=1 TZ=UTC; IMG='" + image +
                  "'; truncate -s 40M \"$IMG\"; printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\n"
                  "start=43008,size=20480,type=6\\n' | sfdisk -q \"$IMG\"; for s in 2048 22528 43008; do "
                  "mkfs.fat -F 16 -n PHOTOS$s --offset $s \"$IMG\" 10240; echo v$s > \"$IMG.txt\"; "
                  "mcopy -i \"$IMG@@$((s * 512))\" \"$IMG.txt\" ::/VOL$s.TXT; done >/dev/null 2>&1"),
              0);
    FacadeModel facade({image});
    QNUIController::NotifiyDeviceInfoAfterInit("aInitFinished");  // the list is ready: posted at once
    EXPECT_EQ(facade.pPoster->Take().first, "aInitFinished");
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
    QNUIController::GetDeviceInfoToArray(disks);
    ASSERT_EQ(disks.size(), 1u);
    ASSERT_EQ(disks[0]->numberOfChildren(), 3u);
    uimodel::DiskVolumeNodeData const* pVolume = disks[0]->childAtIndex(1);
    EXPECT_EQ(pVolume->name(), "PHOTOS22528");
    EXPECT_EQ(pVolume->volumeIndex(), 1);
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithData(pVolume, "NormalScranValue"));
    facade.RunToEnd(window);
    EXPECT_EQ(modeltest::FiledFiles(facade.model.scan), std::set<std::string>{"/VOL22528.TXT"});
    EXPECT_EQ(QNUIController::GetSaveFileName().rfind("PHOTOS22528_", 0), 0u) << QNUIController::GetSaveFileName();
    Window whole;  // a window empties its trees before it starts another scan
    ASSERT_TRUE(QNUIController::DoScanWithData(disks[0].get(), "NormalScranValue"));
    facade.RunToEnd(whole);
    EXPECT_EQ(modeltest::FiledFiles(facade.model.scan).size(), 3u);
    EXPECT_EQ(QNUIController::GetSaveFileName().rfind("disk.img_", 0), 0u) << QNUIController::GetSaveFileName();
}

TEST(SaveFileName, ASlashInADeviceNameStaysOutOfTheFileName) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    // Device models read "Generic/USB SD Reader": the "/" would name a folder that does not exist.
    EXPECT_EQ(uimodel::SaveFileName("Generic/USB SD/Reader", local), "Generic_USB SD_Reader_12-07-2026 at 09_05_03");
}

TEST(Poller, AJobThatNeverRaisesAnUpdatePostsOnceAtItsEnd) {
    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    uimodel::CQueuedPoster poster;
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    int iPass = 0;
    uimodel::PollOperation(scan, poster, "DoRecovery", std::chrono::milliseconds(1), [&] {
        if (++iPass == 3) scan.SetStatus(uimodel::OPERATION_IDLE);
    });
    EXPECT_EQ(poster.Take(), std::optional<std::string>("DoRecovery"));
    EXPECT_EQ(poster.Take(), std::nullopt);
}

TEST(Poller, SeesTheEndAtOnceNotAnIntervalLater) {
    // With an hour between passes, only a poller woken by the end returns: the window's last
    // notification must not wait out the interval after a short recovery.
    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    uimodel::CQueuedPoster poster;
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    std::thread job([&] {
        for (int i = 0; i < 1000; ++i) scan.SetNeedUIUpdate(1);  // raises wake nobody
        scan.SetStatus(uimodel::OPERATION_IDLE);
    });
    uimodel::PollOperation(scan, poster, "DoRecovery", std::chrono::hours(1));
    job.join();
    EXPECT_EQ(poster.Take(), std::optional<std::string>("DoRecovery"));
}

TEST(Poller, ARaiseDuringATreeRebuildIsPostedAfterItAndTheEndIsPostedToo) {
    uimodel::QNUIScan scan(&uimodel::QNUIDeviceData::instance());
    uimodel::CQueuedPoster poster;
    scan.SetStatus(uimodel::OPERATION_RUNNING);
    std::vector<std::optional<std::string>> seen;
    int iPass = 0;
    uimodel::PollOperation(scan, poster, "NormalScranValue", std::chrono::milliseconds(1), [&] {
        switch (++iPass) {
            case 1:  // the main thread rebuilds a tree while results arrive
                scan.SetOpTreeFinished(0);
                scan.SetNeedUIUpdate(1);
                break;
            case 2:
                seen.push_back(poster.Take());
                scan.SetOpTreeFinished(1);
                break;
            case 3:
                seen.push_back(poster.Take());
                scan.SetNeedUIUpdate(1);
                scan.SetStatus(uimodel::OPERATION_IDLE);  // the last results and the end together
                break;
        }
    });
    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>{std::nullopt, "NormalScranValue"}));
    EXPECT_EQ(poster.Take(), std::optional<std::string>("NormalScranValue"));
    EXPECT_EQ(poster.Take(), std::nullopt);
}

TEST(ProgressText, UnknownAndFarRemainingTimesShowDashes) {
    struct Case {
        unsigned long long u64Done, u64Total;
        long long s64Elapsed;
        char const* pszText;
        double dPercent;
    };
    for (Case const& c :
         {Case{0, 0, 10, "-:-:-", 0.0}, Case{50, 100, 10, "00:00:10", 50.0}, Case{1, 200, 10, "-:-:-", 0.5},
          Case{1, 100, 3636, "99:59:24", 1.0}, Case{1, 100, 3700, "-:-:-", 1.0},
          Case{1ULL << 62, 1ULL << 63, 1'000'000, "-:-:-", 50.0}, Case{150, 100, 10, "00:00:00", 150.0}}) {
        _PROGRESS_INFO info;
        info.u64Done = c.u64Done;
        info.u64Total = c.u64Total;
        double dPercent = -1;
        EXPECT_EQ(uimodel::RemainingTimeText(info, c.s64Elapsed, dPercent), c.pszText)
            << c.u64Done << "/" << c.u64Total;
        EXPECT_DOUBLE_EQ(dPercent, c.dPercent);
    }
}

}  // namespace

namespace {

// The disk page's refresh after media came or went: refused while a scan runs, otherwise the
// list is made again on a thread and announced; a failed listing keeps the enumerator's answer.
TEST(Facade, AsynchronousDeviceRefreshIsRefusedDuringAScanAndKeepsTheFailureReason) {
    FAT_IMAGES_OR_SKIP();
    {
        FacadeModel facade({fattest::Image("fat32.img")});
        facade.model.scan.SetStatus(uimodel::OPERATION_RUNNING);
        EXPECT_FALSE(QNUIController::RefreshDeviceInfoAsync("aInitFinished"));
        EXPECT_EQ(facade.model.devices.GetInitState(), uimodel::DEVICE_INIT_READY);  // nothing let go of
        facade.model.scan.SetStatus(uimodel::OPERATION_IDLE);

        Window window;
        ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
        facade.RunToEnd(window);
        ASSERT_GT(facade.model.scan.GetScanFileCnt(), 0u);
        ASSERT_TRUE(QNUIController::RefreshDeviceInfoAsync("aInitFinished"));
        EXPECT_EQ(facade.model.scan.GetScanFileCnt(), 0u);  // the scan's results went on this thread
        EXPECT_EQ(facade.pPoster->Take().first, "aInitFinished");
        EXPECT_EQ(facade.model.devices.GetInitState(), uimodel::DEVICE_INIT_READY);
        EXPECT_EQ(facade.model.devices.GetInitResult(), kResultSuccess);
        std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks;
        QNUIController::GetDeviceInfoToArray(disks);
        ASSERT_EQ(disks.size(), 1u);
        EXPECT_EQ(disks[0]->name(), "fat32.img");
    }
    {
        testsupport::TempDir dir;  // no readable disk: the listing fails and says why
        FacadeModel facade({dir.File("gone.img")});
        ASSERT_TRUE(QNUIController::RefreshDeviceInfoAsync("aInitFinished"));
        EXPECT_EQ(facade.pPoster->Take().first, "aInitFinished");
        EXPECT_EQ(facade.model.devices.GetInitState(), uimodel::DEVICE_INIT_FAILED);
        EXPECT_EQ(ResultModule(facade.model.devices.GetInitResult()), kModuleEnumDevice);
        EXPECT_EQ(ResultCode(facade.model.devices.GetInitResult()), kCodeEnumNoDisk);
    }
}

// Names in several scripts on an exFAT volume written through exfat-fuse, found by their
// capitals; hostile names and texts are plain text, and a text of 10 KiB or of blanks finds
// nothing without ending the search early or late.
TEST(Facade, TheSearchFindsEveryAlphabetByItsCapitalsOnAnExFatVolume) {
    std::string const longName = std::string(251, 'a') + ".jpg";  // 255 characters, exFAT's most
    std::string const marksOnly = "\xcc\x81\xcc\x88\xcc\xa3";     // three combining marks, nothing to carry them
    std::vector<std::string> const names = {"\xce\xac\xce\xbd\xce\xbd\xce\xb1.jpg",
                                            "\xd3\x99\xd0\xbb\xd0\xb5\xd0\xbc.jpg",
                                            "\xc7\x86"
                                            "emal.jpg",
                                            "\xe2\x93\x90"
                                            "bc.jpg",
                                            "&lt;i&gt;x&amp;.jpg",
                                            longName,
                                            marksOnly,
                                            "plain.jpg"};
    testsupport::TempDir temp;
    std::string const image = temp.File("exfat.img");
    {
        modeltest::CExFatFuseMount fuse(temp, image);
        if (!fuse.WhyNot().empty()) GTEST_SKIP() << fuse.WhyNot();
        bool bWritten = true;
        for (std::string const& name : names)
            bWritten = bWritten && testsupport::RunCommand("printf picture > " +
                                                           testsupport::ShellQuote(fuse.Folder() + "/" + name)) == 0;
        ASSERT_TRUE(bWritten);
    }

    FacadeModel facade({image});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    ASSERT_EQ(facade.model.scan.GetScanFileCnt(), names.size());

    struct Case {
        std::string text;
        std::set<std::string> found;
    };
    std::vector<Case> const cases = {
        {"\xce\x86\xce\x9d\xce\x9d\xce\x91", {names[0]}},  // ΆΝΝΑ
        {"\xd3\x98\xd0\x9b\xd0\x95\xd0\x9c", {names[1]}},  // ӘЛЕМ
        {"\xc7\x85"
         "EMAL",
         {names[2]}},                  // ǅEMAL
        {"\xe2\x92\xb6", {names[3]}},  // Ⓐ
        {"&LT;I&GT;", {names[4]}},     // markup exFAT allows in a name: entities, read as text
        {std::string(251, 'A'), {longName}},
        {marksOnly, {marksOnly}},
        {".JPG", {names[0], names[1], names[2], names[3], names[4], longName, "plain.jpg"}},
        {std::string(10 * 1024, 'A'), {}},
        {"   ", {}},
    };
    for (Case const& c : cases) {
        ASSERT_TRUE(QNUIController::DoSearchWithString(c.text, "DoSearchValue")) << c.text.substr(0, 40);
        EXPECT_EQ(facade.pPoster->Take().first, "DoSearchValue");
        uimodel::FileNodeList hits;
        QNUIController::GetSearchResultToArr(hits);
        QNUIController::StopSearch();
        std::set<std::string> found;
        for (IFileNode* pFile : hits) found.insert(pFile->GetFileName());
        EXPECT_EQ(found, c.found) << c.text.substr(0, 40);
    }
}

}  // namespace

TEST(Facade, ADeepScanStoppedAsItStartsKeepsTheQuickScansResults) {
    FAT_IMAGES_OR_SKIP();
    FacadeModel facade({fattest::Image("fat32.img")});
    Window window;
    ASSERT_TRUE(QNUIController::DoScanWithDiskIndex(0, -1, "NormalScranValue"));
    facade.RunToEnd(window);
    std::set<std::string> const quick = modeltest::FiledFiles(facade.model.scan);
    ASSERT_FALSE(quick.empty());

    // As the window does: empty the trees, pause the deep scan it has just asked for, then stop
    // it keeping results. The worker is held at its start until both are in, or it could race
    // past the point where a stop still means "before it began".
    std::promise<void> stopIn;
    std::shared_future<void> const gate = stopIn.get_future().share();
    facade.model.scan.SetRecoveryHooks({[&] {
                                            gate.wait();
                                            facade.recovery.ReleaseDataRecovery();
                                        },
                                        [&] { facade.recovery.ResetParam(); }});
    Window deepWindow;
    ASSERT_TRUE(QNUIController::DoDeepScan("DeepScranValue"));
    QNUIController::PauseOrResumeScan();
    ASSERT_TRUE(QNUIController::IsPause());
    std::uint64_t const u64Shown = facade.model.scan.GetScanFileCnt();
    QNUIController::StopScan(0);
    stopIn.set_value();
    facade.RunToEnd(deepWindow);

    EXPECT_GE(facade.model.scan.GetScanFileCnt(), u64Shown) << "a stop that keeps results lost files";
    ASSERT_FALSE(facade.model.scan.GetFileSystemNode().empty());
    EXPECT_EQ(TypeTreeFiles(deepWindow.arrays[1]), facade.model.scan.GetScanFileCnt()) << "the type tree refilled";
    if (u64Shown == quick.size()) {
        EXPECT_EQ(modeltest::FiledFiles(facade.model.scan), quick);
    }
}
