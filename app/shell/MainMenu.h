#pragma once
// The program's menu, titled from the string table: the application's items (About, check for
// updates, hide, quit), the window's (minimise, zoom) and help's (online help, support centre).
// Every window gets the items' shortcuts; the root window also shows the menu in its bar. Items
// that need an address the program does not have are disabled.

#include <QObject>

class QAction;
class QMenuBar;
class QWidget;

namespace app {

class TCImageWindow;

class MainMenu : public QObject {
    Q_OBJECT
public:
    // The actions belong to window and their shortcuts work in it.
    // checksForUpdates, hasSupportAddress: whether those items can do anything.
    MainMenu(QWidget* window, bool checksForUpdates, bool hasSupportAddress);

    // Shows the menu in the window's bar, just right of its lights.
    QMenuBar* placeInBar(TCImageWindow* window);
    QMenuBar* bar() const { return m_bar; }

    QAction* about = nullptr;
    QAction* checkUpdate = nullptr;
    QAction* hide = nullptr;
    QAction* quit = nullptr;
    QAction* minimize = nullptr;
    QAction* zoom = nullptr;
    QAction* onlineHelp = nullptr;
    QAction* supportCenter = nullptr;

private:
    QWidget* m_window;
    QMenuBar* m_bar = nullptr;
};

}  // namespace app
