# The core as one static library per level, each linking only the level just
# below it (and so, through it, every lower one): a call from a lower level
# into a higher one does not link. Before anything compiles, every build
# checks that no core source includes a header of a higher level
# (cmake/check_levels.cmake); configuring checks it too.
#
# tintloom_core stands for the whole core: tools, tests, fuzz targets and
# benchmarks link it.

string(REPLACE ";" "," tintloom_levels_arg "${TINTLOOM_CORE_LEVELS}")
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DLEVELS=${tintloom_levels_arg}
                        -P ${CMAKE_SOURCE_DIR}/cmake/check_levels.cmake
                RESULT_VARIABLE tintloom_levels_rc)
if(NOT tintloom_levels_rc EQUAL 0)
  message(FATAL_ERROR "core levels are included the wrong way (see above)")
endif()
add_custom_target(tintloom_level_check
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DLEVELS=${tintloom_levels_arg}
          -P ${CMAKE_SOURCE_DIR}/cmake/check_levels.cmake
  COMMENT "Checking that core levels include only downward" VERBATIM)

set(TINTLOOM_CORE_LIBRARIES)
set(below "")
foreach(level IN LISTS TINTLOOM_CORE_LEVELS)
  string(TOUPPER ${level} upper)
  add_library(tintloom_${level} STATIC ${TINTLOOM_${upper}_SOURCES})
  target_include_directories(tintloom_${level} PUBLIC ${CMAKE_SOURCE_DIR})
  add_dependencies(tintloom_${level} tintloom_level_check)
  if(below)
    target_link_libraries(tintloom_${level} PUBLIC ${below})
  endif()
  list(APPEND TINTLOOM_CORE_LIBRARIES tintloom_${level})
  set(below tintloom_${level})
endforeach()

add_library(tintloom_core INTERFACE)
target_link_libraries(tintloom_core INTERFACE ${below})
