# shellcheck shell=bash
# shellcheck disable=SC2154 # checker (app_pane_check) is named by the script that uses expect_screen
# Sourced by the end-to-end scripts: a temporary work folder and the private tmux server of
# tmux_pane.sh, both removed on exit. Set case_name to label failures and started=1 once the
# pane runs; a failure ends the script with status 1.
work=$(mktemp -d)
# shellcheck source=tmux_pane.sh
. "$(dirname "${BASH_SOURCE[0]}")/tmux_pane.sh"
cleanup() {
  kill_panes
  rm -rf "$work"
}
trap cleanup EXIT

# fail MESSAGE: reports the failure with the pane's contents (once it runs) and exits 1.
fail() {
  echo "FAIL${case_name:+ ($case_name)}: $*"
  if [ -n "${started:-}" ]; then
    echo "---- pane:"
    screen | sed -e 's/^/| /'
  fi
  exit 1
}

# wait_for TEXT [SECONDS]: until the pane shows TEXT (10 s), or the script fails.
wait_for() {
  pane_shows "$1" "${2:-10}" || fail "timed out waiting for '$1'"
}

# expect_screen NAME [ARGS...]: until the pane, read with its colours, is the named screen
# cell for cell by $checker (app_pane_check), within $screen_wait seconds (10), or the script
# fails with the checker's difference.
expect_screen() {
  local i
  for ((i = 0; i < ${screen_wait:-10} * 20; i++)); do
    T capture-pane -e -p -N >"$work/pane"
    "$checker" "$@" <"$work/pane" >"$work/diff" && return 0
    sleep 0.05
  done
  fail "the pane is not the '$*' screen:
$(cat "$work/diff")"
}
