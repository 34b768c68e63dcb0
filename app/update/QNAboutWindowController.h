#pragma once
// The About window: the program's title, this build's version and a link to the maker's page
// (hidden while the program has no address for it).

#include <QObject>

#include "app/update/DialogWindow.h"
#include "app/update/UpdateAddresses.h"

class QLabel;
class QPushButton;

namespace app {

class QNAboutWindowController : public QObject {
    Q_OBJECT
public:
    explicit QNAboutWindowController(UpdateAddresses addresses, QObject* parent = nullptr);

    TCImageWindow* window() const { return m_dialog.window(); }
    QLabel* versionLabel() const { return m_version; }
    QPushButton* aboutLink() const { return m_link; }

    void showWindow() { m_dialog.show(); }
    void showModal() { m_dialog.exec(); }

public slots:
    void linkButtonAction();
    void closeWindow();

private:
    UpdateAddresses m_addresses;
    DialogWindow m_dialog;
    QLabel* m_version = nullptr;
    QPushButton* m_link = nullptr;
};

}  // namespace app
