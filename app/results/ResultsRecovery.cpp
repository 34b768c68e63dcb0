#include "app/results/ResultsRecovery.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>
#include <QtDebug>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/PlainText.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/models/FileOutlook.h"
#include "app/recovery/QNScanEndSaveWindowController.h"
#include "app/recovery/QNShowScanProgressWindowController.h"
#include "app/recovery/RecoveryLog.h"
#include "engine/IDataRecovery.h"
#include "uimodel/facade/QNUIController.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/SpyEvents.h"

namespace app::results {

using recovery::DestinationCheck;
using recovery::QNShowScanProgressWindowController;
using uimodel::QNUIController;

namespace {

const char kRecoveryPost[] = "DoRecovery";
constexpr int kRecoveryWatchMs = 250;  // the end is looked for even when no post comes

// Names every file the recovery could not write whole, and every file written with a note, once
// per file, from the recovery's thread, in the log and on standard error alike; a short copy gives
// its recorded size and the bytes it holds.
void LogFailedFiles(const std::shared_ptr<recovery::RecoveryLog>& log) {
    QNUIController::SetRecoveryFailureReport(
        [log](IFileNode* node, const std::string& path, RESULT result, const std::string& note) {
            const char* reason = CopyRefusalWord(result);
            QString sizes;
            if (result == CopyNoteResult(kCodeShortData))
                sizes = QStringLiteral(", recorded %1 bytes, written %2")
                            .arg(node->GetFileSize())
                            .arg(QFileInfo(QString::fromStdString(path)).size());
            // A file of a volume in a virtual disk names the container it lies in.
            const QString in = note.empty() ? QString() : QStringLiteral(" in ") + QString::fromStdString(note);
            const QString line = QStringLiteral("%1 (0x%2%3%4%5): %6 -> %7")
                                     .arg(QLatin1String(IsNotedCopy(result) ? "Written with a note" : "Not recovered"))
                                     .arg(static_cast<qulonglong>(result), 0, 16)
                                     .arg(reason ? QStringLiteral(", ") + QLatin1String(reason) : QString(), in, sizes,
                                          QString::fromStdString(uimodel::GetPathByFileNode(node)),
                                          path.empty() ? QStringLiteral("not written") : QString::fromStdString(path));
            qWarning("%s", qUtf8Printable(line));
            log->addLine(line);
        });
}

// The recovery's end in the log: its counts, and again each file written with a note, so that
// they are found together however long the copy ran.
void LogRecoveryEnd(recovery::RecoveryLog& log) {
    QStringList lines{QStringLiteral("Recovery ended: %1 recovered, %2 written with notes, %3 failed")
                          .arg(QNUIController::GetRecoveridedFiles())
                          .arg(QNUIController::GetRecoveryNotedFiles())
                          .arg(QNUIController::GetRecoveryFailedFiles())};
    for (const std::string& line : QNUIController::GetRecoveryNoteLines())
        lines << QStringLiteral("  ") + QString::fromStdString(line);
    for (const QString& line : lines) {
        qWarning("%s", qUtf8Printable(line));
        log.addLine(line);
    }
    if (!log.error().isEmpty())
        qWarning("Recovery: the log could not be written in the destination: %s", qUtf8Printable(log.error()));
    else
        qWarning("Recovery: log written to %s", qUtf8Printable(log.path()));
}

// Creating a folder is already a write: the dialog offers no "New Folder" (nor rename or
// delete) while it shows a folder of the scanned device.
void GuardScannedFolders(QFileDialog* panel) {
    auto guard = [panel](const QString& folder) {
        panel->setOption(QFileDialog::ReadOnly,
                         QNUIController::IsRecoveryToSameDevice(QFile::encodeName(folder).toStdString()));
    };
    // The list's model moves to every folder shown, however it is reached, before the dialog
    // enables its buttons for it.
    if (auto* model = panel->findChild<QFileSystemModel*>())
        QObject::connect(model, &QFileSystemModel::rootPathChanged, panel, guard);
    guard(panel->directory().absolutePath());
}

}  // namespace

ResultsRecovery::ResultsRecovery(QWidget* window, TCImageButton* recover)
    : QObject(window), m_window(window), m_recover(recover) {
    setObjectName(QStringLiteral("resultsRecovery"));
    connect(m_recover, &QAbstractButton::clicked, this, &ResultsRecovery::recovrtyButtonClick);
    connect(m_recover, &TCImageButton::refusedPress, this, &ResultsRecovery::explainRecoverRefused);
}

void ResultsRecovery::observe() {
    NotificationCenter& center = NotificationCenter::instance();
    center.removeObserver(this, QLatin1String(kRecoveryPost));
    center.addObserver(this, QLatin1String(kRecoveryPost), [this](const QVariantMap&) { recoveryAction(); });
}

void ResultsRecovery::stopObserving() { NotificationCenter::instance().removeObserver(this); }

void ResultsRecovery::recovrtyButtonClick() {
    // One recovery at a time, and never one without its dialog.
    if (QNUIController::IsRecoveryRunning() || m_recoveryProgressWindow || !m_recover->isButtonEnabled()) return;
    m_recover->setButtonEnabled(false);
    m_isRecoveryEndSHowWindow = true;
    auto* panel = new QFileDialog(m_window, Text(QStringLiteral("PAGE_FOUR_RECOVERY_NODE")));
    panel->setObjectName(QStringLiteral("recoveryFolderDialog"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    GuardScannedFolders(panel);
    panel->setLabelText(QFileDialog::Accept, Text(QStringLiteral("PAGE_FOUR_RECOVERY_WINDOW_SAVE_BUTTON")));
    panel->setWindowModality(Qt::WindowModal);
    if (m_rectNew.isEmpty())
        m_rectNew = QRect(m_window->frameGeometry().topLeft(),
                          QSize(m_window->width(), std::max(200, m_window->height() - 75)));
    panel->resize(m_rectNew.size());
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        m_rectNew = panel->geometry();
        m_recover->setButtonEnabled(true);
        const QString folder = panel->selectedFiles().value(0);
        if (result == QDialog::Accepted && !folder.isEmpty()) recoverToFolder(folder);
    });
    panel->open();
    emit fileDialogOpened(panel);
}

void ResultsRecovery::explainRecoverRefused() {
    if (QNUIController::IsRecoveryRunning() || m_recoveryProgressWindow) return;
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    QNUIController::GetSelectedFilesAmout(count, size);
    if (count != 0) return;
    // Beside the button, as plain text: the note says what the greyed button waits for.
    const QString note = Text(QStringLiteral("PAGE_FOUR_RECOVERY_NOTHING_CHECKED"));
    TCImageButton* recover = m_recover;
    QToolTip::showText(recover->mapToGlobal(QPoint(0, recover->height())), EscapedToolTip(note), recover);
    emit noteShown(note);
}

void ResultsRecovery::recoverToFolder(const QString& folder) {
    if (QNUIController::IsRecoveryRunning()) return;
    m_recoverySavePathStr = folder;
    m_isRecoveryEndSHowWindow = true;
    // Gathered once here for the checks and the copy. What the copies write, not what damaged
    // entries claim: one absurd size must not refuse all.
    const QNUIController::CheckedFiles checked = QNUIController::GatherCheckedFiles();
    // Nothing checked (the checks went with a stop): no recovery, which would copy nothing.
    if (checked.u64Count == 0) {
        qWarning("Recovery to %s refused: no file is checked", qUtf8Printable(folder));
        explainRecoverRefused();
        return;
    }
    m_givenFiles = checked.u64Count;
    switch (recovery::CheckDestination(folder, checked.u64BytesToWrite, m_destinationProbe)) {
        case DestinationCheck::NoWriteAccess:
            openRecoverySheet(QStringLiteral("PAGE_FOUR_RECOVERY_NO_COMPETENCE"), false, [](int) {});
            return;
        case DestinationCheck::SameDevice:
            // Choose again or cancel: writing there overwrites the deleted files being recovered.
            openRecoverySheet(QStringLiteral("PAGE_FOUR_SAVE_SAME_PATH"), true, [this](int code) {
                uimodel::spy::SpyIDStringTable1(4120, "0");
                if (code != 0) QTimer::singleShot(500, this, &ResultsRecovery::recovrtyButtonClick);
            });
            return;
        case DestinationCheck::NoSpace:
            // Its alternate ("NO") answer goes on.
            openRecoverySheet(QStringLiteral("PAGE_FOUR_RECOVERY_NO_SPACE"), true, [this](int code) {
                if (code == 0) startRecovery();
            });
            return;
        case DestinationCheck::Ok:
            startRecovery();
            return;
    }
}

void ResultsRecovery::openRecoverySheet(const QString& prefix, bool withAlternate, std::function<void(int)> done) {
    const SheetTexts texts{Text(prefix + QStringLiteral("_TITLE")), Text(prefix + QStringLiteral("_NODE")),
                           Text(prefix + QStringLiteral("_YES_BUTTON")),
                           withAlternate ? Text(prefix + QStringLiteral("_NO_BUTTON")) : QString()};
    QWidget* sheet = OpenSheet(m_window, texts, [guard = QPointer<ResultsRecovery>(this), done](int code) {
        if (guard) done(code);
    });
    emit sheetOpened(sheet);
}

void ResultsRecovery::startRecovery() {
    m_log = std::make_shared<recovery::RecoveryLog>(m_recoverySavePathStr);
    LogFailedFiles(m_log);
    m_isFinishRecovery = false;
    m_isBeginRecovery = true;
    m_recoveryStopped = false;
    const RESULT started =
        QNUIController::DoRecovery(QFile::encodeName(m_recoverySavePathStr).toStdString(), kRecoveryPost);
    if (Failed(started)) {
        qWarning("Recovery to %s refused: 0x%llx", qUtf8Printable(m_recoverySavePathStr),
                 static_cast<unsigned long long>(started));
        m_isFinishRecovery = true;
        m_isBeginRecovery = false;
        return;
    }
    uimodel::spy::SpyIDStringTable1(4120, "0");
    if (!m_recoveryWatch) {
        m_recoveryWatch = new QTimer(this);
        m_recoveryWatch->setInterval(kRecoveryWatchMs);
        connect(m_recoveryWatch, &QTimer::timeout, this, &ResultsRecovery::recoveryAction);
    }
    m_recoveryWatch->start();
}

void ResultsRecovery::recoveryAction() {
    if (m_isFinishRecovery) return;
    const bool running = QNUIController::IsRecoveryRunning();
    if (!m_recoveryProgressWindow && running && !m_recoveryStopped) {
        auto* dialog = new QNShowScanProgressWindowController(m_window);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QNShowScanProgressWindowController::stopButtonAction, this,
                &ResultsRecovery::stopButtonAction);
        m_recoveryProgressWindow = dialog;
    }
    std::uint64_t total = 0;
    std::uint64_t done = 0;
    std::uint64_t error = 0;
    const QString name = QString::fromStdString(QNUIController::GetRecoveryProgressTotal(total, done, error));
    if (m_recoveryProgressWindow) {
        // The copy pauses itself when the destination stops taking bytes.
        if (QNUIController::IsRecoveryPaused() && (error & 0xFFFFFFFFu) == kCodeShortWrite)
            m_recoveryProgressWindow->setNoMemeryViewHidden();
        m_recoveryProgressWindow->changeProgressValue(
            done != 0 && total > 0 ? static_cast<double>(done) * 100.0 / static_cast<double>(total) : 0.0, name);
    }
    if (!running) {
        // A stop request is not yet the end: the worker removes the part of the file it was copying,
        // after a read that may take long on a failing disk. The timer asks again meanwhile.
        if (QNUIController::IsRecoveryWindingDown()) return;
        m_isFinishRecovery = true;
        m_recoveryWatch->stop();
        closeRecoveryProgress();
        // Its counts are final once it has returned.
        const RESULT result = QNUIController::GetRecoveryResult();
        if (Failed(result)) qWarning("Recovery ended with 0x%llx", static_cast<unsigned long long>(result));
        LogRecoveryEnd(*m_log);
        // After the progress dialog has gone: never two modal dialogs at once.
        QTimer::singleShot(0, this, [this] { showRecoveryEndWindow(m_recoveryStopped || !m_isRecoveryEndSHowWindow); });
        return;
    }
    if (m_isBeginRecovery && m_recoveryProgressWindow) {
        m_isBeginRecovery = false;
        m_recoveryProgressWindow->open();
        m_recoveryProgressWindow->activateWindow();  // Esc asks at once
        emit recoveryDialogOpened(m_recoveryProgressWindow);
    }
}

void ResultsRecovery::stopButtonAction(int code) {
    if (code == 1) {
        // Pause only a running copy, resume only a paused one: never a blind toggle.
        const bool wantsPause = m_recoveryProgressWindow && m_recoveryProgressWindow->wantsPause();
        if (wantsPause != QNUIController::IsRecoveryPaused()) QNUIController::PauseOrResumeRecovery();
        return;
    }
    m_recoveryStopped = true;
    m_isRecoveryEndSHowWindow = false;
    closeRecoveryProgress();
    QNUIController::StopRecvoery();
    // The stopped dialog follows when the copy has wound down (its count is final then).
    recoveryAction();
}

void ResultsRecovery::closeRecoveryProgress() {
    if (!m_recoveryProgressWindow) return;
    QNShowScanProgressWindowController* dialog = m_recoveryProgressWindow;
    m_recoveryProgressWindow = nullptr;
    dialog->done(QDialog::Accepted);
    dialog->deleteLater();
}

recovery::RecoveryCounts ResultsRecovery::counts() const {
    return {m_givenFiles, QNUIController::GetRecoveridedFiles(), QNUIController::GetRecoveryFailedFiles(),
            QNUIController::GetRecoveryNotedFiles()};
}

recovery::RecoveryLogSummary ResultsRecovery::logSummary() const {
    recovery::RecoveryLogSummary summary;
    for (const QNUIController::RecoveryReason& reason : QNUIController::GetRecoveryReasons())
        summary.reasons << Text(QStringLiteral("PAGE_FOUR_RECOVER_REASON_ITEM"))
                               .arg(static_cast<qulonglong>(reason.u64Count))
                               .arg(ReasonText(reason.result, reason.note));
    if (m_log) {
        summary.logPath = m_log->path();
        summary.logError = m_log->error();
    }
    return summary;
}

void ResultsRecovery::showRecoveryEndWindow(bool stopped) {
    if (m_recoveryEndWindow) m_recoveryEndWindow->deleteLater();
    QDialog* dialog = nullptr;
    if (stopped) {
        auto* notEnd = new recovery::QNScanNotEndSaveWindowController(m_window);
        notEnd->changeRecoveryFilesPoint(counts(), m_recoverySavePathStr, logSummary());
        dialog = notEnd;
    } else {
        dialog = new recovery::QNScanEndSaveWindowController(m_recoverySavePathStr, counts(), m_window, logSummary());
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    m_recoveryEndWindow = dialog;
    dialog->open();
    dialog->activateWindow();  // its OK answers Return at once
    emit recoveryDialogOpened(dialog);
    emit recoveryEnded(stopped);
}

}  // namespace app::results
