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
#include "app/thumbview/CNGridView.h"
#include "app/thumbview/CoverFlowView.h"
#include "app/thumbview/PreviewPanes.h"

namespace app::results {

void QNDeletailWindowController::orderTabStops() {
  std::vector<QWidget*> stops = {m_home, m_deepScan, m_pause, m_play, m_stopButton, m_recover, m_search->textField(),
                                 m_exportButton, m_tabButtons[0], m_tabButtons[1], m_tabButtons[2], m_tabButtons[3],
                                 m_tabButtons[4], m_outline, m_timeOutline};
  for (int segment = thumbview::PreviewPanes::kList; segment <= thumbview::PreviewPanes::kGrid; ++segment)
    stops.push_back(m_previews->segmentButton(segment));
  for (QWidget* stop : {static_cast<QWidget*>(m_selectAll), static_cast<QWidget*>(m_table),
                        static_cast<QWidget*>(m_previews->coverFlowerTableView()),
                        static_cast<QWidget*>(m_previews->coverFlowView()), static_cast<QWidget*>(m_previews->gridView())})
    stops.push_back(stop);
  QWidget* previous = nullptr;
  for (QWidget* stop : stops) {
    if (!stop) continue;  // made later (the export button at the scan's end)
    if (previous) setTabOrder(previous, stop);
    previous = stop;
  }
}

}  // namespace app::results
