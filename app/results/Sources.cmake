# Sources of app/results: the results window, its commands and the results file's progress window.
target_sources(app PRIVATE
  results/QNDeletailWindowController.cpp
  results/QNProgressWindow.cpp
  results/ResultViews.cpp
  results/ResultsExport.cpp
  results/ResultsRecovery.cpp
  results/ResultsSearch.cpp
  results/ResultsTexts.cpp
  results/ScanBar.cpp
  results/DeepScanOffer.cpp
  results/ListSorting.cpp
  results/TreeTabs.cpp
  results/ScanBarLayout.cpp
  results/ScanFollower.cpp
  results/FilePane.cpp
  results/ScanControls.cpp
)
