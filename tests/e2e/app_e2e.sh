#!/usr/bin/env bash
# End-to-end walks through orvane-table in a real terminal: a private tmux server with an
# 80 x 50 pane runs the program with drive C: mapped to a temporary folder; keys are sent
# with send-keys and every screen is read back with its colours and compared cell by cell.
#   app_e2e.sh CASE PROGRAM CHECKER
# CASE: walk (main, redraw, save, refused name, file menu, refusal screen, farewell),
# temp-lower (an existing lower-case temp folder), temp-file (a file where the folder goes),
# no-printing / broken-printing (a copy of the program without its printing module, or with
# a broken one: the print dialog offers nothing, says why, and printing ends as cancelled),
# typed-ahead (keys for the print dialog sent in one write with the key that opens it).
# Exits 0 on success, 77 when tmux is missing, 1 on a failure.
set -u
case_name=$1
program=$2
checker=$3

command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }

# shellcheck source=e2e_case.sh
. "$(dirname "${BASH_SOURCE[0]}")/e2e_case.sh"
drive="$work/drive_c"
mkdir -p "$drive"

new_pane "env PS1='$ ' sh" || fail "tmux does not start"
started=1

start_program() {
  type_line "clear; ORVANE_DRIVE_C='$drive' LANG=C.UTF-8 ${extra_env:-} '$program'; echo EXIT=\$?"
  expect_screen main
}
# The farewell, then exit code 0 and the terminal back in canonical mode with echo.
expect_end() {
  expect_screen farewell
  wait_exit 10
  grep -qx "EXIT=0" <(screen | tr -d ' ') || fail "the program did not end with exit code 0"
  type_line "stty -a >'$work/stty'; echo STTY-\\DONE"
  wait_for "STTY-DONE"
  local words
  # shellcheck disable=SC2020 # spaces and semicolons both become line breaks
  words=$(tr ' ;' '\n\n' <"$work/stty")
  echo "$words" | grep -qx icanon || fail "terminal left without canonical mode"
  echo "$words" | grep -qx echo || fail "terminal left without echo"
  screen | grep -qF "User Options" && fail "the program's screen was left on the terminal"
  return 0
}
expect_file() {  # expect_file PATH: the results file, byte for byte
  [ -f "$1" ] || fail "no file $1 (drive: $(cd "$drive" && find . | tr '\n' ' '))"
  "$checker" results-file >"$work/expected"
  cmp -s "$work/expected" "$1" || fail "$1 differs from the expected results"
}

case "$case_name" in
  walk)
    start_program
    T send-keys G
    expect_screen main
    T send-keys f
    expect_screen entry
    type_line "my file!"
    expect_screen menu-box MYFILE
    expect_file "$drive/Temp/MYFILE.TXT"
    T send-keys S
    expect_screen entry
    type_line "abcd"  # too short: asked again
    expect_screen entry
    type_line "file"
    expect_screen menu
    T send-keys g
    expect_screen main
    T send-keys Tab
    expect_screen refusal
    T send-keys Space
    expect_screen main
    T send-keys F10
    expect_screen main
    T send-keys X
    expect_end
    ;;
  temp-lower)
    mkdir "$drive/temp"
    start_program
    T send-keys F
    expect_screen entry
    type_line "file-1"
    expect_screen menu-box FILE-1
    expect_file "$drive/temp/FILE-1.TXT"
    [ "$(ls "$drive")" = temp ] || fail "a second folder was made: $(ls "$drive")"
    T send-keys F12
    expect_end
    ;;
  temp-file)
    printf 'not a folder' >"$drive/Temp"
    start_program
    T send-keys F
    expect_screen entry
    type_line "abcde"
    expect_screen menu-box ABCDE 76
    [ "$(cat "$drive/Temp")" = "not a folder" ] || fail "the file in place of the folder changed"
    T send-keys x
    expect_end
    ;;
  no-printing | broken-printing)
    # The program looks for its module beside its own file: a copy elsewhere has none.
    mkdir -p "$work/bin" "$work/lib/orvane-table"
    cp "$program" "$work/bin/orvane-table"
    program="$work/bin/orvane-table"
    reason="not installed"
    if [ "$case_name" = broken-printing ]; then
      printf 'not a shared object' >"$work/lib/orvane-table/orvane-table-printing.so"
      reason="cannot be loaded"
    fi
    start_program
    T send-keys P
    wait_for "Print It"
    T send-keys Y
    wait_for "Printing is not available"
    wait_for "$reason"
    screen | grep -qF "Save as PDF" && fail "the dialog offers Save as PDF without its module"
    T send-keys Escape
    wait_for "Printing Cancelled"
    [ -z "$(ls "$drive")" ] || fail "something was written: $(ls -R "$drive")"
    T send-keys X
    expect_end
    ;;
  typed-ahead)
    # No print server: "Save as PDF" is the dialog's choice. Y and Enter in one write open
    # the dialog and print; Y, Y and Esc in one write open one dialog and cancel it.
    extra_env="CUPS_SERVER='$work/no-cups.sock'"
    start_program
    T send-keys P
    wait_for "Print It"
    T send-keys Y Enter
    wait_for "Printing Completed" 30
    pdfs() { find "$drive" -name '*.PDF' | wc -l; }
    [ "$(pdfs)" = 1 ] || fail "Y and Enter typed ahead made $(pdfs) PDF files"
    sleep 2  # the completed print's pause
    T send-keys Y Y Escape
    wait_for "Printing Cancelled"
    sleep 3
    screen | grep -qF "Save as PDF" && fail "a second dialog opened by itself"
    [ "$(pdfs)" = 1 ] || fail "the cancelled dialog printed"
    T send-keys X
    expect_end
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok"
