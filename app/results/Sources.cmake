# Sources of app/results: the results window, its item models and commands.
target_sources(app PRIVATE
  results/FileListModel.cpp
  results/QNDeletailWindowController.cpp
  results/ResultTreeModel.cpp
  results/ResultViews.cpp
  results/ResultsCommands.cpp
  results/ResultsExport.cpp
  results/ResultsKeyboard.cpp
  results/ResultsRecovery.cpp
  results/ResultsSearch.cpp
  results/ResultsTexts.cpp
  results/ResultsSegments.cpp
  results/ScanBarLayout.cpp
)
