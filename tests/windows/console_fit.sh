#!/usr/bin/env bash
# Runs console_fit.py: orvane-table.exe under Wine in a small terminal, under other code
# pages, around a probe of the console's modes, and with no console at all.
#
#   tests/windows/console_fit.sh BUILD_DIR     (the x86_64 build; WINEPREFIX from the caller)
set -uo pipefail
build=$(cd "${1:?usage: console_fit.sh BUILD_DIR}" && pwd)
export WINEARCH=win64 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
# shellcheck source=../../scripts/lib/wine.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine.sh"
use_wine64 || exit 1
/usr/bin/python3 -c 'import pyte' 2>/dev/null || { echo "python3-pyte is not installed"; exit 1; }
exec /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/console_fit.py" "$build"
