#include "app/results/QNProgressWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/BarTitle.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/QNProgressView.h"
#include "uimodel/facade/QNUIController.h"

namespace app {

using uimodel::QNUIController;

int ProgressPercent(std::uint64_t total, std::uint64_t done) {
    if (total == 0) total = 1;
    return static_cast<int>(std::min<std::uint64_t>(100, done >= total ? 100 : done * 100 / total));
}

QNProgressWindow::QNProgressWindow(bool save, const QString& postName, QWidget* parent)
    : TCImageWindow(parent), m_save(save), m_postName(postName) {
    setTitleBarHeight(22);
    setTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")) + QLatin1Char(' '));
    // Shown in the bar over its header, as the program's other dialogs show it.
    auto* header = new QLabel(titleBarView());
    header->setScaledContents(true);
    header->setPixmap(imageNamed(QStringLiteral("pop_header_bg")));
    header->setGeometry(0, 0, 420, 22);
    header->lower();
    new BarTitle(windowTitle(), this);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    auto* heading = new QLabel(content);
    heading->setTextFormat(Qt::PlainText);
    heading->setText(Text(save ? QStringLiteral("SAVE_SCAN_RESULT") : QStringLiteral("LOAD_SCAN_RESULT")));
    m_description = new QLabel(content);
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);
    m_description->setText(Text(save ? QStringLiteral("SAVE_RESULT_WAIT") : QStringLiteral("LOAD_RESULT_WAIT")));
    m_progress = new QNProgressView(content);
    layout->addWidget(heading);
    layout->addWidget(m_description);
    layout->addWidget(m_progress);
    setContentView(content);
    resize(420, 150);
    setWindowModality(Qt::ApplicationModal);

    NotificationCenter& center = NotificationCenter::instance();
    center.addObserver(this, m_postName, [this](const QVariantMap&) { changeProgressValue(); });
    center.addObserver(this, QStringLiteral("QueryProgressFinish"), [this](const QVariantMap&) { ProgressFinish(); });
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &QNProgressWindow::onTimer);
}

QNProgressWindow::~QNProgressWindow() { NotificationCenter::instance().removeObserver(this); }

void QNProgressWindow::changeProgressValue() {
    std::uint64_t total = 0, done = 0, error = 0;
    QNUIController::GetSaveorRestoreProgress(total, done, error, m_save);
    const int percent = ProgressPercent(total, done);
    if (percent <= m_percent) return;  // never backwards
    m_percent = percent;
    m_progress->changeProgressValue(static_cast<float>(percent));
}

void QNProgressWindow::ProgressFinish() {
    if (m_finished) return;
    std::uint64_t total = 0, done = 0, error = 0;
    QNUIController::GetSaveorRestoreProgress(total, done, error, m_save);
    if (error == 0) changeProgressValue();
    m_finished = true;
    // A load the user stopped also ends without an error, with part of the file replayed.
    m_success = error == 0 && !m_stopRequested;
    m_failed = error != 0;
    m_timer.start();
}

void QNProgressWindow::onTimer() {
    if (!m_finished) return;
    m_timer.stop();
    NotificationCenter::instance().removeObserver(this);
    m_closing = true;
    if (m_failed) {
        showAlert(QStringLiteral("readFailedAlert"), Text(QStringLiteral("READ_RSF_FAILED")));
    } else if (!m_save) {
        // A loaded scan shows what it placed; the volumes it could not place are named.
        QStringList leftOut;
        for (const std::string& root : QNUIController::GetLoadLeftOutRoots()) leftOut << QString::fromStdString(root);
        if (!leftOut.isEmpty())
            showAlert(QStringLiteral("rootsLeftOutAlert"),
                      Text(QStringLiteral("LOAD_ROOTS_LEFT_OUT")).arg(leftOut.join(QStringLiteral(", "))));
    }
    close();
    if (m_success && !m_save) NotificationCenter::instance().post(QStringLiteral("ShowDetailWindow"));
    emit workEnded(m_success);
}

void QNProgressWindow::showAlert(const QString& name, const QString& text) {
    auto* alert = new QMessageBox(QMessageBox::Warning, QString(), text, QMessageBox::Ok);
    alert->setObjectName(name);
    alert->setTextFormat(Qt::PlainText);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void QNProgressWindow::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        TCImageWindow::closeEvent(event);
        return;
    }
    // Closed by the user: a load is stopped and its end awaited, so that the next Start is not
    // refused; a save goes on to its end.
    event->ignore();
    if (m_stopRequested || m_finished) return;
    m_stopRequested = true;
    if (!m_save) QNUIController::StopScan(0);
    m_description->setText(Text(QStringLiteral("LOAD_RESULT_STOPPING")));
}

}  // namespace app
