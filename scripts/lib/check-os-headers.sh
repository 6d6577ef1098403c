#!/usr/bin/env bash
# The one rule of the architecture, checked: only src/platform/<backend>/ (and its subfolders)
# includes operating-system headers or the system libraries' headers; everything else in src/
# uses the standard library and the interfaces of src/platform/*.h.
#
#   scripts/lib/check-os-headers.sh [TREE]
#
# TREE (default: this checkout) is a folder holding src/. Prints each offending line as
# "src/FILE:LINE: #include <...>" and exits 1 when there is one, 0 otherwise.
set -uo pipefail
tree=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
[ -d "$tree/src" ] || { echo "check-os-headers: no src/ in $tree" >&2; exit 2; }

# The headers refused above the seam, as an extended regular expression for the name between
# the angle brackets or quotes: POSIX and Linux, Windows, and the libraries the backends use
# (CUPS, cairo, fontconfig and FreeType, curses/terminfo, libpaper, X11, GLib). The C++
# standard library's own headers (<csignal>, <cstdio>, <thread> ...) are not in it.
posix='(unistd|fcntl|termios|termio|dlfcn|signal|pthread|dirent|poll|langinfo|iconv|pwd|grp|spawn|sched|semaphore|syslog|glob|fnmatch|libgen|ftw|strings|pty|utmp|utmpx|execinfo|err|getopt|link|mntent|paths|wordexp|utime|ucontext|aio|mqueue|netdb|ifaddrs|sysexits)\.h|(sys|linux|asm|netinet|arpa|net|bits)/.+'
windows='(windows|winspool|commdlg|objbase|shellapi|shlobj|shlwapi|tchar|io|direct|process|conio|ole2|oleauto|versionhelpers|psapi|dbghelp|knownfolders|lmcons|intrin|wchar_t)\.h|win[a-z0-9_]*\.h|[a-z]*api[a-z0-9_]*\.h'
libraries='(cups|cairo|fontconfig|freetype|freetype2|X11|glib|gio|ncurses|ncursesw)/.+|cairo[a-z0-9_-]*\.h|ft2build\.h|n?curses\.h|term\.h|paper\.h'
pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($posix|$windows|$libraries)[>\"]"

found=0
while IFS= read -r -d '' file; do
  rel=${file#"$tree"/}
  case "$rel" in
  src/platform/*/*) continue ;; # a backend: the one place for them
  esac
  if grep -HnE "$pattern" "$file" | sed -e "s|^$tree/||"; then
    found=1
  fi
done < <(find "$tree/src" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \
  -o -name '*.inc' \) -print0 | sort -z)
exit "$found"
