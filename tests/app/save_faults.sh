#!/usr/bin/env bash
# The save flow on real files with a fault injected into one system call (strace
# -e inject=...), and a save that goes through traced: each case runs
# PosixSaveTest.UnderAnInjectedFault, which saves ABCDE over an earlier ABCDE.TXT and checks the
# box's error code, the file and the folder's listing. Usage: save_faults.sh APP_TESTS
set -euo pipefail
app_tests=$1
command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
strace -qq -o /dev/null true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }
# The leak checker cannot work under ptrace.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# run NAME EXPECTED-CODE STRACE-ARGS...: the case passes when the test does.
run() {
  local name=$1 code=$2
  shift 2
  if OT_SAVE_FAULT=$code strace -f -qq -o "$work/$name.trace" "$@" \
      "$app_tests" --gtest_filter=PosixSaveTest.UnderAnInjectedFault >"$work/$name.log" 2>&1; then
    echo "ok   $name: box code $code; the folder holds ABCDE.TXT alone, $([ "$code" = 0 ] && echo "with the results" || echo "the earlier file kept")"
  else
    echo "FAIL $name"
    grep -v '^row\|^  ' "$work/$name.log" | tail -40
    failed=1
  fi
}

# The new file made, then not cut to length (the open's last step).
run ftruncate-eio 72 -e trace=ftruncate -e inject=ftruncate:error=EIO
# Every byte written, then write-back fails as the file is closed.
run fsync-eio 72 -e trace=fsync -e inject=fsync:error=EIO:when=1
# The disk fills on the first write.
run write-enospc 61 -e trace=write -e inject=write:error=ENOSPC
# The rename itself refused.
run rename-eio 72 -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:error=EIO

# A save that goes through: once the rename is made its folder is written out, before the
# box says "saved".
run durable 0 -y -e trace=rename,renameat,renameat2,fsync
if ! awk '/rename.*ABCDE\.TXT\.PART.*= 0$/ { renamed = 1; next }
          renamed && /^[0-9]+ +fsync\(.*\/TEMP>\) += 0$/ { synced = 1 }
          END { exit !synced }' "$work/durable.trace"; then
  echo "FAIL durable: the folder is not synced after the rename"
  cat "$work/durable.trace"
  failed=1
else
  echo "ok   durable: the folder is synced after the rename"
fi
exit $failed
