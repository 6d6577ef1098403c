#!/usr/bin/env bash
# Installs the Debian packages that are missing, from the groups of scripts/packages.txt.
#
#   scripts/bootstrap.sh                 every group
#   scripts/bootstrap.sh GROUP...        the groups named (./run.sh: build)
#   scripts/bootstrap.sh --list GROUP... prints the packages those groups name on this release
#   scripts/bootstrap.sh --package NAME  one package that is not on the list (optional tools)
#
# Silent when everything is present; uses sudo when not root. On a system without dpkg it
# lists what to install and leaves that to the system's own package manager.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
list="$here/packages.txt"
codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}") || codename=""

# packages_of GROUP...: the package names of the groups (all groups when none is named) that
# apply to this release.
packages_of() {
  awk -v want=" $* " -v release="$codename" '
    /^[[:space:]]*(#|$)/ { next }
    /^\[/ { group = $0; gsub(/[][[:space:]]/, "", group); known[group] = 1; next }
    {
      if (want != "  " && index(want, " " group " ") == 0) next
      if (NF > 1) { ok = 0; for (i = 2; i <= NF; i++) if ($i == release) ok = 1; if (!ok) next }
      print $1
    }
    END {
      n = split(want, w, " ")
      for (i = 1; i <= n; i++) if (!(w[i] in known)) { print "unknown group: " w[i] > "/dev/stderr"; exit 2 }
    }' "$list"
}

if [ "${1:-}" = --list ]; then
  shift
  packages_of "$@"
  exit
fi
if [ "${1:-}" = --package ]; then
  shift
  wanted=("$@")
else
  mapfile -t wanted < <(packages_of "$@")
  [ "${#wanted[@]}" -gt 0 ] || exit 1
fi

if ! command -v dpkg-query >/dev/null 2>&1; then
  echo "note: not a Debian system; make sure the equivalents of these are installed:" >&2
  echo "  ${wanted[*]}" >&2
  exit 0
fi
# 32-bit x86 packages (NAME:i386) exist only beside amd64; elsewhere they are left out.
host_arch=$(dpkg --print-architecture 2>/dev/null || true)
if [ "$host_arch" != amd64 ]; then
  kept=()
  for p in "${wanted[@]}"; do
    case $p in
      *:i386) echo "note: $p left out on $host_arch" >&2 ;;
      *) kept+=("$p") ;;
    esac
  done
  wanted=("${kept[@]}")
fi
missing=()
for p in "${wanted[@]}"; do
  st=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$st" = "install ok installed" ] || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "error: these Debian packages are missing and neither root nor sudo is available:" >&2
  echo "  ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt_log=${TMPDIR:-/tmp}/orvane-apt.log
apt_get=("${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600)
# A machine whose package lists were never fetched (a new root) cannot install anything:
# fetch them first when apt has none, otherwise only after an install fails. A 32-bit x86
# package needs that architecture added, and then its lists.
need_update=0
compgen -G '/var/lib/apt/lists/*_Packages' >/dev/null || need_update=1
: >"$apt_log"
for p in "${missing[@]}"; do
  case $p in
    *:i386)
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${SUDO[@]}" dpkg --add-architecture i386
      fi
      compgen -G '/var/lib/apt/lists/*_binary-i386_Packages*' >/dev/null || need_update=1
      ;;
  esac
done
if [ "$need_update" -eq 1 ]; then
  "${apt_get[@]}" update -q >>"$apt_log" 2>&1 || true
fi
if ! "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}" >>"$apt_log" 2>&1; then
  "${apt_get[@]}" update -q >>"$apt_log" 2>&1 || true
  if ! "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}" >>"$apt_log" 2>&1; then
    tail -n 20 "$apt_log" >&2
    echo "error: could not install: ${missing[*]} (see $apt_log)" >&2
    exit 1
  fi
fi
