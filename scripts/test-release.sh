#!/usr/bin/env bash
# The release stage of ./test.sh: the Release build that ./run.sh uses (preset linux-release,
# in build/linux-release), with the benchmarks (built, not timed here).
#
#   scripts/test-release.sh [SUMMARY_FILE]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=release
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

b="$root/build/linux-release"
mkdir -p "$b"
quietly "$b/configure.log" cmake -S "$root" --preset linux-release -DOT_BUILD_BENCH=ON ||
  { fail "configure"; finish; }
if cmake --build "$b" -j "$jobs"; then
  pass "the Release build with the benchmarks"
else
  fail "the Release build with the benchmarks"
fi
finish
