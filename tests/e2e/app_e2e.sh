#!/usr/bin/env bash
# End-to-end walks through orvane-table in a real terminal: a private tmux server with an
# 80 x 50 pane runs the program with drive C: mapped to a temporary folder; keys are sent
# with send-keys and every screen is read back with its colours and compared cell by cell.
#   app_e2e.sh CASE PROGRAM CHECKER
# CASE: walk (main, redraw, save, refused name, file menu, refusal screen, farewell),
# temp-lower (an existing lower-case temp folder), temp-file (a file where the folder goes),
# no-printing / broken-printing (a copy of the program without its printing module, or with
# a broken one: the print dialog offers nothing, says why, and printing ends as cancelled),
# typed-ahead (keys for the print dialog sent in one write with the key that opens it),
# sandbox (Linux: gdb attaches to the program waiting on its main screen and makes it create
# and remove a file outside the drive and start /bin/true, each refused; a save right after
# works; /proc shows no new privileges and a seccomp filter, and ORVANE_SANDBOX=off lifts it).
# Exits 0 on success, 77 when tmux (or, for sandbox, gdb or the right to attach) is missing,
# 1 on a failure.
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
# program_pid: the process id of the program the pane's shell runs.
program_pid() {
  local pid
  pid=$(pgrep -P "$(T display -p '#{pane_pid}')" | head -n 1)
  [ -n "$pid" ] || fail "the program's process is not found"
  echo "$pid"
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
  sandbox)
    [ "$(uname -s)" = Linux ] || { echo "the sandbox is Linux's"; exit 77; }
    command -v gdb >/dev/null 2>&1 || { echo "gdb is not installed"; exit 77; }
    scope=$(cat /proc/sys/kernel/yama/ptrace_scope 2>/dev/null || echo 0)
    if [ "$scope" -ge 3 ] || { [ "$scope" -ge 1 ] && [ "$(id -u)" -ne 0 ]; }; then
      echo "ptrace_scope $scope: this user may not attach to the program"
      exit 77
    fi
    mkdir "$work/outside"
    printf 'keep me' >"$work/outside/victim"
    # The strings of gdb's calls are left allocated in the program: no leak check for them.
    extra_env="ASAN_OPTIONS=detect_leaks=0"
    start_program
    pid=$(program_pid)
    status=$(cat "/proc/$pid/status")
    grep -qx $'NoNewPrivs:\t1' <<<"$status" || fail "NoNewPrivs is not 1: $(grep NoNew <<<"$status")"
    grep -qx $'Seccomp:\t2' <<<"$status" || fail "no seccomp filter: $(grep Seccomp: <<<"$status")"
    # Each call is printed, then errno: "$1 = -1", "$2 = 13". The first call, inside the
    # drive, proves that the calls are made at all. O_WRONLY | O_CREAT is 0101.
    timeout 60 gdb -nx -batch -p "$pid" \
      -ex "print (int) open(\"$drive/inside\", 0101, 0600)" \
      -ex 'print *(int *) __errno_location()' \
      -ex "print (int) open(\"$work/outside/made\", 0101, 0600)" \
      -ex 'print *(int *) __errno_location()' \
      -ex "print (int) unlink(\"$work/outside/victim\")" \
      -ex 'print *(int *) __errno_location()' \
      -ex 'print (int) execve("/bin/true", 0, 0)' \
      -ex 'print *(int *) __errno_location()' \
      -ex detach >"$work/gdb.out" 2>&1
    values=$(sed -n 's/^\$[0-9]* = //p' "$work/gdb.out" | tr '\n' ' ')
    read -r fd _ create create_errno remove remove_errno run run_errno <<<"$values"
    [ -n "${run_errno:-}" ] || fail "gdb made no calls: $(cat "$work/gdb.out")"
    [ "$fd" -ge 0 ] || fail "creating a file in the drive failed under gdb: $values"
    [ "$create $create_errno" = "-1 13" ] || fail "open(O_CREAT) outside the drive: $create, errno $create_errno (want -1, EACCES)"
    [ "$remove $remove_errno" = "-1 13" ] || fail "unlink outside the drive: $remove, errno $remove_errno (want -1, EACCES)"
    [ "$run $run_errno" = "-1 1" ] || fail "execve /bin/true: $run, errno $run_errno (want -1, EPERM)"
    [ -e "$work/outside/made" ] && fail "a file was made outside the drive"
    [ "$(cat "$work/outside/victim")" = "keep me" ] || fail "the file outside the drive was removed"
    [ -e "$drive/inside" ] || fail "the file inside the drive was not made"
    # The program goes on as before: a save right after the attach.
    T send-keys F
    expect_screen entry
    type_line "after"
    expect_screen menu-box AFTER
    expect_file "$drive/Temp/AFTER.TXT"
    T send-keys X
    expect_end
    # Turned off through the environment: no filter.
    type_line clear
    extra_env="ORVANE_SANDBOX=off"
    start_program
    grep -q $'^Seccomp:\t0' "/proc/$(program_pid)/status" || fail "ORVANE_SANDBOX=off still filters"
    T send-keys X
    expect_end
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok"
