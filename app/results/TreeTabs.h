#pragma once
// The results window's left pane: the path, type and time tabs (the time tab's created and
// modified sub-tabs below them once it is chosen) over the two trees, one for the path and type
// tabs, one for the time tabs. It owns their looks; the window gives them their models and
// answers a chosen tab and a row's check cell.
#include <QWidget>

#include <array>

class QStackedWidget;

namespace uimodel {
class OpNodeData;
}

namespace app {
class TabButton;
}

namespace app::results {

class ResultOutlineView;

// The trees the window shows, by tab: 0-3 the path, type, created-time and modified-time trees.
enum ResultTab { kPathTab = 0, kTypeTab, kCreatedTab, kModifiedTab, kTabs };

class TreeTabs : public QWidget {
    Q_OBJECT

public:
    explicit TreeTabs(QWidget* parent = nullptr);

    // The outline that shows `tab`'s tree.
    ResultOutlineView* outline(int tab) const;
    // 0-2 the path, type and time tabs; 3 and 4 the created and modified sub-tabs.
    TabButton* tabButton(int index) const { return m_buttons.at(static_cast<std::size_t>(index)); }
    // The tabs look as `tab` chosen: its title on the tab backdrop, the sub-tabs shown for time.
    void showLooks(int tab);
    // The outline of `tab` in front.
    void showTree(int tab);

signals:
    void tabChosen(int tab);
    void rowCheckClicked(uimodel::OpNodeData* item);

private:
    std::array<TabButton*, 5> m_buttons{};  // path, type, time; created, modified sub-tabs
    QWidget* m_subTabs = nullptr;
    QStackedWidget* m_trees = nullptr;
    ResultOutlineView* m_outline = nullptr;
    ResultOutlineView* m_timeOutline = nullptr;
};

}  // namespace app::results
