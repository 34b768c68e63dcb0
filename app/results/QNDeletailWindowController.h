#pragma once
// The results window: one scan while it runs and after it ends. A frame of parts that it makes
// and wires: the bar (ScanBar: home, deep scan, the scan box, the search field, "scanBar" with
// its parts named for findChild), the deep-scan offer (DeepScanOffer), the scan it follows
// (ScanFollower), the recovery (ResultsRecovery), the name search (ResultsSearch) and the saving
// of the scan (ResultsExport); below the bar the left pane's tabs and trees and the file list on
// the right, whose commands the frame runs. It talks to the model only through the facade.
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

#include "app/controls/TCImageWindow.h"
#include "app/recovery/RecoveryChecks.h"
#include "app/results/TreeTabs.h"
#include "uimodel/trees/DiskVolumeNodeData.h"
#include "uimodel/trees/TreeBatch.h"

class QAbstractButton;
class QCheckBox;
class QDialog;
class QFileDialog;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace app {
class CustemSplitView;
class CustomTableView;
class ElidedLabel;
class NewSearchTextFiled;
class TabButton;
class QNCustomOutlineView;
class QNProgressView;
class TCImageButton;
}  // namespace app

namespace app::thumbview {
class PreviewPanes;
}

namespace app::results {

class FileListModel;
class ResultTreeModel;
class DeepScanOffer;
class ListSorting;
class ResultOutlineView;
class ResultsExport;
class ResultsRecovery;
class ResultsSearch;
class ScanBar;
class ScanFollower;
}  // namespace app::results

namespace app::recovery {
class QNShowScanProgressWindowController;
}  // namespace app::recovery

namespace app::results {

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

    // Seconds of the wall clock for the remaining-time label's once-a-second rule; tests step it.
    void setClock(std::function<qint64()> clock);

    // What tests and the program read.
    ResultTreeModel* treeModel(int tab) const { return m_models[static_cast<std::size_t>(tab)].get(); }
    FileListModel* listModel() const { return m_list.get(); }
    CustomTableView* tableView() const { return m_table; }
    int currentTab() const { return m_tab; }
    uimodel::OpNodeData* selectedItem() const { return m_selected; }
    QString foundText() const;
    QString remainingText() const;
    QString selectionText() const;
    QString selectAllImage() const { return m_selectAllImage; }
    bool isFinishedShown() const { return m_finished; }
    bool isPausedByUser() const { return m_isPause; }
    QCheckBox* selectAllButton() const { return m_selectAll; }
    CustemSplitView* splitView() const { return m_split; }
    thumbview::PreviewPanes* previews() const { return m_previews; }
    // Files of the path tree's lists, each folder chosen as a click would, and the deleted ones.
    void countListedFiles(std::uint64_t& listed, std::uint64_t& deleted) const;

    // Commands (the bar's buttons, the tabs, the header, the cells, the keyboard).
    void backButtonAction();
    void deepSrcanButtonAction();
    void pauseButtonClick();
    void stopButtonClick();
    void selectTab(int tab);
    void sortByColumn(int column);
    void setAllSelectOrNoSelect();
    void toggleListCheck(int row);
    void clickButtonAction(uimodel::OpNodeData* item);
    void selectItem(uimodel::OpNodeData* item);
    // The window's close button.
    void closeWindow();
    // The list, cover-flow and grid switch (0, 1, 2).
    void segmentSelect(int segment);
    // A grid item's check box: the row's file checked or unchecked, refused during a running scan.
    void doSelectItem(int row);
    // A collection tile (thumbview::BVView) changed its file's check itself: the outlines, the
    // selection label and the tree's check states follow, unless a scan runs.
    void reLoadCollectionViewData();

    // Recovery of the checked files (the recovery part): the recover button opens a folder
    // dialog; its answer goes through the checks, then the copy runs under the progress dialog.
    void recovrtyButtonClick();
    void recoverToFolder(const QString& folder);
    void setDestinationProbe(recovery::DestinationProbe probe);
    recovery::QNShowScanProgressWindowController* recoveryProgressWindow() const;

    // Search for the field's text (the search part).
    void doSearch();

    // Saving the scan into a results file (the export part), once the scan has ended.
    void exportButtonAction();
    bool isSaved() const;

signals:
    // The scan wound down and the finished state shows. `stopped`: it was asked to stop before its
    // end (by this window or by the program's own stop), so it did not finish.
    void scanEnded(bool stopped);
    // The progress display was written (the bar's whole percent, the found label): each poll.
    void progressShown(int percent);
    // A passing note was shown to the user (its text).
    void noteShown(const QString& note);
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
    // A search replaces the list's rows: the previews stop their loaders before, refill after.
    void searchRowsAboutToChange();
    void searchRowsChanged();
    // A save into a results file ended.
    void scanSaved(bool success);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Set-up.
    void buildContent();
    void buildBar();
    void showTreeModel(ResultOutlineView* outline, int tab);
    QWidget* buildPreviews();
    void buildParts();
    void layoutBar();
    void observeScan();
    void stopObserving();
    // Feed and progress.
    void dataInitFinished();
    void refreshCurrentTree();
    void getScanProgress();
    void updateSegmentEnabled();
    void showFinishedState();
    void setFoundAllFiles();
    void refreshDevice(const QVariantMap& payload);
    // Commands' shared steps.
    void emptyTrees();
    void clearChecks();
    void doBackHomeAction(int fromUser);
    void doDeepScanAction();
    void stopAction();
    void refashDetailPageData();
    void refreshListOnly();
    void SelectRootItem();
    void ExpandeRootItem();
    void showNoValueNote();
    void showRecoveryButton();
    void checkRefresh();
    // Tab follows the layout: the bar, the left pane, the right pane.
    void orderTabStops();
    int GetCellNodeState(uimodel::OpNodeData* item) const;
    void changeSelectAllButtonState();
    void showSelectFilesCountAndSize();
    void updateTabLooks();
    void updateScanButtons();
    bool scanRunsUnpaused() const;
    void openSheet(const QString& prefix, std::function<void(int)> done);
    ResultOutlineView* outlineFor(int tab) const;
    uimodel::TreeArray& arrayFor(int tab) { return m_arrays[static_cast<std::size_t>(tab)]; }
    void createExportButton(bool deep);
    // The search's steps in the trees and the list.
    void clearForSearch();
    void refillSearchTree();
    void showSearchHits(std::vector<IFileNode*> hits);

    std::unique_ptr<uimodel::DiskVolumeNodeData> m_item;
    std::array<uimodel::TreeArray, kTabs> m_arrays;
    std::array<std::unique_ptr<ResultTreeModel>, kTabs> m_models;
    std::unique_ptr<FileListModel> m_list;
    uimodel::OpNodeData* m_selected = nullptr;

    ScanBar* m_bar = nullptr;
    DeepScanOffer* m_offer = nullptr;
    ListSorting* m_sorting = nullptr;
    ScanFollower* m_follower = nullptr;
    ResultsRecovery* m_recovery = nullptr;
    ResultsSearch* m_search = nullptr;
    ResultsExport* m_export = nullptr;

    // Content.
    CustemSplitView* m_split = nullptr;
    TreeTabs* m_tabs = nullptr;
    CustomTableView* m_table = nullptr;
    thumbview::PreviewPanes* m_previews = nullptr;
    QCheckBox* m_selectAll = nullptr;
    QString m_selectAllImage = QStringLiteral("checkbox_no");

    // State.
    int m_tab = kPathTab;
    bool m_isDeepScan = false;
    bool m_isPause = false;
    bool m_isCanClick = true;
    bool m_isCloseWindow = false;
    bool m_isSelectBackHome = false;
    bool m_isImport = false;
    bool m_isCreateTimeTreeRebuild = true;
    bool m_isModifyTimeTreeRebuild = true;
    bool m_finished = false;
};

}  // namespace app::results
