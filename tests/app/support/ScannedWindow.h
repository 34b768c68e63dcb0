#pragma once
// The results window over a disk image, scanned as the program scans it: the image installed as
// the hook's model, every file type chosen, its first row (the whole disk) handed to the window:
//   apptest::ScannedWindow window(apptest::InstallImage(image));  ASSERT_TRUE(window.ScanToEnd());
#include <gtest/gtest.h>
#include <QMessageBox>
#include <QSignalSpy>

#include <memory>
#include <string>

#include "app/results/QNDeletailWindowController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace testsupport {
class TempDir;
}

namespace apptest {

class ReadGate;

constexpr int kScanTimeoutMs = 120000;

// A sparse image of `size` (truncate's units) in `temp`: nothing is on it, so its quick scan
// ends at once and its deep scan runs long.
std::string BlankImage(testsupport::TempDir& temp, const std::string& size);

// Installs `image` as the hook's model (its disk read through `gate` when one is given) with
// every file type chosen; the first row of its device list, or null when it lists none.
std::unique_ptr<uimodel::DiskVolumeNodeData> InstallImage(const std::string& image,
                                                          std::shared_ptr<ReadGate> gate = {});

// Installs `images` as one model, as the program lists several disks at once (a model is kept
// for the process's life, so a test installs one); the rows of its device list.
std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> InstallImages(const std::vector<std::string>& images);

class ScannedWindow : public app::results::QNDeletailWindowController {
public:
    // Shown, resized first when `size` is valid. Construct it after InstallImage (pass its row
    // here): the window asks the installed model from its start.
    explicit ScannedWindow(std::unique_ptr<uimodel::DiskVolumeNodeData> row, QSize size = {});

    QSignalSpy ended{this, &QNDeletailWindowController::scanEnded};
    QSignalSpy sheets{this, &QNDeletailWindowController::sheetOpened};

    // Hands the row to the window and starts its scan; fails when the image listed no row.
    testing::AssertionResult StartScan();
    // Waits until a scan has ended since `ended` was last cleared.
    testing::AssertionResult WaitForScanEnd();
    testing::AssertionResult ScanToEnd();

    // The last sheet opened, when it is a message box.
    QMessageBox* LastSheet() const;
    // Clicks the last sheet's default button (yes) or its escape button.
    void AnswerLastSheet(bool yes);
    // Checks every top row of the path tab that is not checked yet.
    void CheckEveryRow();
    // The first part of the scan box whose shown content (a label's text, a button) `frame` (in
    // the window's coordinates) covers, by object name; empty when it covers none.
    std::string BoxPartCoveredBy(const QRect& frame) const;

private:
    std::unique_ptr<uimodel::DiskVolumeNodeData> m_row;
};

}  // namespace apptest
