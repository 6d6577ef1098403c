#!/usr/bin/env bash
# Prints through orvane-table.exe under Wine for real: a private CUPS server with one
# print-to-PDF queue on A4 (Wine's spooler sees CUPS queues), a virtual X display for Wine's
# Print dialog, the program in a tmux pane and the dialog driven by keys (xdotool). The PDF
# is read back: one page titled "Print job" on the queue's paper, the results file's words in
# a monospaced bold face at 14 pt, every column of numbers ending at one x. Then Esc in the
# dialog ("Printing Cancelled", no job) and no printer at all ("Printing Failed").
#
#   tests/windows/print_dialog.sh BUILD_DIR   (the x86_64 build; WINEPREFIX, OT_WINE from the caller)
#
# Exits 0 when every check passed, 77 (skipped, with the reason) when the virtual display
# cannot start, 1 otherwise.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
b64=$(cd "${1:?usage: print_dialog.sh BUILD_DIR}" && pwd)
exe="$b64/src/orvane-table.exe"
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
export WINEARCH=win64 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$b64/wineprefix}
unset WAYLAND_DISPLAY

failures=0
log() { echo "$*"; }
pass() { echo "ok   $*"; }
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

for tool in Xvfb xdotool cupsd lpadmin lpstat pdfinfo pdffonts pdftotext tmux; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/bootstrap.sh)"; exit 1; }
done
# shellcheck source=../../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
use_wine64 || exit 1
# shellcheck source=../../scripts/lib/cupsd.sh
. "$root/scripts/lib/cupsd.sh"
# shellcheck source=../../scripts/lib/pdf_checks.sh
. "$root/scripts/lib/pdf_checks.sh"

work=$(reachable_work_dir ot-wine-print) || { echo "cannot make a work folder"; exit 1; }
xvfb_pid=""
# shellcheck source=../e2e/tmux_pane.sh
. "$root/tests/e2e/tmux_pane.sh"
cleanup() {
  kill_panes
  # This check's Wine session (its desktop on the virtual display) ends with it; the checks
  # after it start their own, without a display.
  timeout 30 wineserver -k >/dev/null 2>&1
  stop_cupsd
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The virtual display: the one thing whose absence skips the check.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
  2>"$work/xvfb.log" &
xvfb_pid=$!
for ((i = 0; i < 100; i++)); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "skipped: Xvfb cannot start here: $(tail -1 "$work/xvfb.log")"
  exit 77
fi
DISPLAY=":$(cat "$work/display")"
export DISPLAY
# A Wine session of its own, whose desktop lives on this display.
timeout 30 wineserver -k >/dev/null 2>&1

queue=OT-WINE-PDF
c="$work/cups"
start_cupsd "$c" || { echo "the private cupsd does not start"; exit 1; }
lpadmin -p "$queue" -E -v "file://$c/out/results.pdf" \
  -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd -o PageSize=A4 \
  -D "Results to a PDF file" >"$c/log/lpadmin.out" 2>&1 || {
  cat "$c/log/lpadmin.out"
  exit 1
}
lpadmin -d "$queue" >/dev/null 2>&1

# dialog_window: the id of Wine's Print dialog (or its box saying there is no printer), once
# it is shown, within 60 s; fails at once when the panel has its last word without one.
dialog_window() {
  local i id
  for ((i = 0; i < 240; i++)); do
    id=$(xdotool search --onlyvisible --name '^Print$' 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    screen | grep -q 'Printing \(Completed\|Cancelled\|Failed\)' && return 1
    sleep 0.25
  done
  return 1
}

# print_once NAME KEY SERVER: the program in a pane with CUPS_SERVER=SERVER, P, Y, then KEY
# (an xdotool key name) in the dialog (only with no printer may there be none); leaves the
# panel's last word in $work/NAME.panel and ends the program with X.
print_once() {
  local name=$1 key=$2 server=$3 id t=$SECONDS
  kill_panes
  new_pane "cd '$work' && env DISPLAY='$DISPLAY' CUPS_SERVER='$server' '$OT_WINE' '$exe'; \
echo PROGRAM-EXIT=\$?; sleep 600" || return 1
  wait_for "User Options" 90 || return 1
  log "$name: main screen after $((SECONDS - t)) s"
  T send-keys P
  wait_for "Print It" 30 || return 1
  T send-keys Y
  if id=$(dialog_window); then
    log "$name: the dialog after $((SECONDS - t)) s"
    timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.5
    xdotool key "$key"
  elif [ "$name" != no-printer ]; then
    echo "$name: no Print dialog on the display; the pane shows:"
    show_pane
    return 1
  fi
  outcome_shown 60
  log "$name: $(cat "$work/$name.panel") after $((SECONDS - t)) s"
  T send-keys X
  wait_for "PROGRAM-EXIT=0" 30 || return 1
  kill_panes
}

# outcome_shown SECONDS: waits until the print panel has its last word; leaves it in
# $work/$name.panel.
outcome_shown() {
  local i
  for ((i = 0; i < $1 * 4; i++)); do
    screen | grep -o 'Printing \(Completed\|Cancelled\|Failed\)' | head -1 >"$work/$name.panel"
    [ -s "$work/$name.panel" ] && return 0
    sleep 0.25
  done
  return 1
}

panel_is() {  # NAME WORD
  local got
  got=$(cat "$work/$1.panel" 2>/dev/null)
  if [ "$got" = "Printing $2" ]; then pass "$1: \"Printing $2\""; else
    fail "$1: the panel says \"${got:-nothing}\", not \"Printing $2\""
  fi
}

# --- Enter in the dialog: the default queue prints ---------------------------------------
if print_once printed Return "$CUPS_SERVER"; then
  panel_is printed Completed
  if wait_job_done "$queue"; then
    pass "printed: the job completed"
    pdf="$c/out/results.pdf"
    if pdf_page_checks printed "$pdf" A4; then
      pdf_font_checks printed "$pdf"
      pdf_grid_checks printed "$pdf" "$root/tests/cups/results.txt" 14
    fi
  else
    fail "printed: the job did not complete"
  fi
else
  fail "printed: the program did not get through P, Y, Enter"
fi

# --- Esc in the dialog: nothing is printed -----------------------------------------------
jobs_before=$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)
if print_once cancelled Escape "$CUPS_SERVER"; then
  panel_is cancelled Cancelled
  sleep 1
  jobs_after=$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)
  if [ "$jobs_after" = "$jobs_before" ]; then pass "cancelled: no job"; else
    fail "cancelled: $((jobs_after - jobs_before)) job(s) sent"
  fi
else
  fail "cancelled: the program did not get through P, Y, Esc"
fi
stop_cupsd

# --- no printer at all: Wine's "install a printer" box, then a failure -------------------
# No print server: Wine's spooler drops the queues it had taken from one. Its box telling the
# user to install a printer is answered with Enter.
if print_once no-printer Return "$work/no-cups-here.sock"; then
  panel_is no-printer Failed
else
  fail "no printer: the program did not get through P, Y"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all printing checks passed"
