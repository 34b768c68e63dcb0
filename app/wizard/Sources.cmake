# Sources of app/wizard: the root window and its pages.
target_sources(app PRIVATE
  wizard/ChoiceCount.cpp
  wizard/QNRootWindowController.cpp
  wizard/QNSelectDiskViewController.cpp
  wizard/QNSelectTypeViewController.cpp
  wizard/TypeSelection.cpp
)
