#include "app/results/ResultsExport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QtDebug>

#include "app/base/Strings.h"
#include "app/controls/Sheet.h"
#include "app/results/QNProgressWindow.h"
#include "app/results/ResultsTexts.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/SpyEvents.h"

namespace app::results {

using uimodel::QNUIController;

namespace {
const char kSaveProgress[] = "QueryProgressInfo";
}  // namespace

ResultsExport::ResultsExport(QWidget* window, std::function<bool()> isDeepScan)
    : QObject(window), m_window(window), m_isDeepScan(std::move(isDeepScan)) {
    setObjectName(QStringLiteral("resultsExport"));
}

bool ResultsExport::refusedWhileScanning() {
    if (!QNUIController::IsScanRunning()) return false;
    // The model saves only an ended scan: the sheet says why, not that the file failed.
    qWarning("Saving the scan refused: a scan is running");
    QWidget* sheet =
        OpenSheet(m_window,
                  {Text(QStringLiteral("SAVE_SCAN_RUNNING_TITLE")), Text(QStringLiteral("SAVE_SCAN_RUNNING_NODE")),
                   Text(QStringLiteral("PAGE_FOUR_RECOVERY_STOP_BUTTON")), QString()},
                  [](int) {});
    emit sheetOpened(sheet);
    emit scanSaved(false);
    return true;
}

void ResultsExport::exportButtonAction() {
    if (QNUIController::IsRecoveryRunning() || refusedWhileScanning()) return;
    const QString folder = QString::fromStdString(QNUIController::GetDefaultSavePath());
    const QString name = ResultsFileName(QNUIController::GetSaveFileName());
    auto* panel = new QFileDialog(m_window, Text(QStringLiteral("SAVE_SCAN_RESULT")));
    panel->setObjectName(QStringLiteral("saveScanDialog"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setNameFilter(QStringLiteral("*.rsf"));
    panel->setDefaultSuffix(QStringLiteral("rsf"));
    panel->setWindowModality(Qt::WindowModal);
    if (!folder.isEmpty()) panel->setDirectory(folder);
    panel->selectFile(name);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        const QString path = panel->selectedFiles().value(0);
        if (result == QDialog::Accepted && !path.isEmpty()) saveScanTo(path);
    });
    panel->open();
    emit fileDialogOpened(panel);
}

void ResultsExport::saveScanTo(const QString& path) {
    if (refusedWhileScanning()) return;
    uimodel::spy::SpyIDIncreateTable1(4133);
    uimodel::spy::SpyIDIncreateTable1(m_isDeepScan() ? 4134 : 4135);
    const QString folder = QFileInfo(path).absolutePath();
    // Choose again or cancel: the scanned image itself (a link to it included) would be replaced;
    // a results file on the scanned device overwrites the deleted files it lists.
    const bool image = QNUIController::IsScannedImage(QFile::encodeName(path).toStdString());
    if (image || QNUIController::IsRecoveryToSameDevice(QFile::encodeName(folder).toStdString())) {
        const QString warning =
            image ? QStringLiteral("SAVE_SCANNED_IMAGE_WARNING") : QStringLiteral("SAVE_SAME_DISK_WARNING");
        const QString prompt =
            image ? QStringLiteral("SAVE_SCANNED_IMAGE_PROMPT") : QStringLiteral("SAVE_SAME_DISK_PROMPT");
        QWidget* sheet = OpenSheet(m_window,
                                   {Text(warning), Text(prompt), Text(QStringLiteral("CHANG_DESTINATION")),
                                    Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NO_BUTTON"))},
                                   [guard = QPointer<ResultsExport>(this)](int code) {
                                       if (guard && code != 0) guard->exportButtonAction();
                                   });
        emit sheetOpened(sheet);
        return;
    }
    qInfo("Call Logic code save file %s", qUtf8Printable(path));
    // The call starts its own poller: the progress name while it runs, "QueryProgressFinish" at the end.
    if (QNUIController::beginSaveOrRestoreNode(true, QFile::encodeName(path).toStdString(), kSaveProgress) != 0) {
        QWidget* sheet = OpenSheet(m_window,
                                   {Text(QStringLiteral("READ_RSF_FAILED")), QString(),
                                    Text(QStringLiteral("PAGE_FOUR_RECOVERY_STOP_BUTTON")), QString()},
                                   [](int) {});
        emit sheetOpened(sheet);
        emit scanSaved(false);
        return;
    }
    auto* progress = new QNProgressWindow(true, QLatin1String(kSaveProgress), m_window);
    progress->setWindowFlag(Qt::Window);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QNProgressWindow::workEnded, this, [this, folder](bool success) {
        if (success) QNUIController::SavePathToPList(QFile::encodeName(folder).toStdString());
        emit scanSaved(success);
    });
    progress->show();
}

}  // namespace app::results
