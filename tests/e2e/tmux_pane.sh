# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # work is the caller's; waited is set for it
# A program in a pane of a private tmux server, for every script that drives one: the
# end-to-end tests, the Windows console checks and the stages of ./test.sh. The server's
# socket lives in the caller's work folder ($work, which must exist), so the user's own tmux
# server and configuration are never touched and nothing is left in /tmp/tmux-*. Whoever
# sources this removes the server with kill_panes when done.

# T TMUX-ARGUMENTS...: a tmux command against the private server.
T() { tmux -S "$work/tmux.sock" -f /dev/null "$@"; }
kill_panes() { T kill-server >/dev/null 2>&1; }

# new_pane COMMAND: a detached session with one 80 x 50 pane running COMMAND (run by sh), no
# status line.
new_pane() {
  T new-session -d -x 80 -y 50 "$1" || return 1
  T set-option -g status off >/dev/null
  T resize-window -x 80 -y 50 >/dev/null 2>&1
  return 0
}

# screen: the pane's text. show_pane: the same, indented, for a report.
screen() { T capture-pane -p 2>/dev/null; }
show_pane() { screen | sed -e 's/^/  | /'; }

# type_line TEXT: TEXT typed into the pane, then Enter.
type_line() {
  T send-keys -l -- "$1"
  T send-keys Enter
}

# pane_shows TEXT [SECONDS]: waits up to SECONDS (10) until the pane shows TEXT; false when
# it does not. The seconds it took go to $waited.
waited=0
pane_shows() {
  local i start
  start=$(date +%s.%N)
  for ((i = 0; i < ${2:-10} * 20; i++)); do
    if screen | grep -q"${pane_match:-F}" -- "$1"; then
      waited=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# wait_for TEXT [SECONDS]: pane_shows, and on a timeout says what it waited for and shows
# the pane. SECONDS defaults to $pane_wait (10).
# wait_exit [SECONDS]: waits for the "EXIT=<status>" a command line ends with. The line as
# typed ("echo EXIT=$?") is on the screen before it runs, so the status digit is waited for.
wait_exit() { pane_match=E wait_for 'EXIT=[0-9]' "${1:-}"; }
wait_for() {
  pane_shows "$1" "${2:-${pane_wait:-10}}" && return 0
  echo "timed out waiting for '$1'; the pane shows:"
  show_pane
  return 1
}
