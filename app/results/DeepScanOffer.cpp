#include "app/results/DeepScanOffer.h"

#include <QTimer>

#include <algorithm>

#include "app/controls/ElidedLabel.h"
#include "app/controls/MAAttachedWindow.h"
#include "app/controls/QNDeepScanViewController.h"
#include "app/controls/TCImageButton.h"
#include "app/results/ScanBar.h"
#include "app/results/ScanBarLayout.h"

namespace app::results {

namespace {
// The offer points at its button from the right, inside the bar: below it, it would hide the
// tabs, the list's header and the first rows for its 8 s.
constexpr int kOfferSide = kSideRight;
constexpr double kOfferDistance = 4.0;
constexpr int kOfferGap = 4;  // between the offer and the scan box, and the bar's edges
constexpr int kOfferMs = 8000;
}  // namespace

DeepScanOffer::DeepScanOffer(QWidget* window, ScanBar* bar) : QObject(window), m_window(window), m_bar(bar) {
    setObjectName(QStringLiteral("deepScanOffer"));
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("deepScanOfferTimer"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kOfferMs);
    connect(m_timer, &QTimer::timeout, this, &DeepScanOffer::hide);
    // The box's lines change while the offer shows (the found count, then the selection): it
    // keeps clear of them.
    connect(m_bar, &ScanBar::shownContentChanged, this, &DeepScanOffer::follow);
}

DeepScanOffer::~DeepScanOffer() {
    if (m_attachedWindow) delete m_attachedWindow.data();
    if (m_offerView && !m_offerView->parent()) delete m_offerView.data();
}

void DeepScanOffer::show() {
    if (!m_made) {
        m_made = true;
        m_offerView = new QNDeepScanViewController;
        connect(m_offerView, &QNDeepScanViewController::popupViewHidden, this, &DeepScanOffer::hide);
        m_closed = false;
        m_timer->start();
    }
    if (!m_attachedWindow && m_offerView) {
        QWidget* anchorWidget = m_bar->offerAnchor();
        const QPoint anchor = anchorWidget->mapTo(m_window, anchorWidget->rect().center());
        m_attachedWindow = MAAttachedWindow::attach(m_offerView, anchor, m_window, kOfferSide, kOfferDistance);
        if (m_attachedWindow) {
            m_attachedWindow->setObjectName(QStringLiteral("deepScanPopover"));
            place();
        }
        // Escape closes it too.
        connect(m_attachedWindow, &MAAttachedWindow::closed, this, [this] {
            m_timer->stop();
            m_closed = true;
        });
    }
}

void DeepScanOffer::hide() {
    m_timer->stop();
    if (m_attachedWindow) m_attachedWindow->closePopover();
    m_attachedWindow = nullptr;
    m_closed = true;
}

void DeepScanOffer::follow() {
    if (m_attachedWindow && !m_closed) place();
}

int DeepScanOffer::bandTop(int left, int right, int anchorY) const {
    // The title row's controls that the shell puts into the bar (the window's menu) lie above the
    // anchor: the offer starts below every one of them that shares its columns.
    int top = m_bar->mapTo(m_window, QPoint(0, 0)).y() + kOfferGap;
    for (QWidget* child : m_bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible() || child == m_bar->offerAnchor()) continue;
        const QRect frame(child->mapTo(m_window, QPoint(0, 0)), child->size());
        if (frame.bottom() < anchorY && frame.right() >= left && frame.left() <= right)
            top = std::max(top, frame.bottom() + 1 + kOfferGap);
    }
    return top;
}

void DeepScanOffer::place() {
    // Right of the deep-scan button, inside the bar and below its title row, as far as the scan
    // box's first label or button: the hint takes the room left once the arrow and the margins
    // are counted, and smaller type when its lines need it. It covers no control for its 8 s.
    if (!m_attachedWindow || !m_offerView) return;
    QWidget* anchorWidget = m_bar->offerAnchor();
    QPoint anchor = anchorWidget->mapTo(m_window, anchorWidget->rect().center());
    m_attachedWindow->setPoint(anchor, kOfferSide);
    // Taller than the button, the hint also starts right of the end of the button's label.
    const ElidedLabel* deepScanLabel = m_bar->deepScanLabel();
    const QRect label(deepScanLabel->mapTo(m_window, QPoint(0, 0)), deepScanLabel->size());
    const int labelEnd =
        label.center().x() + deepScanLabel->fontMetrics().horizontalAdvance(deepScanLabel->fullText()) / 2;
    const int hintLeft = m_attachedWindow->x() + m_offerView->x();  // the body's edge lies a margin left of it
    anchor.rx() += std::max(0, labelEnd + 2 * kOfferGap - hintLeft);
    m_attachedWindow->setPoint(anchor, kOfferSide);
    // It may lie over the scan box's backdrop, never over what the box shows.
    const int right = m_bar->mapTo(m_window, QPoint(m_bar->boxContentLeft(), 0)).x() - kOfferGap;
    // The band it may take, and the arrow at its middle: still on the button or its label.
    const int top = bandTop(m_attachedWindow->x(), right, anchor.y());
    const int bottom = m_bar->mapTo(m_window, QPoint(0, 0)).y() + kScanBarHeight - kOfferGap;
    const QWidget* button = m_bar->deepScan();
    const QRect control = QRect(button->mapTo(m_window, QPoint(0, 0)), button->size()).united(label);
    anchor.setY(std::clamp((top + bottom) / 2, control.top(), control.bottom()));
    const int height = std::max(0, std::min(anchor.y() - top, bottom - anchor.y()) * 2);
    m_attachedWindow->setPoint(anchor, kOfferSide);
    const QSize chrome = m_attachedWindow->size() - m_offerView->size();
    m_offerView->fitWithin(QSize(right - m_attachedWindow->x(), height) - chrome);
    m_attachedWindow->setPoint(anchor, kOfferSide);
}

}  // namespace app::results
