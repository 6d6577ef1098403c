# Packages made by CPack from the install rules:
#   Linux:   cpack -G DEB  ->  orvane-table_<version>_amd64.deb
#            cpack -G TGZ  ->  orvane-table-<version>-linux-x86_64.tar.gz, for any distribution:
#            the program (needing only the C library), bin/ and lib/orvane-table/ as installed,
#            the manual page, and README.md and INSTALL.txt at its top (the "portable"
#            component, left out of the .deb).
#   Windows: cpack -G ZIP  ->  orvane-table-<version>-win64.zip (or -win32), flat: the static
#            orvane-table.exe, HOW-TO-RUN.txt and README.md.
# scripts/test-package.sh builds both and checks them.

set(OT_PACKAGE_MAINTAINER "Orvane-Table maintainers <maintainers@orvane-table.example>"
    CACHE STRING "The maintainer named in the packages")

set(CPACK_PACKAGE_NAME orvane-table)
set(CPACK_PACKAGE_VENDOR "Orvane-Table developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OT_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "table of the numbers 1 to 99 and their cubes")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane-Table shows the whole numbers 1 to 99 and their cubes on an
80 x 50 terminal screen, with a small panel of examples. From its menu
the results are saved to a text file, printed through CUPS or written
to a PDF file.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Packages are written where cpack is run from unless -B says otherwise.
set(CPACK_OUTPUT_FILE_PREFIX packages)
# Packed again once written, so that the same sources give the same bytes wherever, whenever
# and by whomever they are built (OrvaneRepack.cmake; with CMake 3.18, which cannot run it
# from cpack, the script runs it itself: scripts/build-tarball.sh).
set(CPACK_OT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.19)
  set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/OrvaneRepack.cmake)
endif()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_STRIP_FILES OFF)  # the linker strips the program (src/CMakeLists.txt)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_arch win64)
  else()
    set(_arch win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME "orvane-table-${PROJECT_VERSION}-${_arch}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB TGZ)
  # The tarball's name and its top folder; the .deb names itself.
  set(CPACK_PACKAGE_FILE_NAME
      "orvane-table-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
  string(TOLOWER "${CPACK_PACKAGE_FILE_NAME}" CPACK_PACKAGE_FILE_NAME)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orvane-table_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${OT_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Depends: computed from the program by dpkg-shlibdeps. Recommends: packages the program
  # works without; the libraries of the printing module (CUPS, cairo, fontconfig), which is
  # loaded only when the user prints, are added to it by dpkg-shlibdeps when cpack runs
  # (OrvaneDebDepends.cmake.in). Without them the program runs and offers no printer.
  # fonts-liberation: Liberation Mono, metric-compatible with the Courier New the results are
  # printed in, so that every line keeps its place on the page.
  # libpaper, loaded at run time by the printing module, names the system's paper for "Save as
  # PDF" (its library is libpaper1 on older releases, libpaper2 on newer ones).
  set(OT_DEB_RECOMMENDS "fonts-liberation" "libpaper2 | libpaper1")
  set(OT_DEB_SUGGESTS "cups")
  list(JOIN OT_DEB_SUGGESTS ", " CPACK_DEBIAN_PACKAGE_SUGGESTS)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/OrvaneDebDepends.cmake.in
                 ${PROJECT_BINARY_DIR}/OrvaneDebDepends.cmake.gen @ONLY)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/OrvaneDebDepends.cmake
       INPUT ${PROJECT_BINARY_DIR}/OrvaneDebDepends.cmake.gen)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/OrvaneCPackGenerators.cmake.in
                 ${PROJECT_BINARY_DIR}/OrvaneCPackGenerators.cmake @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/OrvaneCPackGenerators.cmake)
endif()

include(CPack)
