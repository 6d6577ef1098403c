# Writes the packages CPack made again so that the same sources give the same bytes, whoever
# builds them, in whatever folder, at whatever time, under whatever umask and locale. CPack
# takes each member's mode from the umask it runs under and lists a tarball's members in the
# order the file system returns them; here every package is unpacked and packed anew:
#   - members sorted by name (byte order), owned by 0:0 with no owner names;
#   - modes u=rwX,go=rX: folders 0755, files 0644, or 0755 where the build made them
#     executable;
#   - every time stamp SOURCE_DATE_EPOCH: from the environment when set, else the time of the
#     last commit of the sources (git log -1 --format=%ct);
#   - gzip without a name or time (-n); the .deb made again by dpkg-deb, which sorts, sets
#     times from SOURCE_DATE_EPOCH and, with --root-owner-group, owners 0:0; the zip with
#     zip -X (no owners or Unix times), its DOS times read as UTC.
#
# Run by cpack after it has written the packages (CPACK_POST_BUILD_SCRIPTS, CMake 3.19 and
# later, with CPACK_PACKAGE_FILES), before it writes their checksums, or by hand on packages
# already made (CMake 3.18, which has no such hook):
#   cmake -DPACKAGES="a.deb;b.tar.gz" -DSOURCE_DIR=<checkout> -P OrvaneRepack.cmake
# Packing again what this script packed gives the same bytes.
cmake_minimum_required(VERSION 3.18)

if(NOT DEFINED PACKAGES)
  set(PACKAGES "${CPACK_PACKAGE_FILES}")
endif()
if(NOT DEFINED SOURCE_DIR)
  set(SOURCE_DIR "${CPACK_OT_SOURCE_DIR}")
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _epoch ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _rc EQUAL 0)
    set(_epoch "")
  endif()
endif()
# Sources without git history and no SOURCE_DATE_EPOCH: the packages stay as cpack made them,
# usable but not reproducible, and the builder is told how to make them so.
if(NOT _epoch MATCHES "^[0-9]+$")
  message(WARNING "The packages are left as cpack made them, not reproducible: "
                  "SOURCE_DATE_EPOCH is '${_epoch}', not a number of seconds, and ${SOURCE_DIR} "
                  "gives no last commit to take it from. Set SOURCE_DATE_EPOCH.")
  return()
endif()

# The tools run in the C locale and in UTC: the sort order and the zip's DOS times depend on
# nothing of the builder's.
set(_env ${CMAKE_COMMAND} -E env LC_ALL=C TZ=UTC0 SOURCE_DATE_EPOCH=${_epoch})

# The tools each kind of package needs, named when missing rather than failing obscurely.
function(_ot_need)
  foreach(tool IN LISTS ARGN)
    find_program(_found_${tool} ${tool})
    if(NOT _found_${tool})
      message(FATAL_ERROR "Packing the packages again needs ${tool} (the packaging group of "
                          "scripts/packages.txt: scripts/bootstrap.sh packaging)")
    endif()
  endforeach()
endfunction()

function(_ot_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${rc}\n${out}${err}")
  endif()
endfunction()

# The members of DIR (relative to it), sorted by name in byte order, in OUT.
function(_ot_sorted_members dir out)
  file(GLOB_RECURSE members LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*")
  list(SORT members)
  set(${out} "${members}" PARENT_SCOPE)
endfunction()

# Each package is written beside itself as <package>.new and renamed over it once whole, so
# that a failure leaves the package cpack made rather than half of one.
foreach(_pkg IN LISTS PACKAGES)
  get_filename_component(_pkg "${_pkg}" ABSOLUTE)
  if(NOT EXISTS "${_pkg}")
    message(FATAL_ERROR "No package ${_pkg}")
  endif()
  set(_dir "${_pkg}.repack")
  set(_new "${_pkg}.new")
  file(REMOVE_RECURSE "${_dir}" "${_new}")
  file(MAKE_DIRECTORY "${_dir}")
  if(_pkg MATCHES "\\.deb$")
    _ot_need(dpkg-deb chmod)
    _ot_run(dpkg-deb --raw-extract "${_pkg}" "${_dir}")
    _ot_run(chmod -R u=rwX,go=rX "${_dir}")
    _ot_run(${_env} dpkg-deb --root-owner-group -Zxz --build "${_dir}" "${_new}")
  elseif(_pkg MATCHES "\\.tar\\.gz$")
    _ot_need(tar gzip)
    _ot_run(tar -xzf "${_pkg}" -C "${_dir}")
    file(GLOB _top RELATIVE "${_dir}" "${_dir}/*")
    list(SORT _top)
    execute_process(
      COMMAND ${_env} tar -C "${_dir}" --sort=name --format=gnu --owner=0 --group=0
              --numeric-owner --mtime=@${_epoch} --mode=u=rwX,go=rX -cf - -- ${_top}
      COMMAND gzip -9 -n
      OUTPUT_FILE "${_new}" RESULTS_VARIABLE _rcs ERROR_VARIABLE _err)
    if(NOT _rcs STREQUAL "0;0")
      message(FATAL_ERROR "Packing ${_pkg} again: ${_rcs}\n${_err}")
    endif()
  elseif(_pkg MATCHES "\\.zip$")
    _ot_need(zip chmod touch)
    _ot_run(${CMAKE_COMMAND} -E chdir "${_dir}" ${CMAKE_COMMAND} -E tar xf "${_pkg}")
    _ot_run(chmod -R u=rwX,go=rX "${_dir}")
    _ot_sorted_members("${_dir}" _members)
    _ot_run(${CMAKE_COMMAND} -E chdir "${_dir}" ${_env} touch -h -d @${_epoch} ${_members})
    string(REPLACE ";" "\n" _list "${_members}")
    file(WRITE "${_dir}.list" "${_list}\n")
    execute_process(COMMAND ${_env} zip -X -9 -q -@ "${_new}" WORKING_DIRECTORY "${_dir}"
                    INPUT_FILE "${_dir}.list" RESULT_VARIABLE _rc ERROR_VARIABLE _err)
    file(REMOVE "${_dir}.list")
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "zip ${_pkg}: ${_rc}\n${_err}")
    endif()
  else()
    message(FATAL_ERROR "No way to pack ${_pkg} again")
  endif()
  file(RENAME "${_new}" "${_pkg}")
  file(REMOVE_RECURSE "${_dir}")
  # A checksum cpack wrote beside a package packed again by hand is written again too.
  if(NOT DEFINED CPACK_PACKAGE_FILES AND EXISTS "${_pkg}.sha256")
    file(SHA256 "${_pkg}" _sum)
    get_filename_component(_name "${_pkg}" NAME)
    file(WRITE "${_pkg}.sha256" "${_sum}  ${_name}\n")
  endif()
endforeach()
