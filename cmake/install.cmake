# What `cmake --install` (and `make install PREFIX=...`) puts below the prefix, and the Debian package
# CPack makes of it (`make package`):
#   bin/aviorra
#   share/aviorra/{data.vrk,exec.vrs}              the installed content, behind each player's own folder
#   share/applications/org.aviorra.Aviorra.desktop
#   share/metainfo/org.aviorra.Aviorra.metainfo.xml
#   share/icons/hicolor/NxN/apps/aviorra.png       drawn by assetgen
#   share/man/man6/aviorra.6.gz
#   share/doc/aviorra/{README.md,copyright,changelog.gz}
#   share/lintian/overrides/aviorra                 the package checker's accepted findings (the package only)

# `make package` builds only what is installed; installing never rebuilds everything first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
set(ICON_SIZES 16 22 24 32 48 64 128 256)
set(ICON_FILES)
foreach(size ${ICON_SIZES})
  list(APPEND ICON_FILES ${ICON_DIR}/${size}x${size}/apps/aviorra.png)
endforeach()
add_custom_command(
  OUTPUT ${ICON_FILES}
  COMMAND assetgen --icons ${ICON_DIR}
  DEPENDS assetgen
  COMMENT "Drawing the desktop icons"
  VERBATIM)

# Debian keeps manuals and changelogs compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(MANUAL_GZ ${CMAKE_BINARY_DIR}/packaging/aviorra.6.gz)
set(CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${MANUAL_GZ} ${CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c "${GZIP_PROGRAM} -9n -c '${PACKAGING_DIR}/aviorra.6' > '${MANUAL_GZ}'"
  COMMAND sh -c "${GZIP_PROGRAM} -9n -c '${PACKAGING_DIR}/changelog' > '${CHANGELOG_GZ}'"
  DEPENDS ${PACKAGING_DIR}/aviorra.6 ${PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(install_files ALL DEPENDS ${ICON_FILES} ${MANUAL_GZ} ${CHANGELOG_GZ})

install(TARGETS aviorra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/game/data.vrk ${CONTENT_DIR}/exec.vrs
        DESTINATION ${CMAKE_INSTALL_DATADIR}/aviorra)
install(FILES ${PACKAGING_DIR}/org.aviorra.Aviorra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PACKAGING_DIR}/org.aviorra.Aviorra.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${MANUAL_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${PACKAGING_DIR}/copyright ${CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. Its library dependencies are derived from the installed binary by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aviorra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the AVIORRA developers")
set(CPACK_PACKAGE_CONTACT "the AVIORRA developers <developers@aviorra.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D arcade air-combat game over an endless sea")
set(CPACK_PACKAGE_DESCRIPTION
    "A single-player 3D arcade air-combat game: fly over an endless scrolling\n"
    "sea, shoot down enemy aircraft, bomb hangars and towers, and compete for\n"
    "a place in the top-10 table. A console with runtime variables, key\n"
    "bindings and scripts stands around the game.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the OpenGL and EGL libraries libepoxy and SDL
# open (EGL for --headless), and the fonts looked up through fontconfig.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, fonts-dejavu-core, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The package checker's accepted findings belong to the Debian package only, not to an installation
# by hand: they are put into the package's staging folder after the installation, before packing.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_lintian_overrides.cmake)
set(CPACK_AVIORRA_LINTIAN_OVERRIDES ${PACKAGING_DIR}/lintian-overrides)
include(CPack)
