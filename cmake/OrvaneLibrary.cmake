# ot_expose_folder(TARGET SCOPE FOLDER): TARGET (and, with PUBLIC or INTERFACE, whoever links
# it) includes the headers of src/FOLDER/ as "FOLDER/name.h", and no other folder of src/:
# the include directory is one of its own in the build tree, holding a single link to
# src/FOLDER. A library that includes a header of a folder it does not depend on (directly or
# through another library) therefore does not compile.
function(ot_expose_folder target scope folder)
  set(_dir ${PROJECT_BINARY_DIR}/include/${folder})
  if(NOT IS_SYMLINK ${_dir}/${folder})
    file(MAKE_DIRECTORY ${_dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${_dir}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${_dir})
endfunction()

# ot_add_library(NAME [FOLDER F] SOURCES... [DEPS...] [PUBLIC_DEPS...]): one static library
# per subsystem folder, built with the project's warnings, its headers included as
# "F/name.h". F is the folder of src/ the library belongs to: by default the first folder of
# the CMakeLists.txt that calls it below src/ (platform/ for every backend library).
function(ot_add_library name)
  cmake_parse_arguments(A "" "FOLDER" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  if(NOT A_FOLDER)
    file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX REPLACE "/.*" "" A_FOLDER "${_rel}")
  endif()
  if(NOT A_FOLDER OR A_FOLDER MATCHES "^\\.\\.")
    message(FATAL_ERROR "ot_add_library(${name}): no folder of src/ (give FOLDER)")
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  ot_expose_folder(${name} PUBLIC ${A_FOLDER})
  target_link_libraries(${name} PRIVATE ot_warnings ${A_DEPS} PUBLIC ${A_PUBLIC_DEPS})
endfunction()
