#include "app/recovery/RecoveryDialogChrome.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

#include "app/base/Strings.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/Theme.h"

namespace app::recovery {

namespace {
constexpr int kHeaderHeight = 22;
}

QVBoxLayout* DecorateRecoveryDialog(QDialog* dialog, int width) {
    dialog->setWindowTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")));
    dialog->setFixedWidth(width);
    auto* outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* header = new QLabel(dialog);
    header->setFixedHeight(kHeaderHeight);
    header->setScaledContents(true);
    header->setPixmap(imageNamed(QStringLiteral("pop_header_bg")));
    auto* title = new QLabel(Text(QStringLiteral("WINDOW_TOP_TITLE")) + QLatin1Char(' '), header);
    title->setTextFormat(Qt::PlainText);
    title->setAlignment(Qt::AlignCenter);
    title->setFont(theme::SystemFont(13));
    title->setStyleSheet(QStringLiteral("color: rgb(80, 84, 102); background: transparent;"));
    title->setGeometry(0, 3, width, 17);
    outer->addWidget(header);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 14, 20, 16);
    body->setSpacing(10);
    outer->addLayout(body);
    return body;
}

QLabel* PlainLabel(const QString& text, QWidget* parent, int fontSize, bool bold) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QFont font = theme::SystemFont(fontSize);
    font.setBold(bold);
    label->setFont(font);
    label->setText(text);
    return label;
}

FolderLink::FolderLink(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QFont font = theme::SystemFont(12);
    font.setUnderline(true);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(24, 90, 166));
    setPalette(palette);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void FolderLink::setFolder(const QString& path) {
    m_folder = path;
    setText(path);
    setToolTip(path);
}

void FolderLink::jumpToSavePath() {
    if (m_folder.trimmed().isEmpty()) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder));
}

void FolderLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) jumpToSavePath();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace app::recovery
