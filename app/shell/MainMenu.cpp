#include "app/shell/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "app/base/Strings.h"
#include "app/controls/TCImageWindow.h"
#include "app/controls/TCWindowButton.h"
#include "app/controls/Theme.h"

namespace app {

namespace {

constexpr int kBarHeight = 22;
constexpr int kGapAfterLights = 14;

QAction* Item(const QString& key, QWidget* window) {
    auto* action = new QAction(Text(key), window);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

}  // namespace

MainMenu::MainMenu(QWidget* window, bool checksForUpdates, bool hasSupportAddress) : QObject(window), m_window(window) {
    about = Item(QStringLiteral("MENU_ABOUT_NAME"), window);
    about->setText(Text(QStringLiteral("MENU_ABOUT_NAME")).arg(Text(QStringLiteral("WINDOW_TOP_TITLE"))));
    checkUpdate = Item(QStringLiteral("MENU_CHECK_UPDTE"), window);
    checkUpdate->setEnabled(checksForUpdates);
    hide = Item(QStringLiteral("MENU_HIDEN_SELF"), window);
    quit = Item(QStringLiteral("MENU_EXIT"), window);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    minimize = Item(QStringLiteral("MENU_MINIMIZE"), window);
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    zoom = Item(QStringLiteral("MENU_MAXIMIZE"), window);
    onlineHelp = Item(QStringLiteral("MENU_ONLINE_HELP"), window);
    onlineHelp->setEnabled(hasSupportAddress);
    supportCenter = Item(QStringLiteral("MENU_SUPPORT_CENTER"), window);
    supportCenter->setEnabled(hasSupportAddress);

    // Hiding the program on a Linux desktop is minimising each of its windows.
    connect(hide, &QAction::triggered, this, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->isWindow()) top->showMinimized();
    });
    connect(minimize, &QAction::triggered, window, &QWidget::showMinimized);
    connect(zoom, &QAction::triggered, window,
            [window] { window->isMaximized() ? window->showNormal() : window->showMaximized(); });
}

QMenuBar* MainMenu::placeInBar(TCImageWindow* window) {
    if (m_bar) return m_bar;
    QWidget* bar = window->titleBarView();
    m_bar = new QMenuBar(bar);
    m_bar->setNativeMenuBar(false);
    m_bar->setObjectName(QStringLiteral("mainMenu"));
    m_bar->setFont(theme::SystemFont(13));
    m_bar->setStyleSheet(QStringLiteral(
        "QMenuBar { background: transparent; color: rgb(174, 184, 222); }"
        "QMenuBar::item { background: transparent; padding: 2px 8px; }"
        "QMenuBar::item:selected, QMenuBar::item:pressed { background: rgb(9, 40, 76); color: white; }"));
    QMenu* program = m_bar->addMenu(Text(QStringLiteral("WINDOW_TOP_TITLE")));
    program->addAction(about);
    program->addAction(checkUpdate);
    program->addSeparator();
    program->addAction(hide);
    program->addSeparator();
    program->addAction(quit);
    QMenu* windowMenu = m_bar->addMenu(Text(QStringLiteral("MENU_WINDOW")));
    windowMenu->addAction(minimize);
    windowMenu->addAction(zoom);
    QMenu* help = m_bar->addMenu(Text(QStringLiteral("MENU_HELP")));
    help->addAction(onlineHelp);
    help->addAction(supportCenter);

    // Just right of the rightmost visible light.
    int left = 0;
    for (TCWindowButton* light : {window->closeButton(), window->minimizeButton(), window->zoomButton()}) {
        if (!light || light->isHidden()) continue;
        left = std::max(left, light->mapTo(window, QPoint(light->width(), 0)).x());
    }
    const QPoint origin = bar->mapFrom(window, QPoint(left + kGapAfterLights, 0));
    const int height = std::min(kBarHeight, static_cast<int>(window->titleBarHeight()));
    m_bar->setGeometry(origin.x(), 0, m_bar->sizeHint().width(), height);
    m_bar->show();
    return m_bar;
}

}  // namespace app
