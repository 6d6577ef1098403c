#!/usr/bin/env bash
# Builds a release build of orvane-table and runs it in this terminal, passing on every
# argument (./run.sh --version, ./run.sh --help). The build writes the path of the program it
# made to build/linux-release/orvane-table.path; that is what runs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/bootstrap.sh" build
b="$root/build/linux-release"
mkdir -p "$b"
log="$b/run-build.log"
# The preset linux-release; CMake before 3.21 reads no presets and gets its settings written
# out.
configure=(cmake -S "$root" --preset linux-release)
if ! cmake -S "$root" --list-presets >/dev/null 2>&1; then
  configure=(cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOT_BUILD_TESTS=OFF
    -DOT_SANITIZE=OFF -DOT_BUILD_FUZZ=OFF)
fi
# The build's output is kept out of the terminal the program is about to use; on a failure
# it is shown.
if ! { "${configure[@]}" &&
  cmake --build "$b" --target orvane-table -j "$(nproc 2>/dev/null || echo 2)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: the build failed (log: $log)" >&2
  exit 1
fi
program=$(cat "$b/orvane-table.path")
exec "$program" "$@"
