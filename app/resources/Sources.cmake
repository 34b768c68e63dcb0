# Sources of app/resources.
target_sources(app PRIVATE
)
