#pragma once
// The window's close, minimise and zoom lights. Buttons of one group show their roll-over image
// together while the pointer is over any of them.

#include <QAbstractButton>
#include <QObject>
#include <QString>

namespace app {

class TCWindowButtonGroup : public QObject {
    Q_OBJECT
public:
    // The group of an identifier, made on first request; an empty identifier is the default group.
    static TCWindowButtonGroup* groupWithIdentifier(const QString& identifier);
    static const QString& defaultIdentifier();

    const QString& identifier() const { return m_identifier; }
    qint64 numberOfCaptures() const { return m_numberOfCaptures; }
    // Ignores negative and unchanged counts; otherwise stores and tells the buttons.
    void setNumberOfCaptures(qint64 count);
    void didCaptureMousePointer() { setNumberOfCaptures(m_numberOfCaptures + 1); }
    void didReleaseMousePointer() { setNumberOfCaptures(m_numberOfCaptures - 1); }
    // Back to 0 without telling anyone (a live resize or full screen ended the hover).
    void resetMouseCaptures() { m_numberOfCaptures = 0; }
    bool shouldDisplayRollOver() const { return m_numberOfCaptures > 0; }

signals:
    void rolloverStateChanged();

private:
    explicit TCWindowButtonGroup(const QString& identifier);
    QString m_identifier;
    qint64 m_numberOfCaptures = 0;
};

class TCWindowButton : public QAbstractButton {
    Q_OBJECT
public:
    TCWindowButton(QSize size, const QString& groupIdentifier, QWidget* parent = nullptr);
    ~TCWindowButton() override;

    // Image names: enabled in the key window, enabled elsewhere, disabled, roll-over, pressed.
    void setActiveImage(const QString& name) {
        m_activeImage = name;
        update();
    }
    void setActiveNotKeyWindowImage(const QString& name) {
        m_activeNotKeyImage = name;
        update();
    }
    void setInactiveImage(const QString& name) {
        m_inactiveImage = name;
        update();
    }
    void setRolloverImage(const QString& name) {
        m_rolloverImage = name;
        update();
    }
    void setPressedImage(const QString& name) {
        m_pressedImage = name;
        update();
    }
    // All five from the drawn set: "window_<kind>_active", ..._activenotkey, _inactive, _rollover,
    // _pressed.
    void setImagesOfKind(const QString& kind);

    TCWindowButtonGroup* group() const { return m_group; }
    // The image a paint shows now.
    QString shownImage() const;
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QSize m_size;
    TCWindowButtonGroup* m_group;
    bool m_captured = false;
    bool m_ring = false;  // focus came from the keyboard
    QString m_activeImage, m_activeNotKeyImage, m_inactiveImage, m_rolloverImage, m_pressedImage;
};

}  // namespace app
