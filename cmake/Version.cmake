# The project version as a header, kaskad/version.h, for the programs'
# --version: link the interface library kaskad_version to use it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
               ${CMAKE_BINARY_DIR}/generated/kaskad/version.h @ONLY)
add_library(kaskad_version INTERFACE)
target_include_directories(kaskad_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
