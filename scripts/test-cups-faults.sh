#!/usr/bin/env bash
# The printing faults stage of ./test.sh: the real program and a private CUPS server that
# misbehaves. Checks that a stopped server (SIGSTOP) never makes the program wait more than a
# few seconds nor ignore Esc (and that the dialog then says the server did not answer, and
# once the server is gone, that there is none),
# that a refused job and a full disk say "Printing Failed" and
# leave no file, that duplex, collation and copies reach the job's attributes, and that
# "Save as PDF" takes its paper from the system's paper setting (libpaper's PAPERSIZE, which
# libpaper 1 and 2 both read).
#
#   scripts/test-cups-faults.sh [SUMMARY_FILE]
#
# The private cupsd has its own configuration, socket, spool and logs in a temporary folder;
# the system's CUPS is never touched. Appends "cups-faults: N passed, M failed[, K skipped]"
# to SUMMARY_FILE and exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=cups-faults
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"
# shellcheck source=lib/cupsd.sh
source "$root/scripts/lib/cupsd.sh"

need_tools cupsd lpadmin lpstat cupsreject tmux pdfinfo
build_printing_stage cups_print_settings cups_job_attributes

work=$(reachable_work_dir ot-cups-faults) || {
  fail "making a work folder"
  finish
}
tmpfs_dir=""
# shellcheck source=../tests/e2e/tmux_pane.sh
source "$root/tests/e2e/tmux_pane.sh"
pane_wait=20
cleanup() {
  kill_panes
  stop_cupsd
  [ -n "$tmpfs_dir" ] && umount "$tmpfs_dir" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# --- the program in a tmux pane --------------------------------------------------------
# start_program NAME [ENV...]: the program in a fresh pane, at its main screen.
start_program() {
  local name=$1
  shift
  mkdir -p "$work/home-$name" "$work/drive_c"
  kill_panes
  new_pane "env HOME='$work/home-$name' CUPS_SERVER='$CUPS_SERVER' ORVANE_DRIVE_C='${drive_c:-$work/drive_c}' \
      PAPERSIZE=letter LANG=C.UTF-8 TERM=xterm-256color $* '$program'; \
      echo PROGRAM-EXIT=\$?; sleep 600" || return 1
  wait_for "User Options - Main"
}

# leave_program: X at the print menu; the program ends with 0.
leave_program() {
  T send-keys X
  wait_for "PROGRAM-EXIT=0" 20
  local rc=$?
  kill_panes
  return $rc
}

# --- a private cupsd -------------------------------------------------------------------
c="$work/cups"

if ! start_cupsd "$c" "PreserveJobHistory Yes"; then
  fail "starting a private cupsd"
  finish
fi
pass "private cupsd running"
ppd=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd
lpadmin -p OT-Duplex -E -v "file:///dev/null" -P "$ppd" -D "Two sides" >"$c/log/lpadmin.out" 2>&1 &&
  lpadmin -p OT-Refuses -E -v "file:///dev/null" -P "$ppd" -D "Refuses jobs" >>"$c/log/lpadmin.out" 2>&1 &&
  lpadmin -d OT-Duplex >/dev/null 2>&1 && cupsreject OT-Refuses >/dev/null 2>&1 ||
  fail "adding the queues: $(cat "$c/log/lpadmin.out")"
# Jobs are kept on hold so that their attributes can be read back.
cupsdisable OT-Duplex >/dev/null 2>&1

# --- a server stopped before the dialog opens -------------------------------------------
if start_program stopped-early; then
  T send-keys P
  wait_for "Print It" || fail "print menu"
  kill -STOP "$cupsd_pid"
  T send-keys Y
  if wait_for "Save as PDF" 3; then
    pass "with the server stopped the dialog comes up at once (${waited} s)"
  else
    fail "the dialog did not come up within 3 s with the server stopped"
  fi
  sleep 1
  T send-keys Escape
  if wait_for "Printing Cancelled" 3; then
    pass "Esc closes the dialog while the server is stopped (${waited} s)"
  else
    fail "Esc did not close the dialog while the server was stopped"
  fi
  # The box says that the server did not answer once the list's time is up, and Save as PDF
  # still works while the server says nothing.
  T send-keys Y
  if wait_for "No answer from the print server" 10; then
    pass "the dialog says the stopped server did not answer (${waited} s)"
  else
    fail "the dialog does not say that the server did not answer"
  fi
  wait_for "Save as PDF" 3 && T send-keys Down Down Down Down Down Down Down Down Enter
  if wait_for "Printing Completed" 10; then
    pass "Save as PDF prints with the server stopped (${waited} s)"
  else
    fail "Save as PDF with the server stopped"
  fi
  kill -CONT "$cupsd_pid"
  leave_program || fail "leaving the program"
else
  fail "starting the program"
fi

# --- a server stopped after Enter --------------------------------------------------------
# stopped_after_enter NAME KEYS_AFTER: P, Y, Enter on the default queue, SIGSTOP at once; then
# the keys (if any) after a second. Sets $took to the seconds from Enter to "Printing Failed".
took=0
stopped_after_enter() {
  local name=$1 keys=${2:-} enter
  start_program "$name" || return 1
  T send-keys P
  wait_for "Print It" || return 1
  T send-keys Y
  wait_for "OT-Duplex" 5 || return 1
  enter=$(date +%s.%N)
  T send-keys Enter
  kill -STOP "$cupsd_pid"
  if [ -n "$keys" ]; then
    sleep 1
    T send-keys "$keys"
  fi
  wait_for "Printing Failed" 30
  local rc=$?
  took=$(awk -v a="$enter" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  kill -CONT "$cupsd_pid"
  leave_program || rc=1
  return $rc
}
if stopped_after_enter stopped-late; then
  if awk -v w="$took" 'BEGIN { exit !(w < 20) }'; then
    pass "a server stopped after Enter ends as Printing Failed within 20 s ($took s)"
  else
    fail "Printing Failed took $took s"
  fi
else
  fail "a server stopped after Enter: no Printing Failed"
fi
if stopped_after_enter stopped-esc Escape; then
  if awk -v w="$took" 'BEGIN { exit !(w < 3.5) }'; then
    pass "Esc gives up on a stopped server (Printing Failed $took s after Enter)"
  else
    fail "Esc did not give up on the stopped server ($took s after Enter)"
  fi
else
  fail "Esc with a stopped server: no Printing Failed"
fi

# --- a queue that refuses jobs ------------------------------------------------------------
lpadmin -d OT-Refuses >/dev/null 2>&1
if start_program refused; then
  T send-keys P
  wait_for "Print It"
  T send-keys Y
  wait_for "OT-Refuses" 5 && T send-keys Enter
  if wait_for "Printing Failed" 20; then
    pass "a queue that refuses the job: Printing Failed"
  else
    fail "a queue that refuses the job"
  fi
  leave_program || fail "leaving the program"
fi
lpadmin -d OT-Duplex >/dev/null 2>&1

# --- settings reach the job ------------------------------------------------------------------
out=$("$build/tests/cups/cups_print_settings" OT-Duplex 80=2 43=0 56=3 2>&1)
if grep -q "^duplex-capability 1$" <<<"$out" && grep -q "^done error 0$" <<<"$out" &&
  ! grep -q "error [1-9]" <<<"$out"; then
  pass "duplex queue: DC_DUPLEX 1, settings taken, job handed over"
else
  fail "printing with settings: $out"
fi
attrs=$("$build/tests/cups/cups_job_attributes" 2>&1)
grep -q "^sides two-sided-long-edge$" <<<"$attrs" && pass "duplex reaches the job as sides" ||
  fail "sides: $attrs"
grep -q "^multiple-document-handling separate-documents-uncollated-copies$" <<<"$attrs" &&
  pass "collate reaches the job" || fail "multiple-document-handling: $attrs"
grep -q "^copies 3$" <<<"$attrs" && pass "copies reach the job" || fail "copies: $attrs"
out=$("$build/tests/cups/cups_print_settings" OT-Duplex 80=3 43=1 2>&1)
attrs=$("$build/tests/cups/cups_job_attributes" 2>&1)
grep -q "^sides two-sided-short-edge$" <<<"$attrs" &&
  grep -q "^multiple-document-handling separate-documents-collated-copies$" <<<"$attrs" &&
  pass "short-edge duplex and collated copies reach the job" || fail "second job: $out $attrs"

# --- no server from here on -----------------------------------------------------------------
stop_cupsd
# The server's own address once nothing listens there: the dialog says at once that there is
# no server, not that the server does not answer.
export CUPS_SERVER="$c/cups.sock"
if start_program gone; then
  T send-keys P
  wait_for "Print It"
  T send-keys Y
  if wait_for "No print server found" 3; then
    pass "with the server gone the dialog says no server was found (${waited} s)"
  else
    fail "the dialog does not say that no server was found"
  fi
  T send-keys Escape
  wait_for "Printing Cancelled" 3 || fail "Esc with no server"
  leave_program || fail "leaving the program"
else
  fail "starting the program"
fi
export CUPS_SERVER="$work/no-cups-here.sock"

# --- Save as PDF: the system's paper ------------------------------------------------------
touch "$work/a4" # the PDFs newer than this one
if start_program paper PAPERSIZE=a4; then
  T send-keys P
  wait_for "Print It"
  T send-keys Y
  wait_for "Save as PDF" 3 && T send-keys Enter
  wait_for "Printing Completed" 10 || fail "Save as PDF on A4"
  leave_program
  pdf=$(find "$work/drive_c" -iname 'PRINT-JOB-*.PDF' -newer "$work/a4" | head -1)
  size=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Page size: *//p')
  if grep -q "^595\.[0-9]* x 841\.[0-9]* pts (A4)" <<<"$size"; then
    pass "Save as PDF takes A4 from the paper setting"
  else
    fail "Save as PDF paper with PAPERSIZE=a4: '$size'"
  fi
fi

# --- Save as PDF on a full disk -------------------------------------------------------------
if [ "$(id -u)" = 0 ] && mkdir -p "$work/full" && mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
  tmpfs_dir="$work/full"
  mkdir -p "$work/full/Temp"
  # Leave a little room: the folder and a few kilobytes, less than the page's PDF.
  head -c $((60 * 1024)) /dev/zero >"$work/full/filler" 2>/dev/null
  drive_c="$work/full"
  if start_program full-disk; then
    T send-keys P
    wait_for "Print It"
    T send-keys Y
    wait_for "Save as PDF" 3 && T send-keys Enter
    if wait_for "Printing Failed" 10; then
      pass "Save as PDF on a full disk: Printing Failed"
    else
      fail "Save as PDF on a full disk did not say Printing Failed"
    fi
    leave_program
    if [ -z "$(find "$work/full" -iname 'PRINT-JOB-*')" ]; then
      pass "no partial PDF left on the full disk"
    else
      fail "a partial PDF was left: $(find "$work/full" -iname 'PRINT-JOB-*' -exec ls -l {} +)"
    fi
  fi
  unset drive_c
  umount "$work/full" && tmpfs_dir=""
else
  skip "Save as PDF on a full disk needs root and a tmpfs mount (the unit tests cover it with a file size limit)"
fi

finish
