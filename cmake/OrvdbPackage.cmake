# The Debian package of a native host build (cpack -G DEB, or the "release"
# workflow preset): what `cmake --install` installs - the shared library with
# its soname, the headers, the pkg-config and CMake files and, when built, the
# tool - plus the files Debian asks of every package (copyright, changelog,
# lintian overrides), which the packaging step alone adds
# (cmake/deb/add_debian_files.cmake).
set(ORVDB_PACKAGE_MAINTAINER "The orvdb developers <orvdb@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME orvdb)
set(CPACK_PACKAGE_VENDOR "The orvdb developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "model data of a printer driver package, stand-in platform build")
# Lines of at most 80 characters, as Debian wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "orvdb answers the numbered queries of a printer driver package about its"
  "printer model from a compiled, constant data base. This is its Linux build,"
  "whose stand-in platform replaces the Windows spooler, clock, locale and heap"
  "with an in-memory one for tests and tools. The package holds the shared"
  "library, its headers, its pkg-config and CMake package files, and the orvdb"
  "command-line tool.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVDB_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the binaries load (dpkg-shlibdeps), and a
# shlibs file and the ldconfig trigger for the library itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/deb/triggers)

# The Debian files, written by the packaging step into its staging tree.
set(ORVDB_DEB_DIR ${PROJECT_SOURCE_DIR}/cmake/deb)
configure_file(${ORVDB_DEB_DIR}/add_debian_files.cmake.in
               ${PROJECT_BINARY_DIR}/add_debian_files.cmake @ONLY)
set(CPACK_INSTALL_SCRIPTS ${PROJECT_BINARY_DIR}/add_debian_files.cmake)

include(CPack)
