# Installing Kaskad and building its Debian package.
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB
include(GNUInstallDirs)

if(TARGET kaskad)
  install(TARGETS kaskad RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/kaskad.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/kaskad.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
if(TARGET kaskad-cli)
  install(TARGETS kaskad-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Loaded by kaskad-cli for --plot, found relative to the program.
  install(TARGETS kaskad_plot_module LIBRARY DESTINATION ${KASKAD_PLOT_MODULE_INSTALL_DIR})
endif()

set(CPACK_PACKAGE_NAME kaskad)
set(CPACK_PACKAGE_VENDOR "Kaskad")
set(CPACK_PACKAGE_CONTACT "Kaskad developers <kaskad@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Calculator for series of liquid-phase oxidation reactors")
set(CPACK_PACKAGE_DESCRIPTION
    "Computes, reactor by reactor, a series of bubble-column or gas-lift p-xylene oxidation reactors: a Qt desktop program (kaskad) and a command line (kaskad-cli).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries the programs and the plot module link (Qt 6 Widgets,
# Gui, Core, Charts, Svg, libstdc++) come from dpkg-shlibdeps; the X11 and
# offscreen platform plugins live in libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), fonts-liberation2 | fonts-dejavu-core")
include(CPack)
