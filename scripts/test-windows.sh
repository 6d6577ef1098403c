#!/usr/bin/env bash
# The Windows stage of ./test.sh: cross-builds everything for x86_64 and i686 with mingw-w64
# (warnings as errors, static), then runs every x86_64 GoogleTest program under Wine's 64-bit
# loader and the scripted checks in tests/windows/ (the console, printing through the dialog
# to a PDF queue). The i686 program is started under the 32-bit loader where that is installed.
#
#   scripts/test-windows.sh [SUMMARY_FILE]
#
# Appends "windows: N passed, M failed" to SUMMARY_FILE and exits non-zero on any failure.
# Environment: OT_WINE_TIMEOUT (seconds per test program, default 300), OT_JOBS.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
per_test=${OT_WINE_TIMEOUT:-300}
b64="$root/build/win64"
b32="$root/build/win32-i686"

stage_name=windows
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"
# shellcheck source=lib/wine.sh
source "$root/scripts/lib/wine.sh"

need_tools x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix wineserver script timeout
use_wine64 || { fail "no 64-bit Wine loader"; finish; }
# Without its prelinked loader Wine fails or stalls at random: say so once, up front.
wine_preloader "$OT_WINE" >/dev/null || {
  fail "$OT_WINE-preloader is missing (the wine64-preloader package: scripts/bootstrap.sh windows)"
  finish
}
log "Wine: $OT_WINE"

configure_and_build() {  # PRESET DIR
  mkdir -p "$2"
  quietly "$2/configure.log" cmake -S "$root" --preset "$1" || return 1
  cmake --build "$2" -j "$jobs"
}

log "building x86_64"
configure_and_build win64 "$b64" || { fail "x86_64 build"; finish; }
log "building i686"
configure_and_build win32 "$b32" || { fail "i686 build"; finish; }

# A private Wine prefix, kept between runs (creating one takes a while and ~700 MB).
export WINEPREFIX="$b64/wineprefix" WINEARCH=win64 WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
cleanup() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  log "creating the Wine prefix"
  rm -rf "$WINEPREFIX"
  timeout 300 "$OT_WINE" wineboot -i >/dev/null 2>&1 </dev/null || { fail "wineboot"; finish; }
fi
export OT_WINEPREFIX="$WINEPREFIX"

results="$b64/wine-results"
rm -rf "$results"
mkdir -p "$results"

# Runs one program under Wine inside a pseudo-terminal: Wine gives a program a console only
# when one of its standard handles is a terminal, so standard error stays on the pty (kept in
# LOG.pty) while standard output goes to LOG.
run_in_pty() {  # LOG DIR EXE ARGS...
  local out=$1 dir=$2 exe=$3
  shift 3
  local cmd
  cmd="cd $(printf %q "$dir") && $(printf %q "$OT_WINE") $(printf %q "$exe")"
  for a in "$@"; do cmd+=" $(printf %q "$a")"; done
  cmd+=" </dev/null >$(printf %q "$out")"
  timeout -k 10 "$per_test" script -qec "$cmd" /dev/null </dev/null >"$out.pty" 2>&1
}

# Per-program GoogleTest filters for the Wine run ("program: filter" lines), for tests whose
# cost under Wine is out of all proportion (each console call is a round trip to Wine's
# console host); their reasons are written next to them.
wine_filter() {  # PROGRAM
  sed -n "s/^$1: *//p" "$root/tests/windows/wine_filters.txt" 2>/dev/null | head -1
}

mapfile -t programs < <(find "$b64/tests" -name '*.exe' -not -path '*/CMakeFiles/*' | sort)
for exe in "${programs[@]}"; do
  name=$(basename "$exe" .exe)
  # Only GoogleTest programs are run here; helper programs are driven by the checks below.
  if ! grep -qa -- 'gtest_output' "$exe"; then continue; fi
  out="$results/$name.log"
  args=(--gtest_color=no)
  filter=$(wine_filter "$name")
  [ -n "$filter" ] && args+=("--gtest_filter=$filter")
  started=$SECONDS
  run_in_pty "$out" "$(dirname "$exe")" "$(basename "$exe")" "${args[@]}"
  rc=$?
  p=$(sed -n 's/^\[  PASSED  \] \([0-9][0-9]*\) test.*/\1/p' "$out" | tail -1)
  f=$(sed -n 's/^\[  FAILED  \] \([0-9][0-9]*\) test.*/\1/p' "$out" | tail -1)
  p=${p:-0}
  f=${f:-0}
  sk=$(sed -n 's/^\[  SKIPPED \] \([0-9][0-9]*\) test.*/\1/p' "$out" | tail -1)
  [ -n "$sk" ] && log "$name: $sk skipped"
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    f=1  # crashed, timed out or failed outside a test
    log "$name: exit code $rc"
  elif ! grep -q '^\[==========\] .* ran' "$out" && [ "$f" -eq 0 ]; then
    f=1  # never got to the end of its run (Wine could not start it)
    log "$name: no test results"
  fi
  passed=$((passed + p))
  failed=$((failed + f))
  log "$name: $p passed, $f failed ($((SECONDS - started)) s)"
  if [ "$f" -ne 0 ]; then
    grep -E -A6 '^\[  FAILED  \]|Failure' "$out" | head -60
    tail -5 "$out.pty"
  fi
done

# Scripted checks (console drawing in a tmux pane, exit codes): each prints its verdict and
# exits non-zero on failure.
for check in "$root"/tests/windows/*.sh "$root"/tests/e2e/windows_app_*.sh; do
  [ -x "$check" ] || continue
  name=$(basename "$check" .sh)
  started=$SECONDS
  timeout -k 10 "$per_test" "$check" "$b64" >"$results/$name.log" 2>&1
  rc=$?
  if [ "$rc" -eq 0 ]; then
    pass "$name ($((SECONDS - started)) s)"
  elif [ "$rc" -eq 77 ]; then
    skip "$name: $(tail -1 "$results/$name.log")"
  else
    fail "$name"
    tail -40 "$results/$name.log"
  fi
done

# The i686 program under the 32-bit loader, in the same prefix: it starts, answers --version,
# and with no console ends at once with its one line and exit code 1.
if wine32=$(wine_loader 32); then
  exe32="$b32/src/orvane-table.exe"
  if ! wine_preloader "$wine32" >/dev/null; then
    fail "$wine32-preloader is missing (the wine32-preloader package: scripts/bootstrap.sh windows)"
  else
    version=$(WINELOADER=$wine32 timeout 120 "$wine32" "$exe32" --version </dev/null 2>&1)
    if [[ $version == "orvane-table "* ]]; then pass "i686: --version ($version)"; else
      fail "i686: --version: $version"
    fi
    WINELOADER=$wine32 setsid -w timeout 120 "$wine32" "$exe32" </dev/null >/dev/null \
      2>"$results/i686-no-console.err"
    rc=$?
    if [ "$rc" -eq 1 ] && grep -q "no console" "$results/i686-no-console.err"; then
      pass "i686: no console: exit code 1 and its message"
    else
      fail "i686: no console: exit code $rc, $(head -c 300 "$results/i686-no-console.err")"
    fi
  fi
else
  log "the i686 program not run: no 32-bit Wine loader (the wine32-preloader package brings it)"
fi

stage_notes="logs in $results"
finish
