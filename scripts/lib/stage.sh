# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # stage_name is the stage's; jobs is set for it
# Counting and reporting for a test stage script. Source it after setting root (the
# checkout), stage_name and summary; then call pass, fail and skip for each check and end with
# finish, which appends "<name>: N passed, M failed[, K skipped][ (notes)]" to the summary
# file and exits non-zero when a check failed or none passed. Put free-form remarks (timings,
# what was not installable) in stage_notes. A stage that reads a whole test program's counts
# adds them to passed and failed itself.
#
# Builds are configured through the presets of CMakePresets.json, with the source folder
# named so that a stage runs from any folder: cmake -S "$root" --preset NAME.
passed=0
failed=0
skipped=0
stage_notes=""
# Parallel build and test jobs: OT_JOBS, or one per processor.
jobs=${OT_JOBS:-$(nproc 2>/dev/null || echo 2)}
log() { echo "[$stage_name] $*"; }
pass() {
  passed=$((passed + 1))
  log "ok: $*"
}
fail() {
  failed=$((failed + 1))
  log "FAILED: $*"
}
skip() {
  skipped=$((skipped + 1))
  log "skipped: $*"
}
finish() {
  local line="$passed passed, $failed failed"
  [ "$skipped" -gt 0 ] && line="$line, $skipped skipped"
  [ -n "$stage_notes" ] && line="$line ($stage_notes)"
  echo "$stage_name: $line" >>"${summary:-/dev/null}"
  log "$line"
  [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
  exit $?
}

# need_tools COMMAND...: fails and ends the stage when a command is missing.
need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      fail "missing $tool (run scripts/bootstrap.sh)"
      finish
    fi
  done
}

# quietly LOG COMMAND...: runs COMMAND with its output in LOG; on a failure shows the last
# lines of LOG. Returns COMMAND's status.
quietly() {
  local out=$1
  shift
  "$@" >"$out" 2>&1 && return 0
  local rc=$?
  tail -n 40 "$out" | sed -e 's/^/  | /'
  return $rc
}
