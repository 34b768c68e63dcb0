# Sources of app/shell.
target_sources(app PRIVATE
  shell/ModelSeams.cpp
)
