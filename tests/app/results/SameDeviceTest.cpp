// As root: a folder inside an ntfs-3g mount of the scanned NTFS image is refused as a recovery
// destination and as a results-file folder, with choose-again and cancel only, and nothing is
// written there. Elsewhere it skips with the reason.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QFileDialog>
#include <QPointer>

#include <filesystem>

#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/base/Strings.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"

namespace {

namespace fs = std::filesystem;
using app::results::QNDeletailWindowController;
using uimodel::QNUIController;

TEST(SameDevice, AFolderOnTheScannedVolumeIsRefusedForRecoveryAndSaving) {
    for (const char* tool : {"mkntfs", "ntfs-3g"})
        if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    testsupport::TempDir temp;
    const std::string image = temp.File("ntfs.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 32M " + image + " && mkntfs -F -Q " + image + " >/dev/null 2>&1"),
              0);
    testsupport::LoopDevice loop;
    if (const std::string why = loop.Attach(image, 0, true); !why.empty()) GTEST_SKIP() << why;
    const std::string mount = temp.File("mnt");
    fs::create_directories(mount);
    if (testsupport::RunCommand("ntfs-3g " + loop.Node() + " " + mount + " >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "FUSE mounts are not allowed here";
    struct Unmount {
        std::string path;
        ~Unmount() { testsupport::RunCommand("umount " + path + " >/dev/null 2>&1"); }
    } const unmount{mount};
    ASSERT_EQ(testsupport::RunCommand("mkdir " + mount + "/out && head -c 50000 /dev/urandom > " + mount +
                                      "/photo.jpg && sync"),
              0);

    apptest::ScannedWindow window(apptest::InstallImage(image));
    ASSERT_TRUE(window.ScanToEnd());
    window.CheckEveryRow();

    // The folder dialog makes no folder there: its "New Folder" is off on the scanned volume only.
    QPointer<QFileDialog> dialog;
    QObject::connect(&window, &QNDeletailWindowController::fileDialogOpened, &window,
                     [&](QFileDialog* d) { dialog = d; });
    apptest::Recovery(window)->recovrtyButtonClick();
    ASSERT_NE(dialog, nullptr);
    auto* newFolder = dialog->findChild<QAbstractButton*>(QStringLiteral("newFolderButton"));
    ASSERT_NE(newFolder, nullptr);
    dialog->setDirectory(QString::fromStdString(mount + "/out"));
    EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly));
    EXPECT_FALSE(newFolder->isEnabled());
    dialog->setDirectory(QString::fromStdString(temp.Path()));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));
    EXPECT_TRUE(newFolder->isEnabled());
    dialog->reject();

    apptest::Recovery(window)->recoverToFolder(QString::fromStdString(mount + "/out"));
    ASSERT_EQ(window.sheets.size(), 1);
    QMessageBox* box = window.LastSheet();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), app::Text("PAGE_FOUR_SAVE_SAME_PATH_TITLE"));
    EXPECT_EQ(box->buttons().size(), 2) << "choose again and cancel only";
    box->escapeButton()->click();

    apptest::Export(window)->exportButtonAction();
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QString::fromStdString(mount + "/out/scan.rsf"));
    static_cast<QDialog*>(dialog.data())->accept();
    ASSERT_EQ(window.sheets.size(), 2);
    box = window.LastSheet();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), app::Text("SAVE_SAME_DISK_WARNING"));
    EXPECT_EQ(box->buttons().size(), 2);
    box->escapeButton()->click();

    EXPECT_FALSE(QNUIController::IsRecoveryRunning());
    EXPECT_TRUE(fs::is_empty(mount + "/out")) << "nothing is written on the scanned volume";
}

}  // namespace
