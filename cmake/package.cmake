# The Debian package: `cpack -G DEB` in a release build makes
# tintloom_VERSION_ARCH.deb with everything `cmake --install` lays out,
# under /usr, plus what a Debian package documents itself with:
#   /usr/share/man/man1/tintloom.1.gz          the manual page
#   /usr/share/doc/tintloom/copyright          the licence terms
#   /usr/share/doc/tintloom/changelog.gz       the releases
# The manual page is installed by `cmake --install` too, so a copy under any
# prefix has it; the two documents travel along as well.

set(TINTLOOM_PACKAGE_MAINTAINER "Tintloom maintainers <maintainers@tintloom.invalid>"
    CACHE STRING "Name and address in the package's Maintainer field and changelog")

# The manual page and the changelog carry the version and are compressed as
# Debian keeps them (gzip -9, without the file name and time, so the same
# sources give the same bytes).
set(package_dir ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/docs/tintloom.1.in ${package_dir}/tintloom.1 @ONLY)
configure_file(${TINTLOOM_CHANGELOG_FILE} ${package_dir}/changelog @ONLY)
find_program(TINTLOOM_GZIP gzip REQUIRED)
foreach(doc tintloom.1 changelog)
  add_custom_command(OUTPUT ${package_dir}/${doc}.gz
    COMMAND ${TINTLOOM_GZIP} -9nfk ${doc}
    DEPENDS ${package_dir}/${doc}
    WORKING_DIRECTORY ${package_dir}
    COMMENT "Compressing ${doc}")
endforeach()
add_custom_target(tintloom_package_docs ALL DEPENDS ${package_dir}/tintloom.1.gz ${package_dir}/changelog.gz)

install(FILES ${package_dir}/tintloom.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${package_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tintloom)

# The program's relocations read-only once it has started (relro with
# immediate binding), as Debian builds its programs; only the link changes.
target_link_options(tintloom PRIVATE LINKER:-z,relro,-z,now)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TINTLOOM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "colour coordination tool for illustrators")
set(CPACK_PACKAGE_DESCRIPTION
"Tintloom builds a palette of ten colours, each with four shades (highlight,
base, shadow and deep shadow), from a harmony rule on a hue wheel, tone
presets and a light balance, and shows it at once on a layered PSD
illustration, recoloured layer by layer.

Palettes are saved as Tintloom palette and work documents and exported as
Photoshop swatches and gradients, Adobe Swatch Exchange, a Painter colour
set, a GIMP palette and a bitmap. Palettes of other programs come in as
swatches. The recoloured artwork is written as PNG, also from the command
line without a display.")
# Installed with the prefix the package's files have, and the launcher entry
# written with that prefix (DESTDIR set to the staging folder), not with the
# staging folder's path.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the program links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interface is Japanese unless the user switches it: without a font
# with Japanese glyphs every menu and window is boxes, so one is required.
# Qt's Japanese catalogue only turns Qt's own dialogs and buttons (file
# dialogs, Yes/No) into Japanese, and qt6-wayland is only needed in a
# Wayland session without XWayland, and Qt's extra image readers only add
# WebP to the pictures colours are taken from: all recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland, qt6-image-formats-plugins")
include(CPack)
