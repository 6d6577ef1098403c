#!/usr/bin/env bash
# Builds a release build of orvane-table and runs it in this terminal.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/bootstrap.sh" cmake ninja-build g++ pkg-config libcups2-dev libcairo2-dev \
  libfontconfig-dev fonts-liberation
b="$root/build/linux-release"
cmake -S "$root" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOT_BUILD_TESTS=OFF >/dev/null
cmake --build "$b" --target orvane-table -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
exec "$b/orvane-table" "$@"
