#!/usr/bin/env bash
# The program in a real terminal emulator: xterm under a virtual X server (Xvfb), driven by
# xdotool. Takes PNG screenshots at 80 x 50 of the main screen, the refusal screen, the save
# box and the print dialog, each with its screen text read through xterm's own print facility
# (print-immediate), and checks what xterm reports after the program has ended.
#
#   scripts/screenshots.sh [--check] [PROGRAM]
#
# Without --check: writes doc/screenshots/NAME.png and NAME.txt. With --check (the terminals
# stage): writes them to a temporary folder and fails when a screen's text differs from
# doc/screenshots/NAME.txt, and checks, started at 80 x 24 with window operations allowed,
# that the window has its size back after the exit (xwininfo), the terminal's size too, and
# that the cursor style, mouse reporting, auto-wrap and the cursor are as before (DECRQSS and
# DECRQM answers). Exits 77 when the X server cannot start, saying why.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
program=${1:-$root/build/linux-release/src/orvane-table}
python=/usr/bin/python3
shots="$root/doc/screenshots"

log() { echo "[screenshots] $*"; }
fail() {
  log "FAIL: $*"
  exit 1
}

tools=(Xvfb xterm xdotool xwininfo)
[ "$check" = 1 ] || tools+=(xwd)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { log "skipped: $tool is not installed"; exit 77; }
done
[ -x "$program" ] || fail "no program at $program"

work=$(mktemp -d)
xvfb_pid=""
xterm_pid=""
cleanup() {
  [ -n "$xterm_pid" ] && kill "$xterm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ "$check" = 1 ] && out="$work/shots" || out="$shots"
mkdir -p "$out" "$work/print" "$work/c"

# -noreset: the server would otherwise reset when the last client leaves, and refuse the
# next xterm for a moment.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for ((i = 0; i < 100; i++)); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  log "skipped: Xvfb cannot start here: $(tail -1 "$work/xvfb.log")"
  exit 77
fi
DISPLAY=":$(cat "$work/display")"
export DISPLAY

# The shell inside xterm: the terminal's size before and after, the program, then the
# answers to DECRQSS (cursor style) and DECRQM (mouse reporting, auto-wrap, cursor shown).
cat >"$work/query.py" <<'PY'
import os, select, sys, termios, tty
fd = os.open("/dev/tty", os.O_RDWR)
saved = termios.tcgetattr(fd)
tty.setraw(fd)
answers = []
try:
    for ask in (b"\x1bP$q q\x1b\\", b"\x1b[?1000$p", b"\x1b[?7$p", b"\x1b[?25$p"):
        os.write(fd, ask)
        got = b""
        while select.select([fd], [], [], 2)[0]:
            got += os.read(fd, 100)
            if got.endswith((b"\x1b\\", b"$y")):
                break
        answers.append(got.decode("latin-1").replace("\x1b", "ESC"))
finally:
    termios.tcsetattr(fd, termios.TCSANOW, saved)
print(" ".join(answers))
PY
cat >"$work/inside.sh" <<SH
#!/bin/sh
printf '\033[2 q'
$python "$work/query.py" >"$work/modes-before"
stty size >"$work/size-before"
while [ ! -e "$work/go" ]; do sleep 0.05; done
TERM=xterm-256color LC_ALL=C.UTF-8 ORVANE_DRIVE_C="$work/c" CUPS_SERVER="$work/no-cups" "$program"
echo \$? >"$work/status"
stty size >"$work/size-after"
$python "$work/query.py" >"$work/modes-after"
touch "$work/ended"
while [ ! -e "$work/release" ]; do sleep 0.1; done
SH
chmod +x "$work/inside.sh"

# start_xterm COLSxROWS: xterm running inside.sh; sets xterm_pid and window.
start_xterm() {
  rm -f "$work/ended" "$work/release" "$work/status" "$work/go"
  xterm -geometry "$1+0+0" -fn fixed -xrm 'XTerm*allowWindowOps: true' \
    -xrm "XTerm*printFileImmediate: $work/print/screen" -xrm 'XTerm*printModeImmediate: 0' \
    -xrm 'XTerm*VT100.translations: #override Ctrl Shift <Key>F12: print-immediate()' \
    -e "$work/inside.sh" 2>"$work/xterm.log" &
  xterm_pid=$!
  window=""
  for ((k = 0; k < 300; k++)); do
    window=$(xdotool search --pid "$xterm_pid" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    kill -0 "$xterm_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || fail "xterm shows no window: $(cat "$work/xterm.log")"
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
}

# screen_text: the text xterm shows now, through its print facility.
screen_text() {
  rm -f "$work/print/"*
  xdotool key ctrl+shift+F12
  for ((k = 0; k < 50; k++)); do
    local f
    f=$(find "$work/print" -type f -size +0 | head -1)
    if [ -n "$f" ]; then
      sleep 0.05  # xterm writes the file in one go; let it close it
      sed 's/[[:space:]]*$//' "$f"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# shot NAME MARKER: waits until the screen shows MARKER and stays the same (with --check:
# until it shows the kept text of NAME), then keeps its text as NAME.txt and, without
# --check, its picture as NAME.png.
shot() {
  local name=$1 marker=$2 text="" previous="" want=""
  [ "$check" = 1 ] && [ -n "$name" ] && want=$(cat "$shots/$name.txt")
  for ((j = 0; j < 100; j++)); do
    if ! text=$(screen_text); then
      # Not printed: the window may not have had the focus yet for the key.
      xdotool windowfocus "$window" 2>/dev/null
      continue
    fi
    if grep -qF -- "$marker" <<<"$text"; then
      [ -n "$want" ] && [ "$text" = "$want" ] && break
      [ "$text" = "$previous" ] && break
    fi
    previous=$text
    sleep 0.1
  done
  grep -qF -- "$marker" <<<"$text" || fail "${name:-waiting}: the screen never showed \"$marker\":
$text"
  [ -n "$name" ] || return 0
  printf '%s\n' "$text" >"$out/$name.txt"
  if [ "$check" = 0 ]; then
    xwd -silent -id "$window" >"$work/$name.xwd" || fail "$name: xwd"
    "$python" "$root/scripts/lib/xwd_to_png.py" "$work/$name.xwd" "$out/$name.png" ||
      fail "$name: no PNG"
  fi
  if [ "$check" = 1 ] && ! diff -u "$shots/$name.txt" "$out/$name.txt" >"$work/$name.diff"; then
    cat "$work/$name.diff"
    fail "$name: the screen's text no longer matches doc/screenshots/$name.txt (run scripts/screenshots.sh)"
  fi
  log "$name: ok"
}

finish_xterm() {
  for ((k = 0; k < 300; k++)); do
    [ -e "$work/ended" ] && break
    sleep 0.1
  done
  [ -e "$work/ended" ] || fail "the program did not end"
}

release_xterm() {
  touch "$work/release"
  wait "$xterm_pid" 2>/dev/null
  xterm_pid=""
}

# --- the screenshots, at 80 x 50 ---------------------------------------------------------
start_xterm 80x50
touch "$work/go"
shot main "Numbers Cubed"
xdotool key Tab
shot refusal "$(printf '\xc2\xa1')"
xdotool key space
shot "" "P - Print Out Results"
xdotool key f
shot "" "Enter Filename"
xdotool type --delay 20 "my file"
xdotool key Return
shot save-box "MYFILE"
xdotool key g
shot "" "P - Print Out Results"
xdotool key p
shot "" "Print It"
xdotool key y
shot print-dialog "Save as PDF"
xdotool key Escape
shot "" "X - Exit"
xdotool key x
finish_xterm
[ "$(cat "$work/status")" = 0 ] || fail "the program ended with status $(cat "$work/status")"
release_xterm

[ "$check" = 1 ] || exit 0

# --- the terminal given back, started at 80 x 24 -------------------------------------------
start_xterm 80x24
size_before=$(xwininfo -id "$window" | awk '/Width|Height/ {printf "%s ", $2}')
touch "$work/go"  # the program starts only now
for ((k = 0; k < 100; k++)); do  # the program asks for 80 x 50 and xterm grows
  [ "$(xwininfo -id "$window" | awk '/Width|Height/ {printf "%s ", $2}')" != "$size_before" ] && break
  sleep 0.05
done
xdotool key x
finish_xterm
size_after=$(xwininfo -id "$window" | awk '/Width|Height/ {printf "%s ", $2}')
[ "$size_after" = "$size_before" ] || fail "the window was ${size_before}pixels and is ${size_after}after the exit"
[ "$(cat "$work/size-after")" = "$(cat "$work/size-before")" ] ||
  fail "the terminal was $(cat "$work/size-before") and is $(cat "$work/size-after") after the exit"
[ "$(cat "$work/modes-after")" = "$(cat "$work/modes-before")" ] ||
  fail "cursor style and modes changed: before $(cat "$work/modes-before"), after $(cat "$work/modes-after")"
log "80x24: size, cursor style and modes given back ($(cat "$work/modes-after"))"
release_xterm
