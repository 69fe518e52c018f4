# Hardened executables, as Debian builds its packages: position-independent
# (ASLR), stack protector, read-only relocations bound at start-up, and
# checked buffer functions where the optimiser can see the sizes. None of
# these changes how floating point is evaluated.

# Everything is compiled -fPIC and the executables linked -pie: the static
# libraries also go into shared objects, kaskad-cli's uncertainty module and
# the Python module's extension. -fno-semantic-interposition lets the
# compiler inline their exported functions as it does under -fPIE, since
# nothing of Kaskad relies on interposing its functions. Code that uses Qt
# is compiled -fPIC too, as Qt's own targets ask.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fno-semantic-interposition)
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
