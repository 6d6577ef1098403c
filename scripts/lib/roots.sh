# shellcheck shell=bash disable=SC2154  # base, include, mirror: set by the caller
# Minimal Debian roots for the scripts that build or run things in them (sourced).
#
# The caller sets, before calling:
#   base     the folder the roots are made in; their cached tarballs go to $base/cache
#   include  the packages debootstrap adds to minbase (comma-separated)
#   mirror   the Debian mirror (mirror_of_this_machine gives this machine's)
#   mounted  an array, empty at first: what bind_into mounted, for release_root
# and defines log MESSAGE. Needs root (debootstrap, chroot, mount).

# The first Debian mirror this machine's apt sources name (deb822 or one-line format).
mirror_of_this_machine() {
  local f
  for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    case "$f" in
    *.sources) awk 'tolower($1) == "uris:" { for (i = 2; i <= NF; i++) print $i }' "$f" ;;
    *) awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' "$f" ;;
    esac
  done | grep -v -- '-security' | grep -m1 -E '/debian/?$'
}

# The processes whose root is folder $1.
processes_in() {
  local p r
  for p in /proc/[0-9]*; do
    r=$(readlink "$p/root" 2>/dev/null) || continue
    [ "$r" = "$1" ] && echo "${p#/proc/}"
  done
  return 0
}

# Ends every process left in root $1 and unmounts what was mounted into it.
release_root() {
  local r=$1 i pids
  for i in 1 2 3; do
    pids=$(processes_in "$r")
    [ -z "$pids" ] && break
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    sleep 1
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    case "${mounted[i]}" in
    "$r"/*) umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" ;;
    esac
  done
  local kept=()
  for i in "${mounted[@]}"; do case "$i" in "$r"/*) ;; *) kept+=("$i") ;; esac done
  mounted=("${kept[@]}")
}

# /proc, /sys, /dev, /dev/pts (and /dev/shm) bound into root $1, and this machine's resolver.
bind_into() {
  local r=$1
  mount -t proc proc "$r/proc" && mounted+=("$r/proc")
  mount --bind /sys "$r/sys" && mounted+=("$r/sys")
  mount --bind /dev "$r/dev" && mounted+=("$r/dev")
  mount --bind /dev/pts "$r/dev/pts" && mounted+=("$r/dev/pts")
  if mountpoint -q /dev/shm; then
    mount --bind /dev/shm "$r/dev/shm" && mounted+=("$r/dev/shm")
  fi
  cp -L /etc/resolv.conf "$r/etc/resolv.conf" 2>/dev/null || true
}

# make_root RELEASE NAME: a new minimal root of RELEASE in $base/NAME, from the cached tarball
# (made first when missing).
make_root() {
  local release=$1 r="$base/$2"
  local key
  key=$(echo "minbase $release $include $mirror" | sha256sum | cut -c1-12)
  local tarball="$base/cache/$release-minbase-$key.tar"
  mkdir -p "$base/cache"
  if [ ! -f "$tarball" ]; then
    local tmp="$base/cache/$release.new"
    rm -rf --one-file-system "$tmp"
    log "debootstrap $release from $mirror"
    if ! debootstrap --variant=minbase --include="$include" "$release" "$tmp" "$mirror" \
      >"$base/cache/$release-debootstrap.log" 2>&1; then
      tail -20 "$base/cache/$release-debootstrap.log"
      return 1
    fi
    tar -C "$tmp" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
    rm -rf --one-file-system "$tmp"
  fi
  if findmnt -rno TARGET | grep -q "^$r/"; then
    echo "$r still has something mounted in it; not replacing it" >&2
    return 1
  fi
  rm -rf --one-file-system "$r"
  mkdir -p "$r" && tar -C "$r" -xf "$tarball"
}
