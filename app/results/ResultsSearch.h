#pragma once
// The results window's name search, a part with its own state: the field's text, normalised,
// goes to the model's search thread; its "DoSearchValue" post brings the hits, which the window
// shows in its current tab's tree and its list. While a scan runs unpaused the model refuses
// searches, so none starts then, and a search shown while it waits goes before it runs again.
// Ctrl+F goes to the field, Escape in it clears the search.
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class IFileNode;

namespace app {
class NewSearchTextFiled;
}

namespace app::results {

class ResultsSearch : public QObject {
    Q_OBJECT

public:
    // What the search asks of the window.
    struct Window {
        std::function<bool()> canSearch;                        // false while the model would refuse a search
        std::function<void()> clearForSearch;                   // the trees and the list emptied before a search runs
        std::function<void()> refillTree;                       // the current tab's tree rebuilt from the hits
        std::function<void(std::vector<IFileNode*>)> showHits;  // the hits in the list
        std::function<void()> showWholeScan;  // the current tab's tree rebuilt from every file, its root chosen
    };

    // `window` holds the Find shortcut; `field` is the bar's search field.
    ResultsSearch(QWidget* window, NewSearchTextFiled* field, Window hooks);

    // Follows the model's search posts, or no longer.
    void observe();
    void stopObserving();

    // Searches for the field's text unless it is blank or refused; the same text again runs
    // again, an empty field with nothing searched runs nothing.
    void doSearch();
    void searchClearButtonClick();
    // The search goes while the scan waits: the field is emptied, the model forgets what it
    // searched, and what the trees showed under it gives way to the whole scan.
    void clearSearch();
    // A new scan starts: the field is emptied without a search (the new scan starts unfiltered),
    // and a search still running ends before the new scan frees the nodes it reads.
    void forget();

signals:
    // A search's hits show, or the whole scan again after a search went.
    void searchShown();

private:
    void SearchTreeView();
    void reloadTreeView();
    void searchAgainIfChanged();
    // The field emptied without a search.
    void emptyField();

    NewSearchTextFiled* m_field;
    Window m_hooks;
    QString m_lastSearchStr;
    bool m_inFlight = false;  // a search was started and its post has not come yet
    bool m_dropPost = false;  // that search was forgotten: its post shows nothing
};

}  // namespace app::results
