#!/usr/bin/env bash
# Builds and runs every test: the conventions (formatting, shell scripts, no operating-system
# header above the platform seam), the first run as a newcomer meets it, Linux with sanitizers,
# the Windows builds (tests under Wine), the fuzzers for a short time, printing through a
# private CUPS server, the packages, and that they come out the same when built twice.
# Installs the Debian packages it needs. Exits non-zero on any failure and ends with a
# summary: one line per stage with its time.
#
#   ./test.sh              every stage
#   ./test.sh NAME...      only the named stages (e.g. ./test.sh first-run package)
#   ./test.sh quick        the conventions and the Linux tests (lint, linux): a few minutes,
#                          the first thing CI runs so that a broken test is found at once
#   ./test.sh fresh-machine
#                          the stage that proves these commands on new minimal Debian 12 and
#                          13 roots (as root; it runs ./test.sh inside them): what CI runs
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root" || exit 1
"$root/scripts/bootstrap.sh" || exit 1

# The stages, in order. Stage NAME is the script scripts/test-NAME.sh, run with the summary
# file as its one argument; it may append its own result lines there and exits non-zero on
# a failure. A new stage is one more line here. The fresh-machine stage is not in the list:
# it runs every other stage itself, inside its roots.
stages=(
  lint
  first-run
  linux
  terminals
  release
  windows
  fuzz
  cups
  cups-faults
  package
  reproducible
)
if [ "$#" -gt 0 ]; then
  stages=()
  for name in "$@"; do
    if [ "$name" = quick ]; then stages+=(lint linux); else stages+=("$name"); fi
  done
fi

summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
failed=0
total_start=$SECONDS
for name in "${stages[@]}"; do
  script="$root/scripts/test-$name.sh"
  echo "==== $name"
  start=$SECONDS
  if [ ! -x "$script" ]; then
    echo "$name: FAILED (no executable $script)" >>"$summary"
    failed=1
    continue
  fi
  if "$script" "$summary"; then result=ok; else result=FAILED; failed=1; fi
  echo "$name: $result ($((SECONDS - start)) s)" >>"$summary"
done

echo
echo "==== Summary"
cat "$summary"
ok=$(grep -c ': ok (' "$summary"); bad=$(grep -c ': FAILED' "$summary")
echo "stages: $ok passed, $bad failed, $((SECONDS - total_start)) s in all"
exit "$failed"
