#!/usr/bin/env bash
# The reproducible-build stage of ./test.sh: the .deb, the Linux tarball and the Windows zips
# (64- and 32-bit) built twice from the same sources must be the same bytes.
#   - The first copy is the release and package stages' build (build/linux-release,
#     build/win64, build/win32-i686, configured here when missing), brought up to date for
#     what the packages hold, packed with umask 022, LC_ALL=C.UTF-8 and TZ=UTC.
#   - The second copy is the checkout's files copied to another folder (a path of another
#     length), built from nothing without a compiler cache, only what the packages hold (the
#     program, the printing module, the docs; no tests), later, with umask 027, another
#     locale and TZ 14 hours east.
#   - Both use SOURCE_DATE_EPOCH: the caller's, else the time of the last commit.
#   - Each pair is compared with cmp; on a difference diffoscope shows where, and both
#     packages are kept in build/reproducible/.
#   - Packing a package again by hand (cmake -P cmake/OrvaneRepack.cmake, as the Debian 11
#     root does) gives the same bytes; without SOURCE_DATE_EPOCH or git history it leaves the
#     package as it was and says so.
#   - The comparison is proven to catch a planted time stamp: the second copy's packages are
#     made again with SOURCE_DATE_EPOCH a day later, and each must differ from the first.
# The tarball handed out is built in a Debian 11 root by scripts/build-tarball.sh, by the same
# CMake packaging and the same flags; this stage builds the tarball's contents on this machine
# (a root needs root, debootstrap and twice the build: see README, "Checking a package").
#
#   scripts/test-reproducible.sh [SUMMARY_FILE]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=reproducible
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"
need_tools cmake git cmp tar gzip dpkg-deb zip

work=$(mktemp -d "${TMPDIR:-/tmp}/ot-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
kept="$root/build/reproducible"
rm -rf "$kept"  # the differing packages of an earlier run

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null)}
if ! [[ "$epoch" =~ ^[0-9]+$ ]]; then
  fail "no SOURCE_DATE_EPOCH and no last commit to take it from"
  finish
fi
export SOURCE_DATE_EPOCH=$epoch
log "SOURCE_DATE_EPOCH=$epoch ($(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC'))"

# A locale other than the first copy's: one that sorts differently when there is one.
other_locale=POSIX
for l in de_DE.UTF-8 fr_FR.UTF-8 en_US.UTF-8; do
  if locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}"; then
    other_locale=$l
    break
  fi
done

# The packages of each build and where cpack writes them.
linux_packages=(DEB TGZ)
targets=(linux win64 win32)
declare -A preset=([linux]=linux-release [win64]=win64 [win32]=win32)
declare -A folder=([linux]=linux-release [win64]=win64 [win32]=win32-i686)
# What the packages hold, for a build tree that also builds tests or benchmarks.
declare -A packaged=(
  [linux]="orvane-table orvane-table-printing orvane-table-portable orvane-table-docs orvane-table-install-text"
  [win64]="orvane-table" [win32]="orvane-table")

# build_tree SRC WHICH LOG [CMAKE_OPTION...]: configures (when not yet configured) and builds
# what WHICH's packages hold.
build_tree() {
  local src=$1 which=$2 out=$3
  shift 3
  local b="$src/build/${folder[$which]}"
  if [ ! -f "$b/CMakeCache.txt" ]; then
    quietly "$out" cmake -S "$src" --preset "${preset[$which]}" -DOT_BUILD_TESTS=OFF "$@" ||
      return 1
  fi
  # shellcheck disable=SC2086 # a list of target names
  quietly "$out" cmake --build "$b" -j "$jobs" --target ${packaged[$which]}
}

# pack SRC WHICH DEST: the packages of WHICH's build tree in SRC, copied to DEST.
pack() {
  local b="$1/build/${folder[$2]}" dest=$3 gens
  if [ "$2" = linux ]; then gens=$(IFS=';' && echo "${linux_packages[*]}"); else gens=ZIP; fi
  rm -rf "$b/packages" "$b/_CPack_Packages"
  mkdir -p "$dest"
  (cd "$b" && quietly "$work/cpack-$2.log" cpack -G "$gens") &&
    find "$b/packages" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.tar.gz' -o -name '*.zip' \) \
      -exec cp {} "$dest/" \;
}

# differs A B QUIET: 0 when the two packages differ. Unless QUIET, shows where with
# diffoscope (or the members' listings when it is missing).
differs() {
  cmp -s "$1" "$2" && return 1
  [ "${3:-}" = quiet ] && return 0
  if command -v diffoscope >/dev/null; then
    timeout 300 diffoscope --no-progress --text - "$1" "$2" 2>&1 | head -n 150 | sed -e 's/^/  | /'
  else
    diff <(cmake -E tar tvf "$1" 2>&1) <(cmake -E tar tvf "$2" 2>&1) | head -n 80 | sed -e 's/^/  | /'
  fi
  return 0
}

# --- the first copy: the release and package stages' trees --------------------------------
first_start=$SECONDS
for which in "${targets[@]}"; do
  # shellcheck disable=SC2030 # each copy's environment is its subshell's alone
  if (umask 022 && export LC_ALL=C.UTF-8 TZ=UTC &&
    build_tree "$root" "$which" "$work/first-$which.log" &&
    pack "$root" "$which" "$work/first"); then
    pass "first copy of the $which packages ($root/build/${folder[$which]})"
  else
    fail "first copy of the $which packages"
  fi
done
first_time=$((SECONDS - first_start))

# --- the second copy: the same files in another folder, built from nothing -------------------
copy="$work/second/a-longer-folder-name/orvane-table"
mkdir -p "$copy"
# The files git knows and the new ones it does not ignore, as they are in the checkout now
# (a file deleted but not yet committed is left out).
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$copy"
second_start=$SECONDS
for which in "${targets[@]}"; do
  # shellcheck disable=SC2031 # each copy's environment is its subshell's alone
  if (umask 027 && export LC_ALL=$other_locale TZ=XST-14 CCACHE_DISABLE=1 &&
    unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER &&
    build_tree "$copy" "$which" "$work/second-$which.log" &&
    pack "$copy" "$which" "$work/second"); then
    pass "second copy of the $which packages (umask 027, LC_ALL=$other_locale, TZ=XST-14, no cache)"
  else
    fail "second copy of the $which packages"
  fi
done
stage_notes="first copy $first_time s, second $((SECONDS - second_start)) s"

# --- the same bytes --------------------------------------------------------------------------
count=0
for p in "$work/first"/*; do
  [ -f "$p" ] || continue
  name=$(basename "$p")
  count=$((count + 1))
  if [ ! -f "$work/second/$name" ]; then
    fail "$name: the second copy made none"
  elif differs "$p" "$work/second/$name"; then
    fail "$name differs between the two copies (both kept in $kept/)"
    mkdir -p "$kept/first" "$kept/second"
    cp "$p" "$kept/first/" && cp "$work/second/$name" "$kept/second/"
  else
    pass "$name: the same bytes twice ($(sha256sum <"$p" | cut -c1-16)…)"
  fi
done
[ "$count" -eq 4 ] || fail "expected 4 packages (.deb, tarball, two zips), the first copy made $count"

# --- packing again by hand changes nothing ----------------------------------------------------
# What scripts/build-tarball.sh does with CMake 3.18, whose cpack runs no script afterwards.
mkdir -p "$work/again"
again=0
for p in "$work/first"/*; do
  [ -f "$p" ] || continue
  cp "$p" "$work/again/"
  if quietly "$work/again.log" cmake -DPACKAGES="$work/again/$(basename "$p")" \
    -DSOURCE_DIR="$root" -P "$root/cmake/OrvaneRepack.cmake" &&
    ! differs "$p" "$work/again/$(basename "$p")"; then
    again=$((again + 1))
  else
    fail "$(basename "$p") packed again by hand is not the same bytes"
  fi
done
[ "$again" -eq "$count" ] && pass "each package packed again by hand (cmake -P cmake/OrvaneRepack.cmake) is the same bytes"
# Sources with no git history and no SOURCE_DATE_EPOCH: the package is left as it was, with a
# warning that says how to make it reproducible.
tgz=$(find "$work/again" -name '*.tar.gz' | head -1)
if [ -n "$tgz" ]; then
  cp "$tgz" "$work/no-epoch.tar.gz"
  mkdir -p "$work/no-git"
  # (git looks no higher than the work folder, which may lie inside some checkout.)
  if out=$(env -u SOURCE_DATE_EPOCH GIT_CEILING_DIRECTORIES="$work" cmake \
    -DPACKAGES="$work/no-epoch.tar.gz" -DSOURCE_DIR="$work/no-git" \
    -P "$root/cmake/OrvaneRepack.cmake" 2>&1) &&
    grep -q 'not reproducible.*Set SOURCE_DATE_EPOCH' <<<"$(tr -s '\n ' '  ' <<<"$out")" &&
    ! differs "$tgz" "$work/no-epoch.tar.gz" quiet; then
    pass "without SOURCE_DATE_EPOCH or git history a package is left as cpack made it, with a warning"
  else
    fail "without SOURCE_DATE_EPOCH or git history: ${out//$'\n'/$'\n'  | }"
  fi
fi

# --- a planted time stamp is caught ----------------------------------------------------------
# A day later: a zip keeps DOS times, to two seconds, so a second might round to the same.
planted_shift=86400
caught=0
planted=0
for which in "${targets[@]}"; do
  (export SOURCE_DATE_EPOCH=$((epoch + planted_shift)) && pack "$copy" "$which" "$work/planted") || continue
done
for p in "$work/planted"/*; do
  [ -f "$p" ] || continue
  planted=$((planted + 1))
  name=$(basename "$p")
  if [ -f "$work/first/$name" ] && differs "$work/first/$name" "$p" quiet; then
    caught=$((caught + 1))
  else
    fail "$name made with SOURCE_DATE_EPOCH a day later is not told apart"
  fi
done
if [ "$planted" -eq "$count" ] && [ "$caught" -eq "$planted" ]; then
  pass "each of the $planted packages made with SOURCE_DATE_EPOCH a day later differs"
else
  fail "a planted time stamp: $caught of $planted packages told apart (of $count)"
fi
# And diffoscope points at it: the tarball's members carry the planted time.
tgz=$(find "$work/planted" -name '*.tar.gz' | head -1)
if [ -n "$tgz" ] && command -v diffoscope >/dev/null; then
  when=$(date -u -d "@$((epoch + planted_shift))" '+%Y-%m-%d %H:%M:%S')
  timeout 300 diffoscope --no-progress --text - "$work/first/$(basename "$tgz")" "$tgz" \
    >"$work/planted.diff" 2>&1
  if grep -q "^│.*+.*$when" "$work/planted.diff"; then
    pass "diffoscope shows the planted time $when in the tarball's file list"
  else
    fail "diffoscope does not show the planted time $when in the tarball"
  fi
fi
finish
