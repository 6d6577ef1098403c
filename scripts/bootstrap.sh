#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing. Silent when all are
# present; uses sudo when not root.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$here/packages.txt" | awk '{print $1}')
if [ "$#" -gt 0 ]; then wanted=("$@"); fi
missing=()
for p in "${wanted[@]}"; do
  st=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$st" = "install ok installed" ] || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
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
apt_get=("${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=600)
if ! "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}" >/tmp/orvane-apt.log 2>&1; then
  "${apt_get[@]}" update -q >>/tmp/orvane-apt.log 2>&1 || true
  if ! "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}" >>/tmp/orvane-apt.log 2>&1; then
    echo "error: could not install: ${missing[*]} (see /tmp/orvane-apt.log)" >&2
    exit 1
  fi
fi
