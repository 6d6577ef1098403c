# Cross-compiling for Windows with mingw-w64 (i686): the toolchain of the preset win32
# (cmake --preset win32).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
