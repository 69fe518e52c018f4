# Where the package kaskad installs, decided when it is installed, since
# `cmake --install --prefix` and cpack choose the prefix then. Debian's
# python3 looks in lib/python3/dist-packages under /usr (the packages') and
# in lib/python3.X/dist-packages under /usr/local (the administrator's); both
# come from the interpreter's own install schemes. KASKAD_PYTHON_INSTALL_DIR
# overrides them.
set(KASKAD_PYTHON_INSTALL_DIR "" CACHE STRING
    "Directory, relative to the install prefix, that receives the Python package kaskad (default: Debian's for the prefix)")

# The site directory, relative to its prefix, that the interpreter uses for
# the prefix given.
function(kaskad_python_site prefix result)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} -c [=[
import os, sys, sysconfig
prefix = sys.argv[1]
if "deb_system" in sysconfig.get_scheme_names():
    scheme, root = ("deb_system", "/usr") if prefix == "/usr" else ("posix_local", "/usr/local")
    path = sysconfig.get_path("platlib", scheme, vars={"base": "/usr", "platbase": "/usr"})
else:
    root = prefix
    path = sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix})
print(os.path.relpath(path, root), end="")
]=] ${prefix}
    OUTPUT_VARIABLE site
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR site STREQUAL "")
    message(FATAL_ERROR "${Python3_EXECUTABLE} did not tell its site directory")
  endif()
  set(${result} ${site} PARENT_SCOPE)
endfunction()

kaskad_python_site(/usr kaskad_python_system_site)
kaskad_python_site(/usr/local kaskad_python_local_site)
install(CODE "
  if(NOT \"${KASKAD_PYTHON_INSTALL_DIR}\" STREQUAL \"\")
    set(kaskad_python_site \"${KASKAD_PYTHON_INSTALL_DIR}\")
  elseif(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(kaskad_python_site \"${kaskad_python_system_site}\")
  else()
    set(kaskad_python_site \"${kaskad_python_local_site}\")
  endif()" COMPONENT python)
