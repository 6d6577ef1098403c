#!/usr/bin/env bash
# The end-to-end walk of orvane-table.exe under Wine in a private 80 x 50 tmux pane: every
# screen read back with capture-pane -e and compared cell by cell (the same pictures as the
# POSIX walk), the results file written under the Wine prefix's drive_c/TEMP byte for byte,
# the exit code and the terminal state afterwards.
#
#   tests/e2e/windows_app_walk.sh BUILD_DIR   (the x86_64 build; WINEPREFIX from the caller)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: windows_app_walk.sh BUILD_DIR}" && pwd)
exe="$build/src/orvane-table.exe"
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 1; }
export WINEARCH=win64 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=../../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
use_wine64 || exit 1

# shellcheck source=e2e_case.sh
. "$(dirname "${BASH_SOURCE[0]}")/e2e_case.sh"

# The screen pictures and the expected file come from the same checker as the POSIX walk,
# built here for this machine.
checker="$work/app_pane_check"
g++ -std=c++20 -O1 -I"$root/tests" -o "$checker" "$root/tests/e2e/app_pane_check.cpp" \
  "$root/tests/app/pictures.cpp" || { echo "cannot build the pane checker"; exit 1; }

name="WINE-WALK-$$"
drive_c="$WINEPREFIX/drive_c"
find "$drive_c" -maxdepth 2 -ipath "$drive_c/temp/$name.txt" -delete 2>/dev/null

new_pane "cd '$work' && '$OT_WINE' '$exe'; echo \$? >rc.txt; stty -a >stty.txt; sleep 600" ||
  fail "tmux does not start"
started=1
# Each screen within 30 s under Wine.
screen_wait=30

screen_wait=90 expect_screen main  # Wine's first start can be slow
T send-keys G
expect_screen main
T send-keys f
expect_screen entry
type_line "${name,,}"
expect_screen menu-box "$name"
saved=$(find "$drive_c" -maxdepth 2 -ipath "$drive_c/temp/$name.txt" | head -1)
[ -n "$saved" ] || fail "no $name.TXT under $drive_c/TEMP"
"$checker" results-file >"$work/expected"
cmp -s "$work/expected" "$saved" || fail "$saved differs from the expected results"
rm -f "$saved"
T send-keys S
expect_screen entry
type_line "file"
expect_screen menu
T send-keys g
expect_screen main
T send-keys Tab
expect_screen refusal
T send-keys Space
expect_screen main
T send-keys X
expect_screen farewell
for ((i = 0; i < 100; i++)); do [ -s "$work/stty.txt" ] && break; sleep 0.2; done
[ "$(cat "$work/rc.txt" 2>/dev/null)" = 0 ] || fail "exit code $(cat "$work/rc.txt" 2>/dev/null)"
grep -qE '(^| )icanon( |;|$)' "$work/stty.txt" && grep -qE '(^| )echo( |;|$)' "$work/stty.txt" ||
  fail "terminal not back in canonical mode with echo"
echo "the Windows walk passed"
