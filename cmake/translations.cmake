# The English catalogue: lrelease compiles translations/tintloom_en.ts into
# the window library's resources, under :/i18n. Japanese needs no catalogue:
# it is the language the texts are written in.
find_program(TINTLOOM_LRELEASE NAMES lrelease HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" /usr/lib/qt6/bin
             NO_CACHE REQUIRED)
find_program(TINTLOOM_LUPDATE NAMES lupdate HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" /usr/lib/qt6/bin
             NO_CACHE REQUIRED)
set(TINTLOOM_TS_FILE ${CMAKE_SOURCE_DIR}/translations/tintloom_en.ts)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/translations)
set(TINTLOOM_QM_FILE ${CMAKE_BINARY_DIR}/translations/tintloom_en.qm)
add_custom_command(OUTPUT ${TINTLOOM_QM_FILE}
  COMMAND ${TINTLOOM_LRELEASE} -silent ${TINTLOOM_TS_FILE} -qm ${TINTLOOM_QM_FILE}
  DEPENDS ${TINTLOOM_TS_FILE}
  COMMENT "Compiling the English catalogue")
qt_add_resources(tintloom_windows tintloom_translations PREFIX /i18n BASE ${CMAKE_BINARY_DIR}/translations
                 FILES ${TINTLOOM_QM_FILE})
