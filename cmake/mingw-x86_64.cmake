# Cross-compiling for Windows with mingw-w64 (x86_64): the toolchain of the preset win64
# (cmake --preset win64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
