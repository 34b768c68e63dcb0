#pragma once
// The file-type page's category tile: a 50x50 picture by state (normal, pressed, hover,
// disabled), a caption under it and a check box showing whether the category is chosen. Its own
// enabled flag, apart from the widget's, lets the page show a tile as disabled without Qt
// greying it.

#include <QAbstractButton>
#include <QPixmap>

namespace app {

class TypeButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr QRect kImageRect{20, 0, 50, 50};
    static constexpr QRect kCaptionRect{0, 51, 90, 17};
    static constexpr QRect kCheckRect{37, 74, 16, 16};

    explicit TypeButton(QWidget* parent = nullptr);

    void setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                    const QString& disable);
    // Adds the caption and shows the check box, chosen.
    void setTextWithName(const QString& caption);
    void changeSelect(bool selected);
    bool isSelect() const { return selected_; }
    void setIsSelect(bool selected) { selected_ = selected; }
    bool isFocus() const { return hovered_; }
    void setIsFocus(bool hovered) { hovered_ = hovered; }
    // The tile's own enabled flag; off, it ignores clicks and keys and draws disabled.
    void setButtonEnabled(bool enabled);
    bool buttonEnabled() const { return ownEnabled_; }
    // The caption's colour in the tile's current state.
    QColor captionColor() const;

    QSize sizeHint() const override { return {90, 91}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool drawsEnabled() const { return isEnabled() && ownEnabled_; }

    QPixmap normal_, active_, hover_, disabled_;
    QString caption_;
    bool hasCheck_ = false;
    bool selected_ = false;
    bool hovered_ = false;
    bool tracking_ = false;
    bool ownEnabled_ = true;
};

}  // namespace app
