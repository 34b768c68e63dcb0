// The results window's keyboard order: Tab walks the controls as the window lays them out, the
// bar left to right, then the left pane top to bottom, then the right pane top to bottom.
#include <QCheckBox>
#include <QLineEdit>

#include "app/controls/BandedListView.h"
#include "app/controls/NewSearchTextFiled.h"
#include "app/controls/TCImageButton.h"
#include "app/controls/TabButton.h"
#include "app/results/QNDeletailWindowController.h"
#include "app/results/ResultViews.h"
#include "app/results/ScanBar.h"
#include "app/results/TreeTabs.h"
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"

namespace app::results {

void QNDeletailWindowController::orderTabStops() {
    std::vector<QWidget*> stops = {m_bar->home(),
                                   m_bar->deepScan(),
                                   m_bar->pause(),
                                   m_bar->play(),
                                   m_bar->stop(),
                                   m_bar->recover(),
                                   m_bar->search()->textField(),
                                   m_bar->exportButton()};
    for (int index = 0; index < 5; ++index) stops.push_back(m_tabs->tabButton(index));
    stops.push_back(m_tabs->outline(kPathTab));
    stops.push_back(m_tabs->outline(kCreatedTab));
    for (int segment = thumbview::PreviewPanes::kList; segment <= thumbview::PreviewPanes::kGrid; ++segment)
        stops.push_back(m_previews->segmentButton(segment));
    for (QWidget* stop :
         {static_cast<QWidget*>(m_selectAll), static_cast<QWidget*>(m_table),
          static_cast<QWidget*>(m_previews->coverFlowerTableView()), static_cast<QWidget*>(m_previews->coverFlowView()),
          static_cast<QWidget*>(m_previews->gridView())})
        stops.push_back(stop);
    QWidget* previous = nullptr;
    for (QWidget* stop : stops) {
        if (!stop) continue;  // made later (the export button at the scan's end)
        if (previous) setTabOrder(previous, stop);
        previous = stop;
    }
}

}  // namespace app::results
