# Only the window layer (ui/, its tests in tests/ui/ and its benchmarks in
# bench/ui/) may use Qt. Everything else -- the core library, the data-file
# tools, the core tests, the other benchmarks and the fuzz targets -- runs
# without a display. Fail the configure step if any source
# outside those folders includes a Qt header, or if the core target links Qt.
function(tintloom_check_core_has_no_qt target)
  file(GLOB_RECURSE all_sources RELATIVE ${CMAKE_SOURCE_DIR}
    ${CMAKE_SOURCE_DIR}/core/*.h ${CMAKE_SOURCE_DIR}/core/*.cpp
    ${CMAKE_SOURCE_DIR}/tools/*.h ${CMAKE_SOURCE_DIR}/tools/*.cpp
    ${CMAKE_SOURCE_DIR}/tests/*.h ${CMAKE_SOURCE_DIR}/tests/*.cpp
    ${CMAKE_SOURCE_DIR}/bench/*.h ${CMAKE_SOURCE_DIR}/bench/*.cpp
    ${CMAKE_SOURCE_DIR}/fuzz/*.h ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(src IN LISTS all_sources)
    if(src MATCHES "^(tests|bench)/ui/")
      continue()
    endif()
    file(STRINGS ${CMAKE_SOURCE_DIR}/${src} qt_lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q[A-Za-z]")
    if(qt_lines)
      message(FATAL_ERROR "${src} is outside ui/ but includes Qt: ${qt_lines}")
    endif()
    file(STRINGS ${CMAKE_SOURCE_DIR}/${src} ui_lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"ui/")
    if(ui_lines)
      message(FATAL_ERROR "${src} is outside ui/ but includes a window header: ${ui_lines}")
    endif()
  endforeach()
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(libs AND libs MATCHES "Qt")
    message(FATAL_ERROR "${target} must not link Qt (links ${libs})")
  endif()
endfunction()
