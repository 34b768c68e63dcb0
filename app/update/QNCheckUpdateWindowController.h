#pragma once
// The update window: checks the remote version list and shows one of four views: checking, no
// network, no update, or the new version with its numbered change lines and a button opening
// the download page. Opened at launch it hands over to the root window when it closes.

#include <QFont>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>

#include "app/update/DialogWindow.h"
#include "app/update/UpdateAddresses.h"
#include "app/update/VersionListFetcher.h"

class QScrollArea;
class QStackedWidget;

namespace app {

class TCImageButton;

class QNCheckUpdateWindowController : public QObject {
    Q_OBJECT
public:
    enum class View { Checking, NoNetwork, NoUpdate, Update };

    explicit QNCheckUpdateWindowController(UpdateAddresses addresses, QObject* parent = nullptr);
    ~QNCheckUpdateWindowController() override;

    // The application delegate when opened at launch: its runRootWindow slot runs on closing.
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    QObject* delegate() const { return m_delegate; }

    TCImageWindow* window() const { return m_dialog.window(); }
    VersionListFetcher& fetcher() { return m_fetcher; }

    // Shows the window and starts the check; showModal waits until the window closes.
    void showWindow();
    void showModal();

    // Fetches the remote list and shows the outcome.
    void getVersionChange();
    // Lays out a list that arrived: no update unless its version is greater than this build's.
    void whatIsNewVersionDiff(const RemoteVersionList& list);
    void showView(View view);
    View currentView() const { return m_view; }

    QLabel* versionLabel() const { return m_versionLabel; }
    QScrollArea* changeValueScrollView() const { return m_scroll; }
    QList<QLabel*> changeLines() const;

    // The height of text laid out at width in font, wrapped at words, without padding.
    static int heightForStringDrawing(const QString& text, const QFont& font, int width);

public slots:
    void updateClickHereAction();
    void closeWindow();

signals:
    void viewChanged(app::QNCheckUpdateWindowController::View view);

private:
    void onClosed();

    UpdateAddresses m_addresses;
    DialogWindow m_dialog;
    VersionListFetcher m_fetcher;
    QPointer<QObject> m_delegate;
    View m_view = View::Checking;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_versionLabel = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_lines = nullptr;
    TCImageButton* m_download = nullptr;
};

}  // namespace app
