#!/usr/bin/env bash
# The first stage of ./test.sh: the README's run command as a newcomer meets it.
#   1. ./run.sh --version builds the program and prints "orvane-table <version>" (the
#      project's version), exit status 0; ./run.sh --help names the default folder of C:.
#   2. ./run.sh in an 80 x 50 tmux pane shows the main screen whole (banner, table, examples,
#      "User Options - Main", no request for a larger window); X ends it with exit status 0,
#      and the terminal is as before: the same stty settings, the normal screen (not the
#      alternate one), the cursor shown, no mouse or application-keypad modes left on, and
#      none of the program's screen left behind.
#
#   scripts/test-first-run.sh [SUMMARY_FILE]
#
# Appends "first-run: N passed, M failed" and the times to SUMMARY_FILE.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=first-run
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

command -v tmux >/dev/null || {
  fail "tmux is missing (run scripts/bootstrap.sh)"
  finish
}

work=$(mktemp -d "${TMPDIR:-/tmp}/ot-first-run.XXXXXX")
# shellcheck source=../tests/e2e/tmux_pane.sh
source "$root/tests/e2e/tmux_pane.sh"
cleanup() {
  kill_panes
  rm -rf "$work"
}
trap cleanup EXIT

version=$(sed -n 's/^project(orvane-table VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# --- 1. ./run.sh --version and --help -------------------------------------------------
start=$SECONDS
out=$("$root/run.sh" --version 2>"$work/version.err")
rc=$?
stage_notes="build and --version $((SECONDS - start)) s"
if [ "$rc" -eq 0 ] && [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]]; then
  pass "./run.sh --version prints '$out', exit status 0"
else
  fail "./run.sh --version: exit status $rc, printed '$out' (want 'orvane-table $version')"
  sed -e 's/^/  | /' "$work/version.err" | tail -30
  finish  # nothing else can work without the program
fi
help=$("$root/run.sh" --help 2>&1)
rc=$?
if [ "$rc" -eq 0 ] && grep -qF 'ORVANE_DRIVE_C' <<<"$help" &&
  grep -qF '.local/share/orvane-table/drive_c' <<<"$help"; then
  pass "./run.sh --help names the folder of C:, exit status 0"
else
  fail "./run.sh --help: exit status $rc, printed:"
  # shellcheck disable=SC2001 # a prefix on every line
  sed -e 's/^/  | /' <<<"$help"
fi

# --- 2. ./run.sh in an 80 x 50 pane -------------------------------------------------------
new_pane "env PS1='$ ' XDG_DATA_HOME='$work/data' sh" || {
  fail "tmux does not start"
  finish
}
mode() { T display-message -p "$1"; }
type_line "cd '$root' && stty -g >'$work/stty-before'; echo READY"
pane_shows READY 10 || fail "the shell in the pane does not answer"

start=$SECONDS
type_line "clear; ./run.sh; echo EXIT=\$?"
if pane_shows "User Options - Main" 300; then
  stage_notes="$stage_notes, ./run.sh to the main screen $((SECONDS - start)) s"
  sleep 0.3  # the rest of the frame, should it come in a second write
  shown=$(screen)
  missing=""
  for text in "Orvane-Table :: " "Numbers Cubed (Raised to the power of 3, see examples)" \
    "No.  Cubed" "EXAMPLES" "729 is 9 cubed" "970,299" "Press A Letter" "Exit This Program"; do
    grep -qF -- "$text" <<<"$shown" || missing="$missing '$text'"
  done
  size="$(mode '#{pane_width}x#{pane_height}')"
  if [ -z "$missing" ] && [ "$size" = 80x50 ] && ! grep -qF "at least" <<<"$shown"; then
    pass "./run.sh shows the whole main screen in an 80 x 50 pane"
  else
    fail "the main screen in a $size pane lacks:${missing:- nothing}"
    show_pane
  fi
  [ "$(mode '#{alternate_on}')" = 1 ] && pass "the program draws on the alternate screen" ||
    fail "the program does not use the alternate screen"
  T send-keys X
  if pane_shows "EXIT=" 20; then
    if screen | tr -d ' ' | grep -qx "EXIT=0"; then
      pass "X ends the program with exit status 0"
    else
      fail "X ends the program with $(screen | tr -d ' ' | grep -o 'EXIT=[0-9]*')"
    fi
  else
    fail "X does not end the program"
    show_pane
  fi
else
  fail "./run.sh does not show the main screen within 300 s"
  show_pane
fi

# The terminal as it was before the program ran.
type_line "stty -g >'$work/stty-after'; echo STTY-DONE"
if pane_shows STTY-DONE 10 && cmp -s "$work/stty-before" "$work/stty-after"; then
  pass "the terminal settings are restored (stty -g as before)"
else
  fail "the terminal settings differ: before $(cat "$work/stty-before" 2>/dev/null), after $(cat "$work/stty-after" 2>/dev/null)"
fi
modes=$(mode 'alt=#{alternate_on} cursor=#{cursor_flag} keypad=#{keypad_flag} mouse=#{mouse_any_flag}#{mouse_standard_flag}#{mouse_button_flag}')
if [ "$modes" = "alt=0 cursor=1 keypad=0 mouse=000" ]; then
  pass "the normal screen, the cursor shown, no keypad or mouse mode left on"
else
  fail "terminal modes after the program: $modes"
fi
if screen | grep -qF "User Options"; then
  fail "the program's screen was left on the terminal"
  show_pane
else
  pass "none of the program's screen is left behind"
fi

finish
