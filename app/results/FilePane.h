#pragma once
// The results window's file pane, a part with its own state: below the bar, the tabs and their
// trees on the left and, on the right, the file list with its select-all box and the list,
// cover-flow and grid views; the checks of the trees and the list, and the selection label's
// text. It reads the scan's state from the follower and asks the window for what lies outside it
// by signal: the selection label, the recover button, the page refresh.
#include <QObject>

#include <array>
#include <memory>
#include <vector>

#include "app/results/TreeTabs.h"
#include "uimodel/trees/TreeBatch.h"

class IFileNode;
class QCheckBox;
class QWidget;

namespace uimodel {
class OpNodeData;
}

namespace app {
class CustomTableView;
}

namespace app::thumbview {
class PreviewPanes;
}

namespace app::results {

class FileListModel;
class ListSorting;
class ResultOutlineView;
class ResultTreeModel;
class ScanFollower;

class FilePane : public QObject {
    Q_OBJECT

public:
    // `window` holds the pane; `scan` tells the scan's state.
    FilePane(QWidget* window, const ScanFollower& scan);
    ~FilePane() override;
    // No thumbnail may still be read from the nodes; the views let go of the models. Before the
    // window's widgets go.
    void shutDown();

    // The pane's widget, for the window's content.
    QWidget* view() const { return m_view; }
    ResultTreeModel* treeModel(int tab) const { return m_models[static_cast<std::size_t>(tab)].get(); }
    CustomTableView* tableView() const { return m_table; }
    TreeTabs* tabs() const { return m_tabs; }
    thumbview::PreviewPanes* previews() const { return m_previews; }
    QCheckBox* selectAllButton() const { return m_selectAll; }
    int currentTab() const { return m_tab; }
    // The shown tab's tree: where the keyboard rests when nothing else should hold it.
    QWidget* restingFocus() const;
    // Files of the path tree's lists, each folder chosen as a click would, and the deleted ones.
    void countListedFiles(std::uint64_t& listed, std::uint64_t& deleted) const;

    // Commands: the tabs, the header, the cells, the views, the keyboard.
    void selectTab(int tab);
    void sortByColumn(int column);
    void setAllSelectOrNoSelect();
    void toggleListCheck(int row);
    void clickButtonAction(uimodel::OpNodeData* item);
    void selectItem(uimodel::OpNodeData* item);
    // The list, cover-flow and grid switch (0, 1, 2).
    void segmentSelect(int segment);
    // A grid item's check box: the row's file checked or unchecked, refused during a running scan.
    void doSelectItem(int row);
    // A collection tile changed its file's check itself: the outlines, the selection label and the
    // tree's check states follow, unless a scan runs.
    void reLoadCollectionViewData();

    // What the scan's steps ask of the pane.
    // A post: the current tree and the list catch up; then, the progress shown, the root opens
    // (and is chosen once the scan has ended).
    void catchUp();
    void settle();
    // The list alone catches up (a sorted list keeps its order).
    void refreshListOnly();
    // The scan ended: the trees take what it added last, the keyboard goes on in them, the
    // selection label says what was found.
    void showEnded();
    // A new scan (or a deep one): nothing listed, nothing chosen, the list in view; the nodes go
    // with the next scan.
    void startOver();
    // Every root item of the four trees unchecked.
    void clearChecks();
    // The scan was paused (the trees catch up) or resumed (the checks go, a deep scan's list
    // follows what it finds); neither preview loads on meanwhile.
    void followPause(bool paused);
    // The window leaves: nothing listed, the path tab.
    void leave();
    // The empty-list note of the list and the previews.
    void showNoValueNote();
    // The selection label says what the whole scan found.
    void showFoundTotals();

    // The search's steps.
    void clearForSearch();
    void refillSearchTree();
    void showSearchHits(std::vector<IFileNode*> hits);
    // The search went: the current tree shows every file again and its root is chosen.
    void showWholeScan();

signals:
    // The selection label's text.
    void selectionTextChanged(const QString& text);
    // Whether the recover button takes a click (something is checked, the scan paused or ended).
    void recoverEnabled(bool enabled);
    // A check was made while the scan is paused or over: the recover button slides in.
    void recoverWanted();

private:
    // The views switch only while a deep scan is paused or once it has ended (as the scan's
    // state says).
    void updateSegmentEnabled();
    void buildTable();
    void showTreeModel(ResultOutlineView* outline, int tab);
    void refreshCurrentTree();
    void refashDetailPageData();
    void SelectRootItem();
    void ExpandeRootItem();
    int GetCellNodeState(uimodel::OpNodeData* item) const;
    void changeSelectAllButtonState();
    void showSelectFilesCountAndSize();
    void checkRefresh();
    void emptyTrees();
    ResultOutlineView* outlineFor(int tab) const;
    uimodel::TreeArray& arrayFor(int tab) { return m_arrays[static_cast<std::size_t>(tab)]; }

    const ScanFollower& m_scan;
    std::array<uimodel::TreeArray, kTabs> m_arrays;
    std::array<std::unique_ptr<ResultTreeModel>, kTabs> m_models;
    std::unique_ptr<FileListModel> m_list;
    uimodel::OpNodeData* m_selected = nullptr;
    QWidget* m_view = nullptr;
    TreeTabs* m_tabs = nullptr;
    CustomTableView* m_table = nullptr;
    thumbview::PreviewPanes* m_previews = nullptr;
    ListSorting* m_sorting = nullptr;
    QCheckBox* m_selectAll = nullptr;
    int m_tab = kPathTab;
    bool m_isCreateTimeTreeRebuild = true;
    bool m_isModifyTimeTreeRebuild = true;
};

}  // namespace app::results
