// Saving the scan into a results file: the title bar's export button, a save dialog in the
// default results folder, the scanned-device refusal, then the save under the progress window.
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QtDebug>

#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultsTexts.h"
#include "app/base/Strings.h"
#include "app/results/QNProgressWindow.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/SpyEvents.h"

namespace app::results {

using uimodel::QNUIController;

namespace {
const char kSaveProgress[] = "QueryProgressInfo";
constexpr int kExportRight = 1030 - 966 - 16;  // its distance to the bar's right edge at design width
}  // namespace

void QNDeletailWindowController::createExportButton(bool deep) {
  if (m_isImport) return;
  if (!m_exportButton) {
    m_exportButton = new TCImageButton(titleBarView());
    m_exportButton->setImageFamily(QStringLiteral("export"));
    m_exportButton->setAccessibleName(Text(QStringLiteral("PAGE_FOUR_SAVE_BUTTON_TIP")));
    m_exportButton->setButtonEnabled(true);
    if (!deep) m_exportButton->setToolTip(Text(QStringLiteral("PAGE_FOUR_SAVE_BUTTON_TIP")));
    connect(m_exportButton, &QAbstractButton::clicked, this, &QNDeletailWindowController::exportButtonAction);
    layoutExportButton();
  }
  m_exportButton->show();
}

void QNDeletailWindowController::layoutExportButton() {
  if (!m_exportButton) return;
  m_exportButton->setGeometry(theme::FlipFrame(QRect(width() - kExportRight - 16, 70, 16, 16), titleBarView()->height()));
}

void QNDeletailWindowController::exportButtonAction() {
  if (!m_exportButton || QNUIController::IsRecoveryRunning()) return;
  const QString folder = QString::fromStdString(QNUIController::GetDefaultSavePath());
  const QString name = ResultsFileName(QNUIController::GetSaveFileName());
  auto* panel = new QFileDialog(this, Text(QStringLiteral("SAVE_SCAN_RESULT")));
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

void QNDeletailWindowController::saveScanTo(const QString& path) {
  uimodel::spy::SpyIDIncreateTable1(4133);
  uimodel::spy::SpyIDIncreateTable1(m_isDeepScan ? 4134 : 4135);
  const QString folder = QFileInfo(path).absolutePath();
  if (QNUIController::IsRecoveryToSameDevice(QFile::encodeName(folder).toStdString())) {
    // Choose again or cancel: a results file there overwrites the deleted files it lists.
    QWidget* sheet = OpenSheet(this,
                               {Text(QStringLiteral("SAVE_SAME_DISK_WARNING")), Text(QStringLiteral("SAVE_SAME_DISK_PROMPT")),
                                Text(QStringLiteral("CHANG_DESTINATION")), Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NO_BUTTON"))},
                               [guard = QPointer<QNDeletailWindowController>(this)](int code) {
                                 if (guard && code != 0) guard->exportButtonAction();
                               });
    emit sheetOpened(sheet);
    return;
  }
  qInfo("Call Logic code save file %s", qUtf8Printable(path));
  // The call starts its own poller: the progress name while it runs, "QueryProgressFinish" at the end.
  if (QNUIController::beginSaveOrRestoreNode(true, QFile::encodeName(path).toStdString(), kSaveProgress) != 0) {
    QWidget* sheet = OpenSheet(this, {Text(QStringLiteral("READ_RSF_FAILED")), QString(), Text(QStringLiteral("PAGE_FOUR_RECOVERY_STOP_BUTTON")), QString()},
                               [](int) {});
    emit sheetOpened(sheet);
    emit scanSaved(false);
    return;
  }
  auto* progress = new QNProgressWindow(true, QLatin1String(kSaveProgress), this);
  progress->setWindowFlag(Qt::Window);
  progress->setAttribute(Qt::WA_DeleteOnClose);
  connect(progress, &QNProgressWindow::workEnded, this, [this, folder](bool success) {
    if (success) {
      m_bSave = true;
      QNUIController::SavePathToPList(QFile::encodeName(folder).toStdString());
    }
    emit scanSaved(success);
  });
  progress->show();
}

}  // namespace app::results
