# Debian packages of the project, made by `cpack -G DEB` in a build tree (scripts/check-packages.sh):
#   libzorbase0     runtime      libzorbase.so.0 and libzorstdbase.so.0
#   libzorbase-dev  development  headers, the CMake package with zorbase_add_resources, zorbase.pc
#   zorbase-tools   tools        the zorbase tool, its manual page and bash completion
# Each install() rule names its component; the Debian files each package must carry (copyright,
# changelog.Debian.gz) are installed only when a package is made. Dependencies on shared libraries
# come from the binaries (dpkg-shlibdeps); the packages depend on each other with the exact version.
set(ZORBASE_DEBIAN_RELEASE 1)
set(ZORBASE_DEBIAN_VERSION ${PROJECT_VERSION}-${ZORBASE_DEBIAN_RELEASE})
set(ZORBASE_DEBIAN_PACKAGES runtime libzorbase0 development libzorbase-dev tools zorbase-tools)

# changelog.Debian.gz, compressed as Debian wants it (gzip -9, no name or time stamp).
set(ZORBASE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
configure_file(cmake/debian/changelog.in ${ZORBASE_DEBIAN_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${ZORBASE_DEBIAN_DIR}/changelog.Debian.gz
  COMMAND gzip -9n -k -f ${ZORBASE_DEBIAN_DIR}/changelog.Debian
  DEPENDS ${ZORBASE_DEBIAN_DIR}/changelog.Debian
  VERBATIM)
add_custom_target(zorbase_debian_changelog ALL DEPENDS ${ZORBASE_DEBIAN_DIR}/changelog.Debian.gz)

set(packages ${ZORBASE_DEBIAN_PACKAGES})
while(packages)
  list(POP_FRONT packages component package)
  install(FILES cmake/debian/copyright ${ZORBASE_DEBIAN_DIR}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
endwhile()
# The guide a host developer reads first goes with the development files.
install(FILES docs/porting.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libzorbase-dev
  COMPONENT development EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorbase)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZorBase developers")
set(CPACK_PACKAGE_CONTACT "ZorBase developers <zorbase-devel@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZORBASE_DEBIAN_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)

set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "C++ base library with Windows names, behaviour and file formats
ZorBase is the base library of desktop applications written for Windows,
built for Linux with the names, behaviour and file formats its hosts rely
on: strings, Windows paths on mapped drives, buffered binary and tagged
files, INI files and a registry store, logging over log4cxx, progress
reporting, units, checksums and ciphers, resources and services.
.
This package holds the shared libraries libzorbase and libzorstdbase.")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "C++ base library with Windows names - development files
ZorBase is the base library of desktop applications written for Windows,
built for Linux with the names, behaviour and file formats its hosts rely
on.
.
This package holds the headers, the CMake package ZorBase (with the
zorbase_add_resources function that compiles resource scripts into a
program), the pkg-config file zorbase.pc and the porting guide.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "C++ base library with Windows names - command-line tool
ZorBase is the base library of desktop applications written for Windows,
built for Linux with the names, behaviour and file formats its hosts rely
on.
.
This package holds zorbase, which works with the files, settings and
services of ZorBase programs as the library sees them: Windows paths, INI
files, the registry store, tagged files, resources, checksums and services.")

set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)
# libzorbase.so.0 needs libzorstdbase.so.0 and the tool both: dpkg-shlibdeps finds them here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
# The shlibs file of every package with shared libraries (only libzorbase0 has any).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The loader's cache is refreshed by the ldconfig trigger once dpkg is done, as Debian wants it.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
# What the public headers, the CMake package and the pkg-config file need on the host.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "liblog4cxx-dev, libboost-dev, libunittest++-dev, pkg-config")
# zorbase_add_resources compiles resource scripts with the mingw-w64 resource compiler.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_RECOMMENDS
  "binutils-mingw-w64-x86-64, gcc-mingw-w64-x86-64")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SUGGESTS "cmake")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "bash-completion")

# The packaged tool loses the run path that lets an install tree find its library: in a package
# the library is in the system's directory, where the loader looks anyway.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageRunPath.cmake)
include(CPack)
