# Sources of app/resources: the glyphs of the image set, one SVG per family (our own art).
target_sources(app PRIVATE
  resources/quorin_images.qrc
)
