# Warnings are errors for our own code on every compiler we build with.
add_library(ot_warnings INTERFACE)
target_compile_options(ot_warnings INTERFACE -Wall -Wextra -Werror -Wpedantic)

# ot_add_library(NAME SOURCES... DEPS ...): one static library per subsystem folder.
function(ot_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ot_warnings ${A_DEPS} PUBLIC ${A_PUBLIC_DEPS})
endfunction()
