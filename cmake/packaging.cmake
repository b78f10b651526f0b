# `cpack -G DEB` in a build folder makes one Debian package of everything `cmake --install`
# puts in place: the demo and its media, kerbmodel, the libraries and their headers. Its
# dependencies are worked out from the programs' shared libraries (dpkg-shlibdeps), plus the
# OpenGL development files that a program built against the libraries links with.
set(CPACK_PACKAGE_NAME kerbhopper)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D driving demo with its OBJ/MTL model library and BMP image library")
set(CPACK_PACKAGE_DESCRIPTION
  "A car to steer with the arrow keys through a small walled city (freeglut, OpenGL 1.x), the
command-line model tool kerbmodel, and the two libraries under them with their headers, CMake
package and pkg-config files: kerbhopper-glm (Wavefront OBJ/MTL models) and kerbhopper-image
(BMP files of every common depth).")
set(KERB_PACKAGE_CONTACT "Kerbhopper developers" CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_CONTACT ${KERB_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES TRUE)  # programs and shared libraries go without their debugging sections
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl-dev")
# Built shared, the libraries are announced to dpkg (a shlibs file; ldconfig runs on install).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ${BUILD_SHARED_LIBS})
set(CPACK_GENERATOR DEB)
include(CPack)
