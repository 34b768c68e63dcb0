# Sources of app/hook: the test hook's scan, its previews and its actions in the results window.
target_sources(app PRIVATE
  hook/HookActions.cpp
  hook/HookPreview.cpp
  hook/ScanHook.cpp
)
