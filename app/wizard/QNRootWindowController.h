#pragma once
// The wizard's window: the file-type page, then (with more than one choice) the disk page, then
// the results window for the chosen disk or volume. It asks for the device list only on Start.

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

#include "app/controls/Sheet.h"
#include "app/controls/TCImageWindow.h"
#include "app/results/QNProgressWindow.h"

class QFileDialog;
class QLabel;
class QStackedWidget;

namespace uimodel {
class DiskVolumeNodeData;
struct _DiskVolumeData;
}  // namespace uimodel

namespace app {

class QNSelectDiskViewController;
class TCImageButton;
class QNSelectTypeViewController;

namespace results {
class QNDeletailWindowController;
}

class QNRootWindowController : public TCImageWindow {
    Q_OBJECT
public:
    explicit QNRootWindowController(QWidget* parent = nullptr);
    ~QNRootWindowController() override;

    QNSelectTypeViewController* typePage() const { return m_typePage; }
    QNSelectDiskViewController* diskPage() const { return m_diskPage; }
    // 2 file types, 3 disks.
    int whichPage() const { return m_whichPage; }
    // The message shown on the file-type page ("" when none).
    QString message() const;
    results::QNDeletailWindowController* resultsWindow() const { return m_results; }

    // Start: asks for the device list, then goes on in InitFinished.
    void selectTypesContinouButtonClick();
    // The title bar's import: a results file chosen in a file dialog, loaded under the progress
    // window; the results window shows after a successful load.
    void importButtonClick();
    // Loads `path`. When the disk it was made from is not attached, a sheet says so, naming it,
    // and offers to open its disk image: the image joins the device list as from the disk page
    // and the load goes on when it holds that disk; an image that does not is refused.
    void importFile(const QString& path);
    QNProgressWindow* progressWindow() const { return m_progressWindow; }
    // The disk page's "Disk image…": an image file chosen in a file dialog joins the list as a
    // disk image, its first volume (else the disk) chosen; a file that lists nothing is refused
    // with a sheet that says why.
    void diskImageButtonClick();
    void openDiskImage(const QString& path);
    void backHome();

signals:
    // The results window opened for a scan.
    void resultsWindowOpened(app::results::QNDeletailWindowController* window);
    // The results window went back home: the program shows a new root window.
    void wentHome();
    // A dialog or sheet of this window opened (the test hook answers them as a person would).
    void fileDialogOpened(QFileDialog* dialog);
    void sheetOpened(QWidget* sheet);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void InitFinished();
    void listReady();
    // While the list is being made, keeps `step` for its end (true); false when none is made.
    bool afterList(std::function<void()> step);
    void refreshDevices();
    void showMessage(const QString& text);
    void openResults(std::unique_ptr<uimodel::DiskVolumeNodeData> item);
    void placeResults(QWidget* window) const;
    void startLoad(const QString& path);
    void askForImageOf(const QString& path, const uimodel::_DiskVolumeData& saved);
    void loadWithImage(const QString& path, const QString& image, const uimodel::_DiskVolumeData& saved);
    // The image file dialog of "Disk image…"; `chosen` gets the file picked.
    void openImageDialog(std::function<void(const QString&)> chosen);
    // Lists `image` with the devices; false, with the refusal's sheet shown, when it cannot be.
    bool listImage(const QString& image, int& diskIndex);
    // The "could not be listed" banner, shown while the last listing failed.
    void showListState();
    // The disk page's rows made again after the model listed the devices on this thread.
    void relistDiskPage();
    // The disk page's list made again as media came or went; `scan`: Continue waits for it.
    void listedAgain(std::vector<std::unique_ptr<uimodel::DiskVolumeNodeData>> disks, bool scan);
    void openSheet(const QString& name, const SheetTexts& texts, std::function<void(int)> done);

    QStackedWidget* m_pages = nullptr;
    QNSelectTypeViewController* m_typePage = nullptr;
    QNSelectDiskViewController* m_diskPage = nullptr;
    QLabel* m_message = nullptr;
    QPointer<results::QNDeletailWindowController> m_results;
    QPointer<QNProgressWindow> m_progressWindow;
    TCImageButton* m_import = nullptr;
    int m_whichPage = 2;
    bool m_waitingForList = false;
    bool m_refreshing = false;          // the list asked for is the disk page's refresh
    bool m_refreshAgain = false;        // media came or went while the refresh ran
    bool m_scanWhenListed = false;      // Continue was pressed while the refresh ran
    std::function<void()> m_afterList;  // a file chosen while the list was made
};

}  // namespace app
