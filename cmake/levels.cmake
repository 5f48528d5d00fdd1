# The core as one static library per level, each linking only the level just
# below it (and so, through it, every lower one): a call from a lower level
# into a higher one does not link. Before anything compiles, every build
# checks that no core source includes a header of a higher level
# (cmake/check_levels.cmake); configuring checks it too; and each level is
# linked whole on its own (tintloom_<level>_links_alone).
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

# Every object of a level linked whole, with only the levels below it: a
# call upward from any of its files is an undefined symbol here, even where
# the program's own link would find it in an object pulled in for another
# reason.
foreach(level IN LISTS TINTLOOM_CORE_LEVELS)
  add_executable(tintloom_${level}_links_alone cmake/level_alone.cpp)
  target_link_libraries(tintloom_${level}_links_alone PRIVATE
    "$<LINK_LIBRARY:WHOLE_ARCHIVE,tintloom_${level}>")
endforeach()

add_library(tintloom_core INTERFACE)
target_link_libraries(tintloom_core INTERFACE ${below})
