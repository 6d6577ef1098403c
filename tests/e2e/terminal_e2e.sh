#!/usr/bin/env bash
# End-to-end checks of the terminal console in a real terminal: a private tmux server with an
# 80 x 50 pane runs the probe program, and the pane's contents and colours are read back.
#   terminal_e2e.sh CASE PROBE
# Exits 0 on success, 77 when tmux is missing, 1 on a failure.
set -u
case_name=$1
probe=$2

# shellcheck source=e2e_case.sh
. "$(dirname "${BASH_SOURCE[0]}")/e2e_case.sh"

# The cases that need no terminal at all run without tmux.
if [ "$case_name" = fullout ]; then
  # --version and --help whose output cannot be written: status 1 and a message, as a
  # script must not take a lost answer for a good one; written normally they succeed.
  for word in --version --help; do
    "$probe" "$word" >/dev/full 2>"$work/err"
    rc=$?
    [ "$rc" = 1 ] || fail "$word into a full device: exit code $rc, expected 1"
    grep -q "standard output" "$work/err" || fail "$word into a full device: no message"
    "$probe" "$word" >"$work/out" 2>"$work/err" || fail "$word failed on a writable file"
    [ -s "$work/out" ] && [ ! -s "$work/err" ] || fail "$word wrote nothing or complained"
  done
  echo "ok"
  exit 0
fi
if [ "$case_name" = notty ]; then
  setsid -w "$probe" draw </dev/null >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" = 1 ] || fail "exit code $rc without a terminal, expected 1"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "expected a one-line message, got: $(cat "$work/err")"
  grep -q terminal "$work/err" || fail "the message does not name the terminal: $(cat "$work/err")"
  echo "ok"
  exit 0
fi

command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }

# The pane's shell ends by itself after 55 s, which ends the session and the server, even
# if this script is killed before its clean-up runs.
new_pane "timeout 55 env PS1='$ ' sh" || fail "tmux does not start"
started=1

colours() { T capture-pane -e -p; }
plain_line() { screen | sed -n "${1}p"; }
# Each command line starts on a cleared pane, so that what an earlier one printed (its
# EXIT=, its messages) cannot be taken for this one's.
run() {
  T send-keys -R
  T clear-history
  type_line "$1"
}
start_probe() {  # start_probe MODE [redirections]
  run "clear; LANG=C.UTF-8 $probe $1 $work/pid ${2:-}; echo EXIT=\$?"
  wait_for "READY $1"
}
# The terminal must be back in canonical mode with echo, checked in the same pane.
check_restored() {
  wait_exit
  screen | grep -qF "READY" && fail "the main screen was not restored"
  # Typed below what the program left, which the checks after this one still read.
  type_line "stty -a >$work/stty; echo STTY-\\DONE"
  wait_for "STTY-DONE"
  local words
  # shellcheck disable=SC2020 # spaces and semicolons both become line breaks
  words=$(tr ' ;' '\n\n' <"$work/stty")
  echo "$words" | grep -qx icanon || fail "terminal left without canonical mode: $(cat "$work/stty")"
  echo "$words" | grep -qx echo || fail "terminal left without echo: $(cat "$work/stty")"
  return 0
}
expect_line() {  # expect_line ROW COLUMN TEXT: TEXT starts at COLUMN of ROW
  local line
  line=$(plain_line "$1")
  [ "${line:$(($2 - 1)):${#3}}" = "$3" ] || fail "row $1 column $2: expected '$3', got '$line'"
}
expect_sgr() {  # expect_sgr ROW SGR TEXT: TEXT on ROW comes after the colour code SGR
  colours | sed -n "${1}p" | grep -qF -- $'\e['"$2"'m'"$3" ||
    colours | sed -n "${1}p" | grep -qF -- "$2" ||
    fail "row $1: '$3' not drawn with colour $2: $(colours | sed -n "${1}p" | cat -v)"
}

case "$case_name" in
  draw)
    start_probe draw
    expect_line 1 1 "Row one yellow"
    expect_line 3 10 "white on blue"
    expect_line 5 70 "green edge"
    expect_line 50 1 "last row cyan"
    expect_line 7 1 "glyphs:¡¢♪╔═╗░█"
    expect_line 10 1 "READY draw"
    # Explicit 16-colour codes: bright yellow on black, bright white on blue, bright cyan.
    colours | sed -n 1p | grep -qF $'\e[93m' || fail "row 1 not bright yellow"
    colours | sed -n 3p | grep -qF $'\e[44m' || fail "row 3 not on blue"
    colours | sed -n 3p | grep -qF $'\e[97m' || fail "row 3 not bright white"
    colours | sed -n 50p | grep -qF $'\e[96m' || fail "row 50 not bright cyan"
    [ "$(T display -p '#{pane_title}')" = "probe title" ] || fail "title not set"
    T send-keys C-q
    check_restored
    grep -qx "EXIT=0" <(screen | tr -d ' ') || fail "normal end did not exit 0"
    ;;
  keys)
    start_probe draw
    # Ctrl+C among them is character 3, a key like the others, and the probe goes on.
    T send-keys a F10 F12 Right Tab Enter BSpace Escape M-x C-c Up S-F3 C-Right Home \
      PageDown Delete F1 é
    wait_for "ch=130"
    expected="KEY ch=97 scan=1E ctl=000
KEY ch=0 scan=44 ctl=000
KEY ch=0 scan=58 ctl=000
KEY ch=0 scan=4D ctl=100
KEY ch=9 scan=0F ctl=000
KEY ch=13 scan=1C ctl=000
KEY ch=8 scan=0E ctl=000
KEY ch=27 scan=01 ctl=000
KEY ch=120 scan=2D ctl=002
KEY ch=3 scan=2E ctl=008
KEY ch=0 scan=48 ctl=100
KEY ch=0 scan=3D ctl=010
KEY ch=0 scan=4D ctl=108
KEY ch=0 scan=47 ctl=100
KEY ch=0 scan=51 ctl=100
KEY ch=0 scan=53 ctl=100
KEY ch=0 scan=3B ctl=000
KEY ch=130 scan=00 ctl=000"
    got=$(screen | sed -n '12,29p' | sed 's/ *$//')
    [ "$got" = "$expected" ] || fail "keys decoded as:
$got"
    T send-keys C-q
    check_restored
    ;;
  suspend)
    # The terminal's suspend character (Ctrl+Z) gives the terminal back and stops the probe;
    # fg takes it again and draws the screen anew.
    start_probe draw
    T send-keys C-z
    for ((i = 0; i < 100; i++)); do
      screen | grep -qF "READY" || break
      sleep 0.05
    done
    screen | grep -qF "READY" && fail "Ctrl+Z did not give the terminal back"
    # The shell goes on with the command line after the stop: its EXIT= is the stop's.
    wait_for "EXIT=148"
    run "stty -a >$work/stty; echo STTY-\\DONE"
    wait_for "STTY-DONE"
    tr ' ;' '\n' <"$work/stty" | grep -qx icanon || fail "stopped without canonical mode"
    run "clear; fg; echo FG-EXIT=\$?"
    wait_for "READY draw"
    expect_line 1 1 "Row one yellow"
    T send-keys C-q
    pane_match=E wait_for "FG-EXIT=[0-9]"
    screen | grep -qx "FG-EXIT=0" || fail "the continued probe did not end with 0"
    check_restored
    ;;
  entry)
    # An entry with a keypad-off string longer than any fixed buffer and padding in its
    # cursor strings: the sequence that gives the terminal back arrives whole (auto-wrap on,
    # the main screen back) and the padding is never shown as text.
    command -v tic >/dev/null 2>&1 || { echo "tic is not installed"; exit 77; }
    long=$(printf '\\E[0m%.0s' $(seq 150))
    printf 'otlong|long leave strings,\n\tcnorm=\\E[?12l\\E[?25h$<50>, civis=\\E[?25l$<20>,\n\tsmkx=\\E[?1h\\E=, rmkx=\\E[?1l\\E>%s,\n\tuse=xterm-256color,\n' \
      "$long" >"$work/otlong.src"
    tic -x -o "$work/ti" "$work/otlong.src" 2>/dev/null || fail "tic cannot compile the entry"
    run "clear; TERMINFO=$work/ti TERM=otlong LANG=C.UTF-8 $probe draw $work/pid; echo EXIT=\$?"
    wait_for "READY draw"
    screen | grep -qF '$<' && fail "padding shown as text"
    T send-keys C-q
    check_restored
    [ "$(T display -p '#{wrap_flag}')" = 1 ] || fail "auto-wrap left off"
    screen | grep -qF '$<' && fail "padding shown as text"
    ;;
  badterm)
    # Terminal types the program cannot use: a damaged compiled entry (one that crashed the
    # terminfo library), and TERM values with control characters or of great length. Each
    # gives one line on standard error and exit status 1, and leaves the terminal's title and
    # colours alone.
    python3 - "$work/ti" <<'EOF' || fail "cannot write the damaged entry"
import os, struct, sys
for d in ("/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"):
    path = os.path.join(d, "x", "xterm-256color")
    if os.path.exists(path):
        break
b = bytearray(open(path, "rb").read())
magic, names, bools, nums, strs, size = struct.unpack_from("<6h", b)
w = 4 if magic == 0o1036 else 2
o = 12 + names + bools
o += (o & 1) + nums * w + strs * 2 + size
o += o & 1
eb, en, es = struct.unpack_from("<3h", b, o)
t = o + 10 + eb
t += (t & 1) + en * w + es * 2 + (eb + en + es) * 2
b[b.index(0, t)] = ord("x")  # the first extended value runs into the next
os.makedirs(sys.argv[1] + "/x")
open(sys.argv[1] + "/x/xterm-256color", "wb").write(b)
EOF
    run "clear; TERMINFO=$work/ti TERM=xterm-256color $probe 2>$work/err; echo EXIT=\$?"
    wait_exit
    screen | grep -qx "EXIT=1" || fail "a damaged entry did not end with 1"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "a damaged entry: $(cat "$work/err")"
    grep -q "not usable" "$work/err" || fail "a damaged entry: $(cat "$work/err")"
    T select-pane -T "before"
    run "clear; TERM=\"\$(printf 'xterm\\033]2;PWNED\\007\\033[31m')\" $probe; echo EXIT=\$?"
    wait_exit
    screen | grep -qF "PWNED" || fail "the message does not show the terminal type"
    [ "$(T display -p '#{pane_title}')" = "before" ] || fail "TERM set the window title"
    colours | grep -F "EXIT=" | grep -qF $'\e[31m' && fail "TERM turned the text red"
    screen | grep -qx "EXIT=1" || fail "a TERM with control characters did not end with 1"
    run "clear; TERM=\"\$(printf '%070000d' 0)\" $probe 2>$work/err; echo EXIT=\$?"
    wait_exit
    [ "$(wc -c <"$work/err")" -lt 300 ] || fail "a long TERM gave a message of $(wc -c <"$work/err") bytes"
    ;;
  sigterm | sighup | sigusr1 | sigalrm)
    # Every signal that ends the process puts the terminal back and ends it as the signal
    # would have without a handler (exit status 128 + the signal's number in the shell).
    start_probe wait
    sig=${case_name#sig}
    sig=${sig^^}
    kill -s "$sig" "$(cat "$work/pid")" || fail "cannot signal the probe"
    check_restored
    want=$((128 + $(kill -l "$sig")))
    screen | grep -qx "EXIT=$want" || fail "ended by SIG$sig without exit status $want"
    ;;
  crash)
    start_probe crash
    check_restored
    screen | grep -qx "EXIT=0" && fail "a crash ended with exit code 0"
    ;;
  exit255)
    start_probe exit255
    check_restored
    screen | grep -qx "EXIT=255" || fail "the fatal exit did not end with 255"
    ;;
  small)
    # The probe asks for 80 x 60; the pane stays 80 x 50 until it is made larger.
    start_probe small
    wait_for "make it at least 80 x 60"
    expect_line 49 1 ""
    T resize-window -x 80 -y 60
    for ((i = 0; i < 100; i++)); do
      screen | grep -qF "make it at least" || break
      sleep 0.05
    done
    screen | grep -qF "make it at least" && fail "the notice stays after the terminal fits"
    expect_line 50 1 "last row cyan"
    expect_line 1 1 "Row one yellow"
    T send-keys C-q
    check_restored
    ;;
  redirected)
    # Standard output and error redirected: the screen still reaches the terminal.
    start_probe draw ">$work/out 2>&1"
    expect_line 3 10 "white on blue"
    T send-keys C-q
    check_restored
    [ -s "$work/out" ] && fail "screen output went into the redirected file"
    ;;
  app)
    # The program itself: its main screen appears, Ctrl+C does not end it, F12 ends it with 0.
    run "clear; LANG=C.UTF-8 ORVANE_DRIVE_C=$work/c $probe; echo EXIT=\$?"
    wait_for "Numbers Cubed"
    screen | grep -qF " 99  970,299" || screen | grep -qF "970,299" || fail "the cube of 99 is missing"
    T send-keys C-c
    sleep 0.3
    screen | grep -qF "Numbers Cubed" || fail "Ctrl+C ended the program"
    T send-keys F12
    wait_exit 15
    screen | grep -qx "EXIT=0" || fail "the program did not end with 0"
    check_restored
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok"
