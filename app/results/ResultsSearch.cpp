// The results window's name search: the field's text, normalised, goes to the model's search
// thread; its "DoSearchValue" refills the current tab's tree and puts the hits in the list.
// While a scan runs unpaused the model refuses searches, so the field is disabled then.
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

#include "app/controls/BandedListView.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/models/FileListModel.h"
#include "app/models/ResultTreeModel.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultViews.h"
#include "app/results/ResultsTexts.h"
#include "app/results/ScanBar.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

using uimodel::QNUIController;

namespace {

const char kSearchPost[] = "DoSearchValue";

// Esc in the field it watches runs `clear` (and goes no further).
class EscapeClears : public QObject {
public:
    EscapeClears(QObject* field, std::function<void()> clear) : QObject(field), m_clear(std::move(clear)) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
        m_clear();
        return true;
    }

private:
    std::function<void()> m_clear;
};

}  // namespace

void QNDeletailWindowController::connectRecoveryAndSearch() {
    connect(m_bar->recover(), &QAbstractButton::clicked, this, &QNDeletailWindowController::recovrtyButtonClick);
    connect(m_bar->recover(), &TCImageButton::refusedPress, this, &QNDeletailWindowController::explainRecoverRefused);
    connect(m_bar->search(), &NewSearchTextFiled::searchRequested, this, [this](const QString&) { doSearch(); });
    connect(m_bar->search(), &NewSearchTextFiled::searchCleared, this, [this] { doSearch(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_bar->search()->textField()->setFocus(Qt::ShortcutFocusReason);
        m_bar->search()->textField()->selectAll();
    });
    new EscapeClears(m_bar->search()->textField(), [this] { searchClearButtonClick(); });
}

void QNDeletailWindowController::doSearch() {
    const QString typed = m_bar->search()->textField()->text();
    if (IsBlankSearch(typed)) return;
    const QString text = GetSearchText(typed);
    if (text == QString::fromStdString(QNUIController::GetSearchString())) return;
    // The model would refuse it: nothing is cleared for a search that cannot run.
    if (scanRunsUnpaused()) return;
    m_isCreateTimeTreeRebuild = m_isModifyTimeTreeRebuild = true;
    emit searchRowsAboutToChange();
    emptyTrees();
    QNUIController::UnselectedAllNodes();
    m_table->changeNoValue(true);
    // Remembered here too: the result would otherwise search once more for the same text, and
    // that second refill would drop the checks made meanwhile.
    m_lastSearchStr = text;
    QNUIController::DoSearchWithString(text.toStdString(), kSearchPost);
}

void QNDeletailWindowController::searchClearButtonClick() {
    m_bar->search()->textField()->clear();
    doSearch();
}

void QNDeletailWindowController::SearchTreeView() {
    treeModel(m_tab)->clearArray();
    QNUIController::SetViewType(m_tab);
    QNUIController::GetScanTreeNodeData(&arrayFor(m_tab), true, treeModel(m_tab));
    uimodel::FileNodeList hits;
    QNUIController::GetSearchResultToArr(hits);
    QNUIController::StopSearch();
    ExpandeRootItem();
    emit searchRowsAboutToChange();
    m_selected = nullptr;
    reLoadTableVolumnIndicatorImage();
    m_list->setFiles(std::move(hits));
    m_table->setRowNum(-1);
    emit searchRowsChanged();
    changeSelectAllButtonState();
    showSelectFilesCountAndSize();
    showNoValueNote();
    searchAgainIfChanged();
}

void QNDeletailWindowController::reloadTreeView() {
    QNUIController::StopSearch();
    searchAgainIfChanged();
}

void QNDeletailWindowController::searchAgainIfChanged() {
    // Text typed while the last search ran.
    const QString text = GetSearchText(m_bar->search()->textField()->text());
    if (IsBlankSearch(m_bar->search()->textField()->text()) || text == m_lastSearchStr) return;
    doSearch();
}

}  // namespace app::results
