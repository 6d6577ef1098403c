#!/usr/bin/env bash
# The packaging stage of ./test.sh:
#   - cmake --install into a scratch prefix puts the program, the manual page and the README
#     where they belong;
#   - CPack makes orvane-table_<version>_<arch>.deb with its dependencies computed from the
#     program (the printing module's libraries only recommended), its section, description
#     and maintainer; the package is installed (with apt as root; into a scratch root
#     otherwise, or when OT_PACKAGE_SCRATCH=1), the installed orvane-table --version runs,
#     it prints through "Save as PDF" with the installed printing module, and the installed
#     manual page renders without warnings;
#   - lintian, when it can be installed, reports no errors;
#   - CPack makes orvane-table-<version>-linux-x86_64.tar.gz: the program needs no library but
#     glibc (objdump), INSTALL.txt names the oldest glibc it runs with, and unpacked and run
#     with an empty environment it prints its version, shows its main screen in an 80 x 50
#     pseudo-terminal (X ends it with 0) and prints through "Save as PDF" with the module
#     beside it; with OT_TARBALL_ROOT=<bare root folder> (as root) scripts/check-tarball.sh
#     proves it inside that root too;
#   - CPack makes orvane-table-<version>-win64.zip holding the static orvane-table.exe (no DLL
#     beyond Windows' own) and HOW-TO-RUN.txt; the unzipped program prints its version under
#     Wine when the Windows stage's Wine prefix is there.
#
#   scripts/test-package.sh [SUMMARY_FILE]
#
# Appends "package: N passed, M failed" to SUMMARY_FILE and exits non-zero on any failure.
# A package installed here is removed again unless it was installed before.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=package
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/ot-package.XXXXXX")
# shellcheck source=../tests/e2e/tmux_pane.sh
source "$root/tests/e2e/tmux_pane.sh"
installed_here=""
cleanup() {
  kill_panes
  if [ -n "$installed_here" ]; then
    log "removing the package installed for the test"
    apt-get -o DPkg::Lock::Timeout=600 remove -y -q orvane-table >"$work/remove.log" 2>&1 ||
      cat "$work/remove.log"
  fi
  rm -rf "$work"
}
trap cleanup EXIT

version=$(sed -n 's/^project(orvane-table VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
arch=$(dpkg --print-architecture)

# --- the Linux build and cmake --install ------------------------------------------------
b="$root/build/linux-release"
if ! cmake -S "$root" --preset linux-release >/dev/null ||
  ! cmake --build "$b" -j "$jobs" >"$work/build.log" 2>&1; then
  tail -30 "$work/build.log"
  fail "the Linux release build"
  finish
fi

if cmake --install "$b" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
  missing=""
  for f in bin/orvane-table lib/orvane-table/orvane-table-printing.so \
    share/man/man1/orvane-table.1.gz share/doc/orvane-table/README.md; do
    [ -f "$work/prefix/$f" ] || missing="$missing $f"
  done
  if [ -z "$missing" ] && [ -x "$work/prefix/bin/orvane-table" ]; then
    pass "cmake --install: bin/orvane-table, lib/orvane-table/orvane-table-printing.so, share/man/man1/orvane-table.1.gz, share/doc/orvane-table/"
  else
    fail "cmake --install lacks:$missing"
  fi
else
  cat "$work/install.log"
  fail "cmake --install"
fi

# --- the .deb ------------------------------------------------------------------------------
rm -rf "$b/packages"
deb="$b/packages/orvane-table_${version}_${arch}.deb"
if (cd "$b" && cpack -G DEB) >"$work/cpack-deb.log" 2>&1 && [ -f "$deb" ]; then
  pass "cpack made $(basename "$deb")"
else
  cat "$work/cpack-deb.log"
  ls "$b/packages" 2>/dev/null
  fail "cpack -G DEB did not make orvane-table_${version}_${arch}.deb"
  finish
fi

field() { dpkg-deb -f "$deb" "$1"; }
depends=$(field Depends)
recommends=$(field Recommends)
if grep -q 'libc6 (>= ' <<<"$depends" && ! grep -qE 'libcups2|libcairo2|libfontconfig1' <<<"$depends" &&
  grep -qE 'libcups2(t64)? \(>= ' <<<"$recommends" && grep -q 'libcairo2 (>= ' <<<"$recommends" &&
  grep -qw 'fonts-liberation' <<<"$recommends" &&
  [ "$(field Section)" = utils ] && [ "$(field Priority)" = optional ] &&
  grep -qE '^[^<>]+ <[^@ ]+@[^> ]+>$' <<<"$(field Maintainer)" &&
  [ "$(field Description | wc -l)" -ge 2 ] && [ "$(field Version)" = "$version" ]; then
  pass "control: Depends from the program ($depends), Recommends for printing ($recommends), section, maintainer, description"
else
  fail "control fields:"
  dpkg-deb -f "$deb" | sed -e 's/^/  | /'
fi

# Install it: with apt as root (it waits for the package lock), else into a scratch root.
prefix=""
if [ "$(id -u)" -eq 0 ] && [ "${OT_PACKAGE_SCRATCH:-0}" != 1 ]; then
  before=$(dpkg-query -W -f='${Status}' orvane-table 2>/dev/null || true)
  cp "$deb" "$work/"
  if apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends \
    "$work/$(basename "$deb")" >"$work/apt.log" 2>&1; then
    [ "$before" = "install ok installed" ] || installed_here=1
    pass "apt installs the package"
  else
    tail -20 "$work/apt.log"
    fail "apt could not install the package"
  fi
  how="installed"
else
  dpkg-deb -x "$deb" "$work/root" && pass "the package unpacks into a scratch root" ||
    fail "dpkg-deb -x"
  prefix="$work/root"
  how="unpacked"
fi
if out=$("$prefix/usr/bin/orvane-table" --version 2>&1) && [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]]; then
  pass "the $how /usr/bin/orvane-table --version prints '$out'"
else
  fail "the $how /usr/bin/orvane-table --version: '$out'"
fi
# prints_to_pdf PROGRAM WHAT: P, Y, Enter on "Save as PDF" (no print server) in a private
# tmux pane; the PDF must appear on drive C:, which proves the printing module beside PROGRAM
# was found and loaded.
prints_to_pdf() {
  local program=$1 what=$2 drive
  if ! command -v tmux >/dev/null; then
    log "no tmux: printing with $what is not checked"
    return
  fi
  drive=$(mktemp -d "$work/drive_c.XXXXXX")
  if new_pane "env HOME='$work' ORVANE_DRIVE_C='$drive' \
      CUPS_SERVER='$work/no-server' LANG=C.UTF-8 '$program'; sleep 60" &&
    pane_shows "User Options" 20 && T send-keys P && pane_shows "Print It" 20 && T send-keys Y &&
    pane_shows "Save as PDF" 20 && T send-keys Enter && pane_shows "Printing Completed" 20 &&
    [ -n "$(find "$drive" -iname 'PRINT-JOB-001.PDF')" ]; then
    pass "$what prints through Save as PDF with its printing module"
  else
    fail "$what did not print through Save as PDF:"
    show_pane | grep -v '^  | *$'
  fi
  kill_panes
}
prints_to_pdf "$prefix/usr/bin/orvane-table" "the $how program"

page="$prefix/usr/share/man/man1/orvane-table.1.gz"
if [ -z "$prefix" ]; then
  if grep -qsE '^path-exclude=?\s*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
    # A trimmed system (e.g. a slim container image) where dpkg leaves out manual pages:
    # the page is checked as the package holds it.
    log "dpkg here leaves out manual pages; the page is checked from the package"
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/orvane-table.1.gz >"$work/page.1.gz"
    page="$work/page.1.gz"
  else
    page=$(man -w orvane-table 2>/dev/null)
    [ "$page" = /usr/share/man/man1/orvane-table.1.gz ] && pass "man finds orvane-table(1)" ||
      fail "man -w orvane-table gives '$page'"
  fi
fi
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.txt")
if [ -z "$warnings" ] && grep -q 'EXIT STATUS' "$work/page.txt" && grep -q 'ORVANE_DRIVE_C' "$work/page.txt"; then
  pass "the $how manual page renders without warnings ($(wc -l <"$work/page.txt") lines)"
else
  fail "the manual page: ${warnings:-renders without its sections}"
fi

# lintian, when it can be installed.
if "$root/scripts/bootstrap.sh" --package lintian >"$work/lintian-install.log" 2>&1; then
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1
  if grep -q '^E: ' "$work/lintian.log"; then
    fail "lintian reports errors:"
    grep -E '^[EW]: ' "$work/lintian.log"
  else
    pass "lintian: no errors ($(grep -c '^W: ' "$work/lintian.log") warnings)"
    grep -E '^W: ' "$work/lintian.log" | sed -e 's/^/  /'
  fi
else
  log "lintian could not be installed: not checked"
  stage_notes="lintian not installable"
fi

# --- the tarball for any Linux distribution ----------------------------------------------
name="orvane-table-${version}-linux-$(uname -m)"
tgz="$b/packages/$name.tar.gz"
if (cd "$b" && cpack -G TGZ) >"$work/cpack-tgz.log" 2>&1 && [ -f "$tgz" ]; then
  pass "cpack made $(basename "$tgz")"
  mkdir -p "$work/tgz"
  tar -xzf "$tgz" -C "$work/tgz"
  top="$work/tgz/$name"
  missing=""
  for f in bin/orvane-table lib/orvane-table/orvane-table-printing.so \
    share/man/man1/orvane-table.1.gz README.md INSTALL.txt; do
    [ -f "$top/$f" ] || missing="$missing $f"
  done
  [ -z "$missing" ] && pass "the tarball holds $name/{bin/orvane-table, lib/orvane-table/orvane-table-printing.so, share/man/man1/, README.md, INSTALL.txt}" ||
    fail "the tarball lacks:$missing"

  # Nothing but the C library: glibc's own libraries are the only ones a distribution is sure
  # to have, and INSTALL.txt names the oldest glibc that has every symbol version it imports,
  # or the glibc it was built with (this machine's) when that is newer.
  needed=$(objdump -p "$top/bin/orvane-table" | awk '$1 == "NEEDED" { print $2 }' | sort)
  foreign=$(grep -vE '^(libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2)$' <<<"$needed")
  if [ -n "$needed" ] && [ -z "$foreign" ]; then
    pass "the tarball's program needs only glibc: $(tr '\n' ' ' <<<"$needed")"
  else
    fail "the tarball's program needs libraries beyond glibc: ${foreign:-(none listed)}"
  fi
  imported=$(objdump -T "$top/bin/orvane-table" | grep -oE 'GLIBC_[0-9]+\.[0-9]+(\.[0-9]+)?' |
    sed 's/GLIBC_//' | sort -uV | tail -1)
  built_with=$(getconf GNU_LIBC_VERSION 2>/dev/null | grep -oE '[0-9]+\.[0-9]+(\.[0-9]+)?')
  floor=$(printf '%s\n' "$imported" "$built_with" | sed '/^$/d' | sort -V | tail -1)
  stated=$(sed -n 's/.*(glibc) \([0-9.]*\) or later.*/\1/p' "$top/INSTALL.txt")
  if [ -n "$imported" ] && [ "$stated" = "$floor" ]; then
    pass "INSTALL.txt names glibc $stated or later, the newest of the symbol versions the program imports and the glibc it was built with"
    stage_notes="${stage_notes:+$stage_notes, }tarball needs glibc >= $floor"
  else
    fail "INSTALL.txt names glibc '${stated}', not ${floor:-(no version)} (imports up to GLIBC_${imported:-none}, built with glibc ${built_with:-unknown})"
  fi

  # Unpacked anywhere and run with an empty environment.
  clean=(env -i PATH=/usr/bin:/bin HOME="$work" TERM=xterm-256color LANG=C.UTF-8)
  out=$("${clean[@]}" "$top/bin/orvane-table" --version 2>&1)
  rc=$?
  if [ "$rc" -eq 0 ] && [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]]; then
    pass "the unpacked bin/orvane-table --version with env -i prints '$out'"
  else
    fail "the unpacked bin/orvane-table --version with env -i: exit $rc, '$out'"
  fi
  if /usr/bin/python3 -c 'import pyte' 2>/dev/null; then
    if line=$(/usr/bin/python3 "$root/scripts/lib/pty_main_screen.py" -- "${clean[@]}" \
      "$top/bin/orvane-table" 2>&1); then
      pass "the unpacked program with env -i: $line"
    else
      fail "the unpacked program with env -i:"
      echo "$line"
    fi
  else
    log "no python3-pyte: the unpacked program's main screen is not checked"
  fi
  prints_to_pdf "$top/bin/orvane-table" "the unpacked tarball's program"
  # A bare root file system to prove it in, when one is given (the fresh-machine stage makes
  # them): no compiler, no development packages.
  if [ -n "${OT_TARBALL_ROOT:-}" ]; then
    if "$root/scripts/check-tarball.sh" "$OT_TARBALL_ROOT" "$tgz"; then
      pass "the tarball runs in the bare root $OT_TARBALL_ROOT"
    else
      fail "the tarball in the bare root $OT_TARBALL_ROOT"
    fi
  fi
else
  tail -30 "$work/cpack-tgz.log"
  fail "cpack -G TGZ did not make $name.tar.gz"
fi

# --- the Windows zip -----------------------------------------------------------------------
w="$root/build/win64"
# A first configure leaves the tests out (the Windows stage's build, when there is one, keeps
# them).
if [ ! -f "$w/CMakeCache.txt" ]; then
  cmake -S "$root" --preset win64 -DOT_BUILD_TESTS=OFF >/dev/null
fi
rm -rf "$w/packages"
zip="$w/packages/orvane-table-${version}-win64.zip"
if cmake --build "$w" -j "$jobs" >"$work/win-build.log" 2>&1 &&
  (cd "$w" && cpack -G ZIP) >"$work/cpack-zip.log" 2>&1 && [ -f "$zip" ]; then
  pass "cpack made $(basename "$zip")"
  mkdir -p "$work/zip"
  (cd "$work/zip" && cmake -E tar xf "$zip")
  top="$work/zip/orvane-table-${version}-win64"
  exe="$top/orvane-table.exe"
  if [ -f "$exe" ] && [ -f "$top/HOW-TO-RUN.txt" ] && grep -q 'orvane-table' "$top/HOW-TO-RUN.txt"; then
    pass "the zip holds orvane-table.exe and HOW-TO-RUN.txt"
  else
    fail "the zip holds: $(cd "$work/zip" && find . -type f | tr '\n' ' ')"
  fi
  # Notepad before Windows 10 shows a text with bare line feeds as one long line.
  if [ -f "$top/HOW-TO-RUN.txt" ] && ! grep -qv $'\r$' "$top/HOW-TO-RUN.txt"; then
    pass "every line of HOW-TO-RUN.txt ends in CR LF"
  else
    fail "HOW-TO-RUN.txt has lines without CR LF: $(grep -cv $'\r$' "$top/HOW-TO-RUN.txt")"
  fi
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" 2>/dev/null | sed -n 's/.*DLL Name: *//p' | tr '[:upper:]' '[:lower:]' | sort -u)
  foreign=$(grep -vE '^(kernel32|user32|gdi32|comdlg32|winspool\.drv|advapi32|msvcrt|ole32|oleaut32|shell32|ucrtbase|api-ms-win-.*)(\.dll)?$' <<<"$dlls")
  if [ -n "$dlls" ] && [ -z "$foreign" ]; then
    pass "orvane-table.exe is static: it needs only $(tr '\n' ' ' <<<"$dlls")"
  else
    fail "orvane-table.exe needs DLLs Windows does not have: ${foreign:-(none listed)}"
  fi
  if [ -f "$w/wineprefix/system.reg" ] && command -v wine >/dev/null; then
    out=$(cd "$top" && WINEPREFIX="$w/wineprefix" WINEDEBUG=-all timeout -k 10 120 \
      wine orvane-table.exe --version </dev/null 2>/dev/null | tr -d '\r')
    [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]] && pass "the unzipped orvane-table.exe --version under Wine: '$out'" ||
      fail "the unzipped orvane-table.exe --version under Wine printed '$out'"
    WINEPREFIX="$w/wineprefix" timeout 30 wineserver -k >/dev/null 2>&1
  else
    log "no Wine prefix from the Windows stage: the unzipped program is not run"
  fi
else
  tail -30 "$work/win-build.log" "$work/cpack-zip.log" 2>/dev/null
  fail "the Windows zip"
fi

finish
