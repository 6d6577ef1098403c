# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # root, jobs and the counters are the stage's; program is set for it
# A private CUPS server for the printing stages: its own configuration, socket, spool and logs
# in one folder; the system's CUPS is never touched. Sourced after scripts/lib/stage.sh.

# The Release build both printing stages share (preset cups).
build="$root/build/cups"

# build_printing_stage TARGET...: the Release program and the stage's helper TARGETs in
# $build; sets program. Fails and ends the stage when the build fails.
build_printing_stage() {
  log "building the program"
  mkdir -p "$build"
  quietly "$build/configure.log" cmake -S "$root" --preset cups &&
    cmake --build "$build" -j "$jobs" --target orvane-table "$@" >/dev/null || {
    fail "build"
    finish
  }
  program="$build/src/orvane-table"
}

# reachable_work_dir PREFIX: makes and prints a new folder that every user can enter (cupsd
# runs its filters as lp, and the checkout may sit in a folder only its owner can enter):
# under ${TMPDIR:-/tmp}, or under /tmp when TMPDIR is closed to other users.
reachable_work_dir() {
  local base=${TMPDIR:-/tmp} d
  d=$base
  while [ -n "$d" ] && [ "$d" != / ]; do
    if [ -z "$(find "$d" -maxdepth 0 -perm -o+x 2>/dev/null)" ]; then
      echo "$base is closed to other users; the work folder goes under /tmp" >&2
      base=/tmp
      break
    fi
    d=$(dirname "$d")
  done
  d=$(mktemp -d "$base/$1.XXXXXX") && chmod 755 "$d" && echo "$d"
}

# start_cupsd DIR [CUPSD_CONF_LINE...]: starts cupsd with everything under DIR, waits until
# it answers, sets cupsd_pid and exports CUPS_SERVER. Extra lines go into cupsd.conf.
cupsd_pid=""
cupsd_dir=""
start_cupsd() {
  local c=$1 i
  shift
  cupsd_dir=$c
  mkdir -p "$c/spool/tmp" "$c/cache" "$c/state" "$c/log" "$c/ppd" "$c/out"
  chmod 755 "$c" "$c/cache" "$c/state" "$c/log" "$c/ppd"
  chmod 1777 "$c/spool/tmp" "$c/out"
  chmod 710 "$c/spool"
  chgrp lp "$c/spool" 2>/dev/null
  {
    cat <<CONF
Listen $c/cups.sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
CONF
    printf '%s\n' "$@"
    cat <<'CONF'
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  } >"$c/cupsd.conf"
  cat >"$c/cups-files.conf" <<CONF
ServerRoot $c
StateDir $c/state
CacheDir $c/cache
RequestRoot $c/spool
TempDir $c/spool/tmp
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
FileDevice Yes
SystemGroup root
CONF
  cupsd -f -c "$c/cupsd.conf" -s "$c/cups-files.conf" >"$c/log/cupsd.out" 2>&1 &
  cupsd_pid=$!
  export CUPS_SERVER="$c/cups.sock"
  for ((i = 0; i < 100; i++)); do
    [ -S "$c/cups.sock" ] && lpstat -r >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$c/log/cupsd.out" "$c/log/error_log" 2>/dev/null | tail -20
  return 1
}

# stop_cupsd: ends the private cupsd (waking it first, should a test have stopped it).
stop_cupsd() {
  if [ -n "$cupsd_pid" ]; then
    kill -CONT "$cupsd_pid" 2>/dev/null
    kill "$cupsd_pid" 2>/dev/null
    wait "$cupsd_pid" 2>/dev/null
    cupsd_pid=""
  fi
  unset CUPS_SERVER
}

# wait_job_done QUEUE: until the queue's job has completed (a cups-pdf file is created empty
# first, so the file is no sign). On a timeout shows the queue's jobs and the server's log.
wait_job_done() {
  local i
  for ((i = 0; i < 600; i++)); do
    if [ -n "$(lpstat -W completed -o "$1" 2>/dev/null)" ] &&
      [ -z "$(lpstat -W not-completed -o "$1" 2>/dev/null)" ]; then
      return 0
    fi
    sleep 0.1
  done
  log "the job on $1 did not complete:"
  lpstat -W all -o "$1" 2>&1 | sed -e 's/^/  | /'
  tail -20 "$cupsd_dir/log/error_log" 2>/dev/null
  return 1
}
