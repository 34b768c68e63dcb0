// The results window's previews over a real scan: a FAT32 image made here with mkfs.fat and
// mtools holds twelve JPEGs of distinct colours written by QImage (one deleted). After the scan
// the hook's grid shows their folder with every thumbnail decoded from the file in its colour;
// Space checks the keyboard's item through the window; the cover flow and its list move
// together; the list comes back.
#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QTest>

#include <cstdlib>

#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/LaunchOptions.h"
#include "app/controls/BandedListView.h"
#include "app/hook/HookPreview.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"
#include "app/thumbview/ThumbnailCache.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::results::QNDeletailWindowController;
using app::thumbview::PreviewPanes;
using apptest::kScanTimeoutMs;
using uimodel::OpNodeData;
using uimodel::QNUIController;

constexpr int kPictures = 12;

QColor ColourOf(int i) { return QColor::fromHsv(i * 360 / kPictures, 220, 230); }

TEST(PreviewWindow, GridCoverFlowAndListOverAScannedImage) {
    for (const char* tool : {"mkfs.vfat", "mcopy", "mdel"})
        if (std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) != 0)
            GTEST_SKIP() << tool << " is missing";
    testsupport::TempDir temp;
    const std::string image = temp.File("photos.img");
    for (int i = 0; i < kPictures; ++i) {
        QImage photo(400, 300, QImage::Format_RGB32);
        photo.fill(ColourOf(i));
        ASSERT_TRUE(photo.save(QString::fromStdString(temp.File("pic" + std::to_string(i) + ".jpg")), "JPEG", 95));
    }
    ASSERT_EQ(
        testsupport::RunCommand("truncate -s 40M '" + image + "' && mkfs.vfat -F 32 '" + image +
                                "' >/dev/null && mmd -i '" + image + "' ::/photos && mcopy -i '" + image + "' '" +
                                temp.File("") + "'/pic*.jpg ::/photos/ && mdel -i '" + image + "' ::/photos/pic5.jpg"),
        0);
    apptest::ScannedWindow window(apptest::InstallImage(image), {1000, 650});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.ScanToEnd());

    // The hook's grid: the photos folder chosen, every picture in sight with its own thumbnail.
    app::LaunchOptions options;
    options.grid = true;
    int thumbs = -1;
    app::thumbview::ShowHookPreview(window, options, [&](int shown) { thumbs = shown; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return thumbs >= 0; }, kScanTimeoutMs));
    PreviewPanes* previews = apptest::Pane(window)->previews();
    app::results::FileListModel* list = apptest::List(window);
    ASSERT_EQ(list->rowCount(), kPictures);
    EXPECT_EQ(previews->segment(), PreviewPanes::kGrid);
    EXPECT_EQ(thumbs, kPictures);
    for (int row = 0; row < list->rowCount(); ++row) {
        const QString name = QString::fromStdString(OpNodeData::fileNodeName(list->fileAt(row)));
        const int picture = name.mid(3, name.indexOf(QLatin1Char('.')) - 3).toInt();
        const app::thumbview::ThumbnailCache::Entry* entry = previews->cache().find(list->fileAt(row));
        ASSERT_NE(entry, nullptr) << name.toStdString();
        EXPECT_TRUE(entry->real);
        const QImage thumbnail = entry->pixmap.toImage();
        EXPECT_LE(std::max(thumbnail.width(), thumbnail.height()), 192);
        const QColor centre = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2);
        const QColor expected = ColourOf(picture);
        EXPECT_NEAR(centre.red(), expected.red(), 12) << name.toStdString();
        EXPECT_NEAR(centre.green(), expected.green(), 12) << name.toStdString();
        EXPECT_NEAR(centre.blue(), expected.blue(), 12) << name.toStdString();
    }

    // Space on the keyboard's item checks its file through the window's check path.
    app::thumbview::CNGridView* grid = previews->gridView();
    QTest::keyClick(grid, Qt::Key_End);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(OpNodeData::fileNodeState(list->fileAt(kPictures - 1)), 2);
    std::uint64_t checked = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(checked, size);
    EXPECT_EQ(checked, 1u);
    EXPECT_EQ(previews->photos().size(), std::size_t(kPictures));

    // The cover flow: Right moves the flow and its list together.
    apptest::Pane(window)->segmentSelect(PreviewPanes::kCoverFlow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return previews->previewSettled(); }, kScanTimeoutMs));
    app::thumbview::CoverFlowView* flow = previews->coverFlowView();
    EXPECT_EQ(flow->selectedIndex(), 0);
    QTest::keyClick(flow, Qt::Key_Right);
    EXPECT_EQ(flow->selectedIndex(), 1);
    EXPECT_EQ(previews->coverFlowerTableView()->currentIndex().row(), 1);
    previews->coverFlowerTableView()->setCurrentIndex(list->index(4, app::results::FileListModel::kName));
    EXPECT_EQ(flow->selectedIndex(), 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return previews->previewSettled(); }, kScanTimeoutMs));
    QTest::qWait(50);
    EXPECT_GT(previews->realThumbnailsShown(), 0);

    // The grid of a folder without files shows the empty-list note; a folder with files drops it.
    apptest::Pane(window)->segmentSelect(PreviewPanes::kGrid);
    OpNodeData* folder = apptest::ChosenFolder(window);
    apptest::Pane(window)->selectItem(static_cast<OpNodeData*>(
        apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->index(0, 0).internalPointer()));
    ASSERT_EQ(list->rowCount(), 0) << "the image's root holds no file";
    EXPECT_NE(previews->gridNoValueView(), nullptr);
    apptest::Pane(window)->selectItem(folder);
    EXPECT_EQ(previews->gridNoValueView(), nullptr);

    // Back to the list.
    apptest::Pane(window)->segmentSelect(PreviewPanes::kList);
    EXPECT_TRUE(apptest::Pane(window)->tableView()->isVisible());
    EXPECT_FALSE(grid->isVisible());
}

}  // namespace
