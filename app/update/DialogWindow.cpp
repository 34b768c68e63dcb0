#include "app/update/DialogWindow.h"

#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "app/base/Strings.h"
#include "app/controls/BarTitle.h"
#include "app/controls/ImageLibrary.h"
#include "app/controls/TCWindowButton.h"
#include "app/controls/Theme.h"

namespace app {

namespace {
constexpr int kBarHeight = 22;
}

DialogWindow::DialogWindow(QSize contentSize, qreal leftMargin, QObject* parent)
    : QObject(parent), m_window(new TCImageWindow) {
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint);
    m_window->setTitleBarHeight(kBarHeight);
    m_window->setTrafficLightButtonsLeftMargin(leftMargin);
    m_window->setTopButtonMoveUp(1.0);
    m_window->minimizeButton()->hide();
    m_window->zoomButton()->hide();

    QWidget* bar = m_window->titleBarView();
    auto* header = new QLabel(bar);
    header->setScaledContents(true);
    header->setPixmap(imageNamed(QStringLiteral("pop_header_bg")));
    header->setGeometry(0, 0, contentSize.width(), kBarHeight);
    header->lower();
    m_titleLabel = new BarTitle(Text(QStringLiteral("WINDOW_TOP_TITLE")), m_window);

    m_content = new QWidget;
    m_content->setFixedSize(contentSize);
    m_window->setContentView(m_content);
    m_window->setFixedSize(contentSize.width(), contentSize.height() + kBarHeight);
    // A thin light edge: without a window manager's shadow the dialog would melt into the dark
    // window it opens over.
    auto* edge = new QFrame(m_window);
    edge->setAttribute(Qt::WA_TransparentForMouseEvents);
    edge->setStyleSheet(
        QStringLiteral("QFrame { border: 1px solid rgb(72, 78, 88); border-radius: 4px; background: transparent; }"));
    edge->setGeometry(m_window->rect());
    edge->raise();
    m_window->installEventFilter(this);
}

DialogWindow::~DialogWindow() {
    // The window hides while it is destroyed: it must not reach the filter half gone.
    if (m_window) m_window->removeEventFilter(this);
    delete m_window;
}

void DialogWindow::show() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->fadeIn();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void DialogWindow::exec() {
    m_window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &DialogWindow::closed, &loop, &QEventLoop::quit);
    show();
    loop.exec();
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    // Escape closes the window as its close light does.
    if (watched == m_window && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_window->close();
        return true;
    }
    // A close that fades first is ignored, then repeated: the window has gone once it is hidden.
    if (watched == m_window && event->type() == QEvent::Hide && !m_window->isVisible()) {
        QTimer::singleShot(0, this, [this] {
            if (m_window && !m_window->isVisible()) emit closed();
        });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace app
