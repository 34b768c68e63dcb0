#include "app/update/QNCheckUpdateWindowController.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/base/Strings.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/Theme.h"

namespace app {

namespace {

constexpr QSize kContentSize(420, 260);
constexpr int kLineWidth = 200;       // the width the heights are measured at
constexpr int kLineFrameWidth = 380;  // the width a line is drawn in
constexpr int kMinLineHeight = 25;
constexpr int kMinCountedHeight = 30;
constexpr int kLineFontPixels = 10;

QLabel* Message(const QString& key, QWidget* parent) {
    auto* label = new QLabel(Text(key), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(theme::SystemFont(13));
    label->setStyleSheet(QStringLiteral("color: rgb(172, 182, 220);"));
    return label;
}

QWidget* MessagePage(const QString& key, QWidget* extra = nullptr) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(30, 20, 30, 20);
    layout->addStretch();
    layout->addWidget(Message(key, page));
    if (extra) layout->addWidget(extra);
    layout->addStretch();
    return page;
}

}  // namespace

QNCheckUpdateWindowController::QNCheckUpdateWindowController(UpdateAddresses addresses, QObject* parent)
    : QObject(parent), m_addresses(std::move(addresses)), m_dialog(kContentSize, 13.0), m_fetcher(this) {
    m_pages = new QStackedWidget(m_dialog.content());
    m_pages->setGeometry(QRect(QPoint(0, 0), kContentSize));

    auto* progress = new QProgressBar;
    progress->setRange(0, 0);  // busy while checking
    progress->setTextVisible(false);
    m_pages->addWidget(MessagePage(QStringLiteral("UPDATE_CHECKING"), progress));
    m_pages->addWidget(MessagePage(QStringLiteral("UPDATE_NO_NETWORK")));
    m_pages->addWidget(MessagePage(QStringLiteral("UPDATE_NO_UPDATE")));

    auto* update = new QWidget;
    auto* heading = Message(QStringLiteral("UPDATE_NEW_VERSION"), update);
    heading->setGeometry(20, 10, kContentSize.width() - 40, 22);
    m_versionLabel = new QLabel(update);
    m_versionLabel->setTextFormat(Qt::PlainText);
    m_versionLabel->setFont(theme::SystemFont(12));
    m_versionLabel->setStyleSheet(QStringLiteral("color: rgb(172, 182, 220);"));
    m_versionLabel->setGeometry(20, 38, kContentSize.width() - 40, 18);
    m_scroll = new QScrollArea(update);
    m_scroll->setGeometry(20, 60, kContentSize.width() - 20, 150);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_lines = new QWidget;
    m_scroll->setWidget(m_lines);
    m_download = new TCImageButton(update);
    m_download->setTextWithName(Text(QStringLiteral("UPDATE_DOWNLOAD_BUTTON")), QRect(0, 0, 140, 30));
    m_download->setGeometry((kContentSize.width() - 140) / 2, 220, 140, 30);
    m_download->setEnabled(!m_addresses.updateUrl.isEmpty());
    connect(m_download, &TCImageButton::clicked, this, &QNCheckUpdateWindowController::updateClickHereAction);
    m_pages->addWidget(update);

    connect(&m_dialog, &DialogWindow::closed, this, &QNCheckUpdateWindowController::onClosed);
}

QNCheckUpdateWindowController::~QNCheckUpdateWindowController() = default;

void QNCheckUpdateWindowController::showWindow() {
    m_dialog.show();
    getVersionChange();
}

void QNCheckUpdateWindowController::showModal() {
    getVersionChange();
    m_dialog.exec();
}

void QNCheckUpdateWindowController::getVersionChange() {
    showView(View::Checking);
    m_fetcher.fetch(m_addresses.iniUrl, [this](const VersionListFetch& fetch) {
        if (fetch.outcome == VersionListFetch::Outcome::NoNetwork) {
            showView(View::NoNetwork);
            return;
        }
        // An unreadable list counts as version 0.
        whatIsNewVersionDiff(fetch.list);
    });
}

void QNCheckUpdateWindowController::showView(View view) {
    m_view = view;
    m_pages->setCurrentIndex(static_cast<int>(view));
    emit viewChanged(view);
}

void QNCheckUpdateWindowController::whatIsNewVersionDiff(const RemoteVersionList& list) {
    qDeleteAll(m_lines->findChildren<QLabel*>(Qt::FindDirectChildrenOnly));
    if (list.versionCheck <= m_addresses.localVersion) {
        showView(View::NoUpdate);
        return;
    }
    m_versionLabel->setText(Text(QStringLiteral("UPDATE_VERSION")).arg(list.version));

    const QFont font = theme::SystemFont(kLineFontPixels);
    QList<int> heights;
    int total = 0;
    for (const QString& line : list.lines) {
        const int height = heightForStringDrawing(line, font, kLineWidth);
        heights.append(std::max(height, kMinLineHeight));
        total += std::max(height, kMinCountedHeight);
    }
    m_lines->setGeometry(0, 0, kLineFrameWidth, total);
    // The lines run from the top down; the counted minimum exceeds the drawn one, so some room
    // stays free below the last line.
    int top = 0;
    for (int i = 0; i < list.lines.size(); ++i) {
        auto* label = new QLabel(QStringLiteral("%1:%2").arg(i + 1).arg(list.lines[i]), m_lines);
        label->setTextFormat(Qt::PlainText);  // the server's text is never markup
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: rgb(175, 186, 219);"));
        label->setToolTip(QStringLiteral("<qt>") + list.lines[i].toHtmlEscaped());
        label->setGeometry(0, top, kLineFrameWidth, heights[i]);
        label->show();
        top += heights[i];
    }
    m_scroll->verticalScrollBar()->setValue(0);
    showView(View::Update);
}

QList<QLabel*> QNCheckUpdateWindowController::changeLines() const {
    return m_lines->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
}

int QNCheckUpdateWindowController::heightForStringDrawing(const QString& text, const QFont& font, int width) {
    const QFontMetrics metrics(font);
    return metrics
        .boundingRect(QRect(0, 0, width, std::numeric_limits<int>::max() / 2),
                      Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text)
        .height();
}

void QNCheckUpdateWindowController::updateClickHereAction() {
    if (!m_addresses.updateUrl.isEmpty()) QDesktopServices::openUrl(m_addresses.updateUrl);
}

void QNCheckUpdateWindowController::closeWindow() { m_dialog.window()->close(); }

void QNCheckUpdateWindowController::onClosed() {
    if (m_delegate) QMetaObject::invokeMethod(m_delegate, "runRootWindow", Qt::QueuedConnection);
}

}  // namespace app
