# Hardened executables, as Debian builds its packages: position-independent
# (ASLR), stack protector, read-only relocations bound at start-up, and
# checked buffer functions where the optimiser can see the sizes. None of
# these changes how floating point is evaluated.
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro,-z,now)

# _FORTIFY_SOURCE needs optimisation; under the sanitizers it would hide
# buffer overruns from them, so they go without it.
if(NOT KASKAD_SANITIZE AND NOT KASKAD_FUZZ)
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
