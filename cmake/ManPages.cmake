# The manual pages kaskad(1) and kaskad-cli(1): help2man makes them at build
# time from the programs' --help and --version, so they list the options the
# programs have; gzip -9n compresses them as Debian installs manual pages.
include(GNUInstallDirs)

option(KASKAD_MAN_PAGES "Generate the manual pages with help2man" ON)
if(NOT KASKAD_MAN_PAGES)
  return()
endif()
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
if(NOT HELP2MAN_EXECUTABLE)
  message(FATAL_ERROR "help2man makes the manual pages: install it "
                      "(bash scripts/install-deps.sh) or configure with -DKASKAD_MAN_PAGES=OFF")
endif()

set(KASKAD_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(KASKAD_MAN_SOURCE_DIR ${CMAKE_SOURCE_DIR}/packaging/man)

# kaskad_man_page(NAME DESCRIPTION PROGRAM [DEPENDS files...]): NAME.1.gz
# from what PROGRAM prints, with the sections of packaging/man/NAME.h2m.
# help2man writes a temporary file, renamed only once it is complete.
function(kaskad_man_page name description program)
  set(page ${KASKAD_MAN_DIR}/${name}.1)
  set(include_file ${KASKAD_MAN_SOURCE_DIR}/${name}.h2m)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KASKAD_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E env KASKAD_CLI=$<TARGET_FILE:kaskad-cli>
            ${HELP2MAN_EXECUTABLE} --no-info --section=1 --name=${description}
            --include=${include_file} --output=${page}.tmp ${program}
    COMMAND ${CMAKE_COMMAND} -E rename ${page}.tmp ${page}
    COMMAND ${GZIP_EXECUTABLE} -9nkf ${page}
    DEPENDS ${name} ${include_file} ${ARGN}
    COMMENT "Generating the manual page ${name}(1)"
    VERBATIM)
  add_custom_target(${name}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

if(TARGET kaskad)
  kaskad_man_page(kaskad "calculator for series of liquid-phase oxidation reactors" $<TARGET_FILE:kaskad>)
endif()
kaskad_man_page(kaskad-cli "series of liquid-phase oxidation reactors, without windows"
                ${KASKAD_MAN_SOURCE_DIR}/kaskad-cli-help.sh ${KASKAD_MAN_SOURCE_DIR}/kaskad-cli-help.sh)
