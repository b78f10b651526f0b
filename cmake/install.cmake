# What `cmake --install` puts in place for other projects: the two libraries, their public
# headers (nothing else from glm/ and image/), a CMake package (find_package(Kerbhopper) gives
# Kerbhopper::glm and Kerbhopper::image) and the pkg-config files kerbhopper-glm and
# kerbhopper-image. Every file found from another refers to it by a relative path, so an
# installed tree works wherever it is put (cmake --install --prefix, a Debian package).
include(CMakePackageConfigHelpers)

set(KERB_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kerbhopper)
set(KERB_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS glm image EXPORT KerbhopperTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/glm/glm.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glm)
install(FILES ${PROJECT_SOURCE_DIR}/image/bmp.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/image)

install(EXPORT KerbhopperTargets NAMESPACE Kerbhopper:: DESTINATION ${KERB_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KerbhopperConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KerbhopperConfig.cmake INSTALL_DESTINATION ${KERB_PACKAGE_DIR})
# Before 1.0 a minor release may change the interface, so only the same minor version matches.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KerbhopperConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KerbhopperConfig.cmake ${PROJECT_BINARY_DIR}/KerbhopperConfigVersion.cmake
  DESTINATION ${KERB_PACKAGE_DIR})

# pkg-config: the prefix is found from the .pc file's own folder. A static library needs its
# dependencies on every link line; a shared one brings them along itself.
file(RELATIVE_PATH KERB_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KERB_PC_PREFIX "${KERB_PC_PREFIX}")
foreach(dir LIBDIR INCLUDEDIR)
  file(RELATIVE_PATH KERB_PC_${dir} ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_${dir}})
endforeach()

# kerb_pkgconfig(NAME DESCRIPTION REQUIRES LIBS): writes and installs NAME.pc.
function(kerb_pkgconfig name description requires libs)
  set(KERB_PC_NAME ${name})
  set(KERB_PC_DESCRIPTION ${description})
  if(BUILD_SHARED_LIBS)
    set(KERB_PC_REQUIRES "")
    set(KERB_PC_REQUIRES_PRIVATE "${requires}")
    set(KERB_PC_LIBS "")
    set(KERB_PC_LIBS_PRIVATE "${libs}")
  else()
    set(KERB_PC_REQUIRES "${requires}")
    set(KERB_PC_REQUIRES_PRIVATE "")
    set(KERB_PC_LIBS "${libs}")
    set(KERB_PC_LIBS_PRIVATE "")
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/kerbhopper.pc.in ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${KERB_PKGCONFIG_DIR})
endfunction()

kerb_pkgconfig(kerbhopper-glm "Wavefront OBJ/MTL models: read, normals, fitting, drawing, welding, writing" "gl" "-pthread")
kerb_pkgconfig(kerbhopper-image "BMP files of every common depth into 24-bit RGB images" "" "")
