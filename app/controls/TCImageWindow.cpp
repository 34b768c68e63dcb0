#include "app/controls/TCImageWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegion>
#include <QWindow>

#include "app/controls/PlainText.h"
#include "app/controls/TCWindowButton.h"
#include "app/controls/Theme.h"
#include "app/controls/WindowSettings.h"

namespace app {

namespace {

constexpr int kTitleFontSize = 13;
constexpr int kTitleTopInset = 2;
constexpr int kFadeMilliseconds = 300;
constexpr int kEdgeGrip = 4;  // the width of the band along the edges that resizes the window
const QSize kLightSize(14, 16);

// A thin band along an edge or corner: the pointer there resizes the window.
class EdgeGrip : public QWidget {
public:
    EdgeGrip(Qt::Edges edges, QWidget* window) : QWidget(window), m_edges(edges) {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical)
            setCursor((edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                          ? Qt::SizeFDiagCursor
                          : Qt::SizeBDiagCursor);
        else
            setCursor(horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    }
    Qt::Edges edges() const { return m_edges; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        QWidget* top = window();
        if (top->windowHandle() && top->windowHandle()->startSystemResize(m_edges)) return;
        // No window manager: resize by hand.
        m_start = top->geometry();
        m_pointer = event->globalPosition().toPoint();
        m_manual = true;
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!m_manual) return;
        const QPoint delta = event->globalPosition().toPoint() - m_pointer;
        QRect g = m_start;
        if (m_edges & Qt::LeftEdge) g.setLeft(g.left() + delta.x());
        if (m_edges & Qt::RightEdge) g.setRight(g.right() + delta.x());
        if (m_edges & Qt::TopEdge) g.setTop(g.top() + delta.y());
        if (m_edges & Qt::BottomEdge) g.setBottom(g.bottom() + delta.y());
        const QSize minimum = window()->minimumSize().expandedTo(QSize(100, 60));
        if (g.width() >= minimum.width() && g.height() >= minimum.height()) window()->setGeometry(g);
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_manual = false; }

private:
    Qt::Edges m_edges;
    QRect m_start;
    QPoint m_pointer;
    bool m_manual = false;
};

bool IsBarControl(const QWidget* w) {
    return w->inherits("QAbstractButton") || w->inherits("QLineEdit") || w->inherits("QAbstractSlider") ||
           w->inherits("QComboBox") || w->inherits("QAbstractSpinBox");
}

}  // namespace

QPainterPath TitleBarClippingPath(const QRectF& r, qreal radius) {
    // Top-down: the rounded corners are at the top edge (y = r.top()).
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + radius);
    path.quadTo(r.left(), r.top(), r.left() + radius, r.top());
    path.lineTo(r.right() - radius, r.top());
    path.quadTo(r.right(), r.top(), r.right(), r.top() + radius);
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();
    return path;
}

// --- KWTitlebarView ---------------------------------------------------------------------------

KWTitlebarView::KWTitlebarView(TCImageWindow* window, QWidget* parent) : QWidget(parent), m_window(window) {}

QRect KWTitlebarView::titleFrame() const {
    const QFontMetrics metrics(theme::SystemFont(kTitleFontSize));
    const int available = qMax(0, width() - 2 * 80);  // clear of the lights on either side
    // Two pixels of slack: eliding measures glyph bounds, which may pass the advance.
    const int textWidth = qMin(metrics.horizontalAdvance(OneLine(m_window->windowTitle())) + 2, available);
    return {(width() - textWidth) / 2, kTitleTopInset, textWidth, metrics.height()};
}

void KWTitlebarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool main = m_window->drawsAsMain();
    const QRectF bar = rect();
    const QPainterPath clip = TitleBarClippingPath(bar, theme::kTitleBarCornerRadius);
    if (const auto& block = m_window->titleBarDrawingBlock()) {
        block(painter, main, bar, clip);
    } else {
        const bool fullScreen = m_window->isFullScreen();
        if (fullScreen) painter.fillRect(bar, Qt::black);
        painter.setClipPath(clip);
        const QColor grey(theme::kTitleBarGrey);
        painter.fillRect(bar, grey);
        if (m_window->showsBaselineSeparator()) {
            painter.fillRect(QRectF(0, bar.bottom() - 1, bar.width(), 1), grey);
            painter.fillRect(QRectF(0, bar.bottom() - 2, bar.width(), 1), grey);
        }
    }
    if (!m_window->showsTitle() || m_window->windowTitle().isEmpty()) return;
    painter.setClipping(false);
    const QRect frame = titleFrame();
    const QFont font = theme::SystemFont(kTitleFontSize);
    painter.setFont(font);
    const QString title = ElidedLine(m_window->windowTitle(), QFontMetrics(font), frame.width());
    painter.setPen(QColor(theme::kWindowTitleShadow));  // a light line under the text
    painter.drawText(frame.translated(0, 1), Qt::AlignHCenter | Qt::AlignTop, title);
    painter.setPen(m_window->titleTextColor(main));
    painter.drawText(frame, Qt::AlignHCenter | Qt::AlignTop, title);
}

void KWTitlebarView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // There is no zoom on a double click: it miniaturises, and only when the user chose that.
    if (MiniaturizeOnDoubleClick()) m_window->showMinimized();
}

void KWTitlebarView::mousePressEvent(QMouseEvent* event) { event->ignore(); }  // the container drags

// --- KWTitlebarContainer ----------------------------------------------------------------------

void KWTitlebarContainer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QWidget* top = window();
    if (top->isFullScreen()) return;
    m_pressed = true;
    m_manualMove = false;
    m_pressOffset = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
}

void KWTitlebarContainer::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed) return;
    QWidget* top = window();
    if (!m_manualMove) {
        if (top->windowHandle() && top->windowHandle()->startSystemMove()) {
            m_pressed = false;
            return;
        }
        m_manualMove = true;  // no window manager to ask: move by hand
    }
    top->move(event->globalPosition().toPoint() - m_pressOffset);
}

void KWTitlebarContainer::mouseReleaseEvent(QMouseEvent*) {
    m_pressed = false;
    m_manualMove = false;
}

// --- TCImageWindow ----------------------------------------------------------------------------

TCImageWindow::TCImageWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    // The corners outside the rounded bar stay transparent; the mask clips them where no
    // compositor draws transparency.
    setAttribute(Qt::WA_TranslucentBackground);
    m_container = new KWTitlebarContainer(this);
    setTitleBarView(new KWTitlebarView(this));
    m_ownTitleBarView = m_titleBarView;

    auto makeLight = [this](const char* kind, std::function<void()> action) {
        auto* button = new TCWindowButton(kLightSize, QString(), m_container);
        button->setImagesOfKind(QLatin1String(kind));
        button->setAccessibleName(QLatin1String(kind));
        connect(button, &QAbstractButton::clicked, this, std::move(action));
        return button;
    };
    m_standardClose = makeLight("close", [this] { close(); });
    m_standardMinimize = makeLight("minimize", [this] { showMinimized(); });
    m_standardZoom = makeLight("zoom", [this] { isMaximized() ? showNormal() : showMaximized(); });

    for (Qt::Edges edges : {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::BottomEdge),
                            Qt::Edges(Qt::LeftEdge | Qt::BottomEdge), Qt::Edges(Qt::RightEdge | Qt::BottomEdge)})
        m_edgeGrips.append(new EdgeGrip(edges, this));

    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TCImageWindow::updateTitlebarView);
    resize(400, 300);
    layoutTrafficLightsAndContent();
}

TCImageWindow::~TCImageWindow() = default;

void TCImageWindow::setTitleBarHeight(qreal height) {
    if (height == m_settings.barHeight) return;
    m_settings.barHeight = height;
    m_cachedTitleBarHeight = height;
    layoutTrafficLightsAndContent();
    m_titleBarView->update();
}

void TCImageWindow::setTitleBarView(QWidget* view) {
    if (!view || view == m_titleBarView) return;
    if (m_titleBarView) {
        m_titleBarView->hide();
        if (m_titleBarView == m_ownTitleBarView)
            delete m_titleBarView;
        else
            m_titleBarView->setParent(nullptr);  // the owner's view goes back to the owner
    }
    m_titleBarView = view;
    view->setParent(m_container);
    view->setGeometry(m_container->rect());
    view->lower();
    view->show();
}

void TCImageWindow::setContentView(QWidget* view) {
    if (view == m_contentView) return;
    if (m_contentView) m_contentView->deleteLater();
    m_contentView = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setTitle(const QString& title) {
    setWindowTitle(title);
    layoutTrafficLightsAndContent();
    m_titleBarView->update();
}

void TCImageWindow::setShowsTitle(bool shows) {
    if (shows == m_showsTitle) return;
    m_showsTitle = shows;
    m_titleBarView->update();
}

void TCImageWindow::setShowsBaselineSeparator(bool shows) {
    if (shows == m_showsBaselineSeparator) return;
    m_showsBaselineSeparator = shows;
    m_titleBarView->update();
}

QColor TCImageWindow::titleTextColor(bool drawsAsMain) const {
    const QColor& set = drawsAsMain ? m_titleTextColor : m_inactiveTitleTextColor;
    if (set.isValid()) return set;
    QColor fallback(theme::kWindowTitle);
    fallback.setAlphaF(drawsAsMain ? 1.0f : 0.5f);
    return fallback;
}

void TCImageWindow::setTitleBarDrawingBlock(DrawingBlock block) {
    m_drawingBlock = std::move(block);
    m_titleBarView->update();
}

void TCImageWindow::setTrafficLightButtonsLeftMargin(qreal margin) {
    if (margin == m_settings.leftMargin) return;
    m_settings.leftMargin = margin;
    layoutTrafficLightsAndContent();
    m_titleBarView->update();
}

void TCImageWindow::setTrafficLightSeparation(qreal separation) {
    if (separation == m_settings.separation) return;
    m_settings.separation = separation;
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setCenterTrafficLightButtons(bool centre) {
    if (centre == m_settings.centred) return;
    m_settings.centred = centre;
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setVerticalTrafficLightButtons(bool vertical) {
    if (vertical == m_settings.vertical) return;
    m_settings.vertical = vertical;
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setFullScreenButtonRightMargin(qreal margin) {
    if (m_settings.fullScreenRightMargin == margin) return;
    m_settings.fullScreenRightMargin = margin;
    layoutTrafficLightsAndContent();
    m_titleBarView->update();
}

void TCImageWindow::setCenterFullScreenButton(bool centre) {
    if (centre == m_settings.centreFullScreen) return;
    m_settings.centreFullScreen = centre;
    layoutTrafficLightsAndContent();
}

TCWindowButton* TCImageWindow::closeButton() const { return m_customClose ? m_customClose.data() : m_standardClose; }
TCWindowButton* TCImageWindow::minimizeButton() const {
    return m_customMinimize ? m_customMinimize.data() : m_standardMinimize;
}
TCWindowButton* TCImageWindow::fullScreenButton() const { return m_customFullScreen.data(); }
TCWindowButton* TCImageWindow::zoomButton() const { return m_customZoom ? m_customZoom.data() : m_standardZoom; }

void TCImageWindow::installCustom(QPointer<TCWindowButton>& slot, TCWindowButton* button, TCWindowButton* standard,
                                  std::function<void()> action) {
    if (button == slot) return;
    if (slot) slot->setParent(nullptr);
    slot = button;
    if (button) {
        button->setParent(m_container);
        connect(button, &QAbstractButton::clicked, this, std::move(action));
        if (standard) button->move(standard->pos());
        button->show();
    }
    if (standard) standard->setVisible(!button);
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setCloseButton(TCWindowButton* button) {
    installCustom(m_customClose, button, m_standardClose, [this] { close(); });
}
void TCImageWindow::setMinimizeButton(TCWindowButton* button) {
    installCustom(m_customMinimize, button, m_standardMinimize, [this] { showMinimized(); });
}
void TCImageWindow::setZoomButton(TCWindowButton* button) {
    installCustom(m_customZoom, button, m_standardZoom, [this] { isMaximized() ? showNormal() : showMaximized(); });
}
void TCImageWindow::setFullScreenButton(TCWindowButton* button) {
    installCustom(m_customFullScreen, button, nullptr, [this] { isFullScreen() ? showNormal() : showFullScreen(); });
}

QRect TCImageWindow::sheetRect(const QRect& proposed) const {
    QRect sheet = proposed;
    sheet.moveTop(int(m_settings.barHeight));
    return sheet;
}

bool TCImageWindow::drawsAsMain() const {
    return isActiveWindow() && QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void TCImageWindow::updateTitlebarView() {
    m_titleBarView->update();
    const bool main = drawsAsMain();
    for (QObject* child : m_titleBarView->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow() == false && IsBarControl(widget)) widget->setEnabled(main);
    }
}

void TCImageWindow::layoutTrafficLightsAndContent() {
    ++m_layoutCount;
    m_container->setGeometry(0, 0, width(), int(m_settings.barHeight));
    m_titleBarView->setGeometry(m_container->rect());
    TCWindowButton* close = closeButton();
    TCWindowButton* minimize = minimizeButton();
    TCWindowButton* zoom = zoomButton();
    std::optional<QRectF> fullScreen;
    if (m_customFullScreen) fullScreen = QRectF(m_customFullScreen->geometry());
    const TitleBarFrames frames =
        LayOutTitleBar(m_settings, width(), close->size(), minimize->size(), zoom->size(), fullScreen);
    close->setGeometry(frames.close.toRect());
    minimize->setGeometry(frames.minimize.toRect());
    zoom->setGeometry(frames.zoom.toRect());
    if (frames.fullScreen) {
        m_settings.fullScreenRightMargin = frames.fullScreenRightMargin;
        m_customFullScreen->setGeometry(frames.fullScreen->toRect());
    }
    for (QWidget* light : {close, minimize, zoom}) light->raise();
    repositionContentView();
    layoutEdgeGrips();
}

void TCImageWindow::repositionContentView() {
    if (!m_contentView) return;
    const int bar = int(m_settings.barHeight);
    const QRect frame(0, bar, width(), qMax(0, height() - bar));
    if (m_contentView->geometry() != frame) m_contentView->setGeometry(frame);
}

void TCImageWindow::layoutEdgeGrips() {
    const int w = width(), h = height(), g = kEdgeGrip;
    const int top = int(m_settings.barHeight);
    for (QWidget* widget : m_edgeGrips) {
        const Qt::Edges edges = static_cast<EdgeGrip*>(widget)->edges();
        QRect r;
        if (edges == Qt::LeftEdge)
            r = QRect(0, top, g, h - top - g);
        else if (edges == Qt::RightEdge)
            r = QRect(w - g, top, g, h - top - g);
        else if (edges == Qt::BottomEdge)
            r = QRect(g, h - g, w - 2 * g, g);
        else if (edges == (Qt::LeftEdge | Qt::BottomEdge))
            r = QRect(0, h - g, g, g);
        else
            r = QRect(w - g, h - g, g, g);
        widget->setGeometry(r);
        widget->raise();
    }
}

void TCImageWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(TitleBarClippingPath(rect(), theme::kTitleBarCornerRadius), QColor(theme::kBackdrop));
}

void TCImageWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutTrafficLightsAndContent();
    // Without a compositor the corners are cut by a mask (the offscreen platform has none).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        const QPainterPath shape = TitleBarClippingPath(rect(), theme::kTitleBarCornerRadius);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
}

void TCImageWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        updateTitlebarView();
        layoutTrafficLightsAndContent();
    } else if (event->type() == QEvent::WindowStateChange && m_hideTitleBarInFullScreen) {
        const bool full = isFullScreen();
        m_settings.barHeight = full ? 0.0 : m_cachedTitleBarHeight;
        layoutTrafficLightsAndContent();
        m_titleBarView->setVisible(!full);
    }
}

void TCImageWindow::animateOpacity(qreal to, std::function<void()> finished) {
    if (m_fade) m_fade->stop();
    m_fade = new QPropertyAnimation(this, "windowOpacity", this);
    m_fade->setDuration(kFadeMilliseconds);
    m_fade->setStartValue(windowOpacity());
    m_fade->setEndValue(to);
    if (finished) connect(m_fade, &QPropertyAnimation::finished, this, std::move(finished));
    m_fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void TCImageWindow::fadeIn() {
    if (!isVisible()) setWindowOpacity(0.0);
    show();
    raise();
    activateWindow();
    animateOpacity(1.0, {});
}

void TCImageWindow::closeEvent(QCloseEvent* event) {
    if (!m_fadesOnClose || m_fadedOut || !isVisible()) {
        QWidget::closeEvent(event);
        return;
    }
    // Fade out first; the window closes when the fade ends (never after it is gone: the
    // animation belongs to the window).
    event->ignore();
    animateOpacity(0.0, [this] {
        m_fadedOut = true;
        close();
        m_fadedOut = false;
        setWindowOpacity(1.0);
    });
}

}  // namespace app
