# What `cmake --install` puts where a Linux desktop looks for it, and the
# Debian package that `cpack` makes of it.
include(GNUInstallDirs)

set(ZEPHYN_APP_ID example.zephyn.Zephyn)
set(ZEPHYN_DIST ${PROJECT_SOURCE_DIR}/dist/linux)

install(TARGETS zephyn zephyn-module RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZEPHYN_DIST}/${ZEPHYN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${ZEPHYN_DIST}/${ZEPHYN_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/dist/${ZEPHYN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/dist/${ZEPHYN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(size 16 24 32 48 64 128 256)
  install(FILES ${ZEPHYN_DIST}/icons/zephyn-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ZEPHYN_APP_ID}.png)
endforeach()
install(FILES ${ZEPHYN_DIST}/icons/zephyn.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${ZEPHYN_APP_ID}.svg)

# The manual pages, compressed as Debian keeps them.
set(ZEPHYN_MANUALS zephyn zephyn-module)
set(ZEPHYN_MANUAL_FILES)
foreach(page ${ZEPHYN_MANUALS})
  configure_file(${ZEPHYN_DIST}/${page}.1.in ${PROJECT_BINARY_DIR}/dist/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/dist/${page}.1.gz
    COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/dist/${page}.1 > ${PROJECT_BINARY_DIR}/dist/${page}.1.gz
    DEPENDS ${PROJECT_BINARY_DIR}/dist/${page}.1
    VERBATIM)
  list(APPEND ZEPHYN_MANUAL_FILES ${PROJECT_BINARY_DIR}/dist/${page}.1.gz)
endforeach()
add_custom_target(zephyn_manual ALL DEPENDS ${ZEPHYN_MANUAL_FILES})
# Building the program alone (as scripts/run.sh does) makes the manuals and
# the module program too, so that an install after it finds every file it
# installs.
add_dependencies(zephyn zephyn_manual zephyn-module)
install(FILES ${ZEPHYN_MANUAL_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zephyn)
set(CPACK_PACKAGE_VENDOR "Zephyn Serial Lab")
set(CPACK_PACKAGE_CONTACT "Zephyn Serial Lab <support@zephyn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial-port terminal for Bluetooth serial modules")
set(CPACK_PACKAGE_DESCRIPTION
    "Zephyn shows what a serial device sends, as text or hexadecimal bytes, with
counters, CRC-32 and speeds, and sends typed text, timed repeats, files and
lists of AT instructions. A side panel reads and changes a Bluetooth module's
settings with AT commands and keeps 120 stored strings. zephyn-module plays
such a module on a pseudo-terminal, to try the terminal without one.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zephyn)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zephyn.example/")
# The Qt libraries and the C++ runtime come from the program's own links;
# the window needs besides them the platform plugins (the X11 one among
# them), the two faces its dialog layout is measured in, and the toolkit's
# translations (its own menu entries in a Chinese window).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-dejavu-core, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
