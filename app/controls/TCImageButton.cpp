#include "app/controls/TCImageButton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include "app/controls/ElidedLabel.h"
#include "app/controls/FocusRing.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"

namespace app {

namespace {
constexpr int kCaptionHeight = 18;
constexpr int kCaptionFontSize = 14;
}  // namespace

TCImageButton::TCImageButton(QWidget* parent) : QAbstractButton(parent) {
    // Tab reaches it; a click does not take the focus from where the user is typing.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void TCImageButton::setImageFromFileNormalName(const QString& normal, const QString& active, const QString& hover,
                                               const QString& disable) {
    m_normal = normal;
    m_active = active;
    m_hover = hover;
    m_disable = disable;
    m_dstRect = QRect(QPoint(0, 0), ImageLibrary::instance().naturalSize(normal));
    updateGeometry();
    repaint();
}

void TCImageButton::setImageFamily(const QString& family) {
    setImageFromFileNormalName(family + QStringLiteral("_normal"), family + QStringLiteral("_press"),
                               family + QStringLiteral("_hover"), family + QStringLiteral("_disable"));
}

void TCImageButton::setTextWithName(const QString& text, const QRect& frame) {
    m_dstRect = QRect(0, 0, frame.width(), frame.height());
    if (!m_textField) {
        m_textField = new ElidedLabel(this);
        m_textField->setAlignment(Qt::AlignCenter);
        m_textField->setFont(theme::SystemFont(kCaptionFontSize));
        m_textField->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_textField->setFullText(text);
    setAccessibleName(text);
    refreshCaption();
    m_textField->show();
    update();
}

QString TCImageButton::caption() const { return m_textField ? m_textField->fullText() : QString(); }

void TCImageButton::setButtonEnabled(bool enabled) {
    m_isDisabled = enabled;
    if (!enabled) setDown(false);
    refreshCaption();
    repaint();
}

TCImageButton::Look TCImageButton::look() const {
    if (image(m_normal).isNull()) return Look::Standard;
    if (!(isEnabled() && m_isDisabled)) return Look::Disabled;
    if (isDown()) return Look::Pressed;
    if (m_isFocus) return Look::Hover;
    return Look::Normal;
}

QSize TCImageButton::sizeHint() const {
    if (m_dstRect.isEmpty()) return QSize(80, 24);
    return m_dstRect.size();
}

QPixmap TCImageButton::image(const QString& name) const {
    if (name.isEmpty()) return {};
    const QSize size = m_dstRect.isEmpty() ? QSize() : m_dstRect.size();
    return ImageLibrary::instance().pixmap(name, size, devicePixelRatioF());
}

void TCImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Look current = look();
    if (current == Look::Standard) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = m_textField ? QString() : text();
        option.icon = icon();
        option.iconSize = iconSize();
        if (isDown()) option.state |= QStyle::State_Sunken;
        if (!m_isDisabled) option.state &= ~QStyle::State_Enabled;
        style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
        return;
    }
    const QString& name = current == Look::Disabled  ? m_disable
                          : current == Look::Pressed ? m_active
                          : current == Look::Hover   ? m_hover
                                                     : m_normal;
    const QPixmap pixmap = image(name);
    if (!pixmap.isNull()) painter.drawPixmap(m_dstRect.topLeft(), pixmap);
    if (hasFocus() && m_ring) DrawFocusRing(painter, rect());
}

void TCImageButton::mousePressEvent(QMouseEvent* event) {
    if (!m_isDisabled) {  // the own flag off: no tracking, no action
        event->accept();
        if (isEnabled() && event->button() == Qt::LeftButton) emit refusedPress();
        return;
    }
    QAbstractButton::mousePressEvent(event);
    repaint();
}

void TCImageButton::keyPressEvent(QKeyEvent* event) {
    if (!m_isDisabled || !isEnabled()) {
        const bool press =
            event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
        if (isEnabled() && press && !event->isAutoRepeat()) emit refusedPress();
        event->ignore();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void TCImageButton::keyReleaseEvent(QKeyEvent* event) {
    if (!m_isDisabled) {
        event->ignore();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void TCImageButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!isEnabled()) return;
    m_isFocus = true;
    repaint();
}

void TCImageButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_isFocus = false;
    repaint();
}

void TCImageButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) refreshCaption();
}

void TCImageButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    refreshCaption();
}

void TCImageButton::refreshCaption() {
    if (!m_textField) return;
    m_textField->setGeometry(0, (height() - kCaptionHeight) / 2, width(), kCaptionHeight);
    const bool enabled = isEnabled() && m_isDisabled;
    m_textField->setTextColor(enabled ? QColor(Qt::white) : QColor(128, 128, 128));
}

void TCImageButton::focusInEvent(QFocusEvent* event) {
    m_ring = ShowsFocusRing(event->reason());
    QAbstractButton::focusInEvent(event);
}

void TCImageButton::focusOutEvent(QFocusEvent* event) {
    m_ring = false;
    QAbstractButton::focusOutEvent(event);
}

}  // namespace app
