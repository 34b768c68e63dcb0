#pragma once
// The thin orange scan-progress bar: a track and over it a fill whose width follows the
// percentage, clamped to the track for any value (negative, above 100, NaN).

#include <QWidget>

namespace app {

// The fill: orange with a blue glow.
class NSProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit NSProgressBar(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

class QNProgressView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarHeight = 6;

    explicit QNProgressView(QWidget* parent = nullptr);

    // A percentage 0-100; a value within one pixel of full fills the track.
    void changeProgressValue(float value);
    int fillWidth() const;
    QSize sizeHint() const override { return {368, kBarHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    NSProgressBar* m_fill;
};

// The dark backdrop behind the top area of the file-type page.
class SelectTypeTopView : public QWidget {
    Q_OBJECT
public:
    explicit SelectTypeTopView(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
