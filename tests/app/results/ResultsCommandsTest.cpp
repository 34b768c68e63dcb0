// The results window's guarded commands over a running scan: a 1 GiB sparse disk image holds
// nothing, so its quick scan ends at once (the empty-list note stays away) and its deep scan
// runs long enough to be paused from its first notification. Back home and close ask first and
// resume on No only a scan the user had not paused; the scanned disk's removal stops the scan
// and, after its sheet, goes home; another disk's is ignored.
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/controls/BandedListView.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultTreeModel.h"
#include "app/shell/NotificationCenter.h"
#include "app/shell/ScanHook.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

namespace {

using app::results::QNDeletailWindowController;
using uimodel::QNUIController;

constexpr int kTimeoutMs = 120000;

void Answer(const QSignalSpy& sheets, bool yes) {
  ASSERT_FALSE(sheets.isEmpty());
  auto* box = qobject_cast<QMessageBox*>(sheets.last().at(0).value<QWidget*>());
  ASSERT_NE(box, nullptr);
  QAbstractButton* button = yes ? static_cast<QAbstractButton*>(box->defaultButton()) : box->escapeButton();
  ASSERT_NE(button, nullptr);
  button->click();
}

TEST(ResultsCommands, BackHomeCloseAndDetachGuardARunningScan) {
  testsupport::TempDir temp;
  const std::string image = temp.File("blank.img");
  ASSERT_EQ(testsupport::RunCommand("truncate -s 1G '" + image + "'"), 0);
  ASSERT_TRUE(app::InstallHookModel(QString::fromStdString(image)));
  std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
  QNUIController::GetDeviceInfoToArray(rows);
  ASSERT_FALSE(rows.empty());
  QNUIController::SetRecoveryType(63);

  QNDeletailWindowController window;
  window.show();
  QSignalSpy ended(&window, &QNDeletailWindowController::scanEnded);
  QSignalSpy sheets(&window, &QNDeletailWindowController::sheetOpened);
  QSignalSpy home(&window, &QNDeletailWindowController::backHomeRequested);
  window.setSelectDiskVolumeData(std::move(rows.front()));
  window.getData();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, kTimeoutMs));
  EXPECT_EQ(window.treeModel(0)->rowCount(), 0);
  EXPECT_EQ(window.tableView()->noValueView(), nullptr) << "nothing found: no empty-list note";

  // The deep scan, paused (not by the user) from its first notification.
  QObject pauser;
  bool pausedOnce = false;
  app::NotificationCenter::instance().addObserver(&pauser, QStringLiteral("NormalScranValue"), [&](const QVariantMap&) {
    if (!pausedOnce && QNUIController::IsScanRunning() && !QNUIController::IsPause()) {
      QNUIController::PauseOrResumeScan();
      pausedOnce = true;
    }
  });
  window.deepSrcanButtonAction();
  ASSERT_TRUE(QTest::qWaitFor([&] { return pausedOnce; }, kTimeoutMs));
  if (!QNUIController::IsScanRunning()) GTEST_SKIP() << "the deep scan ended before its first notification";
  app::NotificationCenter::instance().removeObserver(&pauser);

  // Back home, No: a scan the user had not paused resumes.
  window.backButtonAction();
  ASSERT_EQ(sheets.size(), 1);
  Answer(sheets, false);
  EXPECT_FALSE(QNUIController::IsPause());
  // The user pauses; close, No: it stays paused.
  window.pauseButtonClick();
  ASSERT_TRUE(QNUIController::IsPause());
  ASSERT_TRUE(window.isPausedByUser());
  window.closeWindow();
  ASSERT_EQ(sheets.size(), 2);
  Answer(sheets, false);
  EXPECT_TRUE(QNUIController::IsPause());
  // Back home, No, with the user's pause: still paused.
  window.backButtonAction();
  ASSERT_EQ(sheets.size(), 3);
  Answer(sheets, false);
  EXPECT_TRUE(QNUIController::IsPause());

  // Another disk goes: nothing happens. This one goes: the scan stops, a sheet, then home.
  app::NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"),
                                           {{QStringLiteral("USBPath"), QStringLiteral("sdz")}});
  EXPECT_EQ(sheets.size(), 3);
  EXPECT_TRUE(QNUIController::IsScanRunning());
  const QString scanned = QString::fromStdString(QNUIController::GetScannedDiskName());
  ASSERT_FALSE(scanned.isEmpty());
  app::NotificationCenter::instance().post(QStringLiteral("RefreshDetachDevice"), {{QStringLiteral("USBPath"), scanned}});
  ASSERT_EQ(sheets.size(), 4);
  ASSERT_TRUE(QTest::qWaitFor([] { return !QNUIController::IsScanRunning(); }, kTimeoutMs));
  Answer(sheets, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !home.isEmpty(); }, 5000));
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
