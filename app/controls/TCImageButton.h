#pragma once
// The button of the application's own look: drawn from four named images (normal, pressed,
// hover, disabled) with an optional centred caption. Its own enabled flag (isDisabled, which
// means enabled) is separate from QWidget's: a window disables the buttons of its title bar
// while it is inactive without touching what the owner chose.

#include <QAbstractButton>
#include <QPixmap>

namespace app {

class ElidedLabel;

class TCImageButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Look { Standard, Normal, Pressed, Hover, Disabled };

    explicit TCImageButton(QWidget* parent = nullptr);

    // The four images by name, in the order normal, pressed, hover, disabled; a name without an
    // image leaves that state blank. Without a normal image the button looks standard.
    void setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                    const QString& disable);
    // The images of a family: name + "_normal", "_press", "_hover", "_disable".
    void setImageFamily(const QString& family);
    // A caption centred on the button; the images are drawn scaled to frame's size from now on.
    void setTextWithName(const QString& text, const QRect& frame);
    QString caption() const;

    // The own enabled flag; repaints at once.
    void setButtonEnabled(bool enabled);
    bool isButtonEnabled() const { return m_isDisabled; }
    // Whether the pointer is inside.
    bool isFocus() const { return m_isFocus; }
    void setIsFocus(bool focus) { m_isFocus = focus; }

    // What a paint shows now.
    Look look() const;
    QSize sizeHint() const override;

signals:
    // A click or Return while the own flag is off: nothing ran, the owner may say why.
    void refusedPress();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_ring = false;  // focus came from the keyboard
    QPixmap image(const QString& name) const;
    void refreshCaption();

    QString m_normal, m_active, m_hover, m_disable;
    bool m_isDisabled = true;  // YES means enabled
    bool m_isFocus = false;
    QRect m_dstRect;
    ElidedLabel* m_textField = nullptr;
};

}  // namespace app
