# Cross-compiling for Windows with mingw-w64 (i686). Use with
#   cmake -S . -B build/<dir> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
