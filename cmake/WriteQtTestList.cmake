# Writes OUTPUT: a ctest entry PREFIX.FUNCTION per function that the QtTest
# program EXECUTABLE lists, each running that function alone with TIMEOUT
# and ENVIRONMENT. Run by cmake -P after the program is built. The programs
# keep their settings (the last folder, ...) in Qt's one test-mode settings
# file, so under ctest -j no two of them run at once.

# The program starts its QApplication before it reads -functions.
set(ENV{QT_QPA_PLATFORM} offscreen)
foreach(assignment IN LISTS ENVIRONMENT)
  string(REGEX MATCH "^([^=]+)=(.*)$" _ "${assignment}")
  set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
endforeach()
execute_process(COMMAND ${EXECUTABLE} -functions
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EXECUTABLE} -functions failed (${status}):\n${errors}")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listing}")
if(NOT functions)
  message(FATAL_ERROR "${EXECUTABLE} -functions listed no test function")
endif()
set(entries "")
foreach(function IN LISTS functions)
  string(REPLACE "()" "" name "${function}")
  string(APPEND entries
    "add_test([=[${PREFIX}.${name}]=] [=[${EXECUTABLE}]=] [=[${name}]=])\n"
    "set_tests_properties([=[${PREFIX}.${name}]=] PROPERTIES TIMEOUT ${TIMEOUT} ENVIRONMENT [=[${ENVIRONMENT}]=]"
    " RESOURCE_LOCK kaskad_test_settings)\n")
endforeach()
file(WRITE ${OUTPUT} "${entries}")
