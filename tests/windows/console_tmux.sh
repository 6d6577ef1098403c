#!/usr/bin/env bash
# Runs console_probe.exe under Wine in a private 80x50 tmux pane and checks what reaches the
# screen (text at its rows and columns, in its colours, read back with capture-pane -e), the
# key strings that typed keys produce, the exit code and the terminal state afterwards.
#
#   tests/windows/console_tmux.sh BUILD_DIR     (the x86_64 build; WINEPREFIX from the caller)
set -uo pipefail
build=$(cd "${1:?usage: console_tmux.sh BUILD_DIR}" && pwd)
probe="$build/tests/windows/console_probe.exe"
[ -f "$probe" ] || { echo "missing $probe"; exit 1; }
export WINEARCH=win64 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=../../scripts/lib/wine.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine.sh"
use_wine64 || exit 1

work=$(mktemp -d)
# shellcheck source=../e2e/tmux_pane.sh
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/tmux_pane.sh"
cleanup() {
  kill_panes
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # DESCRIPTION CONDITION...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# Standard output goes to a file, so the screen must reach the console through stderr.
T new-session -d -x 80 -y 50 \
  "cd '$work' && '$OT_WINE' '$probe' abc >out.txt; echo \$? >rc.txt; stty -a >stty.txt; sleep 600"

# probe_shows PATTERN SECONDS: waits until the pane shows PATTERN (a regular expression);
# gives up early once the probe has ended without showing it.
probe_shows() {
  local i
  for ((i = 0; i < $2 * 4; i++)); do
    screen | grep -q -- "$1" && return 0
    [ -s "$work/rc.txt" ] && ! screen | grep -q -- "$1" && [ "$i" -gt 8 ] && return 1
    sleep 0.25
  done
  return 1
}
if ! probe_shows READY 90; then
  echo "the probe never drew its screen; pane:"
  screen
  exit 1
fi

# The pane as cells: "row col char fg bg" with the SGR colour codes in force at each cell.
T capture-pane -p -e -t 0 >"$work/pane.txt"
awk '
  BEGIN { esc = sprintf("%c", 27) }
  {
    fg = 39; bg = 49; line = $0; col = 0
    while (length(line) > 0) {
      if (substr(line, 1, 2) == esc "[") {
        end = match(line, /[A-Za-z]/)
        params = substr(line, 3, end - 3); cmd = substr(line, end, 1)
        line = substr(line, end + 1)
        if (cmd != "m") continue
        n = split(params, p, ";")
        if (n == 0) { fg = 39; bg = 49 }
        for (i = 1; i <= n; i++) {
          v = p[i] + 0
          if (p[i] == "" || v == 0) { fg = 39; bg = 49 }
          else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97) || v == 39) fg = v
          else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107) || v == 49) bg = v
          else if (v == 38 || v == 48) { i += 2 }
        }
        continue
      }
      col++
      print NR, col, substr(line, 1, 1), fg, bg
      line = substr(line, 2)
    }
  }' "$work/pane.txt" >"$work/cells.txt"

# SGR codes of a Windows colour number (bit 0 blue, bit 1 green, bit 2 red, bit 3 bright).
sgr() {  # COLOUR BASE(30|40)
  local ansi=$(( ($1 & 1) * 4 + ($1 & 2) + ($1 & 4) / 4 ))
  echo $(( ($1 & 8 ? $2 + 60 : $2) + ansi ))
}
text_at() {  # ROW COL TEXT FG BG: TEXT is shown there in those Windows colours
  local row=$1 col=$2 text=$3 fg bg i ch
  fg=$(sgr "$4" 30)
  bg=$(sgr "$5" 40)
  for ((i = 0; i < ${#text}; i++)); do
    ch=${text:i:1}
    grep -qxF -- "$row $((col + i)) $ch $fg $bg" "$work/cells.txt" || {
      echo "  row $row col $((col + i)): want '$ch' $fg/$bg, have: $(grep "^$row $((col + i)) " "$work/cells.txt")"
      return 1
    }
  done
}
check "yellow on blue at row 1, column 1" text_at 1 1 TOP-LEFT 14 1
check "light green on black at row 25, column 30" text_at 25 30 MIDDLE 10 0
check "light red on grey in the last six cells of row 49" text_at 49 75 CORNER 12 7
check "the last cell of the buffer written without scrolling" text_at 50 75 'ENDS!!' 11 0

# Keys, each as tmux sends it, and the key string the program must read.
keys=(F10 F12 Right Tab Enter BSpace F1 Up Escape M-x a '!' C-c X)
want=("00 44" "00 58" "00 4d" "09" "0d" "08" "00 3b" "00 48" "1b" "00 2d" "61" "21" "" "58")
for k in "${keys[@]}"; do
  T send-keys -t 0 "$k"
  sleep 0.3
done
probe_shows DONE 30 || echo "the probe did not finish"
for ((i = 0; i < 50; i++)); do [ -s "$work/stty.txt" ] && break; sleep 0.2; done
# The probe writes Windows text lines (CR LF).
tr -d '\r' <"$work/out.txt" >"$work/report.txt"

got=()
mapfile -t got < <(sed -n 's/^key=//p' "$work/report.txt")
expected=()
labels=()
for ((i = 0; i < ${#keys[@]}; i++)); do
  [ -n "${want[i]}" ] && expected+=("${want[i]}") && labels+=("${keys[i]}")
done
for ((i = 0; i < ${#expected[@]}; i++)); do
  check "key ${labels[i]} reads as ${expected[i]}" test "${got[i]:-none}" = "${expected[i]}"
done
check "no further keys were read" test "${#got[@]}" -eq "${#expected[@]}"
check "Ctrl+C does not end the program (it went on to read X)" grep -qx 'key=58' "$work/report.txt"

field() { sed -n "s/^$1=//p" "$work/report.txt"; }
check "title reads as before after the window search" test "$(field title_kept)" = yes
check "set screen 80x50 raised no error" test "$(field screen_set_error)" = 0
check "buffer is 80x50" test "$(field buffer)" = 80x50
check "window is 80x50" test "$(field window)" = 80x50
check "command-line tail is abc" test "$(field tail)" = abc
check "standard output redirected: not a console" test "$(field output_is_console)" = 0
check "standard input is the console" test "$(field input_is_console)" = -1
check "console input mode 0" test "$(field input_mode)" = 0
check "cursor at row 50, column 1 after the last cell" test "$(field after_last_cell)" = 50,1
check "exit code 42 comes back" test "$(cat "$work/rc.txt" 2>/dev/null)" = 42
canonical_with_echo() {
  grep -qE '(^| )icanon( |;|$)' "$work/stty.txt" && grep -qE '(^| )echo( |;|$)' "$work/stty.txt"
}
check "terminal back in canonical mode with echo" canonical_with_echo

if [ "$failures" -ne 0 ]; then
  echo "--- probe output"
  cat "$work/report.txt"; cat "$work/stty.txt"
  echo "--- pane"
  cat "$work/pane.txt"
  exit 1
fi
echo "all console checks passed"
