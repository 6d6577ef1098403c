#!/usr/bin/env bash
# The fuzzing stage of ./test.sh: builds the libFuzzer targets of fuzz/ with clang (address
# and undefined-behaviour sanitizers; preset fuzz, in build/fuzz) and runs each for a short
# fixed time.
#
#   scripts/test-fuzz.sh [SUMMARY_FILE]
#
# To fuzz longer, set FUZZ_SECONDS (seconds per target, default 20; fuzz_program_input, which
# runs the whole program per input, takes FUZZ_PROGRAM_SECONDS, default 300), for example
#   FUZZ_SECONDS=3600 scripts/test-fuzz.sh
# or run one target by hand on its kept corpus:
#   build/fuzz/fuzz/fuzz_mask_format build/fuzz/corpus/fuzz_mask_format
# Runs start from a fixed seed (FUZZ_SEED, default 1) so that a run of the test stage can be
# repeated exactly; FUZZ_SEED=0 lets libFuzzer pick a new seed each run.
# A finding is written to build/fuzz/artifacts/ and makes the script exit non-zero; replay it
# with the target and the artifact's path as its only argument.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
seconds=${FUZZ_SECONDS:-20}
program_seconds=${FUZZ_PROGRAM_SECONDS:-300}
fuzz_seed=${FUZZ_SEED:-1}
build="$root/build/fuzz"
targets=(fuzz_mask_format fuzz_field_format fuzz_fraction_format fuzz_key_decoder fuzz_drive_names
  fuzz_terminfo_check fuzz_program_input fuzz_console_cells fuzz_files_differential)

stage_name=fuzz
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

if ! command -v clang++ >/dev/null; then
  log "clang++ not found: fuzzing skipped"
  echo "fuzz: skipped (no clang++)" >>"$summary"
  exit 0
fi

mkdir -p "$build"
quietly "$build/configure.log" cmake -S "$root" --preset fuzz || { fail "configure"; finish; }
cmake --build "$build" --target "${targets[@]}" || { fail "build"; finish; }

mkdir -p "$build/artifacts"
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  i=0
  if [ "$t" = fuzz_key_decoder ]; then
    # Seeds: a UTF-8 flag, split lengths, then keys in each encoding the decoder knows.
    for seed in 'a\e[A\e[1;5C\eOP' '\e[23$\e[11^\e[3@\e[a\eOc' '\e[[A\e[<65;1;1M\e[M`!!' \
      '\xc3\xa9\e\xc2\xa1x' '\e[\x01\e[[q\eO\x7f' '\e[?1;2c\e[99~\e\ez'; do
      printf '\x01\x03\x01\x02\x05%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  elif [ "$t" = fuzz_program_input ]; then
    # Seeds: terminal input with \xff\x01 a pause past the Esc pause, \xff\x02 a pause past
    # a sequence's wait, \xff\x03 a name typed at the entry amid replies. Print, Y and Enter
    # in one write; Y, Y and Esc; a colour report on the print menu and a title report on the
    # main screen; a DCS reply in a name; a position reply split by a pause; a sequence that
    # never ends; a position no window has; names amid replies, whole and split.
    # shellcheck disable=SC2016 # a $ of a reply, not an expansion
    for seed in 'PY\r' 'PYY\x1b\xff\x01' 'P\x1b]11;rgb:0000/0000/0000\x07G' \
      '\x1b]l my Xterm\x1b\\\t ' 'FAB\x1bP1$r0 q\x1b\\CDE\r' \
      'FAB\x1b[3;16\xff\x010;20tCDE\r' 'F\x1b[3;\xff\x02kQRSTU\r' \
      '\x1b[3;99999999999;99999999999tF\xff\x03\x07\x81\xc2\xc3\x44\x85\xd6' \
      'F\xff\x03\x05\x80\x9f\xc4\xe5\xff\x03\x03\xfe\xc1\xc2\xd3'; do
      printf '%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  elif [ "$t" = fuzz_drive_names ]; then
    # Seeds: an options byte, then operations (a byte, a name, a line feed) through the links
    # of the drive tree, other letters, both slashes, dots, spaces, devices and host paths.
    for seed in '\x00\x00C:\\TEMP\\VICTIM.TXT\n\x05C:\\OUT\\SECRET.TXT\n' \
      '\x01\x01c:/temp/dangle.txt\n\x04C:\\OUT\\NEW\n\x06D:\\\n' \
      '\x00\x07C:\\TEMP\\OLD.TXT\nC:\\TEMP\\VICTIM.TXT\n\x0fC:\\TEMP\\SNEAK\\outside\\SECRET.TXT\n' \
      '\x01\x00\\IN\\..\\TEMP\\UP\\UP\\..\\X.TXT. \n\x02D:\\TO_C\\A\n\x00NUL\n\x00CON.TXT\n' \
      '\x00\x00@/outside/NEW.TXT\n\x05\\\\server\\share\n\x03Q:\\A\n\x0bC:\\ABS\\SECRET.TXT\n' \
      '\x01\x04C:\\TEMP\\DIRLINK\\X\n\x00C:\\LOOP\n\x07C:\\TEMP\\INSIDE.TXT\nC:\\TEMP\\DIRLINK\\Y\n'; do
      printf '%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  elif [ "$t" = fuzz_terminfo_check ]; then
    # Seeds: the compiled entries installed on this machine, both formats, with and without
    # an extended part.
    for dir in /usr/share/terminfo /lib/terminfo /etc/terminfo; do
      [ -d "$dir" ] || continue
      while IFS= read -r -d '' entry; do
        cp "$entry" "$corpus/seed-$i"
        i=$((i + 1))
      done < <(find "$dir" -type f -size -33k -print0 | head -z -n 200)
    done
  elif [ "$t" = fuzz_console_cells ]; then
    # Seeds: a buffer size, then operations (a byte each, then their arguments): a write
    # running off the edge, a fill across rows, scrolls down and sideways with a clip.
    for seed in '\x09\x04\x00\x02\x01\x41\x1e\x42\x1e\x43\x1e\x44\x1e\x01\x01\x0a\x03\x06\x03' \
      '\x05\x05\x01\x7a\x30\x02\x03\x02\x03\x04\x06\x02\x06\x08\x04\x06\x01\x01\x00\x2e\x20' \
      '\x0b\x07\x03\x01\x01\x0c\x05\x01\x01\x0a\x05\x01\x05\x07\x05\x2d\x07\x06\x02\x02\x01\x01\x02\x05\x0d\x09'; do
      printf '%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  elif [ "$t" = fuzz_files_differential ]; then
    # Seeds: operations (a byte: the kind in the low nibble, the handle slot above it), names
    # as a shape byte (prefix, number of parts) and a byte per part from the fuzzer's table:
    # write and read back; a trailing dot; devices; a rename onto an open file; a read-only
    # file; a folder and a file in it; network names.
    for seed in '\x00\x02\x00\x03\x01\x05hello\x03\x00\x00\x02\x10\x05' \
      '\x00\x02\x0e\x03\x05\x07\x02\x02' '\x00\x00\x10\x03\x05\x00\x00\x13\x03' \
      '\x00\x00\x00\x03\x10\x00\x02\x03\x08\x00\x00\x00\x02\x01\x09\x00\x00' \
      '\x00\x00\x02\x82\x05\x09\x00\x02\x00\x00\x02\x02' \
      '\x06\x00\x04\x00\x10\x04\x00\x03\x05\x06\x00\x07' '\x07\x0a\x00\x07\x0b\x00\x06\x0c\x10'; do
      printf '%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  elif [ "$t" = fuzz_fraction_format ]; then
    # Seeds: j (8 bytes), 2^e (e + 100), a mode byte, then the mask and field shape bytes:
    # 2.5 through "0" and "#"; the tie 1234567.875 through "#,##0.00" and a "$" field with
    # every sign and fill part; 1.5 as raw 80 bits through "0.0%" and "##.##".
    for seed in '\x05\x00\x00\x00\x00\x00\x00\x00\x63\x00\x04\x00\x00\x01' \
      '\xbf\xb4\x96\x00\x00\x00\x00\x00\x61\x00\x37\x34\x3b\x12' \
      '\x00\x00\x00\x00\x00\x00\x00\xc0\xff\x3f\x64\x1a\x20\x10'; do
      printf '%b' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  else
    # Seeds: the cube table's masks and a few of every grammar feature (backslashes are a
    # mask's own characters here, not escapes).
    # shellcheck disable=SC1003
    for seed in '###,###' ' #,###' '     #' '#,##0.00;(#,##0.00);"zero"' '0.00E+00' '**##' \
      '$$#,###.##' '+##.##^^^^-' '!  &  \  \' '0%' '*x#,##0' '"a;b"0;\(0\)'; do
      printf '\x00\x00\x00\x00\x00\x00\x00\xF0\xFF\x3F%s' "$seed" >"$corpus/seed-$i"
      i=$((i + 1))
    done
  fi
  run_seconds=$seconds
  [ "$t" = fuzz_program_input ] && run_seconds=$program_seconds
  log "$t for ${run_seconds}s"
  # Each target's temporary files (the drive tree of fuzz_drive_names) go to a folder of its
  # own, removed afterwards even when a finding ended the run early.
  tmp="$build/tmp/$t"
  rm -rf "$tmp"
  mkdir -p "$tmp"
  if TMPDIR="$tmp" ASAN_OPTIONS=allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    timeout $((run_seconds + 120)) "$build/fuzz/$t" -max_total_time="$run_seconds" -seed="$fuzz_seed" -timeout=10 \
    -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$corpus" >"$build/$t.log" 2>&1; then
    pass "$t: no finding ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build/$t.log" | grep -o '[0-9]*$') runs)"
  else
    fail "$t: FINDING"
    tail -n 60 "$build/$t.log"
  fi
  rm -rf "$tmp"
done

stage_notes="${seconds}s each (fuzz_program_input ${program_seconds}s), seed $fuzz_seed"
finish
