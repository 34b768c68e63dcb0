#include "app/results/TreeTabs.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/base/Strings.h"
#include "app/controls/BandedListView.h"
#include "app/controls/NewButton.h"
#include "app/controls/TabButton.h"
#include "app/results/ResultViews.h"

namespace app::results {

namespace {

constexpr int kLeftMin = 224;
constexpr int kLeftMax = 400;

TabButton* MakeTab(const char* objectName, const char* titleKey, QWidget* parent) {
    auto* tab = new TabButton(Text(QLatin1String(titleKey)), parent);
    tab->setObjectName(QLatin1String(objectName));
    return tab;
}

}  // namespace

TreeTabs::TreeTabs(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("treeTabs"));
    setMinimumWidth(kLeftMin);
    setMaximumWidth(kLeftMax);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* tabs = new QHBoxLayout;
    tabs->setSpacing(0);
    m_buttons[0] = MakeTab("pathTab", "PAGE_FOUR_SELECT_TYPE_BUTTON_PATH", this);
    m_buttons[1] = MakeTab("typeTab", "PAGE_FOUR_SELECT_TYPE_BUTTON_TYPE", this);
    m_buttons[2] = MakeTab("timeTab", "PAGE_FOUR_SELECT_TYPE_BUTTON_TIME", this);
    for (int i = 0; i < 3; ++i) tabs->addWidget(m_buttons[static_cast<std::size_t>(i)]);
    layout->addLayout(tabs);
    m_subTabs = new QWidget(this);
    auto* subTabs = new QHBoxLayout(m_subTabs);
    subTabs->setContentsMargins(0, 0, 0, 0);
    subTabs->setSpacing(0);
    m_buttons[3] = MakeTab("createdTab", "PAGE_FOUR_SELECT_TYPE_BUTTON_CREATTIME", m_subTabs);
    m_buttons[4] = MakeTab("modifiedTab", "PAGE_FOUR_SELECT_TYPE_BUTTON_MODIFYTIME", m_subTabs);
    subTabs->addWidget(m_buttons[3]);
    subTabs->addWidget(m_buttons[4]);
    layout->addWidget(m_subTabs);
    m_subTabs->hide();
    // The time tab opens its created sub-tab.
    constexpr std::array<int, 5> kTabOfButton = {kPathTab, kTypeTab, kCreatedTab, kCreatedTab, kModifiedTab};
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        connect(m_buttons[i], &QPushButton::clicked, this, [this, tab = kTabOfButton[i]] { emit tabChosen(tab); });

    m_trees = new QStackedWidget(this);
    m_outline = new ResultOutlineView;
    m_outline->setObjectName(QStringLiteral("pathTree"));
    m_timeOutline = new ResultOutlineView;
    m_timeOutline->setObjectName(QStringLiteral("timeTree"));
    for (ResultOutlineView* outline : {m_outline, m_timeOutline}) {
        outline->setHeaderHidden(true);
        outline->setUniformRowHeights(true);
        auto* cell = new NewButton(outline);
        outline->setItemDelegate(cell);
        connect(cell, &NewButton::clickButtonAction, this, [this](const QModelIndex& index) {
            emit rowCheckClicked(static_cast<uimodel::OpNodeData*>(index.internalPointer()));
        });
        connect(outline, &BandedListView::checkRequested, cell, &NewButton::requestCheck);
        m_trees->addWidget(outline);
    }
    layout->addWidget(m_trees, 1);
}

ResultOutlineView* TreeTabs::outline(int tab) const { return tab <= kTypeTab ? m_outline : m_timeOutline; }

void TreeTabs::showLooks(int tab) {
    const int top = tab >= kCreatedTab ? 2 : tab;
    const QColor title(174, 184, 222);  // the tabs' titles
    for (int i = 0; i < 3; ++i) {
        TabButton* b = m_buttons[static_cast<std::size_t>(i)];
        b->setChecked(i == top);
        b->setImageName(i == top ? QStringLiteral("bg_tab") : QString());
        b->setTitleColor(title);
    }
    for (int i = 3; i < 5; ++i) {
        const bool chosen = (i == 3 && tab == kCreatedTab) || (i == 4 && tab == kModifiedTab);
        TabButton* b = m_buttons[static_cast<std::size_t>(i)];
        b->setChecked(chosen);
        b->setImageName(chosen ? QString() : QStringLiteral("text_bg"));
        b->setTitleColor(chosen ? QColor(Qt::white) : title);
    }
    m_subTabs->setVisible(tab >= kCreatedTab);
}

void TreeTabs::showTree(int tab) { m_trees->setCurrentWidget(outline(tab)); }

}  // namespace app::results
