# The resource script of one Windows program: its icon, manifest and version.
function(veilwright_windows_resources target file_name description)
  set(VEILWRIGHT_FILE_NAME ${file_name})
  set(VEILWRIGHT_FILE_DESCRIPTION ${description})
  configure_file(${CMAKE_SOURCE_DIR}/data/veilwright.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
