# Run by CPack after the installation into the package's staging folder, before packing: the package
# checker's overrides go into the Debian package only (cmake --install leaves them out).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(prefix "${CPACK_PACKAGING_INSTALL_PREFIX}")
if(prefix STREQUAL "")
  set(prefix "/usr")
endif()
set(folder "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${prefix}/share/lintian/overrides")
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${CPACK_AVIORRA_LINTIAN_OVERRIDES}" "${folder}/aviorra")
