#include "ScannedWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <vector>

#include "ReadGate.h"
#include "WindowParts.h"
#include "app/hook/ScanHook.h"
#include "app/models/ResultTreeModel.h"
#include "engine/IEnumDeviceEx.h"
#include "support/TempDir.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/trees/OpNodeData.h"

namespace apptest {

using uimodel::QNUIController;

std::string BlankImage(testsupport::TempDir& temp, const std::string& size) {
    const std::string image = temp.File("blank.img");
    EXPECT_EQ(testsupport::RunCommand("truncate -s " + size + " '" + image + "'"), 0) << image;
    return image;
}

namespace {

std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> InstalledRows(bool installed) {
    std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> rows;
    if (!installed) return rows;
    QNUIController::GetDeviceInfoToArray(rows);
    QNUIController::SetRecoveryType(63);
    return rows;
}

}  // namespace

std::unique_ptr<uimodel::DiskVolumeNodeData> InstallImage(const std::string& image, std::shared_ptr<ReadGate> gate) {
    auto rows = InstalledRows(gate ? app::InstallHookModel(CreateGatedImageEnumDeviceEx(image, std::move(gate)))
                                   : app::InstallHookModel(QString::fromStdString(image)));
    return rows.empty() ? nullptr : std::move(rows.front());
}

std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> InstallImages(const std::vector<std::string>& images) {
    return InstalledRows(app::InstallHookModel(CreateImageEnumDeviceEx(images)));
}

ScannedWindow::ScannedWindow(std::unique_ptr<uimodel::DiskVolumeNodeData> row, QSize size) : m_row(std::move(row)) {
    if (size.isValid()) resize(size);
    show();
}

testing::AssertionResult ScannedWindow::StartScan() {
    if (!m_row) return testing::AssertionFailure() << "the image was not installed or listed no device";
    setSelectDiskVolumeData(std::move(m_row));
    getData();
    return testing::AssertionSuccess();
}

testing::AssertionResult ScannedWindow::WaitForScanEnd() {
    if (QTest::qWaitFor([this] { return !ended.isEmpty(); }, kScanTimeoutMs)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the scan did not end in " << kScanTimeoutMs / 1000 << " s";
}

testing::AssertionResult ScannedWindow::ScanToEnd() {
    testing::AssertionResult started = StartScan();
    return started ? WaitForScanEnd() : started;
}

QMessageBox* ScannedWindow::LastSheet() const {
    return sheets.isEmpty() ? nullptr : qobject_cast<QMessageBox*>(sheets.last().at(0).value<QWidget*>());
}

void ScannedWindow::AnswerLastSheet(bool yes) {
    QMessageBox* box = LastSheet();
    ASSERT_NE(box, nullptr);
    QAbstractButton* button = yes ? static_cast<QAbstractButton*>(box->defaultButton()) : box->escapeButton();
    ASSERT_NE(button, nullptr);
    button->click();
}

void ScannedWindow::CheckEveryRow() {
    app::results::FilePane* pane = Pane(*this);
    app::results::ResultTreeModel* paths = pane->treeModel(kPathTab);
    for (int row = 0; row < paths->rowCount(); ++row) {
        auto* item = static_cast<uimodel::OpNodeData*>(paths->index(row, 0).internalPointer());
        if (item->state() != 2) pane->clickButtonAction(item);
    }
}

std::string ScannedWindow::BoxPartCoveredBy(const QRect& frame) const {
    auto* box = findChild<QWidget*>(QStringLiteral("scanBox"));
    for (QWidget* part : box->findChildren<QWidget*>()) {
        if (!part->isVisible() || part->findChild<QWidget*>()) continue;  // containers show nothing
        QRect shown(part->mapTo(this, QPoint(0, 0)), part->size());
        if (const auto* label = qobject_cast<QLabel*>(part)) {
            if (label->text().isEmpty()) continue;
            const int text = label->fontMetrics().horizontalAdvance(label->text());
            if (label->alignment() & Qt::AlignHCenter) shown.adjust((label->width() - text) / 2, 0, 0, 0);
            if (label->alignment() & Qt::AlignRight) shown.adjust(label->width() - text, 0, 0, 0);
        }
        if (shown.intersects(frame)) return part->objectName().toStdString();
    }
    return {};
}

}  // namespace apptest
