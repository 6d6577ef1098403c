# Cross-compiling for Windows with mingw-w64 (x86_64). Use with
#   cmake -S . -B build/<dir> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
