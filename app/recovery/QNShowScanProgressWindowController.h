#pragma once
// The recovery's progress dialog: a bar that moves by bytes and the name of the file being
// copied, a stop button behind a yes/no question, and a disk-full view with continue and cancel.
// It never talks to the model: every decision goes out as stopButtonAction(code), 1 for "the
// copy should pause or go on as this view now says" (stop, No, continue) and 2 for "stop the
// copy" (Yes, cancel). Esc and the close button ask the question; they never stop at once.

#include <QDialog>

class QPushButton;
class QStackedWidget;

namespace app {
class ElidedLabel;
class QNProgressView;
}  // namespace app

namespace app::recovery {

class QNShowScanProgressWindowController : public QDialog {
    Q_OBJECT
public:
    enum View { kCopying = 0, kQuestion, kDiskFull };

    explicit QNShowScanProgressWindowController(QWidget* parent = nullptr);

    // The bar takes `percent` (0 to 100); a non-empty name replaces the shown one.
    void changeProgressValue(double percent, const QString& name);
    // Switches to the disk-full view.
    void setNoMemeryViewHidden();
    View currentView() const;
    // Whether the copy should be paused while this view shows.
    bool wantsPause() const { return currentView() != kCopying; }

    QNProgressView* progressBar() const { return m_progress; }
    ElidedLabel* scaningFileName() const { return m_name; }
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* yesButton() const { return m_yes; }
    QPushButton* noButton() const { return m_no; }
    QPushButton* continueButton() const { return m_continue; }
    QPushButton* cancelButton() const { return m_cancel; }

    void stopProgressButtonAction();
    void yesButtonAction();
    void noButtonAction();
    void continueButtonAction();
    void cancelButtonAction();

signals:
    void stopButtonAction(int code);
    // Another view shows (the question, the disk-full notice, the copying again).
    void viewShown(int view);

public slots:
    // Esc: the question, never a stop.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showView(View view);

    QStackedWidget* m_views = nullptr;
    QNProgressView* m_progress = nullptr;
    ElidedLabel* m_name = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_yes = nullptr;
    QPushButton* m_no = nullptr;
    QPushButton* m_continue = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace app::recovery
