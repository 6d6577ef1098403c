# cmake -DPROGRAM=<file> -DOBJDUMP=<objdump> -DBUILT_WITH=<glibc version> -DPROJECT_VERSION=<v>
#       -DIN=<template> -DOUT=<file> -P OrvaneGlibcFloor.cmake
# Writes OUT from the template IN with @OT_GLIBC_FLOOR@ set to the oldest C library PROGRAM
# runs with: the newest GLIBC_x.y symbol version it imports, as measured on the program that
# was built rather than assumed from the build machine, or the glibc it was built with
# (BUILT_WITH) when that is newer. glibc keeps working what was linked against an older
# version, not the other way round, so a program is not promised to a glibc older than the
# one it was built with even when its symbol versions would let it load there.
execute_process(COMMAND "${OBJDUMP}" -T "${PROGRAM}" OUTPUT_VARIABLE _symbols
                RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -T ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "GLIBC_[0-9]+\\.[0-9]+(\\.[0-9]+)?" _versions "${_symbols}")
set(OT_GLIBC_FLOOR "")
foreach(_v IN LISTS _versions)
  string(REPLACE "GLIBC_" "" _v "${_v}")
  if(OT_GLIBC_FLOOR STREQUAL "" OR _v VERSION_GREATER OT_GLIBC_FLOOR)
    set(OT_GLIBC_FLOOR "${_v}")
  endif()
endforeach()
if(OT_GLIBC_FLOOR STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} imports no GLIBC_ symbol version")
endif()
if(BUILT_WITH VERSION_GREATER OT_GLIBC_FLOOR)
  set(OT_GLIBC_FLOOR "${BUILT_WITH}")
endif()
configure_file("${IN}" "${OUT}" @ONLY)
