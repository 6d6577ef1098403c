# shellcheck shell=bash
# Wine's loaders, one for each Windows build: the x86_64 programs run under the 64-bit loader
# and the i686 programs under the 32-bit one. The "wine" launcher is not asked to choose: once
# the 32-bit loader is installed it takes that one for every program, 64-bit prefix included.
# Sourced by the windows stage and by the checks of tests/windows and tests/e2e.

# wine_loader 64|32: prints the loader that runs programs of that width; fails when it is not
# installed. Debian keeps both in /usr/lib/wine (wine64, wine); elsewhere wine64 and wine are
# the loaders themselves.
wine_loader() {
  local c
  case $1 in
    64)
      for c in /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)"; do
        [ -n "$c" ] && [ -x "$c" ] && { echo "$c"; return 0; }
      done
      ;;
    32)
      c=/usr/lib/wine/wine
      [ -x "$c" ] && { echo "$c"; return 0; }
      ;;
  esac
  return 1
}

# wine_preloader LOADER: prints the prelinked loader that goes with LOADER (beside it, its name
# with "-preloader" added); fails when it is missing. Without it Wine cannot reserve its fixed
# addresses before the system maps something there, and fails or stalls at random.
wine_preloader() {
  local p="$1-preloader"
  [ -x "$p" ] && echo "$p"
}

# use_wine64: exports OT_WINE (the loader the x86_64 checks run under) and WINELOADER (the one
# Wine starts further processes with), unless the caller has chosen OT_WINE already. Fails
# with a message when no 64-bit loader is installed.
use_wine64() {
  if [ -z "${OT_WINE:-}" ]; then
    OT_WINE=$(wine_loader 64) || {
      echo "no 64-bit Wine loader is installed (scripts/bootstrap.sh windows)" >&2
      return 1
    }
  fi
  export OT_WINE WINELOADER="$OT_WINE"
}
