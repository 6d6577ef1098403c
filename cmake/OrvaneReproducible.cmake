# Builds that come out byte for byte the same from the same sources, in whatever folder, at
# whatever time, under whatever umask and locale they are made, so that anyone can rebuild a
# package and compare it with the one handed out.
#
# - Paths: the source and build folders are written into objects as "." and "build" (debug
#   information, the compilation folder, __FILE__ in a header), except in Debug builds, whose
#   debugger needs the real source folder. The build folder is named second: the compiler
#   tries the last such option first, and the build folder usually lies inside the source
#   folder. No trailing slash, so that the build folder itself (the compiler's working
#   folder) is mapped too.
# - Times: a Windows linker stamps the link time into the PE header unless told not to; the
#   ELF build id is a hash of the linked contents already. The packages' member times, modes
#   and order are set when they are packed again (OrvaneRepack.cmake).
# - Modes: folders that cmake --install creates get 0755 whatever the umask, as files do.
if(NOT MSVC)
  add_compile_options(
    "$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
    "$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
endif()
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_link_options(LINKER:--no-insert-timestamp)
endif()
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
