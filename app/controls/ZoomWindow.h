#pragma once
// A borderless picture of a window, for zoom effects: it shows a snapshot of the window's content
// scaled to its own size. fadeIn brings any window up from transparent.

#include <QWidget>

namespace app {

class ZoomWindow : public QWidget {
    Q_OBJECT
public:
    explicit ZoomWindow(const QPixmap& picture, QWidget* parent = nullptr);

    double animationTimeMultiplier() const { return m_multiplier; }
    void setAnimationTimeMultiplier(double multiplier) { m_multiplier = multiplier; }
    // A resize animation's time: the base time times the multiplier, ten times that while Shift
    // is held.
    double animationResizeTime(double baseSeconds) const;
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    double m_multiplier = 1.0;
};

// A ZoomWindow at rect (global coordinates) showing window's content, multiplier 0.3, with the
// window's stay-on-top setting; the caller owns it.
ZoomWindow* createZoomWindowWithRect(QWidget* window, const QRect& rect);
// Sets the window transparent, shows it in front and animates its opacity to 1 over 0.3 s.
void fadeIn(QWidget* window);
// Only makes the window transparent (the zoom itself is left out).
void zoomInWithOvershot(QWidget* window);

}  // namespace app
