// The disk page over the device list of real images: what it chooses on opening and after a
// rebuild, what a click on a disk row, on empty space and on the header do.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/controls/BandedListView.h"
#include "app/controls/TCImageButton.h"
#include "app/wizard/QNSelectDiskViewController.h"
#include "engine/IEnumDeviceEx.h"
#include "support/TempDir.h"
#include "uimodel/devices/QNUIDeviceData.h"

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
    for (const auto& volume : row.children) volumes.push_back(std::make_unique<uimodel::DiskVolumeNodeData>(volume));
    disk->setSubNode(std::move(volumes));
    disks.push_back(std::move(disk));
  }
  devices.Clear();
  return disks;
}

TEST(DiskPage, ChoosesRowOneAndFollowsClicksOverATwoVolumeDiskAndABlankOne) {
  for (const char* tool : {"sfdisk", "mkfs.fat"})
    if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  testsupport::TempDir dir;
  const std::string two = dir.File("two.img");
  const std::string blank = dir.File("blank.img");
  ASSERT_EQ(testsupport::RunCommand("set -e; IMG='" + two + "'; truncate -s 40M \"$IMG\"; "
                                    "printf 'start=2048,size=20480,type=6\\nstart=22528,size=20480,type=6\\n' | sfdisk -q \"$IMG\"; "
                                    "for s in 2048 22528; do mkfs.fat -F 16 -n V$s --offset $s \"$IMG\" 10240; done "
                                    ">/dev/null 2>&1; truncate -s 8M '" + blank + "'"),
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

  page.chooseRow(0);  // the disk row: its parent is itself
  ASSERT_NE(page.selectDiskVolume(), nullptr);
  EXPECT_EQ(page.selectDiskVolume()->volumeIndex(), -1);
  const auto disk = page.takeChoice();
  EXPECT_EQ(disk->parentName(), disk->name());
  EXPECT_EQ(disk->numberOfChildren(), 2u);
  page.chooseRow(3);  // the blank disk
  ASSERT_NE(page.selectDiskVolume(), nullptr);
  EXPECT_EQ(page.selectDiskVolume()->name(), "blank.img");

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

  // Rebuilt after media came or went: row 1 again.
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
}

}  // namespace
