// The grid's check path over a running scan: a 1 GiB sparse image's deep scan runs long enough
// to be caught unpaused. Checks asked for by the grid (its check box or Space) are refused
// while it runs unpaused and taken once it is paused, as the list's are; the list, cover-flow and
// grid switch follows the same rule, and a resume goes back to the list.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QTest>

#include "ScannedWindow.h"
#include "WindowParts.h"
#include "app/models/FileListModel.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/PreviewPanes.h"
#include "support/TempDir.h"
#include "testkit/TestFileNode.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace {

using app::thumbview::PreviewPanes;
using apptest::kScanTimeoutMs;
using uimodel::OpNodeData;
using uimodel::QNUIController;

TEST(PreviewGuard, GridChecksWaitForAPause) {
    testsupport::TempDir temp;
    apptest::ScannedWindow window(apptest::InstallImage(apptest::BlankImage(temp, "1G")));
    ASSERT_TRUE(window.ScanToEnd());
    apptest::Controls(window)->deepSrcanButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([] { return QNUIController::IsScanRunning(); }, kScanTimeoutMs));

    // The blank disk lists nothing: the list holds files of the test's own.
    testkit::CTestFileNode file("photo.jpg");
    apptest::List(window)->setFiles({&file});
    ASSERT_TRUE(QNUIController::IsScanRunning() && !QNUIController::IsPause());
    QAbstractButton* gridSegment = apptest::Pane(window)->previews()->segmentButton(PreviewPanes::kGrid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gridSegment->isEnabled(); }, kScanTimeoutMs))
        << "the previews stay shut while the deep scan runs";
    emit apptest::Pane(window)->previews()->checkToggleRequested(0);
    EXPECT_EQ(OpNodeData::fileNodeState(&file), 0) << "refused while the scan runs unpaused";
    apptest::Controls(window)->pauseButtonClick();
    ASSERT_TRUE(QNUIController::IsPause());
    emit apptest::Pane(window)->previews()->checkToggleRequested(0);
    EXPECT_EQ(OpNodeData::fileNodeState(&file), 2) << "taken while the scan is paused";
    EXPECT_TRUE(gridSegment->isEnabled());
    apptest::Pane(window)->segmentSelect(PreviewPanes::kGrid);
    ASSERT_EQ(apptest::Pane(window)->previews()->segment(), PreviewPanes::kGrid);
    apptest::Controls(window)->pauseButtonClick();
    ASSERT_FALSE(QNUIController::IsPause());
    EXPECT_EQ(apptest::Pane(window)->previews()->segment(), PreviewPanes::kList)
        << "a resumed deep scan goes back to the list";
    EXPECT_FALSE(gridSegment->isEnabled());

    apptest::List(window)->setFiles({});
    QNUIController::StopScan(1);
    ASSERT_TRUE(QTest::qWaitFor([] { return !QNUIController::IsScanRunning(); }, kScanTimeoutMs));
}

}  // namespace
