#!/usr/bin/env bash
# The program's dynamic section names none of the printing libraries (CUPS, cairo, fontconfig,
# FreeType): they belong to the printing module alone, which must name CUPS and cairo. The
# module draws its dialog without the terminal console, so it names no terminfo library.
#   needed_libraries.sh PROGRAM MODULE
set -u
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
program=$(needed "$1") || exit 1
module=$(needed "$2") || exit 1
[ -n "$program" ] || { echo "no NEEDED entries read from $1"; exit 1; }
echo "program needs: ${program//$'\n'/ }"
echo "module needs: ${module//$'\n'/ }"
status=0
for lib in libcups libcairo libfontconfig libfreetype; do
  if grep -q "^$lib\." <<<"$program"; then
    echo "FAIL: the program links $lib"
    status=1
  fi
done
for lib in libcups libcairo; do
  grep -q "^$lib\." <<<"$module" || { echo "FAIL: the module does not link $lib"; status=1; }
done
for lib in libtinfo libncurses libncursesw; do
  if grep -q "^$lib\." <<<"$module"; then
    echo "FAIL: the module links $lib (the terminal console)"
    status=1
  fi
done
exit $status
