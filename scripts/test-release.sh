#!/usr/bin/env bash
# The release stage of ./test.sh: the Release build that ./run.sh uses, with the benchmarks
# (built, not timed here).
#
#   scripts/test-release.sh [SUMMARY_FILE]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${OT_JOBS:-$(nproc 2>/dev/null || echo 2)}
b="$root/build/linux-release"
cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOT_BUILD_BENCH=ON \
  -DOT_BUILD_TESTS=OFF >/dev/null || exit 1
cmake --build "$b" -j "$jobs"
