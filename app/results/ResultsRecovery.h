#pragma once
// The results window's recovery of the checked files, a part with its own state: the recover
// button opens a folder dialog; its answer goes through the checks in their order (write access,
// the scanned device, free space), then the copy runs under the progress dialog fed by
// "DoRecovery", and a last dialog closes it. Nothing here blocks in a nested loop: the dialogs
// are window-modal and answer through signals.
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

#include "app/recovery/RecoveryChecks.h"

class QDialog;
class QFileDialog;
class QTimer;

namespace app {
class TCImageButton;
}

namespace app::recovery {
class QNShowScanProgressWindowController;
class RecoveryLog;
struct RecoveryCounts;
struct RecoveryLogSummary;
}  // namespace app::recovery

namespace app::results {

class ResultsRecovery : public QObject {
    Q_OBJECT

public:
    // `window` holds the dialogs and sheets; `recover` is the bar's recover button.
    ResultsRecovery(QWidget* window, TCImageButton* recover);

    // Follows the model's "DoRecovery" posts, or no longer.
    void observe();
    void stopObserving();

    // The recover button: a folder dialog, unless a recovery runs or the button is greyed.
    void recovrtyButtonClick();
    // The Recover button was pressed while greyed: with nothing checked, a note says so.
    void explainRecoverRefused();
    void recoverToFolder(const QString& folder);
    // The progress dialog's decisions: 1 pause or go on as the dialog now shows, 2 stop.
    void stopButtonAction(int code);
    void setDestinationProbe(recovery::DestinationProbe probe) { m_destinationProbe = std::move(probe); }

signals:
    void fileDialogOpened(QFileDialog* dialog);
    void sheetOpened(QWidget* sheet);
    void noteShown(const QString& note);
    void recoveryDialogOpened(QDialog* dialog);
    void recoveryEnded(bool stopped);

private:
    void startRecovery();
    void recoveryAction();
    void closeRecoveryProgress();
    // The last dialog, finished or stopped, with the log's counts.
    void showRecoveryEndWindow(bool stopped);
    recovery::RecoveryCounts counts() const;
    // The reasons the files not recovered whole were not, and where the log went.
    recovery::RecoveryLogSummary logSummary() const;
    void openRecoverySheet(const QString& prefix, bool withAlternate, std::function<void(int)> done);

    QWidget* m_window;
    TCImageButton* m_recover;
    recovery::DestinationProbe m_destinationProbe = recovery::DestinationProbe::Real();
    QRect m_rectNew;
    QString m_recoverySavePathStr;
    std::uint64_t m_givenFiles = 0;  // the files the running recovery was handed
    bool m_isBeginRecovery = false;
    bool m_isFinishRecovery = true;
    bool m_isRecoveryEndSHowWindow = false;
    bool m_recoveryStopped = false;
    QPointer<recovery::QNShowScanProgressWindowController> m_recoveryProgressWindow;
    QPointer<QDialog> m_recoveryEndWindow;
    QTimer* m_recoveryWatch = nullptr;
    // The running or last recovery's log; the recovery's thread writes its lines.
    std::shared_ptr<recovery::RecoveryLog> m_log;
};

}  // namespace app::results
