# Sources of the lists, tiles, check cells, pop-over and overlay scrollers in app/controls.
target_sources(app PRIVATE
)
