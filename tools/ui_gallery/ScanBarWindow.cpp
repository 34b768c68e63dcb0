#include "ScanBarWindow.h"

#include <QDateTime>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <cstdio>

#include "app/base/NotificationCenter.h"
#include "app/base/Strings.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/Sheet.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/hook/ScanHook.h"
#include "app/results/ScanBarLayout.h"
#include "uimodel/facade/QNUIController.h"

namespace gallery {

namespace {

using app::theme::FlipFrame;
using uimodel::QNUIController;

constexpr int kBarHeight = app::results::kScanBarHeight;
constexpr int kBoxHeight = app::results::kScanBoxHeight;
constexpr int kDesignWidth = app::results::kScanBarDesignWidth;
constexpr int kPollMs = 250;  // besides the model's posts, which may stop before the end
const char kScanNotification[] = "NormalScranValue";

// A box that paints a named backdrop over its whole area.
class ImageBox : public QWidget {
public:
    ImageBox(const QString& image, QWidget* parent) : QWidget(parent), m_image(image) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawPixmap(0, 0, app::ImageLibrary::instance().pixmap(m_image, size(), devicePixelRatioF()));
    }

private:
    QString m_image;
};

app::ElidedLabel* MakeLabel(QWidget* parent, int fontSize, QRgb colour, Qt::Alignment alignment) {
    auto* label = new app::ElidedLabel(parent);
    label->setFont(app::theme::SystemFont(fontSize));
    label->setTextColor(QColor(colour));
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

app::TCImageButton* MakeButton(QWidget* parent, const char* family, const QString& name) {
    auto* button = new app::TCImageButton(parent);
    button->setImageFamily(QLatin1String(family));
    button->setAccessibleName(name);
    return button;
}

}  // namespace

ScanBarWindow::ScanBarWindow(QWidget* parent) : app::TCImageWindow(parent) {
    setTitleBarHeight(kBarHeight);
    setTrafficLightButtonsLeftMargin(13);
    setTopButtonMoveUp(35);
    setWindowTitle(app::Text(QStringLiteral("WINDOW_TOP_TITLE")));
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor(app::theme::kListRow));
    content->setPalette(palette);
    setContentView(content);
    buildBar();
    resize(kDesignWidth, 260);
}

void ScanBarWindow::buildBar() {
    QWidget* bar = titleBarView();
    m_home = MakeButton(bar, "home", app::Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
    m_home->setButtonEnabled(false);
    m_homeLabel = MakeLabel(bar, 13, app::theme::kGlyph, Qt::AlignHCenter);
    m_homeLabel->setFullText(app::Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
    m_deepScan = MakeButton(bar, "deepscan", app::Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
    m_deepScan->hide();
    m_deepScanLabel = MakeLabel(bar, 13, app::theme::kGlyph, Qt::AlignHCenter);
    m_deepScanLabel->setFullText(app::Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
    m_deepScanLabel->hide();

    m_box = new ImageBox(QStringLiteral("schedule_bg"), bar);
    m_activity = new QLabel(m_box);
    m_progress = new app::QNProgressView(m_box);
    m_pause = MakeButton(m_box, "pause", QStringLiteral("Pause"));
    m_pause->setButtonEnabled(false);
    m_play = MakeButton(m_box, "play", QStringLiteral("Resume"));
    m_play->hide();
    m_stop = MakeButton(m_box, "stop", QStringLiteral("Stop"));
    m_stop->setButtonEnabled(false);
    m_found = MakeLabel(m_box, 12, app::theme::kLabelText, Qt::AlignLeft);
    m_remaining = MakeLabel(m_box, 12, app::theme::kLabelText, Qt::AlignRight);
    m_recover = new app::TCImageButton(m_box);
    m_recover->setImageFamily(QStringLiteral("botton_recover"));
    m_recover->resize(100, 30);
    m_recover->setTextWithName(app::Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")), QRect(0, 0, 100, 30));
    m_recover->hide();
    m_search = new app::NewSearchTextFiled(bar);
    m_search->setSearchEnabled(false);

    connect(m_pause, &QAbstractButton::clicked, this, &ScanBarWindow::pauseOrResume);
    connect(m_play, &QAbstractButton::clicked, this, &ScanBarWindow::pauseOrResume);
    connect(m_stop, &QAbstractButton::clicked, this, &ScanBarWindow::askToStop);
    showStill(0, 0, QStringLiteral("-:-:-"));
}

void ScanBarWindow::resizeEvent(QResizeEvent* event) {
    app::TCImageWindow::resizeEvent(event);
    layoutBar();
}

void ScanBarWindow::layoutBar() {
    if (!m_box) return;
    // Frames as the bar gives them (bottom-up); the box and the search box follow the width.
    app::results::LayoutScanBar({m_home, m_homeLabel, m_deepScan, m_deepScanLabel, m_box, m_search}, width());
    app::results::LayoutScanBox({m_activity, m_progress, m_pause, m_play, m_stop, m_found, m_remaining},
                                m_box->width());
    m_recover->setGeometry(FlipFrame(QRect(m_box->width() / 2 - 50, 10, 100, 30), kBoxHeight));
    m_activity->setPixmap(
        app::ImageLibrary::instance().pixmap(QStringLiteral("loading.gif"), {16, 16}, devicePixelRatioF()));
}

void ScanBarWindow::showStill(float percent, quint64 found, const QString& remaining) {
    m_progress->changeProgressValue(percent < 1.0f ? 0.0f : percent);
    m_found->setFullText(app::Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(found));
    m_remaining->setFullText(app::Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(remaining));
}

bool ScanBarWindow::followHookScan() {
    app::NotificationCenter::instance().addObserver(this, QLatin1String(kScanNotification),
                                                    [this](const QVariantMap&) { refresh(); });
    if (!app::StartHookScan(QLatin1String(kScanNotification))) return false;
    m_running = true;
    m_pause->setButtonEnabled(true);
    m_stop->setButtonEnabled(true);
    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, &ScanBarWindow::refresh);
    m_poll->start(kPollMs);
    return true;
}

void ScanBarWindow::refresh() {
    if (!m_running) return;
    double percent = 0;
    std::uint64_t count = 0;
    const QString remaining = QString::fromStdString(QNUIController::GetScanProgress(percent, count));
    m_progress->changeProgressValue(percent < 1.0 ? 0.0f : float(percent));
    m_found->setFullText(app::Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(count));
    // The remaining time changes at most once a second, so that it can be read.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (m_lastRemainingSecond == 0 || now > m_lastRemainingSecond) {
        m_remaining->setFullText(app::Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(remaining));
        m_lastRemainingSecond = now;
    }
    if (!QNUIController::IsScanRunning()) showFinished();
}

void ScanBarWindow::pauseOrResume() {
    const bool keyboard = m_pause->hasFocus() || m_play->hasFocus();
    QNUIController::PauseOrResumeScan();
    m_userPaused = QNUIController::IsPause();
    std::printf("ui_gallery: scan %s\n", m_userPaused ? "paused" : "resumed");
    std::fflush(stdout);
    m_pause->setVisible(!m_userPaused);
    m_play->setVisible(m_userPaused);
    // The key that pressed the hidden button goes on with the one in its place.
    if (keyboard) (m_userPaused ? m_play : m_pause)->setFocus(Qt::TabFocusReason);
}

void ScanBarWindow::askToStop() {
    if (!m_running) return;
    if (!QNUIController::IsPause()) QNUIController::PauseOrResumeScan();
    const app::SheetTexts texts{app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_TITLE")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NODE")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_YES_BUTTON")),
                                app::Text(QStringLiteral("PAGE_FOUR_SCAN_STOP_NO_BUTTON"))};
    app::OpenSheet(this, texts, [this, guard = QPointer<ScanBarWindow>(this)](int code) {
        if (!guard || !m_running) return;
        if (code == 1) {
            m_stopRequested = true;
            std::printf("ui_gallery: scan stopped\n");
            std::fflush(stdout);
            for (app::TCImageButton* b : {m_home, m_pause, m_play, m_stop}) b->setButtonEnabled(false);
            QNUIController::StopScan(1);
        } else if (!m_userPaused && QNUIController::IsPause()) {
            QNUIController::PauseOrResumeScan();
        }
    });
}

void ScanBarWindow::showFinished() {
    m_running = false;
    if (m_poll) m_poll->stop();
    for (QWidget* w :
         {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_activity), static_cast<QWidget*>(m_pause),
          static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_stop), static_cast<QWidget*>(m_remaining)})
        w->hide();
    // The count moves above the recovery button, centred, as the selection line will.
    m_found->setAlignment(Qt::AlignCenter);
    m_found->setGeometry(FlipFrame(QRect(40, 40, m_box->width() - 80, 18), kBoxHeight));
    m_recover->show();
    m_recover->setButtonEnabled(true);
    m_home->setButtonEnabled(true);
    m_search->setSearchEnabled(true);
    if (!QNUIController::IsDeepScan()) {
        m_deepScan->show();
        m_deepScan->setButtonEnabled(true);
        m_deepScanLabel->show();
    }
    emit scanEnded(app::HookScanState(m_stopRequested), app::HookFoundCount());
}

}  // namespace gallery
