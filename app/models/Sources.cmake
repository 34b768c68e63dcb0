# Sources of app/models: the results window's item models (a tab's tree rows, a row's files).
target_sources(app PRIVATE
  models/FileListModel.cpp
  models/FileOutlook.cpp
  models/ResultTreeModel.cpp
)
