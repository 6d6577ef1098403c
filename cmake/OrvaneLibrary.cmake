# ot_add_library(NAME SOURCES... [DEPS...] [PUBLIC_DEPS...]): one static library per subsystem
# folder, built with the project's warnings, its headers included as "folder/name.h" from src/.
function(ot_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ot_warnings ${A_DEPS} PUBLIC ${A_PUBLIC_DEPS})
endfunction()
