# Sourced by the end-to-end scripts: a temporary work folder and a private tmux server whose
# socket lives inside it, both removed on exit. T runs a tmux command against that server.
# Set case_name to label failures and started=1 once the pane runs.
work=$(mktemp -d)
T() { tmux -S "$work/tmux.sock" -f /dev/null "$@"; }
cleanup() {
  T kill-server >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# fail MESSAGE: reports the failure with the pane's contents (once it runs) and exits 1.
fail() {
  echo "FAIL${case_name:+ ($case_name)}: $*"
  if [ -n "${started:-}" ]; then
    echo "---- pane:"
    T capture-pane -p 2>/dev/null | sed -e 's/^/| /'
  fi
  exit 1
}
