# cmake -DPROGRAM=<file> -DOBJDUMP=<objdump> -DPROJECT_VERSION=<v> -DIN=<template> -DOUT=<file>
#       -P OrvaneGlibcFloor.cmake
# Writes OUT from the template IN with @OT_GLIBC_FLOOR@ set to the newest GLIBC_x.y symbol
# version PROGRAM imports: the oldest C library it runs with, as measured on the program
# that was built rather than assumed from the build machine.
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
configure_file("${IN}" "${OUT}" @ONLY)
