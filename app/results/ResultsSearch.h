#pragma once
// The results window's name search, a part with its own state: the field's text, normalised,
// goes to the model's search thread; its "DoSearchValue" post brings the hits, which the window
// shows in its current tab's tree and its list. While a scan runs unpaused the model refuses
// searches, so none starts then. Ctrl+F goes to the field, Escape in it clears the search.
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
    };

    // `window` holds the Find shortcut; `field` is the bar's search field.
    ResultsSearch(QWidget* window, NewSearchTextFiled* field, Window hooks);

    // Follows the model's search posts, or no longer.
    void observe();
    void stopObserving();

    // Searches for the field's text unless it is blank, already searched or refused.
    void doSearch();
    void searchClearButtonClick();
    // A new scan starts: the field is emptied without a search (the model forgot the last one).
    void forget();

private:
    void SearchTreeView();
    void reloadTreeView();
    void searchAgainIfChanged();

    NewSearchTextFiled* m_field;
    Window m_hooks;
    QString m_lastSearchStr;
};

}  // namespace app::results
