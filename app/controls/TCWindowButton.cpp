#include "app/controls/TCWindowButton.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>

#include <map>
#include <memory>

#include "app/controls/FocusRing.h"
#include "app/controls/ImageLibrary.h"

namespace app {

const QString& TCWindowButtonGroup::defaultIdentifier() {
    static const QString identifier = QStringLiteral("org.quorin.TCImageWindow.defaultWindowButtonGroup");
    return identifier;
}

TCWindowButtonGroup* TCWindowButtonGroup::groupWithIdentifier(const QString& identifier) {
    // Main thread only; the groups live as long as the process.
    static std::map<QString, std::unique_ptr<TCWindowButtonGroup>> groups;
    const QString& key = identifier.isEmpty() ? defaultIdentifier() : identifier;
    auto& group = groups[key];
    if (!group) group.reset(new TCWindowButtonGroup(key));
    return group.get();
}

TCWindowButtonGroup::TCWindowButtonGroup(const QString& identifier) : m_identifier(identifier) {}

void TCWindowButtonGroup::setNumberOfCaptures(qint64 count) {
    if (count < 0 || count == m_numberOfCaptures) return;
    m_numberOfCaptures = count;
    emit rolloverStateChanged();
}

TCWindowButton::TCWindowButton(QSize size, const QString& groupIdentifier, QWidget* parent)
    : QAbstractButton(parent), m_size(size), m_group(TCWindowButtonGroup::groupWithIdentifier(groupIdentifier)) {
    resize(size);
    // Out of the Tab chain: the first Tab of a window would land on the close light, and Space
    // would then close the window a person was working in.
    setFocusPolicy(Qt::NoFocus);
    connect(m_group, &TCWindowButtonGroup::rolloverStateChanged, this, qOverload<>(&QWidget::update));
}

TCWindowButton::~TCWindowButton() {
    if (m_captured) m_group->didReleaseMousePointer();  // a button going under the pointer
}

void TCWindowButton::setImagesOfKind(const QString& kind) {
    const QString base = QStringLiteral("window_%1_").arg(kind);
    m_activeImage = base + QStringLiteral("active");
    m_activeNotKeyImage = base + QStringLiteral("activenotkey");
    m_inactiveImage = base + QStringLiteral("inactive");
    m_rolloverImage = base + QStringLiteral("rollover");
    m_pressedImage = base + QStringLiteral("pressed");
    update();
}

QString TCWindowButton::shownImage() const {
    if (!isEnabled()) return m_inactiveImage;
    if (isDown() && !m_pressedImage.isEmpty()) return m_pressedImage;
    if (m_group->shouldDisplayRollOver()) return m_rolloverImage;
    return isActiveWindow() ? m_activeImage : m_activeNotKeyImage;
}

void TCWindowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap pixmap = ImageLibrary::instance().pixmap(shownImage(), size(), devicePixelRatioF());
    if (!pixmap.isNull()) painter.drawPixmap(0, 0, pixmap);
    if (hasFocus() && m_ring) DrawFocusRing(painter, rect(), height() / 2.0);
}

void TCWindowButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (m_captured) return;
    m_captured = true;
    m_group->didCaptureMousePointer();
}

void TCWindowButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (!m_captured) return;
    m_captured = false;
    m_group->didReleaseMousePointer();
}

void TCWindowButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange || event->type() == QEvent::EnabledChange) update();
}

void TCWindowButton::focusInEvent(QFocusEvent* event) {
    m_ring = ShowsFocusRing(event->reason());
    QAbstractButton::focusInEvent(event);
}

void TCWindowButton::focusOutEvent(QFocusEvent* event) {
    m_ring = false;
    QAbstractButton::focusOutEvent(event);
}

}  // namespace app
