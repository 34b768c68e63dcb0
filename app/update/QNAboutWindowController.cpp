#include "app/update/QNAboutWindowController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

#include "app/base/Strings.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/PressOnReturn.h"
#include "app/controls/Theme.h"

namespace app {

namespace {
constexpr QSize kContentSize(360, 200);
}

QNAboutWindowController::QNAboutWindowController(UpdateAddresses addresses, QObject* parent)
    : QObject(parent), m_addresses(std::move(addresses)), m_dialog(kContentSize, 8.0) {
    QWidget* content = m_dialog.content();
    auto* icon = new QLabel(content);
    icon->setPixmap(
        imageNamed(QStringLiteral("deepscan_normal")).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignCenter);
    icon->setGeometry(0, 20, kContentSize.width(), 52);

    auto* name = new QLabel(Text(QStringLiteral("WINDOW_TOP_TITLE")), content);
    name->setTextFormat(Qt::PlainText);
    name->setAlignment(Qt::AlignCenter);
    name->setFont(theme::SystemFont(16));
    name->setStyleSheet(QStringLiteral("color: rgb(172, 182, 220);"));
    name->setGeometry(0, 80, kContentSize.width(), 24);

    m_version = new QLabel(Text(QStringLiteral("ABOUT_VERSION")).arg(m_addresses.localVersion), content);
    m_version->setTextFormat(Qt::PlainText);
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setFont(theme::SystemFont(12));
    m_version->setStyleSheet(QStringLiteral("color: rgb(120, 126, 150);"));
    m_version->setGeometry(0, 108, kContentSize.width(), 18);

    // The link: its text underlined, a pointing hand; it opens the maker's page.
    m_link = new QPushButton(Text(QStringLiteral("ABOUT_LINK")), content);
    m_link->setFlat(true);
    m_link->setCursor(Qt::PointingHandCursor);
    PressOnReturn(m_link);
    m_link->setFont(theme::SystemFont(12));
    m_link->setStyleSheet(
        QStringLiteral("QPushButton { color: rgb(59, 153, 252); text-decoration: underline; border: none; }"));
    m_link->setGeometry(0, 140, kContentSize.width(), 24);
    m_link->setVisible(!m_addresses.aboutUrl.isEmpty());
    connect(m_link, &QPushButton::clicked, this, &QNAboutWindowController::linkButtonAction);
}

void QNAboutWindowController::linkButtonAction() {
    if (!m_addresses.aboutUrl.isEmpty()) QDesktopServices::openUrl(m_addresses.aboutUrl);
}

void QNAboutWindowController::closeWindow() { m_dialog.window()->close(); }

}  // namespace app
