# Shared part of the mingw-w64 toolchain files: set CMAKE_SYSTEM_PROCESSOR (x86_64 or i686)
# and include this file.
# The posix-threads flavour of the compilers is chosen because GCC 12's win32 flavour has no
# std::thread, std::mutex or std::condition_variable; winpthreads is linked statically, so the
# programs still need no DLL beyond the system's own.
set(CMAKE_SYSTEM_NAME Windows)

set(_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
# The C compiler too, though the project is C++: the package searches of the tests enable C
# (the host's cc cannot link for Windows).
find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc-posix ${_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++-posix ${_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_triple}-windres)
find_program(CMAKE_AR NAMES ${_triple}-gcc-ar-posix ${_triple}-ar)
find_program(CMAKE_RANLIB NAMES ${_triple}-gcc-ranlib-posix ${_triple}-ranlib)

# Release at -O2: GCC 12 at -O3 reports false -Wrestrict/-Warray-bounds errors inside
# std::string, and warnings are errors here.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags for Release builds")

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine on this machine (64-bit only; 32-bit builds are not run).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(_wine NAMES wine)
  if(_wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${_wine})
  endif()
endif()
