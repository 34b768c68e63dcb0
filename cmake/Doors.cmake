# quorin_export_folder(<target> <folder>): makes "<folder>/..." includable by the target and
# everything that links it, and nothing else of the repository. The target's public include
# path is a build-tree folder holding one link, <folder> -> the source folder, so exporting
# uimodel/ does not also export engine/ beside it.
function(quorin_export_folder target folder)
  set(door ${PROJECT_BINARY_DIR}/doors/${target})
  get_filename_component(parent ${door}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${door}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${door})
endfunction()
