// The collection tile over files of a real scan: a FAT32 image made here with mkfs.vfat and
// mtools holds a green JPEG, a blue one that is then deleted, and a text file. Each tile shows its
// file's thumbnail (the type's icon for the text), its name and, exactly for the deleted file, the red
// marker; a tile without a picture shows the logo; the backdrop lights up under the pointer. Its check box checks and unchecks the file
// itself and the results window follows (selection count, path tree); during a paused deep scan
// (its disk reads held back, so it is still running) the box refuses the click.
#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "ReadGate.h"
#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/controls/ImageLibrary.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/thumbview/BVView.h"
#include "support/TempDir.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::results::QNDeletailWindowController;
using app::thumbview::BVView;
using apptest::kScanTimeoutMs;
using uimodel::OpNodeData;
using uimodel::QNUIController;

// Frames of the 120 x 100 tile, top-left origin: the thumbnail, the check box, the marker.
const QRect kImage{10, 10, 90, 55};
const QPoint kCheck{23, 83};
const QRect kMarker{90, 49, 16, 16};

int RedPixels(const QImage& image, const QRect& area) {
    int red = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.red() > c.green() + 80 && c.red() > c.blue() + 80;
        }
    return red;
}

std::uint64_t CheckedFiles() {
    std::uint64_t count = 0, size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    return count;
}

TEST(CollectionTile, ShowsAScannedFileMarksTheDeletedOneAndChecksThroughTheWindow) {
    for (const char* tool : {"mkfs.vfat", "mcopy", "mdel"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is missing";
    testsupport::TempDir temp;
    const std::string image = temp.File("tiles.img");
    for (const auto& [name, colour] : {std::pair{"live.jpg", Qt::green}, std::pair{"gone.jpg", Qt::blue}}) {
        QImage photo(320, 200, QImage::Format_RGB32);
        photo.fill(colour);
        ASSERT_TRUE(photo.save(QString::fromStdString(temp.File(name)), "JPEG", 95));
    }
    ASSERT_EQ(testsupport::RunCommand("export MTOOLS_SKIP_CHECK=1; cd '" + temp.File("") +
                                      "' && echo 'plain words' > notes.txt && truncate -s 40M '" + image +
                                      "' && mkfs.vfat -F 32 '" + image + "' >/dev/null && mcopy -i '" + image +
                                      "' live.jpg gone.jpg notes.txt ::/ && mdel -i '" + image + "' ::/gone.jpg"),
              0);
    const auto gate = std::make_shared<apptest::ReadGate>();
    apptest::ScannedWindow window(apptest::InstallImage(image, gate), {1000, 650});
    ASSERT_TRUE(window.ScanToEnd());
    auto* root = static_cast<OpNodeData*>(
        apptest::Pane(window)->treeModel(QNDeletailWindowController::kPathTab)->index(0, 0).internalPointer());
    ASSERT_NE(root, nullptr);
    apptest::Pane(window)->selectItem(root);
    IFileNode* live = nullptr;
    IFileNode* gone = nullptr;
    IFileNode* notes = nullptr;
    for (IFileNode* file : apptest::List(window)->files()) {
        const std::string name = OpNodeData::fileNodeName(file);
        if (OpNodeData::isFileNodeDeleted(file))
            gone = file;
        else if (name == "live.jpg")
            live = file;
        else if (name == "notes.txt")
            notes = file;
    }
    ASSERT_TRUE(live && gone && notes) << "the root lists " << apptest::List(window)->rowCount() << " files";

    {
        BVView liveTile, goneTile, notesTile, emptyTile;
        liveTile.setListData(live);
        goneTile.setListData(gone);
        notesTile.setListData(notes);
        emptyTile.setListData(nullptr);
        for (BVView* tile : {&liveTile, &goneTile, &notesTile}) {
            tile->resize(300, 300);
            EXPECT_EQ(tile->size(), BVView::kSize) << "120 x 100 whatever it is given";
        }
        EXPECT_EQ(liveTile.toolTip(), QStringLiteral("live.jpg"));

        // The marker exactly on the deleted file, over its thumbnail's corner.
        EXPECT_FALSE(liveTile.isDeletedShown());
        EXPECT_FALSE(notesTile.isDeletedShown());
        EXPECT_TRUE(goneTile.isDeletedShown());
        const QImage liveShot = liveTile.grab().toImage();
        const QImage goneShot = goneTile.grab().toImage();
        EXPECT_EQ(RedPixels(liveShot, kMarker), 0);
        EXPECT_GT(RedPixels(goneShot, kMarker), 40) << "the red marker";

        // Thumbnails decoded from the files; the text file gets its type's icon from the model, and a
        // tile the model gives no picture for shows the logo.
        const QColor green = liveShot.pixelColor(kImage.center());
        EXPECT_GT(green.green(), green.red() + 100);
        const QColor blue = goneShot.pixelColor(kImage.center());
        EXPECT_GT(blue.blue(), blue.red() + 100) << "the deleted file's data still makes its thumbnail";
        QImage logo(kImage.size(), QImage::Format_ARGB32_Premultiplied);
        logo.fill(Qt::transparent);
        {
            const QPixmap mark = app::ImageLibrary::instance().pixmap(QStringLiteral("logo"), {55, 55}, 1.0);
            QPainter painter(&logo);
            painter.drawPixmap((kImage.width() - 55) / 2, 0, mark);
        }
        const QImage emptyImage = emptyTile.grab().toImage().copy(kImage);
        int logoPixels = 0, matching = 0;
        for (int y = 0; y < logo.height(); ++y)
            for (int x = 0; x < logo.width(); ++x) {
                if (qAlpha(logo.pixel(x, y)) < 255) continue;
                ++logoPixels;
                matching += emptyImage.pixelColor(x, y) == logo.pixelColor(x, y);
            }
        ASSERT_GT(logoPixels, 100);
        EXPECT_GT(matching, logoPixels * 9 / 10) << "the logo where the model gives no picture";
        EXPECT_NE(notesTile.grab().toImage().copy(kImage), emptyImage) << "the text file's icon, not the logo";

        // The backdrop swaps under the pointer.
        const QColor resting = liveShot.pixelColor(5, 50);
        QEnterEvent enter(QPointF(5, 50), QPointF(5, 50), QPointF(5, 50));
        QApplication::sendEvent(&liveTile, &enter);
        EXPECT_TRUE(liveTile.isHovered());
        EXPECT_NE(liveTile.grab().toImage().pixelColor(5, 50), resting);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&liveTile, &leave);
        EXPECT_FALSE(liveTile.isHovered());
        EXPECT_EQ(liveTile.grab().toImage().pixelColor(5, 50), resting);

        // The check box checks the file itself and the window follows; a second click unchecks it.
        QObject::connect(&goneTile, &BVView::reLoadItemData, apptest::Pane(window),
                         &app::results::FilePane::reLoadCollectionViewData);
        goneTile.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&goneTile));
        const QString nothingChecked = apptest::LabelText(window, "selectionLabel");
        QTest::mouseClick(&goneTile, Qt::LeftButton, {}, kCheck);
        EXPECT_EQ(OpNodeData::fileNodeState(gone), 2);
        EXPECT_EQ(CheckedFiles(), 1u);
        EXPECT_NE(apptest::LabelText(window, "selectionLabel"), nothingChecked)
            << "the window's selection label follows";
        EXPECT_EQ(root->state(), 1) << "the path tree shows its folder partly checked";
        EXPECT_GT(RedPixels(goneTile.grab().toImage(), kMarker), 40);
        QTest::mouseClick(&goneTile, Qt::LeftButton, {}, kCheck);
        EXPECT_EQ(OpNodeData::fileNodeState(gone), 0);
        EXPECT_EQ(CheckedFiles(), 0u);
        EXPECT_EQ(apptest::LabelText(window, "selectionLabel"), nothingChecked);
        EXPECT_EQ(root->state(), 0);
        // A click beside the box changes nothing.
        QTest::mouseClick(&goneTile, Qt::LeftButton, {}, QPoint(60, 30));
        EXPECT_EQ(OpNodeData::fileNodeState(gone), 0);
    }

    // A deep scan held at its first read and paused: the tile refuses the click (the grid's box
    // would take it) and tells nobody. The deep scan replaces the scanned nodes: a node of the
    // test's own stands in.
    testkit::CTestFileNode photo("photo.jpg");
    BVView tile;
    tile.setListData(&photo);
    tile.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tile));
    QSignalSpy told(&tile, &BVView::reLoadItemData);
    gate->Shut();
    window.ended.clear();
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([] { return QNUIController::IsScanRunning(); }, kScanTimeoutMs));
    apptest::Controls(window)->pauseButtonClick();
    ASSERT_TRUE(QNUIController::IsPause());
    QTest::mouseClick(&tile, Qt::LeftButton, {}, kCheck);
    EXPECT_EQ(OpNodeData::fileNodeState(&photo), 0) << "refused while the scan is paused";
    EXPECT_EQ(told.size(), 0);
    gate->Open();
    QNUIController::StopScan(1);
    ASSERT_TRUE(window.WaitForScanEnd());
    // With no scan running the same click is taken.
    QTest::mouseClick(&tile, Qt::LeftButton, {}, kCheck);
    EXPECT_EQ(OpNodeData::fileNodeState(&photo), 2);
    EXPECT_EQ(told.size(), 1);
    tile.setListData(nullptr);
}

}  // namespace
