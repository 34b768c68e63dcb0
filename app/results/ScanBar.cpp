#include "app/results/ScanBar.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSettings>

#include <algorithm>
#include <utility>

#include "app/base/Strings.h"
#include "app/controls/ElidedLabel.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/QNProgressView.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/results/ResultViews.h"
#include "app/results/ScanBarLayout.h"

namespace app::results {

using theme::FlipFrame;

namespace {

constexpr int kSlideMs = 400;
constexpr int kExportRight = 1030 - 966 - 16;  // its distance to the bar's right edge at design width

// A box that paints a named backdrop over its whole area.
class ImageBox : public QWidget {
public:
    ImageBox(const QString& image, QWidget* parent) : QWidget(parent), m_image(image) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawPixmap(0, 0, ImageLibrary::instance().pixmap(m_image, size(), devicePixelRatioF()));
    }

private:
    QString m_image;
};

ElidedLabel* MakeLabel(QWidget* parent, const char* name, int fontSize, QRgb colour, Qt::Alignment alignment) {
    auto* label = new ElidedLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(theme::SystemFont(fontSize));
    label->setTextColor(QColor(colour));
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

TCImageButton* MakeButton(QWidget* parent, const char* objectName, const char* family, const QString& name,
                          const QString& tip = {}) {
    auto* button = new TCImageButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setImageFamily(QLatin1String(family));
    button->setAccessibleName(name);
    button->setToolTip(tip.isEmpty() ? name : tip);
    return button;
}

float ShownPercent(double percent) { return percent < 1.0 ? 0.0f : static_cast<float>(percent); }

}  // namespace

ScanBar::ScanBar(TCImageWindow* window) : KWTitlebarView(window) {
    setObjectName(QStringLiteral("scanBar"));
    m_clock = [] { return QDateTime::currentSecsSinceEpoch(); };
    m_home = MakeButton(this, "homeButton", "home", Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
    m_homeLabel = MakeLabel(this, "homeLabel", 13, theme::kGlyph, Qt::AlignHCenter);
    m_homeLabel->setFullText(Text(QStringLiteral("PAGE_FOUR_BACKHOME_BUTTON")));
    m_deepScan = MakeButton(this, "deepScanButton", "deepscan", Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
    m_deepScanLabel = MakeLabel(this, "deepScanLabel", 13, theme::kGlyph, Qt::AlignHCenter);
    m_deepScanLabel->setFullText(Text(QStringLiteral("PAGE_FOUR_DEEPSCAN_BUTTON")));
    m_anchor = new QWidget(this);  // the offer's anchor, just right of the deep-scan button
    m_anchor->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_box = new ImageBox(QStringLiteral("schedule_bg"), this);
    m_box->setObjectName(QStringLiteral("scanBox"));
    m_subBox = new QWidget(m_box);
    m_spinner = new SpinnerView(m_subBox);
    m_progress = new QNProgressView(m_subBox);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_pause = MakeButton(m_subBox, "pauseButton", "pause", QStringLiteral("Pause"),
                         Text(QStringLiteral("PAGE_FOUR_PAUSE_TIP")));
    m_play = MakeButton(m_subBox, "playButton", "play", QStringLiteral("Resume"),
                        Text(QStringLiteral("PAGE_FOUR_RESUME_TIP")));
    m_stop =
        MakeButton(m_subBox, "stopButton", "stop", QStringLiteral("Stop"), Text(QStringLiteral("PAGE_FOUR_STOP_TIP")));
    m_selectFiles = MakeLabel(m_subBox, "selectionLabel", 14, theme::kLabelText, Qt::AlignLeft);
    m_selectFiles->hide();
    m_found = MakeLabel(m_subBox, "foundLabel", 12, theme::kLabelText, Qt::AlignLeft);
    m_remaining = MakeLabel(m_subBox, "remainingLabel", 12, theme::kLabelText, Qt::AlignRight);
    m_recover = new TCImageButton(m_box);
    m_recover->setObjectName(QStringLiteral("recoverButton"));
    m_recover->setImageFamily(QStringLiteral("botton_recover"));
    m_recover->resize(100, 30);
    m_recover->setTextWithName(Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")), QRect(0, 0, 100, 30));
    m_recover->setAccessibleName(Text(QStringLiteral("PAGE_FOUR_RECOVERY_BUTTON")));
    m_recover->setButtonEnabled(false);
    m_recover->hide();
    m_search = new NewSearchTextFiled(this);
    m_search->setObjectName(QStringLiteral("searchField"));
    showStillLabels();
    showState(m_state);  // nothing handed to the model yet
    m_subBox->installEventFilter(this);
}

void ScanBar::showStillLabels() {
    m_progress->changeProgressValue(0.0f);
    m_found->setFullText(Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(QStringLiteral("0")));
    m_remaining->setFullText(Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(QStringLiteral("-:-:-")));
    m_selectFiles->setFullText(Text(QStringLiteral("PAGE_FOUR_SELECT_FILES")).arg(QStringLiteral("0 byte")).arg(0));
}

int ScanBar::boxContentLeft() const {
    int left = m_box->x() + m_box->width();
    for (QWidget* part : m_box->findChildren<QWidget*>()) {
        // The parts that draw something of their own: no containers.
        if (!part->isVisibleTo(this) || part->findChild<QWidget*>()) continue;
        int partLeft = part->mapTo(this, QPoint(0, 0)).x();
        if (const auto* label = qobject_cast<const QLabel*>(part)) {
            if (label->text().isEmpty()) continue;
            const int text = std::min(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
            if (label->alignment() & Qt::AlignHCenter) partLeft += (label->width() - text) / 2;
            if (label->alignment() & Qt::AlignRight) partLeft += label->width() - text;
        }
        left = std::min(left, partLeft);
    }
    return left;
}

void ScanBar::layoutParts() {
    // Frames as the bar gives them (bottom-up); the box and the search field follow the width.
    LayoutScanBar({m_home, m_homeLabel, m_deepScan, m_deepScanLabel, m_box, m_search}, width());
    m_anchor->setGeometry(QRect(144, 43, 2, 2));
    layoutExportButton();
    const bool recoverIn = m_recover->isVisible() && m_state.following();
    m_subBox->setGeometry(0, 0, m_box->width() - (recoverIn ? 100 : 0), kScanBoxHeight);
    layoutSubBox();
    if (m_state.phase == ScanPhase::Ended)
        m_recover->setGeometry(FlipFrame(QRect(m_box->width() / 2 - 50, 10, 100, 30), kScanBoxHeight));
    else
        m_recover->setGeometry(FlipFrame(QRect(m_subBox->width() + 5, 12, 100, 30), kScanBoxHeight));
}

void ScanBar::layoutSubBox() {
    const int width = m_subBox->width();
    LayoutScanBox({m_spinner, m_progress, m_pause, m_play, m_stop, m_found, m_remaining}, width);
    if (m_state.phase == ScanPhase::Ended) {
        m_selectFiles->setGeometry(FlipFrame(QRect(40, 40, width - 80, 18), kScanBoxHeight));
        return;
    }
    // Beside the scan's controls the label ends where the progress bar does: it never lies over
    // the pause, resume or stop button.
    int controlsLeft = m_progress->geometry().right() + 1;
    // While the scan stops, the label leaves room for the note that says so.
    if (m_state.phase == ScanPhase::Stopping) controlsLeft = std::min(controlsLeft, m_remaining->geometry().left());
    const bool spanish =
        QSettings().value(QStringLiteral("AppleLanguages")).toStringList().value(0) == QLatin1String("es");
    m_selectFiles->setGeometry(spanish ? FlipFrame(QRect(0, 30, std::min(550, controlsLeft), 15), kScanBoxHeight)
                                       : FlipFrame(QRect(40, 35, controlsLeft - 40, 18), kScanBoxHeight));
}

bool ScanBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_subBox && event->type() == QEvent::Resize) layoutSubBox();
    return KWTitlebarView::eventFilter(watched, event);
}

void ScanBar::showProgress(double percent, std::uint64_t found, const QString& remaining) {
    const qint64 now = m_clock();
    // While the scan stops, the label says so instead of a time.
    if (m_state.phase != ScanPhase::Stopping && (m_lastUpdateTime == 0 || now >= m_lastUpdateTime + 1)) {
        m_remaining->setFullText(Text(QStringLiteral("PAGE_FOUR_REMAININGTIME")).arg(remaining));
        m_lastUpdateTime = now;
    }
    m_found->setFullText(Text(QStringLiteral("PAGE_FOUR_FILESFOUND")).arg(QString::number(found)));
    showProgressValue(percent);
}

void ScanBar::showProgressValue(double percent) { m_progress->changeProgressValue(ShownPercent(percent)); }

void ScanBar::showState(const ScanState& state) {
    QWidget* const focused = QApplication::focusWidget();
    QWidget* const had = focused && isAncestorOf(focused) ? focused : nullptr;
    const ScanState before = std::exchange(m_state, state);
    const ScanPhase phase = state.phase;
    const bool ended = phase == ScanPhase::Ended;
    // The scan's own parts, while a scan (not a loaded file) is on its way.
    const bool scanParts = !ended && state.kind != ScanKind::Import;
    for (QWidget* part : std::initializer_list<QWidget*>{m_spinner, m_progress, m_stop}) part->setVisible(scanParts);
    m_pause->setVisible(scanParts && phase != ScanPhase::Paused);
    m_play->setVisible(scanParts && phase == ScanPhase::Paused);
    const bool clicks = state.takesClicks();
    const bool scanning = phase == ScanPhase::Running || phase == ScanPhase::Paused;
    m_home->setButtonEnabled(clicks);
    for (TCImageButton* button : {m_pause, m_play, m_stop}) button->setButtonEnabled(clicks && scanning);
    // Only a running scan's activity turns: a paused one waits.
    m_spinner->setTurning(phase == ScanPhase::Running || phase == ScanPhase::Stopping);
    // Deep scan after a quick scan only.
    const bool offersDeepScan = ended && state.kind == ScanKind::Quick;
    m_deepScan->setVisible(offersDeepScan);
    m_deepScan->setButtonEnabled(offersDeepScan);
    m_deepScanLabel->setVisible(offersDeepScan);
    // Nothing to save until a scan has ended; a loaded file is saved already.
    if (ended && state.kind != ScanKind::Import)
        makeExportButton(state.kind == ScanKind::Deep)->show();
    else if (m_export)
        m_export->hide();
    // The model refuses searches while a scan runs unpaused. A field that closes while it holds
    // the keys lets go of them first: Qt would hand them to the next button of the bar.
    const bool searchOpen = (phase == ScanPhase::Paused || ended) && state.leaving == Leaving::No;
    if (!searchOpen && had && m_search->isAncestorOf(had)) had->clearFocus();
    m_search->setSearchEnabled(searchOpen);
    if (state.leaving == Leaving::Home) showStillLabels();
    if (phase != before.phase) showPhaseChange(before.phase);
    settleFocus(had);
}

void ScanBar::settleFocus(QWidget* had) {
    if (!had) return;
    const auto takesKeys = [](QWidget* part) {
        const auto* button = qobject_cast<TCImageButton*>(part);
        return part->isVisible() && part->isEnabled() && (!button || button->isButtonEnabled());
    };
    if (takesKeys(had) && had == QApplication::focusWidget()) return;
    // Pause and resume stand in one place: the keyboard that chose one finds the other there. The
    // keyboard that chose Deep Scan finds the pause button, which ignores keys until the scan runs.
    QWidget* counterpart = had == m_pause ? m_play : had == m_play || had == m_deepScan ? m_pause : nullptr;
    if (counterpart && (takesKeys(counterpart) || (had == m_deepScan && counterpart->isVisible()))) {
        counterpart->setFocus(Qt::TabFocusReason);
        return;
    }
    QWidget* rest = m_focusRest ? m_focusRest() : nullptr;
    if (rest && rest->isVisible()) {
        rest->setFocus(Qt::OtherFocusReason);
    } else if (QWidget* now = QApplication::focusWidget(); now && isAncestorOf(now)) {
        now->clearFocus();
    }
}

void ScanBar::showPhaseChange(ScanPhase before) {
    const bool scanParts = m_state.kind != ScanKind::Import;
    switch (m_state.phase) {
        case ScanPhase::Idle:
            // A new scan: nothing found yet, nothing selected.
            showStillLabels();
            m_lastUpdateTime = 0;
            [[fallthrough]];
        case ScanPhase::Running:
            // The checks go as the scan goes on: so does the recover button.
            if (before == ScanPhase::Paused && m_recover->isVisible()) slideRecoverOut();
            m_recover->hide();
            m_selectFiles->hide();
            m_found->setVisible(scanParts);
            m_remaining->setVisible(scanParts);
            break;
        case ScanPhase::Paused:
            break;
        case ScanPhase::Stopping:
            // The checks went with the stop: the recover button comes back with the next check.
            if (before == ScanPhase::Paused && m_recover->isVisible()) slideRecoverOut();
            m_recover->hide();
            // The bar says that the scan winds down, beside what is checked now.
            m_found->hide();
            m_remaining->setFullText(Text(QStringLiteral("PAGE_FOUR_SCAN_STOPPING")));
            m_remaining->setVisible(scanParts);
            m_selectFiles->setAlignment(Qt::AlignLeft);
            m_selectFiles->show();
            break;
        case ScanPhase::Ended:
            m_found->hide();
            m_remaining->hide();
            m_recover->setVisible(before != ScanPhase::Stopping);
            m_selectFiles->setAlignment(Qt::AlignCenter);
            m_selectFiles->show();
            break;
    }
    layoutParts();
    if (m_state.phase == ScanPhase::Ended) emit shownContentChanged();
}

void ScanBar::setSelectionText(const QString& text) {
    m_selectFiles->setFullText(text);
    emit shownContentChanged();
}

void ScanBar::slideRecoverIn(double percent) {
    const bool finished = m_state.phase == ScanPhase::Ended;
    if (m_recover->isHidden()) {
        m_recover->show();
        if (!finished) {
            const int width = m_box->width();
            m_recover->setGeometry(width + 10, FlipFrame(QRect(0, 12, 100, 30), kScanBoxHeight).y(), 100, 30);
            auto* group = new QParallelAnimationGroup(this);
            auto* box = new QPropertyAnimation(m_subBox, "geometry", group);
            box->setDuration(kSlideMs);
            box->setEndValue(QRect(0, 0, width - 100, m_subBox->height()));
            auto* button = new QPropertyAnimation(m_recover, "geometry", group);
            button->setDuration(kSlideMs);
            button->setEndValue(QRect(width - 105, m_recover->y(), 100, 30));
            group->start(QAbstractAnimation::DeleteWhenStopped);
        }
    }
    m_selectFiles->setAlignment(finished ? Qt::AlignCenter : Qt::AlignLeft);
    m_selectFiles->show();
    m_found->hide();
    m_remaining->hide();
    showProgressValue(percent);
}

void ScanBar::slideRecoverOut() {
    auto* group = new QParallelAnimationGroup(this);
    auto* box = new QPropertyAnimation(m_subBox, "geometry", group);
    box->setDuration(kSlideMs);
    box->setEndValue(QRect(0, 0, m_box->width(), m_subBox->height()));
    group->start(QAbstractAnimation::DeleteWhenStopped);
    m_recover->hide();
}

TCImageButton* ScanBar::makeExportButton(bool deep) {
    if (!m_export) {
        m_export = new TCImageButton(this);
        m_export->setObjectName(QStringLiteral("exportButton"));
        m_export->setImageFamily(QStringLiteral("export"));
        m_export->setAccessibleName(Text(QStringLiteral("PAGE_FOUR_SAVE_BUTTON_TIP")));
        m_export->setButtonEnabled(true);
        if (!deep) m_export->setToolTip(Text(QStringLiteral("PAGE_FOUR_SAVE_BUTTON_TIP")));
        connect(m_export, &QAbstractButton::clicked, this, &ScanBar::exportRequested);
        layoutExportButton();
    }
    return m_export;
}

void ScanBar::layoutExportButton() {
    if (!m_export) return;
    m_export->setGeometry(FlipFrame(QRect(width() - kExportRight - 16, 70, 16, 16), height()));
}

QString ScanBar::foundText() const { return m_found->fullText(); }

}  // namespace app::results
