// Loading the scan of a disk image after the image left the place it was scanned from: the start
// window says that the scan's disk is not attached, naming it, and opens the image the user
// chooses. A grown copy, and another card formatted alike in its place (same name, label and
// size, another serial), are refused with the reason; the image moved to another folder loads
// with every file the scan found.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "SavedScan.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/wizard/QNRootWindowController.h"
#include "support/TempDir.h"
#include "uimodel/support/Seams.h"

namespace {

constexpr int kTimeoutMs = 120000;
namespace fs = std::filesystem;

// A card image is made in "card" and moved to "moved".
class ImportImage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"mkfs.fat", "mcopy"})
            if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        fs::create_directories(dir.File("card"));
        fs::create_directories(dir.File("moved"));
    }

    testsupport::TempDir dir;
};

TEST_F(ImportImage, AScanOfAnImageThatMovedLoadsThroughTheImageTheUserOpens) {
    fs::create_directories(dir.File("grown"));
    fs::create_directories(dir.File("replaced"));
    const std::string image = dir.File("card/card.img");
    const std::string saved = dir.File("scan.rsf");
    std::uint64_t files = 0;
    ASSERT_NO_FATAL_FAILURE(apptest::ScanAndSaveCard(dir, image, "-i 0A0B0C0D -n CARD", saved, files));
    // The card moves to another folder under its own name; a copy of it grows by a megabyte.
    const std::string moved = dir.File("moved/card.img"), grown = dir.File("grown/card.img");
    fs::rename(image, moved);
    fs::copy_file(moved, grown);
    fs::resize_file(grown, fs::file_size(moved) + (1 << 20));
    const std::string replaced = dir.File("replaced/card.img");
    ASSERT_EQ(testsupport::RunCommand("mkfs.fat -F 32 -i 1A2B3C4D -n CARD -C '" + replaced + "' 40960 >/dev/null"), 0);

    app::QNRootWindowController root;
    root.show();
    std::vector<QMessageBox*> sheets;
    QObject::connect(&root, &app::QNRootWindowController::sheetOpened, &root,
                     [&](QWidget* sheet) { sheets.push_back(qobject_cast<QMessageBox*>(sheet)); });
    std::string answer;  // the image the next file dialog is answered with
    QObject::connect(&root, &app::QNRootWindowController::fileDialogOpened, &root, [&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(answer));
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto openImageFor = [&](const std::string& chosen) {
        answer = chosen;
        const std::size_t before = sheets.size();
        root.importFile(QString::fromStdString(saved));
        ASSERT_EQ(sheets.size(), before + 1);
        QMessageBox* notAttached = sheets.back();
        ASSERT_NE(notAttached, nullptr);
        EXPECT_EQ(notAttached->objectName(), "diskNotAttachedSheet");
        EXPECT_TRUE(notAttached->informativeText().contains("card.img"))
            << notAttached->informativeText().toStdString();
        EXPECT_EQ(root.progressWindow(), nullptr) << "nothing loads before the disk is there";
        notAttached->defaultButton()->click();  // "Open Disk Image…"
    };

    for (const std::string& other : {grown, replaced}) {
        SCOPED_TRACE(other);
        const std::size_t before = sheets.size();
        openImageFor(other);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheets.size() == before + 2; }, 5000));
        ASSERT_NE(sheets.back(), nullptr);
        EXPECT_EQ(sheets.back()->objectName(), "imageNotMatchedSheet");
        EXPECT_EQ(root.progressWindow(), nullptr);
        sheets.back()->close();
    }

    app::results::QNDeletailWindowController* opened = nullptr;
    QObject::connect(&root, &app::QNRootWindowController::resultsWindowOpened, &root,
                     [&](app::results::QNDeletailWindowController* window) { opened = window; });
    openImageFor(moved);
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened != nullptr && opened->isVisible(); }, kTimeoutMs));
    EXPECT_EQ(sheets.size(), 5u);
    QTest::qWait(300);
    apptest::ExpectListedAndClose(opened, files);
}

// A saved scan of a card's volume whose image moved: the sheet names the card as the disk page
// does (its image file, not the volume's label), and its dialog opens where images were last
// opened, else in the home folder.
TEST_F(ImportImage, TheNotAttachedSheetNamesTheImageAndOpensWhereImagesWereLastOpened) {
    const std::string image = dir.File("card/card.img"), moved = dir.File("moved/card.img");
    const std::string saved = dir.File("scan.rsf");
    std::uint64_t files = 0;
    ASSERT_NO_FATAL_FAILURE(apptest::ScanAndSaveCard(dir, image, "-n EOS_DIGITAL", saved, files, true));
    fs::rename(image, moved);
    // Where images were last opened from is gone: the home folder.
    uimodel::GetSeams().pSettings->SetValue("LastDiskImageFolder", dir.File("gone"));

    QMessageBox* sheet = nullptr;
    QString named;  // the sheet's text
    std::vector<QString> folders;
    app::results::QNDeletailWindowController* opened = nullptr;
    const auto follow = [&](app::QNRootWindowController& root) {
        root.show();
        QObject::connect(&root, &app::QNRootWindowController::sheetOpened, &root,
                         [&](QWidget* shown) { sheet = qobject_cast<QMessageBox*>(shown); });
        QObject::connect(&root, &app::QNRootWindowController::fileDialogOpened, &root, [&](QFileDialog* dialog) {
            folders.push_back(dialog->directory().absolutePath());
            dialog->selectFile(QString::fromStdString(moved));
            static_cast<QDialog*>(dialog)->accept();
        });
        QObject::connect(&root, &app::QNRootWindowController::resultsWindowOpened, &root,
                         [&](app::results::QNDeletailWindowController* window) { opened = window; });
        root.importFile(QString::fromStdString(saved));
        // After the device list the window asks for at its start.
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet != nullptr; }, 5000));
        EXPECT_EQ(sheet->objectName(), "diskNotAttachedSheet");
        named = sheet->informativeText();
        sheet->defaultButton()->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !folders.empty(); }, 5000));
    };
    {
        app::QNRootWindowController root;
        ASSERT_NO_FATAL_FAILURE(follow(root));
        EXPECT_TRUE(named.contains("\u201ccard.img\u201d")) << named.toStdString();
        EXPECT_FALSE(named.contains("EOS_DIGITAL")) << named.toStdString();
        EXPECT_EQ(folders[0], QDir::homePath());
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened != nullptr && opened->isVisible(); }, kTimeoutMs));
        QTest::qWait(300);
        apptest::ExpectListedAndClose(opened, files);
    }
    // The image was opened from "moved": the next image dialog opens there.
    EXPECT_EQ(uimodel::GetSeams().pSettings->Value("LastDiskImageFolder"), dir.File("moved"));
}

}  // namespace
