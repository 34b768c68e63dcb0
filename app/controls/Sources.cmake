# Sources of app/controls.
target_sources(app PRIVATE
)
