#!/usr/bin/env bash
# Builds the Linux tarball for any distribution, orvane-table-<version>-linux-x86_64.tar.gz,
# against the oldest C library it promises to run with: in a minimal Debian 11 (bullseye) root,
# whose glibc is 2.31, so that neither its program nor its printing module imports a symbol
# version newer than that. The C++ run-time and terminfo linked into the program come from the
# same root, so they are as old as its C library.
#
#   scripts/build-tarball.sh [OUT_DIR]
#
# The committed state of this checkout (HEAD) is cloned into the root; there the packages of
# the "build" group are installed, the Release program, the printing module and the manual
# are built (no tests) and cpack -G TGZ makes the tarball, which is copied to OUT_DIR
# (build/tarball by default). Prints the oldest glibc that the program and the module need,
# as measured on them.
#
# Needs root (debootstrap, chroot, mounts). The minimal root is cached as a tarball in
# build/fresh-machine/cache (shared with scripts/test-fresh-machine.sh) and made anew from it
# in build/fresh-machine/bullseye-tarball on every run, where it is kept afterwards for a look;
# nothing stays mounted or running in it. The packages it downloads and ccache's objects are
# kept in build/fresh-machine/cache too. The package mirror is the one this machine's apt
# uses (FRESH_MIRROR overrides it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/build/tarball}
release=bullseye
base="$root/build/fresh-machine"
include=git,ca-certificates
mounted=()
log() { echo "[build-tarball] $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  log "needs root (debootstrap, chroot and mounts)"
  exit 2
fi
for tool in debootstrap chroot mount umount git tar objdump; do
  command -v "$tool" >/dev/null || { log "missing $tool (scripts/bootstrap.sh packaging fresh-machine)"; exit 2; }
done
# shellcheck source=lib/roots.sh
source "$root/scripts/lib/roots.sh"
mirror=${FRESH_MIRROR:-$(mirror_of_this_machine)}
[ -n "$mirror" ] || { log "no Debian mirror in this machine's apt sources (set FRESH_MIRROR)"; exit 2; }

r="$base/$release-tarball"
trap 'set +e; release_root "$r"' EXIT
trap 'exit 130' INT TERM HUP
start=$SECONDS

make_root "$release" "$release-tarball" || { log "could not make a $release root"; exit 1; }
log "$release root ready in $r ($((SECONDS - start)) s)"
bind_into "$r"
# Kept from one run to the next, as the root itself is made anew every time: the packages
# downloaded, and ccache's compiled objects.
for keep in "$release-apt:/var/cache/apt/archives" "$release-ccache:/root/.ccache"; do
  mkdir -p "$base/cache/${keep%%:*}" "$r${keep#*:}"
  mount --bind "$base/cache/${keep%%:*}" "$r${keep#*:}" && mounted+=("$r${keep#*:}")
done
git clone -q "$root" "$r/root/orvane-table"
commit=$(git -C "$r/root/orvane-table" rev-parse --short HEAD)
# The time stamp of every member: the caller's SOURCE_DATE_EPOCH, else the commit's time, so
# that the same commit gives the same tarball (scripts/test-reproducible.sh).
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$r/root/orvane-table" log -1 --format=%ct)}

# Debian 11's CMake (3.18) reads no CMakePresets.json: the settings of the preset
# linux-release are written out here.
b=build/tarball
log "building $commit in the $release root (log: $r/root/build-tarball.log)"
if ! chroot "$r" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive SOURCE_DATE_EPOCH="$epoch" bash -c "
    set -e
    cd /root/orvane-table
    scripts/bootstrap.sh build
    scripts/bootstrap.sh --package ccache
    cmake -S . -B $b -G Ninja -DCMAKE_BUILD_TYPE=Release -DOT_BUILD_TESTS=OFF \
      -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
    cmake --build $b -j \$(nproc)
    (cd $b && cpack -G TGZ)
    # CMake 3.18's cpack runs no script after packing: the tarball is packed again here.
    cmake -DPACKAGES=\"\$(echo $b/packages/orvane-table-*-linux-x86_64.tar.gz)\" \
      -DSOURCE_DIR=. -P cmake/OrvaneRepack.cmake" >"$r/root/build-tarball.log" 2>&1 </dev/null; then
  tail -40 "$r/root/build-tarball.log" >&2
  log "the build in the $release root failed"
  exit 1
fi

tarball=$(find "$r/root/orvane-table/$b/packages" -name 'orvane-table-*-linux-x86_64.tar.gz' | head -1)
[ -n "$tarball" ] || { log "cpack made no tarball"; exit 1; }
mkdir -p "$out"
cp "$tarball" "$out/"
log "$out/$(basename "$tarball") ($((SECONDS - start)) s)"

# The floor, measured on what was built: the newest GLIBC_ symbol version each file imports.
floor_of() {
  objdump -T "$1" | grep -oE 'GLIBC_[0-9]+\.[0-9]+(\.[0-9]+)?' | sed 's/GLIBC_//' | sort -uV | tail -1
}
built="$r/root/orvane-table/$b"
echo "glibc symbol versions imported: up to $(floor_of "$built/portable/bin/orvane-table") by the" \
  "program, $(floor_of "$built/lib/orvane-table/orvane-table-printing.so") by the printing module;" \
  "built with glibc $(chroot "$r" getconf GNU_LIBC_VERSION | cut -d' ' -f2);" \
  "INSTALL.txt states $(sed -n 's/.*(glibc) \([0-9.]*\) or later.*/\1/p' "$built/doc/INSTALL.txt") or later"
