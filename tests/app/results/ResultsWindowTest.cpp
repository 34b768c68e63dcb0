// The results window over a real scan: the fixture's FAT32 image (live and deleted files in
// nested folders, unknown extensions) scanned through the hook's model, as the program does.
// The window follows the scan to its end, its models pass Qt's checks while the refreshes add
// rows, and the finished window sorts, checks, ignores another disk's removal and runs a deep
// scan that the user pauses and stops.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QTest>

#include <cstdlib>

#include "FatTestImages.h"
#include "Grabs.h"
#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/CustomHeaderCell.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/ResultViews.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::results::FileListModel;
using app::results::QNDeletailWindowController;
using apptest::kScanTimeoutMs;
using uimodel::OpNodeData;
using uimodel::QNUIController;

// The first folder row (depth-first) whose list holds at least `files` files of different sizes.
OpNodeData* FolderWithFiles(OpNodeData* row, std::size_t files) {
    uimodel::FileNodeList list;
    QNUIController::GetFileNodeToArray(list, row);
    if (list.size() >= files && list.front()->GetFileSize() != list.back()->GetFileSize()) return row;
    for (std::size_t i = 0; i < row->childCount(); ++i)
        if (OpNodeData* child = row->childItem(i))
            if (OpNodeData* found = FolderWithFiles(child, files)) return found;
    return nullptr;
}

TEST(ResultsWindow, FollowsAScanThenSortsChecksAndRunsAPausedDeepScan) {
    FAT_IMAGES_OR_SKIP();
    apptest::ScannedWindow window(apptest::InstallImage(fattest::Image("fat32.img")), {1000, 650});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* paths = apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab);
    QAbstractItemModelTester treeTester(paths, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester listTester(apptest::List(window), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(paths, &QAbstractItemModel::modelReset);
    ASSERT_TRUE(window.StartScan());
    const qsizetype resetsAtStart = resets.size();
    ASSERT_TRUE(window.WaitForScanEnd());
    // The facade's own first refresh of a new scan may reset; no later refresh does.
    EXPECT_LE(resets.size() - resetsAtStart, 1);

    // Display: the count, the folders, the files with the deleted ones marked.
    double percent = 0;
    std::uint64_t found = 0;
    QNUIController::GetScanProgress(percent, found);
    ASSERT_GT(found, 0u);
    EXPECT_EQ(apptest::Bar(window)->foundText(),
              app::Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(QString::number(found)));
    EXPECT_EQ(apptest::Phase(window), app::results::ScanPhase::Ended);
    ASSERT_EQ(paths->rowCount(), 1);
    EXPECT_GE(paths->rowCount(paths->index(0, 0)), 3) << "the root's folders";
    std::uint64_t listed = 0, deleted = 0;
    apptest::Pane(window)->countListedFiles(listed, deleted);
    EXPECT_EQ(listed, found);
    EXPECT_GT(deleted, 0u);
    ASSERT_NE(apptest::ChosenFolder(window), nullptr) << "the root row is chosen at the end";
    FileListModel* list = apptest::List(window);
    ASSERT_GT(list->rowCount(), 0);
    for (int row = 0; row < list->rowCount(); ++row)
        EXPECT_EQ(list->index(row, FileListModel::kName).data(Qt::DecorationRole).isValid(),
                  OpNodeData::isFileNodeDeleted(list->fileAt(row)));
    EXPECT_NE(apptest::ShownOffer(window), nullptr);
    EXPECT_EQ(apptest::Part<QTimer>(window, "deepScanOfferTimer")->interval(), 8000);
    EXPECT_TRUE(apptest::Part<QTimer>(window, "deepScanOfferTimer")->isActive());
    // Held open while the user works: whichever line the box shows, the offer leaves it in sight.
    apptest::Part<QTimer>(window, "deepScanOfferTimer")->stop();
    ASSERT_NE(apptest::ShownOffer(window), nullptr);
    EXPECT_EQ(window.BoxPartCoveredBy(apptest::ShownOffer(window)->geometry()), "") << "over the found line";
    window.CheckEveryRow();
    EXPECT_EQ(window.BoxPartCoveredBy(apptest::ShownOffer(window)->geometry()), "") << "over the selection line";
    window.grab().save(apptest::GrabFolder() + QStringLiteral("/results-checked.png"));
    apptest::Pane(window)->clickButtonAction(
        apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->itemAt(paths->index(0, 0)));
    window.resize(1200, 700);
    EXPECT_NE(apptest::ShownOffer(window), nullptr) << "re-anchored, not dropped";
    window.grab().save(apptest::GrabFolder() + QStringLiteral("/results-finished.png"));
    const QImage shot = window.grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    auto probe = [&](int x, int y) { return shot.pixelColor(int(x * ratio), int(y * ratio)); };
    EXPECT_EQ(probe(window.width() - 10, 85), QColor(38, 41, 45)) << "the bar's grey";
    EXPECT_EQ(probe(5, 90 + 45), QColor(9, 40, 76)) << "the chosen root row's highlight";
    const app::TabButton* pathTabButton = apptest::Part<app::TabButton>(window, "pathTab");
    const QRect pathTab(pathTabButton->mapTo(&window, QPoint(0, 0)), pathTabButton->size());
    EXPECT_EQ(probe(pathTab.center().x(), pathTab.bottom()), QColor(59, 153, 252)) << "the chosen tab's bg_tab glow";
    // Every time of the list shows whole.
    const QFontMetrics cells(apptest::Pane(window)->tableView()->font());
    for (int row = 0; row < list->rowCount(); ++row)
        EXPECT_LT(cells.horizontalAdvance(list->index(row, FileListModel::kCreated).data().toString()),
                  apptest::Pane(window)->tableView()->header()->sectionSize(FileListModel::kCreated) - 8);

    // "Others" mixes extension-folder rows and files: the type tree shows rows only.
    apptest::Pane(window)->selectTab(QNDeletailWindowController::kModifiedTab);
    // The chosen top tab and the sub-tab not chosen carry their images; the chosen sub-tab none.
    EXPECT_EQ(apptest::Part<app::TabButton>(window, "pathTab")->imageName(), QString());
    EXPECT_EQ(apptest::Part<app::TabButton>(window, "timeTab")->imageName(), QStringLiteral("bg_tab"));
    EXPECT_EQ(apptest::Part<app::TabButton>(window, "createdTab")->imageName(), QStringLiteral("text_bg"));
    EXPECT_EQ(apptest::Part<app::TabButton>(window, "modifiedTab")->imageName(), QString());
    EXPECT_EQ(apptest::Part<app::TabButton>(window, "modifiedTab")->titleColor(), QColor(Qt::white));
    apptest::Pane(window)->selectTab(QNDeletailWindowController::kTypeTab);
    auto* types = apptest::Pane(window)->treeModel(QNDeletailWindowController::kTypeTab);
    ASSERT_GT(types->rowCount(), 0);
    for (int row = 0; row < types->rowCount(); ++row) {
        const QModelIndex category = types->index(row, 0);
        OpNodeData* item = types->itemAt(category);
        std::size_t rowChildren = 0;
        for (std::size_t i = 0; i < item->childCount(); ++i) rowChildren += item->childItem(i) ? 1 : 0;
        EXPECT_EQ(std::size_t(types->rowCount(category)), rowChildren);
    }
    apptest::Pane(window)->selectTab(QNDeletailWindowController::kPathTab);

    // Sorting: Size largest first, then smallest first; Name after those Z before A.
    OpNodeData* folder = FolderWithFiles(apptest::Pane(window)->treeModel(0)->itemAt(paths->index(0, 0)), 2);
    ASSERT_NE(folder, nullptr);
    apptest::Pane(window)->selectItem(folder);
    auto size = [&](int row) { return static_cast<unsigned long long>(list->fileAt(row)->GetFileSize()); };
    const int last = list->rowCount() - 1;
    apptest::Pane(window)->sortByColumn(FileListModel::kSize);
    EXPECT_GE(size(0), size(last));
    EXPECT_GT(size(0), size(last));
    apptest::Pane(window)->sortByColumn(FileListModel::kSize);
    EXPECT_LT(size(0), size(last));
    apptest::Pane(window)->sortByColumn(FileListModel::kName);
    EXPECT_GT(OpNodeData::fileNodeName(list->fileAt(0)), OpNodeData::fileNodeName(list->fileAt(last)));
    // One triangle, on the last sorted column; a new choice of folder clears it.
    auto* header = qobject_cast<app::CustomHeaderCell*>(apptest::Pane(window)->tableView()->header());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->sortColumn(), FileListModel::kName);
    apptest::Pane(window)->selectItem(folder);
    EXPECT_EQ(header->sortColumn(), -1);
    apptest::Pane(window)->sortByColumn(FileListModel::kName);

    // Checks: one file gives the folder the mixed state; select-all checks all, then clears all.
    apptest::Pane(window)->toggleListCheck(0);
    EXPECT_EQ(apptest::Part<QCheckBox>(window, "selectAll")->checkState(), Qt::PartiallyChecked);
    apptest::Pane(window)->setAllSelectOrNoSelect();
    EXPECT_EQ(apptest::Part<QCheckBox>(window, "selectAll")->checkState(), Qt::Checked);
    EXPECT_NE(folder->state(), 0) << "the folder row follows its files";
    std::uint64_t checked = 0, checkedSize = 0;
    QNUIController::GetSelectedFilesAmout(checked, checkedSize);
    EXPECT_EQ(checked, std::uint64_t(list->rowCount()));
    EXPECT_TRUE(apptest::Part<app::TCImageButton>(window, "recoverButton")->isVisible());
    apptest::Pane(window)->setAllSelectOrNoSelect();
    EXPECT_EQ(apptest::Part<QCheckBox>(window, "selectAll")->checkState(), Qt::Unchecked);
    QNUIController::GetSelectedFilesAmout(checked, checkedSize);
    EXPECT_EQ(checked, 0u);

    // Another disk's removal is ignored; the window's disk is the image.
    const QSignalSpy& sheets = window.sheets;
    app::NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"),
                                             {{QStringLiteral("USBPath"), QStringLiteral("sdz")}});
    EXPECT_TRUE(sheets.isEmpty());

    // A deep scan, paused by the user: sorting and checks work; stop with Yes ends in the
    // finished state with the tree built, and no deep-scan offer.
    window.ended.clear();
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([] { return QNUIController::IsScanRunning(); }, 5000));
    auto foundNow = [] {
        double p = 0;
        std::uint64_t n = 0;
        QNUIController::GetScanProgress(p, n);
        return n;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return foundNow() > 0 || !QNUIController::IsScanRunning(); }, kScanTimeoutMs));
    apptest::Controls(window)->pauseButtonClick();
    if (QNUIController::IsScanRunning()) {
        EXPECT_EQ(apptest::Phase(window), app::results::ScanPhase::Paused);
        EXPECT_TRUE(apptest::Part<app::TCImageButton>(window, "playButton")->isVisibleTo(&window));
        apptest::Controls(window)->stopButtonClick();
        ASSERT_EQ(sheets.size(), 1);
        window.AnswerLastSheet(true);
    }
    ASSERT_TRUE(window.WaitForScanEnd());
    EXPECT_EQ(apptest::Phase(window), app::results::ScanPhase::Ended);
    EXPECT_FALSE(apptest::Part<app::TCImageButton>(window, "deepScanButton")->isVisibleTo(&window));
    // The tree holds what the stopped scan kept.
    EXPECT_EQ(paths->rowCount() > 0, foundNow() > 0);
    EXPECT_TRUE(QNUIController::IsDeepScan());
}

TEST(ResultsOutline, TypedTextNeverMovesTheSelection) {
    uimodel::TreeArray array;
    app::results::ResultTreeModel model(array);
    {
        uimodel::CTreeBatch batch(&model);
        batch.AppendTop(array, OpNodeData::MakeFolder(uimodel::VIEW_FILE_TYPE, "alpha", true));
        batch.AppendTop(array, OpNodeData::MakeFolder(uimodel::VIEW_FILE_TYPE, "beta", true));
    }
    app::results::ResultOutlineView outline;
    outline.setModel(&model);
    outline.show();
    outline.setCurrentIndex(model.index(0, 0));
    QTest::keyClicks(&outline, QStringLiteral("b"));
    EXPECT_EQ(outline.currentIndex().row(), 0);
    QTest::keyClick(&outline, Qt::Key_Down);
    EXPECT_EQ(outline.currentIndex().row(), 1);
}

}  // namespace

// A FAT volume with four photos inside a qcow2 virtual disk kept on a FAT32 volume (mkfs.fat,
// mcopy, qemu-img at test time): after the deep scan its row and each of its files wear the mark
// of a file that will not come back and say why; the holding volume's own file does not.
TEST(ResultsWindow, FilesOfAVolumeInAVirtualDiskWearTheirMarkAndSayWhy) {
    for (const char* tool : {"mkfs.fat", "mcopy", "mmd", "qemu-img"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir temp;
    const std::string dir = temp.Path();
    const std::string make =
        "cd '" + dir + "' && export MTOOLS_SKIP_CHECK=1 && mkfs.fat -F 16 -C inner.img 16384 >/dev/null && " +
        "for n in 1 2 3 4; do head -c 30000 /dev/urandom >photo$n.jpg; done && mcopy -i inner.img photo*.jpg ::/ && " +
        "qemu-img convert -q -f raw -O qcow2 inner.img vm.qcow2 && mkfs.fat -F 32 -C outer.img 131072 >/dev/null && " +
        "mmd -i outer.img ::/vms && mcopy -i outer.img vm.qcow2 ::/vms/vm.qcow2";
    ASSERT_EQ(std::system(make.c_str()), 0);
    apptest::ScannedWindow window(apptest::InstallImage(dir + "/outer.img"), {1000, 650});
    ASSERT_TRUE(window.ScanToEnd());
    window.ended.clear();
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(window.WaitForScanEnd());

    const QString why = app::Text("FILE_STATE_VIRTUAL_DISK").arg(QStringLiteral("vm.qcow2 (qcow2)"));
    auto* paths = apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab);
    int marked = 0;
    for (int row = 0; row < paths->rowCount(); ++row) {
        const QModelIndex volume = paths->index(row, 0);
        const bool inDisk = volume.data(Qt::ToolTipRole).toString().contains(why.toHtmlEscaped());
        auto* item = paths->itemAt(volume);
        apptest::Pane(window)->selectItem(item);
        FileListModel* list = apptest::List(window);
        SCOPED_TRACE(item->name());
        for (int file = 0; file < list->rowCount(); ++file) {
            const QModelIndex name = list->index(file, FileListModel::kName);
            EXPECT_EQ(name.data(FileListModel::kMarkRole).toString(), inDisk ? QStringLiteral("norecover") : QString())
                << name.data().toString().toStdString();
            EXPECT_EQ(name.data(Qt::ToolTipRole).toString().contains(why.toHtmlEscaped()), inDisk);
            marked += inDisk ? 1 : 0;
        }
    }
    EXPECT_EQ(marked, 4) << "the four photos of the virtual disk's volume, and nothing else";
}
