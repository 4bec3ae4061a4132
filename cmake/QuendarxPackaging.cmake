# Installing Quendarx for host authors, and the Debian package.
#
#   lib/…/libquendarx.so.1.0.0 (+ .so.1 and .so links)   include/quendarx/*.h
#   lib/…/cmake/Quendarx/ (find_package(Quendarx) → Quendarx::quendarx)
#   lib/…/pkgconfig/quendarx.pc                          bin/quendarx-host, bin/quendarx-db
include(CMakePackageConfigHelpers)

set(QUENDARX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quendarx)
set(_programs quendarx-host quendarx-db)
foreach(_program IN LISTS _programs)
  if(NOT TARGET ${_program})
    list(REMOVE_ITEM _programs ${_program})
  endif()
endforeach()

# The programs find the library next to them in any prefix ($ORIGIN/../lib…); under /usr
# the library sits in the standard folder and the run path is taken out again (below).
file(RELATIVE_PATH _bin_to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
set_target_properties(${_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${_bin_to_lib}")

install(TARGETS quendarx EXPORT QuendarxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quendarx DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT Runtime FILES_MATCHING PATTERN "*.h")
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(CODE "
  if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
    foreach(_program ${_programs})
      file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${_program}\")
    endforeach()
  endif()" COMPONENT Runtime)

# CMake package: relocatable, the imported target carries only the library and its
# include folder (the static parts and Qt are the library's own business).
install(EXPORT QuendarxTargets NAMESPACE Quendarx:: DESTINATION ${QUENDARX_CMAKE_DIR} COMPONENT Runtime)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuendarxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuendarxConfig.cmake INSTALL_DESTINATION ${QUENDARX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuendarxConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuendarxConfig.cmake ${PROJECT_BINARY_DIR}/QuendarxConfigVersion.cmake
  DESTINATION ${QUENDARX_CMAKE_DIR} COMPONENT Runtime)

# pkg-config file, written when installing so that it names the prefix actually used
# (cmake --install --prefix, or /usr in the Debian package).
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(QUENDARX_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(QUENDARX_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(QUENDARX_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/quendarx.pc.in\" \"${PROJECT_BINARY_DIR}/pkgconfig/quendarx.pc\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/pkgconfig/quendarx.pc\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")" COMPONENT Runtime)

# Debian package (scripts/package.sh): installed under /usr, classes registered in the
# system-wide registry file by the maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quendarx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quendarx developers <quendarx@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "customs-office cancellations of imported quantities against export items")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quendarx is an in-process automation library: a host program loads libquendarx.so,\n"
  "creates its classes through the registry file and drives them by dispatch. With the\n"
  "host runner quendarx-host and the stock database tool quendarx-db.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# What the library loads at run time without linking to it: the Qt SQL drivers and the
# font that stands for Courier New on the listing.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-odbc, fonts-liberation2")
# The maintainer scripts take the place of the ones CPack would write, so the ldconfig run
# after the library comes or goes is asked for by the triggers file.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/prerm
  ${PROJECT_SOURCE_DIR}/cmake/debian/postrm ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
