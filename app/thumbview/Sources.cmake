# Sources of app/thumbview: the thumbnail grid, the cover flow, their loaders and cache, and the
# collection tile.
target_sources(app PRIVATE
  thumbview/BVView.cpp
  thumbview/CNGridView.cpp
  thumbview/CNGridViewItem.cpp
  thumbview/CoverFlowView.cpp
  thumbview/GridGeometry.cpp
  thumbview/InstallThumbnails.cpp
  thumbview/PreviewPanes.cpp
  thumbview/ThumbnailCache.cpp
  thumbview/ThumbnailLoader.cpp
)
