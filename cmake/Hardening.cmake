# Hardened executables, as Debian builds its packages: position-independent
# (ASLR), stack protector, read-only relocations bound at start-up, and
# checked buffer functions where the optimiser can see the sizes. None of
# these changes how floating point is evaluated.

# Everything is compiled -fPIE and the executables linked -pie. Code that
# uses Qt is compiled -fPIC, as Qt's own targets ask: their flag comes last
# and wins. CMake's POSITION_INDEPENDENT_CODE would compile the calculation
# libraries -fPIC too, which keeps the compiler from inlining their exported
# functions; -fPIE leaves their code as it was.
#
# With the Python module, the static libraries go into its shared extension
# too: everything is compiled -fPIC, and -fno-semantic-interposition lets the
# compiler inline them as it does under -fPIE, since nothing of Kaskad relies
# on interposing its functions.
if(KASKAD_BUILD_PYTHON)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fno-semantic-interposition)
else()
  add_compile_options(-fPIE)
endif()
add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>")

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro,-z,now)

# _FORTIFY_SOURCE needs optimisation; under the sanitizers it would hide
# buffer overruns and the accesses of its checked functions from them, so
# they go without it.
if(NOT KASKAD_SANITIZE AND NOT KASKAD_FUZZ AND NOT KASKAD_TSAN)
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
