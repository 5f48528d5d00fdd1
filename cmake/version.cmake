# The version is declared once, by project() in the top CMakeLists.txt. The
# program prints it (`--version`, `--help`), the package carries it, and the
# two hand-written records of releases must name it as their newest: the
# metainfo's first <release> (what software centres show) and the package
# changelog's first entry. Configuring stops when either lags behind, so a
# version bump cannot ship with a stale release record.

set_source_files_properties(core/base/program_version.cpp PROPERTIES
  COMPILE_DEFINITIONS "TINTLOOM_VERSION=\"${PROJECT_VERSION}\"")

set(TINTLOOM_METAINFO_FILE ${CMAKE_SOURCE_DIR}/desktop/org.tintloom.Tintloom.metainfo.xml)
set(TINTLOOM_CHANGELOG_FILE ${CMAKE_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TINTLOOM_METAINFO_FILE} ${TINTLOOM_CHANGELOG_FILE})

file(READ ${TINTLOOM_METAINFO_FILE} metainfo)
if(NOT metainfo MATCHES "<release version=\"([^\"]*)\" date=\"([0-9]+-[0-9]+-[0-9]+)\"")
  message(FATAL_ERROR "${TINTLOOM_METAINFO_FILE} lists no <release version=\"...\" date=\"YYYY-MM-DD\">; "
                      "add one for ${PROJECT_VERSION}")
endif()
# The manual page is dated by it.
set(TINTLOOM_RELEASE_DATE ${CMAKE_MATCH_2})
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "the newest <release> in ${TINTLOOM_METAINFO_FILE} is ${CMAKE_MATCH_1}, "
                      "but the project's version is ${PROJECT_VERSION}: add a <release> for it first in <releases>")
endif()

file(STRINGS ${TINTLOOM_CHANGELOG_FILE} changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^tintloom \\(([^)]*)\\)")
  message(FATAL_ERROR "${TINTLOOM_CHANGELOG_FILE} does not start with a 'tintloom (VERSION) ...' entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "the newest entry in ${TINTLOOM_CHANGELOG_FILE} is ${CMAKE_MATCH_1}, "
                      "but the project's version is ${PROJECT_VERSION}: add an entry for it at the top")
endif()
