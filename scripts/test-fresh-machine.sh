#!/usr/bin/env bash
# The README's set-up commands proven from nothing: for Debian 12 (bookworm) and Debian 13
# (trixie), a minimal root (debootstrap --variant=minbase, plus git and ca-certificates), this
# checkout cloned into it, and inside it, as root with a clean environment:
#   1. ./run.sh --version prints "orvane-table <version>" and its sandbox line, exit status 0
#      (it installs what the build needs and builds);
#   2. ./run.sh on an 80 x 50 pseudo-terminal shows the main screen; X ends it with status 0;
#   3. ./test.sh: every stage in the Debian 12 root; in the Debian 13 root the stages of
#      FRESH_TRIXIE_STAGES (lint first-run linux terminals package).
# Then the Linux tarball is built as released, in a Debian 11 root (scripts/build-tarball.sh),
# unpacked into a bare Debian 13 root (nothing installed beyond minbase) and run there
# (scripts/check-tarball.sh). FRESH_TARBALL=0 leaves the tarball out.
#
#   scripts/test-fresh-machine.sh [SUMMARY_FILE]
#
# Needs root (debootstrap, chroot, mounts). The package mirror is the one this machine's apt
# uses (FRESH_MIRROR overrides it). Each minimal root is cached as a tarball in
# build/fresh-machine/cache, reused while what it is made of is unchanged; the roots
# themselves are made anew from it on every run, in build/fresh-machine/<name>, and kept
# afterwards for a look (nothing stays mounted or running in them).
# FRESH_RELEASES="bookworm" limits the releases; FRESH_BOOKWORM_STAGES overrides the stages
# run in the Debian 12 root (all of them by default).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=fresh-machine
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

read -ra releases <<<"${FRESH_RELEASES:-bookworm trixie}"
trixie_stages=${FRESH_TRIXIE_STAGES:-lint first-run linux terminals package}
bookworm_stages=${FRESH_BOOKWORM_STAGES:-}
include=git,ca-certificates
python=/usr/bin/python3
base="$root/build/fresh-machine"
version=$(sed -n 's/^project(orvane-table VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

if [ "$(id -u)" -ne 0 ]; then
  fail "needs root (debootstrap, chroot and mounts)"
  finish
fi
need_tools debootstrap chroot mount umount git tar "$python"
"$python" -c 'import pyte' 2>/dev/null || { fail "python3-pyte is not installed"; finish; }

# shellcheck source=lib/roots.sh
source "$root/scripts/lib/roots.sh"
mirror=${FRESH_MIRROR:-$(mirror_of_this_machine)}
[ -n "$mirror" ] || { fail "no Debian mirror in this machine's apt sources (set FRESH_MIRROR)"; finish; }

mkdir -p "$base/cache"
exec 3>&1 # the stage's own output, for lines written while a command's output is redirected
mounted=()

cleanup() {
  local r
  for r in "$base"/*/; do [ -d "$r" ] && release_root "${r%/}"; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# in_root ROOT COMMAND: COMMAND run by bash inside ROOT, in the clone, as root, with a clean
# environment.
clean_env=(env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  LANG=C.UTF-8 TERM=xterm-256color)
in_root() { chroot "$1" "${clean_env[@]}" bash -c "cd /root/orvane-table && $2"; }

# timed NAME COMMAND...: runs COMMAND, prints its time, records it in the notes.
timed() {
  local name=$1 start=$SECONDS rc
  shift
  "$@"
  rc=$?
  log "$name: $((SECONDS - start)) s" >&3
  stage_notes="${stage_notes:+$stage_notes; }$name $((SECONDS - start)) s"
  return $rc
}

# prove RELEASE LABEL STAGES: the README's commands in a new root of RELEASE. STAGES empty
# means every stage.
prove() {
  local release=$1 label=$2 stages=$3
  local r="$base/$release"
  if ! timed "$label root" make_root "$release" "$release"; then
    fail "$label: could not make a minimal root"
    return
  fi
  bind_into "$r"
  git clone -q "$root" "$r/root/orvane-table" || { fail "$label: git clone"; release_root "$r"; return; }

  local out rc
  timed "$label ./run.sh --version" in_root "$r" './run.sh --version </dev/null' \
    >"$base/$release-run.out" 2>"$base/$release-run.err"
  rc=$?
  out=$(cat "$base/$release-run.out")
  if [ "$rc" -eq 0 ] && [[ "$out" == "orvane-table $version"$'\n'"sandbox: "* ]]; then
    pass "$label: ./run.sh --version prints 'orvane-table $version'"
  else
    fail "$label: ./run.sh --version: status $rc, printed '$out'"
    tail -30 "$base/$release-run.err"
    release_root "$r"
    return
  fi
  if "$python" "$root/scripts/lib/pty_main_screen.py" --timeout 60 \
    -- chroot "$r" "${clean_env[@]}" bash -c 'cd /root/orvane-table && exec ./run.sh' \
    >"$base/$release-screen.log" 2>&1; then
    pass "$label: ./run.sh shows the main screen on 80 x 50; X ends it with status 0 and the terminal back"
  else
    fail "$label: ./run.sh on 80 x 50:"
    sed -e 's/^/  | /' "$base/$release-screen.log"
  fi

  local log_file="$base/$release-test.log"
  log "$label: ./test.sh ${stages:-(every stage)} (log: $log_file)"
  # shellcheck disable=SC2086
  timed "$label ./test.sh" in_root "$r" "./test.sh $stages </dev/null" >"$log_file" 2>&1
  rc=$?
  # The inner run's summary, under this release's name.
  sed -n '/^==== Summary$/,$p' "$log_file" | sed -e '1d' -e "s/^/  [$label] /"
  if [ "$rc" -eq 0 ]; then
    pass "$label: ./test.sh ${stages:-(every stage)} passes"
  else
    fail "$label: ./test.sh ${stages:-(every stage)} failed (status $rc); the last lines:"
    grep -vE '^\[[0-9]+/[0-9]+\] ' "$log_file" | tail -40 | sed -e 's/^/  | /'
  fi
  release_root "$r"
}

for release in "${releases[@]}"; do
  case "$release" in
  bookworm) prove bookworm "Debian 12" "$bookworm_stages" ;;
  trixie) prove trixie "Debian 13" "$trixie_stages" ;;
  *) prove "$release" "$release" "" ;;
  esac
done

# The Linux tarball as released: built against the oldest C library it promises (in a Debian
# 11 root, scripts/build-tarball.sh), then run in a bare Debian 13 root: no compiler, no -dev
# package, no printing library; only what minbase has.
if [ "${FRESH_TARBALL:-1}" = 0 ]; then
  skip "the Linux tarball (FRESH_TARBALL=0)"
elif ! timed "tarball built in Debian 11" "$root/scripts/build-tarball.sh" "$base/tarball" \
  >"$base/tarball-build.log" 2>&1; then
  fail "scripts/build-tarball.sh failed; the last lines:"
  grep -vE '^\[[0-9]+/[0-9]+\] ' "$base/tarball-build.log" | tail -30 | sed -e 's/^/  | /'
else
  tarball=$(find "$base/tarball" -name 'orvane-table-*-linux-x86_64.tar.gz' | head -1)
  pass "the Linux tarball built in Debian 11: $(grep -m1 'symbol versions' "$base/tarball-build.log" | sed 's/^\[build-tarball\] //')"
  if ! timed "bare Debian 13 root" make_root trixie trixie-bare; then
    fail "the Linux tarball: could not make a bare Debian 13 root"
  else
    bind_into "$base/trixie-bare"
    if timed "tarball in bare Debian 13" "$root/scripts/check-tarball.sh" "$base/trixie-bare" \
      "$tarball" >"$base/trixie-bare.log" 2>&1; then
      pass "the Linux tarball runs in a bare Debian 13 root"
    else
      fail "the Linux tarball in a bare Debian 13 root:"
      sed -e 's/^/  | /' "$base/trixie-bare.log"
    fi
    release_root "$base/trixie-bare"
  fi
fi
finish
