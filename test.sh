#!/usr/bin/env bash
# Builds and runs every test: Linux with sanitizers, the Windows builds (tests under Wine),
# the fuzzers for a short time, and printing through a private CUPS server.
# Installs the Debian packages it needs. Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root"
"$root/scripts/bootstrap.sh" || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
summary=$(mktemp)
failed=0
stage() {  # stage NAME COMMAND...: runs one stage, records its result line
  local name=$1; shift
  echo "==== $name"
  if "$@"; then echo "$name: ok" >>"$summary"; else echo "$name: FAILED" >>"$summary"; failed=1; fi
}

# 1. Linux, Debug, AddressSanitizer + UndefinedBehaviorSanitizer.
linux_tests() {
  local b="$root/build/linux-asan"
  cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOT_SANITIZE=ON \
    -DOT_BUILD_BENCH=OFF >/dev/null || return 1
  cmake --build "$b" -j "$jobs" || return 1
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$b" --output-on-failure -j "$jobs" --timeout 600 2>&1 | tee "$b/ctest.log"
  local rc=${PIPESTATUS[0]}
  grep -E 'tests passed' "$b/ctest.log" | sed 's/^/linux: /' >>"$summary"
  return "$rc"
}
stage "Linux (ASan+UBSan)" linux_tests

# 2. Release build with the benchmarks (built, not timed here).
release_build() {
  local b="$root/build/linux-release"
  cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOT_BUILD_BENCH=ON \
    -DOT_BUILD_TESTS=OFF >/dev/null || return 1
  cmake --build "$b" -j "$jobs"
}
stage "Linux release + benchmarks build" release_build

# 3. Further stages, each owned by its script.
for s in scripts/test-windows.sh scripts/test-fuzz.sh scripts/test-cups.sh; do
  if [ -x "$root/$s" ]; then stage "$(basename "$s" .sh)" "$root/$s" "$summary"; fi
done

echo
echo "==== Summary"
cat "$summary"
ok=$(grep -c ': ok$' "$summary"); bad=$(grep -c ': FAILED$' "$summary")
echo "stages: $ok passed, $bad failed"
rm -f "$summary"
exit "$failed"
