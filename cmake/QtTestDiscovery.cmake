# One ctest entry per QtTest function, so that a failure names its test:
# after each build the test program lists its functions (-functions), and
# ctest reads the entries written from that list.
#
#   kaskad_discover_qt_tests(TARGET PREFIX TIMEOUT ENVIRONMENT)
#
# adds PREFIX.FUNCTION for each function, running TARGET FUNCTION with the
# environment (a ;-list) and the timeout given.

set(KASKAD_QT_TEST_LIST_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WriteQtTestList.cmake)

function(kaskad_discover_qt_tests target prefix timeout environment)
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake)
  string(REPLACE ";" "\\;" escaped_environment "${environment}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D "EXECUTABLE=$<TARGET_FILE:${target}>" -D "PREFIX=${prefix}"
            -D "TIMEOUT=${timeout}" -D "ENVIRONMENT=${escaped_environment}" -D "OUTPUT=${list_file}"
            -P ${KASKAD_QT_TEST_LIST_SCRIPT}
    VERBATIM)
  file(WRITE ${include_file}
    "if(EXISTS \"${list_file}\")\n"
    "  include(\"${list_file}\")\n"
    "else()\n"
    "  add_test(${prefix}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
