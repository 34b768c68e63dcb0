# Sources of the lists, tiles, check cells, pop-over and overlay scrollers in app/controls.
target_sources(app PRIVATE
  controls/AttachedGeometry.cpp
  controls/BandedListView.cpp
  controls/CustemSplitView.cpp
  controls/CustomHeaderCell.cpp
  controls/DisplayName.cpp
  controls/ImageAndTextCell.cpp
  controls/CheckBoxImage.cpp
  controls/MAAttachedWindow.cpp
  controls/NewButton.cpp
  controls/QNDeepScanViewController.cpp
  controls/RFOverlayScroller.cpp
  controls/TabButton.cpp
  controls/TypeButton.cpp
)
