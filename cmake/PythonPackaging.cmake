# The Python package kaskad as a Debian package of its own, python3-kaskad,
# beside the package kaskad of the programs: one package per install
# component, the programs' being the unnamed one.
if(NOT TARGET _kaskad)
  return()
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME kaskad)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kaskad)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION [=[
The Python module kaskad: bubble-column and gas-lift runs kept as their
stored values, sweeps as pandas DataFrames, sensitivity and uncertainty
studies and, with python3-distributed, sweeps and studies on a Dask cluster;
with python3-zarr and python3-xarray, studies written to Zarr stores.]=])
# The extension is built for this interpreter's ABI.
math(EXPR kaskad_next_minor "${KASKAD_PYTHON_VERSION_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${KASKAD_PYTHON_VERSION_MAJOR}.${KASKAD_PYTHON_VERSION_MINOR}), python3 (<< ${KASKAD_PYTHON_VERSION_MAJOR}.${kaskad_next_minor}), python3-numpy, python3-pandas")
# Dask for kaskad.distributed, zarr for its studies on disk, xarray for
# to_xarray and open_study, tqdm for progress=True
# and ipywidgets for its bar in a notebook.
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-distributed, python3-zarr, python3-xarray, python3-tqdm, python3-ipywidgets")
# Its own copyright file and changelog, as every Debian package has.
install(FILES ${KASKAD_PACKAGING_DIR}/debian/copyright ${KASKAD_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-kaskad COMPONENT python)
install(FILES ${KASKAD_PACKAGING_DIR}/debian/python3-kaskad.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME python3-kaskad COMPONENT python)
