#pragma once
// The frameless window behind every window of the application: a title bar of its own of any
// height (22 for the main window and dialogs, 90 for the results window), painted dark with
// rounded top corners, into whose titleBarView owners put their controls and labels; the close,
// minimise and zoom lights placed inside the bar; the content ending at the bar's lower edge;
// sheets dropped from that edge. The bar moves the window, the edges resize it.

#include <QPointer>
#include <QWidget>

#include <functional>

#include "app/controls/TitleBarLayout.h"

class QPainterPath;
class QPropertyAnimation;

namespace app {

class TCImageWindow;
class TCWindowButton;

// Paints the bar and the title; a double click miniaturises when the user asked for it.
class KWTitlebarView : public QWidget {
    Q_OBJECT
public:
    explicit KWTitlebarView(TCImageWindow* window, QWidget* parent = nullptr);
    // The title's frame: centred, its top 2 below the bar's top, elided to the bar.
    QRect titleFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TCImageWindow* m_window;
};

// Spans the window's width at its top, titleBarHeight high; holds the bar view and the lights,
// and drags the window.
class KWTitlebarContainer : public QWidget {
    Q_OBJECT
public:
    explicit KWTitlebarContainer(QWidget* parent) : QWidget(parent) {}

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint m_pressOffset;  // the pointer from the window's origin, while a manual move runs
    bool m_pressed = false;
    bool m_manualMove = false;
};

class TCImageWindow : public QWidget {
    Q_OBJECT
public:
    // Paints the bar instead of the built-in fill: (painter, drawsAsMain, bar rectangle, the
    // rounded-top clipping path).
    using DrawingBlock = std::function<void(QPainter&, bool, const QRectF&, const QPainterPath&)>;

    explicit TCImageWindow(QWidget* parent = nullptr);
    ~TCImageWindow() override;

    qreal titleBarHeight() const { return m_settings.barHeight; }
    void setTitleBarHeight(qreal height);
    QWidget* titleBarView() const { return m_titleBarView; }
    void setTitleBarView(QWidget* view);

    // The owner's content, placed below the bar and resized with the window.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }

    void setTitle(const QString& title);
    bool showsTitle() const { return m_showsTitle; }
    void setShowsTitle(bool shows);
    bool showsBaselineSeparator() const { return m_showsBaselineSeparator; }
    void setShowsBaselineSeparator(bool shows);
    void setTitleTextColor(const QColor& color) {
        m_titleTextColor = color;
        update();
    }
    void setInactiveTitleTextColor(const QColor& color) {
        m_inactiveTitleTextColor = color;
        update();
    }
    QColor titleTextColor(bool drawsAsMain) const;
    void setTitleBarDrawingBlock(DrawingBlock block);
    const DrawingBlock& titleBarDrawingBlock() const { return m_drawingBlock; }

    qreal trafficLightButtonsLeftMargin() const { return m_settings.leftMargin; }
    void setTrafficLightButtonsLeftMargin(qreal margin);
    qreal trafficLightButtonsTopMargin() const { return m_settings.topMargin; }
    void setTrafficLightButtonsTopMargin(qreal margin) { m_settings.topMargin = margin; }
    qreal trafficLightSeparation() const { return m_settings.separation; }
    void setTrafficLightSeparation(qreal separation);
    qreal topButtonMoveUp() const { return m_settings.topButtonMoveUp; }
    void setTopButtonMoveUp(qreal up) { m_settings.topButtonMoveUp = up; }  // at the next layout
    bool centerTrafficLightButtons() const { return m_settings.centred; }
    void setCenterTrafficLightButtons(bool centre);
    bool verticalTrafficLightButtons() const { return m_settings.vertical; }
    void setVerticalTrafficLightButtons(bool vertical);
    qreal fullScreenButtonRightMargin() const { return m_settings.fullScreenRightMargin.value_or(0); }
    void setFullScreenButtonRightMargin(qreal margin);
    void setFullScreenButtonTopMargin(qreal margin) { m_settings.fullScreenTopMargin = margin; }
    void setCenterFullScreenButton(bool centre);
    void setHideTitleBarInFullScreen(bool hide) { m_hideTitleBarInFullScreen = hide; }

    // The lights: the window's own unless the owner hands custom ones; a custom button is
    // reparented into the bar and triggers the same action.
    TCWindowButton* closeButton() const;
    TCWindowButton* minimizeButton() const;
    TCWindowButton* zoomButton() const;
    TCWindowButton* fullScreenButton() const;
    void setCloseButton(TCWindowButton* button);
    void setMinimizeButton(TCWindowButton* button);
    void setZoomButton(TCWindowButton* button);
    void setFullScreenButton(TCWindowButton* button);

    // Where a sheet goes: the proposed rectangle (window coordinates) with its top at the bar's
    // lower edge.
    QRect sheetRect(const QRect& proposed) const;
    // Whether the window is the active one of an active application.
    bool drawsAsMain() const;
    // How many layouts ran: setting a value to what it is lays nothing out.
    int layoutCount() const { return m_layoutCount; }

    // Fades in from transparent over 0.3 s; closing fades out before the window goes.
    void fadeIn();
    void setFadesOnClose(bool fades) { m_fadesOnClose = fades; }

public slots:
    // Repaints the bar and enables its direct controls only while the window draws as main.
    void updateTitlebarView();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutTrafficLightsAndContent();
    void repositionContentView();
    void installCustom(QPointer<TCWindowButton>& slot, TCWindowButton* button, TCWindowButton* standard,
                       std::function<void()> action);
    void animateOpacity(qreal to, std::function<void()> finished);
    void layoutEdgeGrips();

    TitleBarSettings m_settings;
    qreal m_cachedTitleBarHeight = kStandardTitleBarHeight;
    KWTitlebarContainer* m_container = nullptr;
    QWidget* m_titleBarView = nullptr;
    QPointer<QWidget> m_ownTitleBarView;
    QPointer<QWidget> m_contentView;
    TCWindowButton* m_standardClose = nullptr;
    TCWindowButton* m_standardMinimize = nullptr;
    TCWindowButton* m_standardZoom = nullptr;
    QPointer<TCWindowButton> m_customClose, m_customMinimize, m_customZoom, m_customFullScreen;
    QList<QWidget*> m_edgeGrips;
    bool m_showsBaselineSeparator = true;
    bool m_showsTitle = false;
    bool m_hideTitleBarInFullScreen = false;
    bool m_fadesOnClose = true;
    bool m_fadedOut = false;
    QColor m_titleTextColor, m_inactiveTitleTextColor;
    DrawingBlock m_drawingBlock;
    QPointer<QPropertyAnimation> m_fade;
    int m_layoutCount = 0;
};

// The bar's path: only the two top corners rounded.
QPainterPath TitleBarClippingPath(const QRectF& rect, qreal radius);

}  // namespace app
