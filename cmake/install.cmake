# `cmake --install build --prefix P` lays out an installed copy:
#   P/bin/tintloom                     the program
#   P/share/tintloom/                  the data files it reads at start-up
#   P/share/applications/             the launcher entry
#   P/share/icons/hicolor/            the icon, scalable and at the usual sizes
#   P/share/metainfo/                 the software-centre description
#   P/share/mime/packages/            the palette document's file type
# The program finds its data files in ../share/tintloom/ relative to itself.
include(GNUInstallDirs)

set(TINTLOOM_APP_ID org.tintloom.Tintloom)
set(TINTLOOM_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/desktop)

install(TARGETS tintloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TINTLOOM_TONE_DATA} ${TINTLOOM_BLEND_TABLE} ${TINTLOOM_SKIN}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tintloom)
install(FILES ${TINTLOOM_DESKTOP_DIR}/${TINTLOOM_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
