# Sources of app/results: the results window, its commands and the results file's progress window.
target_sources(app PRIVATE
  results/QNDeletailWindowController.cpp
  results/QNProgressWindow.cpp
  results/ResultViews.cpp
  results/ResultsCommands.cpp
  results/ResultsExport.cpp
  results/ResultsRecovery.cpp
  results/ResultsSearch.cpp
  results/ResultsTexts.cpp
  results/ResultsSegments.cpp
  results/ScanBarLayout.cpp
)
