// The grid's check path over a running scan: a 1 GiB sparse image's deep scan runs long enough
// to be caught unpaused. Checks asked for by the grid (its check box or Space) are refused
// while it runs unpaused and taken once it is paused, as the list's are; the list, cover-flow and
// grid switch follows the same rule, and a resume goes back to the list.
#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/results/FileListModel.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/shell/ScanHook.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/PreviewPanes.h"
#include "support/TempDir.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::results::QNDeletailWindowController;
using app::thumbview::PreviewPanes;
using uimodel::OpNodeData;
using uimodel::QNUIController;

constexpr int kTimeoutMs = 120000;

TEST(PreviewGuard, GridChecksWaitForAPause) {
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
  window.setSelectDiskVolumeData(std::move(rows.front()));
  window.getData();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, kTimeoutMs));
  window.deepSrcanButtonAction();
  ASSERT_TRUE(QTest::qWaitFor([] { return QNUIController::IsScanRunning(); }, kTimeoutMs));

  // The blank disk lists nothing: the list holds files of the test's own.
  testkit::CTestFileNode file("photo.jpg");
  window.listModel()->setFiles({&file});
  ASSERT_TRUE(QNUIController::IsScanRunning() && !QNUIController::IsPause());
  QAbstractButton* gridSegment = window.previews()->segmentButton(PreviewPanes::kGrid);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !gridSegment->isEnabled(); }, kTimeoutMs))
      << "the previews stay shut while the deep scan runs";
  emit window.previews()->checkToggleRequested(0);
  EXPECT_EQ(OpNodeData::fileNodeState(&file), 0) << "refused while the scan runs unpaused";
  window.pauseButtonClick();
  ASSERT_TRUE(QNUIController::IsPause());
  emit window.previews()->checkToggleRequested(0);
  EXPECT_EQ(OpNodeData::fileNodeState(&file), 2) << "taken while the scan is paused";
  EXPECT_TRUE(gridSegment->isEnabled());
  window.segmentSelect(PreviewPanes::kGrid);
  ASSERT_EQ(window.previews()->segment(), PreviewPanes::kGrid);
  window.pauseButtonClick();
  ASSERT_FALSE(QNUIController::IsPause());
  EXPECT_EQ(window.previews()->segment(), PreviewPanes::kList) << "a resumed deep scan goes back to the list";
  EXPECT_FALSE(gridSegment->isEnabled());

  window.listModel()->setFiles({});
  QNUIController::StopScan(1);
  ASSERT_TRUE(QTest::qWaitFor([] { return !QNUIController::IsScanRunning(); }, kTimeoutMs));
}

}  // namespace
