#include "app/controls/NewSearchTextFiled.h"

#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"

namespace app {

namespace {
constexpr int kBackdropRadius = 15;
constexpr int kButtonSize = 16;
constexpr int kFontSize = 13;
constexpr int kSetUpDelayMs = 300;
}  // namespace

void NewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const qreal radius = qMin<qreal>(kBackdropRadius, height() / 2.0);
    painter.drawRoundedRect(rect(), radius, radius);
}

NewSearchTextFiled::NewSearchTextFiled(QWidget* parent) : QWidget(parent) {
    m_backdrop = new NewView(this);
    m_textField = new QLineEdit(m_backdrop);
    m_textField->setFrame(false);
    m_textField->setFont(theme::SystemFont(kFontSize));
    m_textField->setAccessibleName(QStringLiteral("Search"));
    m_searchButton = new TCImageButton(m_backdrop);
    m_searchButton->setImageFamily(QStringLiteral("search"));
    m_searchButton->setAccessibleName(QStringLiteral("Search"));
    m_clearButton = new TCImageButton(m_backdrop);
    m_clearButton->setImageFromFileNormalName(QStringLiteral("del_normal"), QStringLiteral("del_press"),
                                              QStringLiteral("del_normal"), QStringLiteral("del_normal"));
    m_clearButton->setAccessibleName(QStringLiteral("Clear"));
    m_clearButton->hide();
    // The field is the one keyboard stop: Return searches in it and its text is edited there, so
    // the two buttons beside it serve the mouse and no Tab lands on them.
    m_searchButton->setFocusPolicy(Qt::NoFocus);
    m_clearButton->setFocusPolicy(Qt::NoFocus);

    connect(m_searchButton, &QAbstractButton::clicked, this, &NewSearchTextFiled::doSearchAction);
    connect(m_clearButton, &QAbstractButton::clicked, this, &NewSearchTextFiled::clearTextFieldAction);
    // Only what the user types: text set in code reports nothing and shows no clear button.
    connect(m_textField, &QLineEdit::textEdited, this, &NewSearchTextFiled::controlTextDidChange);
    // Return searches; leaving the field by Tab or a click elsewhere does not.
    connect(m_textField, &QLineEdit::returnPressed, this, [this] { emit searchRequested(currentText()); });
    resize(200, 30);
    // The look is set up a moment after the field is made; the timer dies with the field.
    QTimer::singleShot(kSetUpDelayMs, this, &NewSearchTextFiled::setNormalValue);
}

void NewSearchTextFiled::setNormalValue() {
    m_textField->setAttribute(Qt::WA_TranslucentBackground);
    m_textField->setPlaceholderText(QStringLiteral("Search"));
    QPalette palette = m_textField->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(theme::kSearchPlaceholder));
    m_textField->setPalette(palette);
    m_textField->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
}

void NewSearchTextFiled::setSearchEnabled(bool enabled) {
    m_textField->setEnabled(enabled);
    m_searchButton->setEnabled(enabled);
    m_clearButton->setEnabled(enabled);
}

void NewSearchTextFiled::setTitleWithMnemonic(const QString&) {
    m_clearButton->hide();
    m_textField->clear();
}

void NewSearchTextFiled::clearTextFieldAction() {
    const bool hadText = !m_textField->text().isEmpty();
    m_clearButton->hide();
    m_textField->clear();
    if (hadText) emit searchCleared();
}

void NewSearchTextFiled::doSearchAction() { emit searchRequested(currentText()); }

void NewSearchTextFiled::controlTextDidChange(const QString& text) {
    if (text.isEmpty()) {
        m_clearButton->hide();
        emit searchCleared();
    } else {
        m_clearButton->show();
    }
}

QString NewSearchTextFiled::currentText() const {
    const QString text = m_textField->text();
    return text.isNull() ? QStringLiteral("") : text;  // an empty search is "", never a cleared one
}

void NewSearchTextFiled::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void NewSearchTextFiled::layoutParts() {
    m_backdrop->setGeometry(rect());
    const int h = height();
    const int buttonY = (h - kButtonSize) / 2;
    const int inset = qMax(6, h / 3);
    m_searchButton->setGeometry(inset, buttonY, kButtonSize, kButtonSize);
    m_clearButton->setGeometry(width() - inset - kButtonSize, buttonY, kButtonSize, kButtonSize);
    const int textLeft = inset + kButtonSize + 6;
    const int textRight = width() - inset - kButtonSize - 4;
    m_textField->setGeometry(textLeft, 0, qMax(0, textRight - textLeft), h);
}

}  // namespace app
