#pragma once
// The results window: one scan while it runs and after it ends. A frame of parts that it makes
// and wires: the scan it follows and what it knows of it, one ScanState told by signal
// (ScanFollower, "scanFollower"), the bar drawn from that state (ScanBar, "scanBar"), the scan's
// commands that move it (ScanControls, "scanControls": home, deep scan, pause, stop, close,
// progress, end), the file pane (FilePane, "filePane": tabs, trees, list, checks, views), the
// recovery (ResultsRecovery, "resultsRecovery"), the name search (ResultsSearch, "resultsSearch")
// and the saving of the scan (ResultsExport, "resultsExport"). The frame keeps the one page
// refresh each scan post asks for. It talks to the model only through the facade.
#include <memory>

#include "app/controls/TCImageWindow.h"
#include "app/results/TreeTabs.h"
#include "uimodel/trees/DiskVolumeNodeData.h"

class QDialog;
class QFileDialog;

namespace app::results {

class FilePane;
class ResultsExport;
class ResultsRecovery;
class ResultsSearch;
class ScanBar;
class ScanControls;
class ScanFollower;

class QNDeletailWindowController : public TCImageWindow {
    Q_OBJECT

public:
    using enum ResultTab;

    explicit QNDeletailWindowController(QWidget* parent = nullptr);
    ~QNDeletailWindowController() override;

    // The disk or volume to scan; getData scans it.
    void setSelectDiskVolumeData(std::unique_ptr<uimodel::DiskVolumeNodeData> item);
    // Starts the scan of the chosen item and follows it.
    void getData();
    // Shows a results file the caller is loading: no progress controls.
    void getImportData(const QString& path);
    // Stops receiving every notification.
    void clearImportData();

    // The parts the program's test hook drives.
    FilePane* filePane() const { return m_pane; }
    ScanControls* scanControls() const { return m_controls; }
    ScanFollower* scanFollower() const { return m_follower; }
    ScanBar* scanBar() const { return m_bar; }
    ResultsRecovery* recovery() const { return m_recovery; }
    ResultsExport* exporter() const { return m_export; }

signals:
    // The scan wound down and the finished state shows. `stopped`: it was asked to stop before its
    // end (by this window or by the program's own stop), so it did not finish.
    void scanEnded(bool stopped);
    // The progress display was written (the bar's whole percent, the found label): each poll.
    void progressShown(int percent);
    // A passing note was shown to the user (its text).
    void noteShown(const QString& note);
    // A search's hits show in the list, or the whole scan again after a search went.
    void searchShown();
    // The user went back to the start page; the window has closed.
    void backHomeRequested();
    // A sheet the window opened (tests answer it).
    void sheetOpened(QWidget* sheet);
    // A folder or file dialog the window opened (the hook and tests answer it).
    void fileDialogOpened(QFileDialog* dialog);
    // A recovery dialog opened: the progress dialog, then the finished or the stopped one.
    void recoveryDialogOpened(QDialog* dialog);
    // A recovery has ended and its last dialog shows; `stopped` when the user stopped it.
    void recoveryEnded(bool stopped);
    // A save into a results file ended.
    void scanSaved(bool success);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildContent();
    void wireControls();
    void wirePane();
    void wireJobs();
    // The page refresh every scan post asks for: the pane catches up, the bar shows the progress
    // (and the end), the pane settles.
    void refreshPage();
    void observeScan();
    void stopObserving();
    // Tab follows the layout: the bar, the left pane, the right pane.
    void orderTabStops();

    std::unique_ptr<uimodel::DiskVolumeNodeData> m_item;
    ScanBar* m_bar = nullptr;
    ScanFollower* m_follower = nullptr;
    ScanControls* m_controls = nullptr;
    FilePane* m_pane = nullptr;
    ResultsRecovery* m_recovery = nullptr;
    ResultsSearch* m_search = nullptr;
    ResultsExport* m_export = nullptr;
};

}  // namespace app::results
