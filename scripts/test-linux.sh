#!/usr/bin/env bash
# The Linux stage of ./test.sh: the Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer (preset linux-asan, in build/linux-asan), and every CTest test on
# it (test preset linux-asan: the sanitizers' options, output on failure, 600 s per test).
#
#   scripts/test-linux.sh [SUMMARY_FILE] [CTEST_ARGS...]
#
# Appends "linux: N passed, M failed (CTest's summary line)" to SUMMARY_FILE and exits
# non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
shift || true

stage_name=linux
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

b="$root/build/linux-asan"
mkdir -p "$b"
quietly "$b/configure.log" cmake -S "$root" --preset linux-asan || { fail "configure"; finish; }
cmake --build "$b" -j "$jobs" || { fail "build"; finish; }
# Test presets are read from the current folder.
(cd "$root" && ctest --preset linux-asan -j "$jobs" "$@") 2>&1 | tee "$b/ctest.log"
rc=${PIPESTATUS[0]}
line=$(grep -E 'tests passed' "$b/ctest.log" | tail -1)
read -r bad total < <(sed -n 's/.* \([0-9][0-9]*\) tests\{0,1\} failed out of \([0-9][0-9]*\)$/\1 \2/p' <<<"$line")
if [ -n "${total:-}" ]; then
  # CTest counts a skipped test among the passed ones and lists it as "(Skipped)".
  skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$b/ctest.log")
  passed=$((total - bad - skipped))
  failed=$bad
  stage_notes=$line
fi
[ "$rc" -ne 0 ] && [ "$failed" -eq 0 ] && fail "ctest ended with status $rc"
finish
