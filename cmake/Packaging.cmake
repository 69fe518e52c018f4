# Installing Kaskad and building its Debian package.
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB
include(GNUInstallDirs)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
include(cmake/ManPages.cmake)

set(KASKAD_PACKAGE_MAINTAINER "Kaskad Maintainers <maintainers@kaskad.example.org>")
set(KASKAD_DEB_RELEASE 1)
set(KASKAD_RELEASE_DATE 2026-12-07)
set(KASKAD_APPSTREAM_ID org.example.kaskad)
set(KASKAD_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(KASKAD_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kaskad)

if(TARGET kaskad)
  install(TARGETS kaskad RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KASKAD_PACKAGING_DIR}/kaskad.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KASKAD_PACKAGING_DIR}/kaskad.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  set(KASKAD_METAINFO_FILE ${CMAKE_BINARY_DIR}/packaging/${KASKAD_APPSTREAM_ID}.metainfo.xml)
  configure_file(${KASKAD_PACKAGING_DIR}/kaskad.metainfo.xml.in ${KASKAD_METAINFO_FILE} @ONLY)
  install(FILES ${KASKAD_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # Loaded by the desktop program on its first uncertainty study: OpenTURNS with it.
  install(TARGETS kaskad_uncertainty_study_module LIBRARY DESTINATION ${KASKAD_MODULE_INSTALL_DIR})
endif()
install(TARGETS kaskad-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Loaded by kaskad-cli for --plot, found relative to the program.
install(TARGETS kaskad_plot_module LIBRARY DESTINATION ${KASKAD_MODULE_INSTALL_DIR})
# Loaded by kaskad-cli for its uncertainty command alone: OpenTURNS with it.
install(TARGETS kaskad_uncertainty_module LIBRARY DESTINATION ${KASKAD_MODULE_INSTALL_DIR})

# Bash completion goes where bash-completion looks for it, relative to the
# installation prefix (/usr/local/share/... for a local install).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(BASH_COMPLETION_DIR bash-completion completionsdir)
  pkg_get_variable(BASH_COMPLETION_PREFIX bash-completion prefix)
endif()
if(BASH_COMPLETION_DIR AND BASH_COMPLETION_PREFIX AND BASH_COMPLETION_DIR MATCHES "^${BASH_COMPLETION_PREFIX}/(.+)$")
  set(KASKAD_BASH_COMPLETION_DIR ${CMAKE_MATCH_1})
else()
  set(KASKAD_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
set(KASKAD_BASH_COMPLETION_FILE ${KASKAD_PACKAGING_DIR}/kaskad-cli.bash-completion)
install(FILES ${KASKAD_BASH_COMPLETION_FILE} DESTINATION ${KASKAD_BASH_COMPLETION_DIR} RENAME kaskad-cli)

# Debian's documentation files: the machine-readable copyright and the
# changelog, whose latest entry must be this version.
file(STRINGS ${KASKAD_PACKAGING_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^kaskad \\(${PROJECT_VERSION}-${KASKAD_DEB_RELEASE}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog must begin with an entry for "
                      "${PROJECT_VERSION}-${KASKAD_DEB_RELEASE}; it begins: ${changelog_head}")
endif()
set(KASKAD_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${KASKAD_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E copy ${KASKAD_PACKAGING_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
  COMMAND ${GZIP_EXECUTABLE} -9nf ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${KASKAD_PACKAGING_DIR}/debian/changelog
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(kaskad_changelog ALL DEPENDS ${KASKAD_CHANGELOG_GZ})
install(FILES ${KASKAD_PACKAGING_DIR}/debian/copyright ${KASKAD_CHANGELOG_GZ} DESTINATION ${KASKAD_DOC_DIR})
install(FILES ${KASKAD_PACKAGING_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kaskad)

set(CPACK_PACKAGE_NAME kaskad)
set(CPACK_PACKAGE_VENDOR "Kaskad")
set(CPACK_PACKAGE_CONTACT ${KASKAD_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for series of liquid-phase oxidation reactors")
set(CPACK_PACKAGE_DESCRIPTION
    "Computes, reactor by reactor, a series of bubble-column or gas-lift\n"
    "p-xylene oxidation reactors in 80-bit extended precision, printing 15\n"
    "significant digits: a Qt desktop program (kaskad) and a command line\n"
    "(kaskad-cli) that also sweeps ranges of inputs and plots profiles.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KASKAD_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries the programs and the modules link (Qt 6 Widgets,
# Gui, Core, Charts, Svg, OpenTURNS, libstdc++) come from dpkg-shlibdeps; the X11 and
# offscreen platform plugins live in libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# qt6-translations-l10n: Qt's own texts (file dialogs, OK) in the user's language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), fonts-liberation2 | fonts-dejavu-core, qt6-translations-l10n")
include(${CMAKE_CURRENT_LIST_DIR}/PythonPackaging.cmake)
include(CPack)
