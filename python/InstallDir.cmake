# Where the package kaskad installs: Debian's python3 looks in
# lib/python3/dist-packages under /usr (its packages') and in
# lib/python3.X/dist-packages under any other prefix (/usr/local: the
# administrator's). Both come from the interpreter's own install schemes.
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
]=] ${CMAKE_INSTALL_PREFIX}
  OUTPUT_VARIABLE kaskad_site_dir
  RESULT_VARIABLE kaskad_site_status)
if(NOT kaskad_site_status EQUAL 0 OR kaskad_site_dir STREQUAL "")
  message(FATAL_ERROR "${Python3_EXECUTABLE} did not tell its site directory")
endif()
set(KASKAD_PYTHON_INSTALL_DIR ${kaskad_site_dir} CACHE STRING
    "Directory, relative to the install prefix, that receives the Python package kaskad")
