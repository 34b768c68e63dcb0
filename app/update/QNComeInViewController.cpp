#include "app/update/QNComeInViewController.h"

#include <QDesktopServices>
#include <QLabel>

#include "app/base/Strings.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"
#include "app/update/UpdateAddresses.h"

namespace app {

namespace {
constexpr QSize kPageSize(1000, 578);
}

QNComeInViewController::QNComeInViewController(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPageSize);
    setAutoFillBackground(true);

    m_imageView = new TCImageButton(this);
    m_imageView->setImageFamily(QStringLiteral("deepscan"));
    m_imageView->setTextWithName(QString(), QRect(0, 0, 128, 128));
    m_imageView->setGeometry((kPageSize.width() - 128) / 2, 110, 128, 128);
    m_imageView->setCursor(Qt::PointingHandCursor);
    connect(m_imageView, &TCImageButton::clicked, this, &QNComeInViewController::iconButtonAction);

    m_title = new QLabel(Text(QStringLiteral("PAGE_ONE_BLOW_TITLE")), this);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFont(theme::HelveticaLight(28));
    m_title->setStyleSheet(QStringLiteral("color: rgb(172, 182, 220);"));
    m_title->setGeometry(0, 270, kPageSize.width(), 40);

    m_node = new QLabel(Text(QStringLiteral("PAGE_ONE_BLOW_DISCRIPTION")), this);
    m_node->setTextFormat(Qt::PlainText);
    m_node->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_node->setWordWrap(true);
    m_node->setFont(theme::SystemFont(14));
    m_node->setStyleSheet(QStringLiteral("color: rgb(120, 126, 150);"));
    m_node->setGeometry(200, 320, kPageSize.width() - 400, 60);

    m_infoButton = new TCImageButton(this);
    m_infoButton->setImageFamily(QStringLiteral("start"));
    m_infoButton->setGeometry((kPageSize.width() - 140) / 2, 420, 140, 40);
    connect(m_infoButton, &TCImageButton::clicked, this, &QNComeInViewController::InfoButtonClick);
}

void QNComeInViewController::InfoButtonClick() {
    if (m_delegate) QMetaObject::invokeMethod(m_delegate, "InfoButtonClick");
}

void QNComeInViewController::iconButtonAction() {
    // The maker's page is a text of the string table: open it only when it is a web address.
    const QUrl url = WebAddress(Text(QStringLiteral("MAIN_ICON_LINK")));
    if (!url.isEmpty()) QDesktopServices::openUrl(url);
}

}  // namespace app
