#!/usr/bin/env bash
# Proves the Linux tarball on a bare system: unpacks it inside ROOT, the folder of a Debian
# (or other) root file system with no compiler and no development packages, and runs the
# program there through chroot with a clean environment:
#   - the program needs no library but glibc's (objdump -p, read here);
#   - orvane-table --version prints "orvane-table <version>" and a "sandbox: " line, and exits 0;
#   - on an 80 x 50 pseudo-terminal (made on this side and read back by a terminal model, as
#     the root has neither tmux nor python) the main screen shows whole, X ends the program
#     with exit status 0 and the terminal is given back; when the root has no CUPS library,
#     P and Y first show a print dialog that says why printing is not available, and when it
#     has, the printing module beside the program prints through "Save as PDF".
#
#   scripts/check-tarball.sh ROOT TARBALL
#
# Needs root (chroot, mount) and python3-pyte here. /proc, /dev and /dev/pts are bound into
# ROOT unless they already are, and only those bound here are unmounted again, on every way
# out; the unpacked copy is removed. Prints one line per check; exits 1 when one failed.
set -uo pipefail
if [ $# -ne 2 ] || [ ! -d "$1" ] || [ ! -f "$2" ]; then
  echo "usage: $0 ROOT TARBALL" >&2
  exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$1" && pwd)
tarball=$2
python=/usr/bin/python3
name=$(basename "$tarball" .tar.gz)  # orvane-table-<version>-linux-<arch>
version=$(sed -n 's/^orvane-table-\([0-9][0-9.]*\)-linux-.*/\1/p' <<<"$name")
failed=0
ok() { echo "[check-tarball] ok: $*"; }
bad() {
  echo "[check-tarball] FAILED: $*"
  failed=1
}

[ "$(id -u)" -eq 0 ] || { echo "$0: needs root for chroot" >&2; exit 2; }
[ -x "$root/bin/sh" ] || [ -x "$root/usr/bin/sh" ] || { echo "$0: $root holds no system" >&2; exit 2; }
"$python" -c 'import pyte' 2>/dev/null || { echo "$0: python3-pyte is not installed" >&2; exit 2; }

mounted=()
inside=""
cleanup() {
  local i
  [ -n "$inside" ] && rm -rf "$root$inside"
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
bind() {  # bind SOURCE: bound at the same place inside the root unless it already is
  local at="$root$1"
  mkdir -p "$at"
  mountpoint -q "$at" && return 0
  if [ "$1" = /proc ]; then
    mount -t proc proc "$at" || return 1
  else
    mount --bind "$1" "$at" || return 1
  fi
  mounted+=("$at")
}
for m in /proc /dev /dev/pts; do
  bind "$m" || { bad "cannot mount $m in $root"; exit 1; }
done

# Unpacked where nothing of the system is, as a user would unpack it.
mkdir -p "$root/opt"
inside=$(mktemp -d "$root/opt/orvane-check.XXXXXX") || { bad "cannot make a folder in $root/opt"; exit 1; }
inside=${inside#"$root"}
cp "$tarball" "$root$inside/"
in_root=(chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root TERM=xterm-256color
  LANG=C.UTF-8)
if "${in_root[@]}" tar -xzf "$inside/$name.tar.gz" -C "$inside"; then
  ok "the tarball unpacks in $root with the root's own tar"
else
  bad "tar -xzf $name.tar.gz inside $root"
  exit 1
fi
program="$inside/$name/bin/orvane-table"

# Nothing but glibc's own libraries, the only ones every distribution is sure to have.
needed=$(objdump -p "$root$program" 2>/dev/null | awk '$1 == "NEEDED" { print $2 }' | sort)
foreign=$(grep -vE '^(libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|ld-linux-x86-64\.so\.2)$' <<<"$needed")
if [ -n "$needed" ] && [ -z "$foreign" ]; then
  ok "the program needs only glibc: $(tr '\n' ' ' <<<"$needed")"
else
  bad "the program needs libraries beyond glibc: ${foreign:-(none listed)}"
fi

out=$("${in_root[@]}" "$program" --version 2>&1)
rc=$?
if [ "$rc" -eq 0 ] && [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]]; then
  ok "orvane-table --version in the root prints '$out'"
else
  bad "orvane-table --version in the root: exit $rc, '$out'"
fi

# Without CUPS in the root, the print dialog must say why printing is not available; with
# it, the module beside the program prints through "Save as PDF" to drive C:.
drive="$inside/drive_c"
if compgen -G "$root/usr/lib/*/libcups.so.2" >/dev/null || compgen -G "$root/lib/*/libcups.so.2" >/dev/null; then
  printing=--save-as-pdf
else
  printing=--no-printing
fi
if line=$("$python" "$here/lib/pty_main_screen.py" "$printing" -- "${in_root[@]}" \
  ORVANE_DRIVE_C="$drive" CUPS_SERVER=/nonexistent "$program" 2>&1); then
  ok "in the root: $line"
  if [ "$printing" = --save-as-pdf ]; then
    pdf=$(find "$root$drive" -iname 'PRINT-JOB-001.PDF' 2>/dev/null)
    if [ -n "$pdf" ] && [ "$(head -c 5 "$pdf")" = "%PDF-" ]; then
      ok "Save as PDF wrote ${pdf#"$root"}"
    else
      bad "Save as PDF wrote no PDF in $drive"
    fi
  fi
else
  bad "the main screen in the root:"
  echo "$line"
fi
exit "$failed"
