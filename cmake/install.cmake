# `cmake --install build --prefix P` lays out an installed copy:
#   P/bin/tintloom                     the program
#   P/share/tintloom/                  the data files it reads at start-up
#   P/share/applications/             the launcher entry
#   P/share/icons/hicolor/            the icon, scalable and at the usual sizes
#   P/share/metainfo/                 the software-centre description
#   P/share/mime/packages/            the palette and work documents' file types
# The program finds its data files in ../share/tintloom/ relative to itself.
include(GNUInstallDirs)

set(TINTLOOM_APP_ID org.tintloom.Tintloom)
set(TINTLOOM_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/desktop)

install(TARGETS tintloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TINTLOOM_TONE_DATA} ${TINTLOOM_BLEND_TABLE} ${TINTLOOM_SKIN}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tintloom)
# The launcher starts the program by its full installed path, so it works
# whether or not PREFIX/bin is on the user's PATH. The prefix is only known
# at install time (`--prefix`), so the entry is written then.
install(CODE "
  set(program \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tintloom\")
  set(entry \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/${TINTLOOM_APP_ID}.desktop\")
  file(READ \"${TINTLOOM_DESKTOP_DIR}/${TINTLOOM_APP_ID}.desktop.in\" text)
  # Exec takes the path quoted when it has a space (TryExec never does).
  set(exec \"\${program}\")
  if(exec MATCHES \"[ \\t\\\"`$\\\\]\")
    string(REGEX REPLACE \"([\\\"`$\\\\])\" \"\\\\\\\\\\\\1\" exec \"\${exec}\")
    set(exec \"\\\"\${exec}\\\"\")
  endif()
  string(REPLACE \"@TINTLOOM_EXEC@\" \"\${exec}\" text \"\${text}\")
  string(REPLACE \"@TINTLOOM_PROGRAM@\" \"\${program}\" text \"\${text}\")
  message(STATUS \"Installing: \${entry}\")
  file(WRITE \"\${entry}\" \"\${text}\")
")
install(FILES ${TINTLOOM_DESKTOP_DIR}/${TINTLOOM_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TINTLOOM_DESKTOP_DIR}/${TINTLOOM_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${TINTLOOM_APP_ID}.xml)
install(FILES ${TINTLOOM_DESKTOP_DIR}/icons/${TINTLOOM_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${TINTLOOM_DESKTOP_DIR}/icons/${size}x${size}/${TINTLOOM_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
