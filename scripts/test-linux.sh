#!/usr/bin/env bash
# The Linux stage of ./test.sh: a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and every CTest test on it.
#
#   scripts/test-linux.sh [SUMMARY_FILE] [CTEST_ARGS...]
#
# Appends CTest's "tests passed" line to SUMMARY_FILE and exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
shift || true
jobs=${OT_JOBS:-$(nproc 2>/dev/null || echo 2)}
b="$root/build/linux-asan"
cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOT_SANITIZE=ON \
  -DOT_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build "$b" -j "$jobs" || exit 1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$b" --output-on-failure -j "$jobs" --timeout 600 "$@" 2>&1 | tee "$b/ctest.log"
rc=${PIPESTATUS[0]}
grep -E 'tests passed' "$b/ctest.log" | sed 's/^/linux: /' >>"$summary"
exit "$rc"
