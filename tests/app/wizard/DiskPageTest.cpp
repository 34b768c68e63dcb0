// The disk page over the device list of real images: what it chooses on opening and as devices
// come and go, how the chosen row is drawn, what a click on a disk row, on empty space and on
// the header do.
#include <gtest/gtest.h>
#include <QHeaderView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/TCImageButton.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/wizard/QNRootWindowController.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "engine/IEnumDeviceEx.h"
#include "support/TempDir.h"
#include "uimodel/devices/QNUIDeviceData.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/scan/QNUIScan.h"

#include <unistd.h>

namespace {

using Disks = app::QNSelectDiskViewController::Disks;

// The disk page's list as the facade builds it, over these images only.
Disks ListImages(const std::vector<std::string>& images) {
    std::unique_ptr<IEnumDeviceEx> enumerator(CreateImageEnumDeviceEx(images));
    uimodel::QNUIDeviceData devices(enumerator.get());
    devices.InitDeviceInfo();
    std::vector<uimodel::_DiskVolumeData> rows;
    devices.GetAllDeviceInfo(rows);
    Disks disks;
    for (const auto& row : rows) {
        auto disk = std::make_unique<uimodel::DiskVolumeNodeData>(row);
        std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> volumes;
        for (const auto& volume : row.children)
            volumes.push_back(std::make_unique<uimodel::DiskVolumeNodeData>(volume));
        disk->setSubNode(std::move(volumes));
        disks.push_back(std::move(disk));
    }
    devices.Clear();
    return disks;
}

// The chosen row's texts are white and its "select" cell shows the mark; every other row is
// blue-grey without a mark. Answers the name of the row drawn as chosen ("" for none).
std::string DrawnChoice(app::QNSelectDiskViewController& page) {
    QAbstractItemModel* model = page.outline()->model();
    std::string drawn;
    const QColor white(255, 255, 255), blueGrey(175, 186, 219);
    std::vector<QModelIndex> rows;
    for (int disk = 0; disk < model->rowCount(); ++disk) {
        const QModelIndex diskIndex = model->index(disk, 0);
        rows.push_back(diskIndex);
        for (int volume = 0; volume < model->rowCount(diskIndex); ++volume)
            rows.push_back(model->index(volume, 0, diskIndex));
    }
    for (const QModelIndex& row : rows) {
        const bool marked = !row.siblingAtColumn(3).data(Qt::DecorationRole).value<QIcon>().isNull();
        for (int column = 0; column < model->columnCount(); ++column) {
            const QColor colour = row.siblingAtColumn(column).data(Qt::ForegroundRole).value<QBrush>().color();
            EXPECT_EQ(colour, marked ? white : blueGrey) << row.data().toString().toStdString() << " column " << column;
        }
        if (marked) {
            EXPECT_EQ(drawn, "") << "two rows are drawn as chosen";
            drawn = row.data().toString().toStdString();
        }
    }
    return drawn;
}

TEST(DiskPage, ChoosesRowOneAndFollowsClicksOverATwoVolumeDiskAndABlankOne) {
    for (const char* tool : {"sfdisk", "mkfs.fat"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir dir;
    const std::string two = dir.File("two.img");
    const std::string blank = dir.File("blank.img");
    ASSERT_EQ(testsupport::RunCommand(
                  "set -e; IMG='" + two +
                  "'; truncate -s 40M \"$IMG\"; "
                  "printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\n' | sfdisk -q \"$IMG\"; "
                  "for s in 2048 22528; do mkfs.fat -F 16 -n V$s --offset $s \"$IMG\" 10240; done "
                  ">/dev/null 2>&1; truncate -s 8M '" +
                  blank + "'"),
              0);
    Disks disks = ListImages({two, blank});
    ASSERT_EQ(disks.size(), 2u);
    ASSERT_EQ(disks[0]->numberOfChildren(), 2u);
    EXPECT_EQ(disks[1]->name(), "blank.img");  // a blank stick is still offered

    app::QNSelectDiskViewController page;
    page.resize(700, 400);
    page.show();
    QSignalSpy goOn(&page, &app::QNSelectDiskViewController::doubleClickedListToScan);
    page.setDisks(std::move(disks));
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->volumeIndex(), 0);  // row 1: the first volume
    EXPECT_EQ(page.selectDiskVolume()->name(), "V2048");
    EXPECT_TRUE(page.continueButton()->isEnabled());
    EXPECT_EQ(page.takeChoice()->parentName(), "two.img");
    EXPECT_EQ(DrawnChoice(page), "V2048");

    page.chooseRow(0);  // the disk row: its parent is itself
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->volumeIndex(), -1);
    const auto disk = page.takeChoice();
    EXPECT_EQ(disk->parentName(), disk->name());
    EXPECT_EQ(disk->numberOfChildren(), 2u);
    page.chooseRow(3);  // the blank disk
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->name(), "blank.img");
    EXPECT_EQ(DrawnChoice(page), "blank.img");

    // Devices come and go: the choice stays on its device wherever its row moves, and goes with it.
    const std::string other = dir.File("other.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 8M '" + other + "'"), 0);
    page.chooseRow(2);  // V22528
    page.updateDisks(ListImages({other, blank, two}));
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->name(), "V22528");
    EXPECT_EQ(page.selectDiskVolume()->diskIndex(), 2);  // where the scan finds it now
    EXPECT_EQ(DrawnChoice(page), "V22528");
    page.updateDisks(ListImages({other, blank}));
    EXPECT_EQ(page.selectDiskVolume(), nullptr);
    EXPECT_FALSE(page.continueButton()->isEnabled());
    EXPECT_EQ(DrawnChoice(page), "");
    page.updateDisks(ListImages({two, blank}));
    EXPECT_EQ(page.selectDiskVolume(), nullptr) << "a device coming back is not chosen for the user";
    page.chooseRow(3);

    // A click below the rows lets go of the choice.
    QWidget* viewport = page.outline()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
    EXPECT_EQ(page.selectDiskVolume(), nullptr);
    EXPECT_FALSE(page.continueButton()->isEnabled());
    page.continueButton()->click();
    QTest::keyClick(&page, Qt::Key_Return);
    EXPECT_EQ(goOn.count(), 0);  // nothing chosen, nothing to go on with

    // A double-click on the header is not a row.
    QHeaderView* header = page.outline()->header();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(30, header->height() / 2));
    EXPECT_EQ(goOn.count(), 0);

    // Listed anew (the page opened again): row 1.
    page.setDisks(ListImages({two}));
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->name(), "V2048");
    QTest::keyClick(page.outline(), Qt::Key_Down);  // the arrows move the choice
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->name(), "V22528");
    QTest::keyClick(&page, Qt::Key_Return);
    EXPECT_EQ(goOn.count(), 1);

    page.setDisks({});  // nothing to offer: said so, and Continue stays off
    EXPECT_EQ(page.selectDiskVolume(), nullptr);
    EXPECT_FALSE(page.continueButton()->isEnabled());
    page.updateDisks(ListImages({two}));  // a card comes to the empty page: chosen as on opening
    ASSERT_NE(page.selectDiskVolume(), nullptr);
    EXPECT_EQ(page.selectDiskVolume()->name(), "V2048");
}

// The root window's disk page over the machine's own list: a FAT32 image opened through the page
// ("Disk image…" answers openDiskImage) is listed once and chosen, after the media notifier's
// refresh too, and opening it again lists nothing new; an image whose volume reads "Unknown" is
// chosen as well; an empty path is refused with the page's sheet. The "could not be listed"
// banner shows only while nothing is listed, and never tells root to become root.
TEST(DiskPage, AnImageOpenedFromThePageIsListedOnce) {
    if (!testsupport::HaveTool("mkfs.fat")) GTEST_SKIP() << "mkfs.fat is not installed";
    testsupport::TempDir dir;
    const std::string image = dir.File("camera card.img");
    const std::string noise = dir.File("noise.img");
    ASSERT_EQ(testsupport::RunCommand("mkfs.fat -F 32 -n CARD -C '" + image +
                                      "' 65536 >/dev/null && "
                                      "head -c 4M /dev/urandom > '" +
                                      noise + "'"),
              0);
    app::QNRootWindowController root;
    root.show();
    QSignalSpy sheets(&root, &app::QNRootWindowController::sheetOpened);
    root.selectTypesContinouButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return root.whichPage() == 3 || root.resultsWindow() != nullptr; }, 60000));
    if (root.resultsWindow()) GTEST_SKIP() << "the machine offers one choice: the disk page is skipped";
    const int before = root.diskPage()->outline()->model()->rowCount();
    const QString rights = app::Text(QStringLiteral("DEVICE_LIST_NEEDS_RIGHTS"));
    if (before == 0) {
        EXPECT_FALSE(root.message().isEmpty()) << "nothing listed, and nothing said";
        EXPECT_EQ(root.message().contains(rights), ::geteuid() != 0) << root.message().toStdString();
    }
    const auto imageRows = [&] {
        QAbstractItemModel* model = root.diskPage()->outline()->model();
        int rows = 0;
        for (int row = 0; row < model->rowCount(); ++row)
            rows += model->index(row, 0).data().toString().contains(QStringLiteral("camera card.img"));
        return rows;
    };
    root.openDiskImage(QString::fromStdString(image));
    EXPECT_EQ(sheets.count(), 0);
    // Other rows may come and go meanwhile (tests running beside this one attach loop devices):
    // the image's own row is what is counted.
    EXPECT_GE(root.diskPage()->outline()->model()->rowCount(), 1);
    EXPECT_EQ(imageRows(), 1);
    ASSERT_NE(root.diskPage()->selectDiskVolume(), nullptr);
    EXPECT_EQ(root.diskPage()->selectDiskVolume()->name(), "CARD");
    EXPECT_EQ(root.message(), "") << "the image is listed";

    // The media notifier's post: the list is made again on a thread and handed to the page.
    QObject listener;
    int listed = 0;
    app::NotificationCenter::instance().addObserver(&listener, QStringLiteral("aInitFinished"),
                                                    [&](const QVariantMap&) { ++listed; });
    app::NotificationCenter::instance().post(QStringLiteral("RefreshAttachDevice"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed > 0; }, 60000)) << "the list was not made again";
    QTest::qWait(50);
    app::NotificationCenter::instance().removeObserver(&listener);
    EXPECT_EQ(imageRows(), 1) << "after the list's refresh";
    ASSERT_NE(root.diskPage()->selectDiskVolume(), nullptr) << "the refresh let go of the choice";
    EXPECT_EQ(root.diskPage()->selectDiskVolume()->name(), "CARD");
    EXPECT_EQ(root.message(), "");
    root.openDiskImage(QString::fromStdString(image));
    EXPECT_EQ(imageRows(), 1) << "opened a second time";

    root.openDiskImage(QString::fromStdString(noise));
    ASSERT_NE(root.diskPage()->selectDiskVolume(), nullptr);
    EXPECT_EQ(root.diskPage()->takeChoice()->devicePath(), noise);

    root.openDiskImage(QString());
    ASSERT_EQ(sheets.count(), 1);
    auto* box = qobject_cast<QMessageBox*>(sheets.last().at(0).value<QWidget*>());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->informativeText().contains(app::Text(QStringLiteral("IMAGE_REFUSED_NO_PATH"))))
        << box->informativeText().toStdString();
    box->close();
    EXPECT_EQ(imageRows(), 1);

    // Media come and go every 100 ms while the page shows: the choice stays on the noise image
    // (not row 1), and a Continue pressed meanwhile waits for the list and scans that image.
    // The wizard stands low on its screen: the results window, a step below it, would run off it.
    root.move(0, root.screen()->availableGeometry().bottom() - root.height() + 1);
    root.openDiskImage(QString::fromStdString(noise));
    app::results::QNDeletailWindowController* opened = nullptr;
    QObject::connect(&root, &app::QNRootWindowController::resultsWindowOpened, &root,
                     [&](app::results::QNDeletailWindowController* window) { opened = window; });
    for (int step = 0; step < 20; ++step) {
        app::NotificationCenter::instance().post(step % 2 ? QStringLiteral("RefreshDetachDevice")
                                                          : QStringLiteral("RefreshAttachDevice"));
        if (step == 10) root.diskPage()->continueButton()->click();
        QTest::qWait(100);
        if (opened) continue;
        ASSERT_NE(root.diskPage()->selectDiskVolume(), nullptr) << "step " << step;
        EXPECT_EQ(root.diskPage()->selectDiskVolume()->devicePath(), noise) << "step " << step;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened != nullptr; }, 60000));
    // The results window opens whole on the screen, or from its top where the screen is shorter.
    QRect const area = root.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(opened->pos()));
    EXPECT_TRUE(opened->geometry().bottom() <= area.bottom() || opened->y() == area.top());
    uimodel::QNUIController::Model const& model = uimodel::QNUIController::GetModel();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return model.pScan->GetSavedStorage() && !uimodel::QNUIController::IsScanRunning(); }, 60000));
    IStorageDevice* scanned = model.pScan->GetSavedStorage();
    if (!model.pDevices->IsDiskStorage(scanned)) scanned = model.pDevices->GetDiskStorageByVolumeStorage(scanned);
    ASSERT_NE(scanned, nullptr);
    EXPECT_STREQ(uimodel::QNUIDeviceData::GetDiskInfo(scanned)->szDevicePath, noise.c_str());
    uimodel::QNUIController::StopJobs(std::chrono::seconds(30));
    app::NotificationCenter::instance().removeObserver(opened);
    delete opened;
}

}  // namespace
