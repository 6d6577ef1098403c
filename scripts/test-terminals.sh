#!/usr/bin/env bash
# The terminal matrix stage of ./test.sh: the program (the sanitizer build) on a private
# pseudo-terminal for each TERM (xterm-256color, screen-256color, tmux-256color, linux,
# rxvt-unicode-256color, dumb) x locale (C.UTF-8, C, en_US.ISO-8859-1) x size (80x50,
# 80x24), each cell read back by an independent terminal model (python3-pyte); see
# tests/e2e/terminal_matrix.py for what each case checks. Then the program in a real terminal
# emulator, xterm under Xvfb (scripts/screenshots.sh --check): the screens' text against
# doc/screenshots/, the window's size, cursor style and modes after the exit.
#
#   scripts/test-terminals.sh [SUMMARY_FILE]
#
# MATRIX_ONLY="linux 80x24" runs the cases matching every word given.
# en_US.ISO-8859-1 is generated into a private folder (LOCPATH) when the system lacks it.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
build="$root/build/linux-asan"
python=/usr/bin/python3

stage_name=terminals
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" -c 'import pyte' 2>/dev/null || { fail "python3-pyte is not installed"; finish; }
quietly "$work/configure.log" cmake -S "$root" --preset linux-asan || { fail "configure"; finish; }
cmake --build "$build" --target orvane-table app_pane_check || { fail "build"; finish; }
program="$build/src/orvane-table"
checker="$build/tests/app/app_pane_check"

locpath=""
if [ "$(LC_ALL=en_US.ISO-8859-1 locale charmap 2>/dev/null)" != ISO-8859-1 ]; then
  locpath="$work/locales"
  mkdir -p "$locpath"
  localedef -i en_US -f ISO-8859-1 "$locpath/en_US.ISO-8859-1" >"$work/localedef.log" 2>&1
  [ "$(LOCPATH=$locpath LC_ALL=en_US.ISO-8859-1 locale charmap 2>/dev/null)" = ISO-8859-1 ] ||
    { cat "$work/localedef.log"; fail "cannot make the en_US.ISO-8859-1 locale"; finish; }
fi

mkdir -p "$work/cases"
start=$(date +%s)
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$python" "$root/tests/e2e/terminal_matrix.py" "$program" "$checker" "$work/cases" "$locpath" |
  tee "$work/matrix.log"
rc=${PIPESTATUS[0]}
seconds=$(($(date +%s) - start))
cases=$(grep -cE '^(ok|FAIL) ' "$work/matrix.log")
bad=$(grep -c '^FAIL ' "$work/matrix.log")
passed=$((cases - bad))
failed=$bad
[ "$rc" -ne 0 ] && [ "$bad" -eq 0 ] && fail "the terminal matrix ended with status $rc"
stage_notes="$cases cases (6 TERM x 3 locales x 2 sizes) in ${seconds}s"
[ "$failed" -eq 0 ] || finish

start=$(date +%s)
ASAN_OPTIONS=detect_leaks=1 "$root/scripts/screenshots.sh" --check "$program" | tee "$work/xterm.log"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 77 ]; then
  skip "xterm: $(grep -o 'skipped: .*' "$work/xterm.log" | head -1)"
elif [ "$rc" -ne 0 ]; then
  fail "xterm under Xvfb: $(grep -o 'FAIL: .*' "$work/xterm.log" | head -1)"
else
  pass "xterm under Xvfb"
  stage_notes="$stage_notes; xterm under Xvfb in $(($(date +%s) - start))s"
fi
finish
