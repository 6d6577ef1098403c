# Libraries of the printing backend (printing*.cpp): CUPS, cairo with its PDF surface and
# FreeType fonts, fontconfig. Debian ships no cups.pc, so CUPS comes from cups-config.
find_package(PkgConfig REQUIRED)
pkg_check_modules(OT_PRINTING REQUIRED IMPORTED_TARGET cairo-pdf cairo-ft fontconfig freetype2)
find_program(OT_CUPS_CONFIG cups-config REQUIRED)
execute_process(COMMAND ${OT_CUPS_CONFIG} --cflags OUTPUT_VARIABLE _cups_cflags
                OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${OT_CUPS_CONFIG} --libs OUTPUT_VARIABLE _cups_libs
                OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(_cups_cflags UNIX_COMMAND "${_cups_cflags}")
separate_arguments(_cups_libs UNIX_COMMAND "${_cups_libs}")
target_compile_options(ot_posix_printing PRIVATE ${_cups_cflags})
# libpaper, which names the system's paper for "Save as PDF", is loaded at run time
# (printing_cups.cpp): its soname differs between distributions. The destination search runs
# on a thread of its own, which needs libpthread before glibc 2.34.
find_package(Threads REQUIRED)
target_link_libraries(ot_posix_printing PUBLIC PkgConfig::OT_PRINTING ${_cups_libs}
                                               ${CMAKE_DL_LIBS} Threads::Threads)
