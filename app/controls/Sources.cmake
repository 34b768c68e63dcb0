# Sources of app/controls.
target_sources(app PRIVATE
  controls/BarTitle.cpp
  controls/ElidedLabel.cpp
  controls/FocusHalo.cpp
  controls/FocusRing.cpp
  controls/ImageLibrary.cpp
  controls/NewSearchTextFiled.cpp
  controls/PlainText.cpp
  controls/PressOnReturn.cpp
  controls/QNHandButton.cpp
  controls/QNProgressView.cpp
  controls/Sheet.cpp
  controls/TCImageButton.cpp
  controls/TCImageWindow.cpp
  controls/TCWindowButton.cpp
  controls/THSearchField.cpp
  controls/Theme.cpp
  controls/TitleBarLayout.cpp
  controls/WindowSettings.cpp
  controls/ZoomWindow.cpp
)
