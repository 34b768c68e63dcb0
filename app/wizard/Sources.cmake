# Sources of app/wizard: the root window and its pages.
target_sources(app PRIVATE
  wizard/ChoiceCount.cpp
  wizard/TypeSelection.cpp
)
