#include "app/results/ResultsSearch.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>

#include <utility>

#include "app/base/NotificationCenter.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/results/ResultsTexts.h"
#include "uimodel/facade/QNUIController.h"

namespace app::results {

using uimodel::QNUIController;

namespace {

const char kSearchPost[] = "DoSearchValue";
const char kSearchEnded[] = "DoSearchFinished";

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

ResultsSearch::ResultsSearch(QWidget* window, NewSearchTextFiled* field, Window hooks)
    : QObject(window), m_field(field), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("resultsSearch"));
    connect(m_field, &NewSearchTextFiled::searchRequested, this, [this](const QString&) { doSearch(); });
    connect(m_field, &NewSearchTextFiled::searchCleared, this, [this] { doSearch(); });
    auto* find = new QShortcut(QKeySequence::Find, window);
    connect(find, &QShortcut::activated, this, [this] {
        m_field->textField()->setFocus(Qt::ShortcutFocusReason);
        m_field->textField()->selectAll();
    });
    new EscapeClears(m_field->textField(), [this] { searchClearButtonClick(); });
}

void ResultsSearch::observe() {
    NotificationCenter& center = NotificationCenter::instance();
    stopObserving();
    center.addObserver(this, QLatin1String(kSearchPost), [this](const QVariantMap&) { SearchTreeView(); });
    center.addObserver(this, QLatin1String(kSearchEnded), [this](const QVariantMap&) { reloadTreeView(); });
}

void ResultsSearch::stopObserving() { NotificationCenter::instance().removeObserver(this); }

void ResultsSearch::doSearch() {
    const QString typed = m_field->textField()->text();
    if (IsBlankSearch(typed)) return;
    const QString text = GetSearchText(typed);
    if (text.isEmpty() && QNUIController::GetSearchString().empty()) return;
    // One at a time: text typed meanwhile is searched when this one's post comes.
    if (m_inFlight) return;
    // The model would refuse it: nothing is cleared for a search that cannot run.
    if (!m_hooks.canSearch()) return;
    m_hooks.clearForSearch();
    // Remembered here too: the result would otherwise search once more for the same text, and
    // that second refill would drop the checks made meanwhile.
    m_lastSearchStr = text;
    m_inFlight = QNUIController::DoSearchWithString(text.toStdString(), kSearchPost);
}

void ResultsSearch::emptyField() {
    m_lastSearchStr.clear();
    QSignalBlocker blocker(m_field);
    m_field->setTitleWithMnemonic();  // its clear button goes with the text
}

void ResultsSearch::forget() {
    emptyField();
    if (!m_inFlight) return;
    QNUIController::ForgetSearch();
    m_dropPost = true;
}

void ResultsSearch::clearSearch() {
    emptyField();
    const bool shown = m_inFlight || !QNUIController::GetSearchString().empty();
    if (!shown || !m_hooks.canSearch()) return;
    // The trees let go of the rows the model rebuilds.
    m_hooks.clearForSearch();
    QNUIController::ForgetSearch();
    m_dropPost = m_inFlight;
    m_hooks.showWholeScan();
    emit searchShown();
}

void ResultsSearch::searchClearButtonClick() {
    m_field->setTitleWithMnemonic();
    doSearch();
}

void ResultsSearch::SearchTreeView() {
    m_inFlight = false;
    if (std::exchange(m_dropPost, false)) {
        QNUIController::StopSearch();
        return;
    }
    m_hooks.refillTree();
    uimodel::FileNodeList hits;
    QNUIController::GetSearchResultToArr(hits);
    QNUIController::StopSearch();
    m_hooks.showHits(std::move(hits));
    emit searchShown();
    searchAgainIfChanged();
}

void ResultsSearch::reloadTreeView() {
    QNUIController::StopSearch();
    searchAgainIfChanged();
}

void ResultsSearch::searchAgainIfChanged() {
    // Text typed while the last search ran.
    const QString text = GetSearchText(m_field->textField()->text());
    if (IsBlankSearch(m_field->textField()->text()) || text == m_lastSearchStr) return;
    doSearch();
}

}  // namespace app::results
