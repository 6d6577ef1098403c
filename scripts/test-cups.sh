#!/usr/bin/env bash
# The printing stage of ./test.sh: prints the results through the real program in a tmux pane
# (P, Y, Enter on the default destination) to a private CUPS server, and checks the PDF that
# comes out with poppler: one page titled "Print job", one embedded bold monospaced font, the
# 39 result lines in order, and a line pitch of the font's height plus external leading.
# Queues: two file: queues with the Generic PDF driver, one on A4 and one on Letter, and a
# cups-pdf queue (A4), each checked to print on its own paper, in Liberation Mono Bold where
# that is installed. Then "Save as PDF" with no print server at all.
#
#   scripts/test-cups.sh [SUMMARY_FILE]
#
# The private cupsd has its own configuration, socket, spool and logs in a folder of its own
# under ${TMPDIR:-/tmp} that user lp can reach (its filters run as lp, and the checkout may be
# in a folder only its owner can enter); the folder is removed afterwards. The system's CUPS is
# never touched. The cups-pdf queue (as root only: its backend runs as root) has a name of its
# own for this run and a configuration file /etc/cups/cups-pdf-<name>.conf, removed
# afterwards, that sends its PDF into this run's folder. Appends "cups: N passed, M failed" to SUMMARY_FILE and
# exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}
expected_lines="$root/tests/cups/results.txt"

stage_name=cups
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"
# shellcheck source=lib/cupsd.sh
source "$root/scripts/lib/cupsd.sh"
# shellcheck source=lib/pdf_checks.sh
source "$root/scripts/lib/pdf_checks.sh"

need_tools cupsd lpadmin lpstat cups-config tmux pdfinfo pdffonts pdftotext
build_printing_stage cups_font_metrics

work=$(reachable_work_dir ot-cups) || {
  fail "making a work folder"
  finish
}
cups_pdf_conf=""
# shellcheck source=../tests/e2e/tmux_pane.sh
source "$root/tests/e2e/tmux_pane.sh"
pane_wait=20
cleanup() {
  kill_panes
  stop_cupsd
  [ -n "$cups_pdf_conf" ] && rm -f "$cups_pdf_conf"
  rm -rf "$work"
}
trap cleanup EXIT

# The font metrics the program prints with: the line pitch in points.
read -r font_height font_leading font_width _ < <("$build/tests/cups/cups_font_metrics" 2>/dev/null)
pitch=$(awk -v h="$font_height" -v l="$font_leading" 'BEGIN { printf "%.4f", (h + l) * 72 / 600 }')
char_width=$(awk -v w="$font_width" 'BEGIN { printf "%.4f", w * 72 / 600 }')
log "font height $font_height + external leading $font_leading dots: pitch $pitch pt"

# --- the program in a tmux pane --------------------------------------------------------
# print_through_program NAME CUPS_SERVER_VALUE [KEYS_IN_DIALOG]: P, Y, Enter, then X.
print_through_program() {
  local name=$1 server=$2
  local home="$work/home-$name"
  mkdir -p "$home" "$work/drive_c"
  kill_panes
  new_pane "env HOME='$home' CUPS_SERVER='$server' ORVANE_DRIVE_C='$work/drive_c' LANG=C.UTF-8 \
      TERM=xterm-256color '$program'; echo PROGRAM-EXIT=\$?; sleep 600" || return 1
  wait_for "User Options - Main" || return 1
  T send-keys P
  wait_for "Print It" || return 1
  T send-keys Y
  wait_for "Save as PDF" || return 1
  # The server's destinations join the dialog as it answers.
  if [ "$name" = save ]; then
    wait_for "No print server found" 5 || : # checked in the picture below
  else
    wait_for "(default)" 10 || return 1
  fi
  screen >"$work/dialog-$name.txt"
  T send-keys Enter
  wait_for "Printing Completed" 60 || return 1
  T send-keys X
  wait_for "PROGRAM-EXIT=0" 20 || return 1
  kill_panes
  return 0
}

# check_pdf NAME FILE [PAPER]: the poppler checks of one printed page; PAPER (A4 or Letter)
# is the page size it must have.
check_pdf() {
  local name=$1 pdf=$2 paper=${3:-}
  pdf_page_checks "$name" "$pdf" "$paper" || return
  pdf_font_checks "$name" "$pdf"
  # The 39 lines in order, each word in its column: the page rebuilt from the words' boxes
  # (columns of the average character width, lines of the pitch) must read as the results
  # file does, trailing blanks aside.
  pdftotext -bbox "$pdf" "$work/$name.html" 2>/dev/null
  awk -v p="$pitch" -v cw="$char_width" '
    /<word / {
      match($0, /xMin="[0-9.]+"/); x = substr($0, RSTART + 6, RLENGTH - 7) + 0
      match($0, /yMin="[0-9.]+"/); y = substr($0, RSTART + 6, RLENGTH - 7) + 0
      w = $0; sub(/^.*">/, "", w); sub(/<\/word>.*$/, "", w)
      gsub(/&amp;/, "\\&", w); gsub(/&lt;/, "<", w); gsub(/&gt;/, ">", w)
      n++; X[n] = x; Y[n] = y; W[n] = w
      if (n == 1 || x < x0) x0 = x
      if (n == 1 || y < y0) y0 = y
    }
    END {
      for (i = 1; i <= n; i++) {
        row = int((Y[i] - y0) / p + 0.5) + 1   # the first line of the page is empty
        col = int((X[i] - x0) / cw + 0.5) + 2  # the leftmost text follows two blanks
        line = L[row]
        while (length(line) < col) line = line " "
        L[row] = line W[i]
        if (row > last) last = row
      }
      for (r = 0; r <= last; r++) print L[r]
    }' "$work/$name.html" >"$work/$name.got"
  sed -e 's/[[:space:]]*$//' "$expected_lines" >"$work/$name.want"
  if diff "$work/$name.got" "$work/$name.want" >"$work/$name.diff"; then
    pass "$name: the 39 result lines in order, in their columns"
  else
    fail "$name: text differs (< printed, > expected):"
    head -20 "$work/$name.diff"
  fi
  # The line pitch: the tops of the words "1" .. "10" of the first column, one line apart.
  local tops
  tops=$(grep -o 'yMin="[0-9.]*"' "$work/$name.html" | tr -dc '0-9.\n' | sort -n -u)
  if awk -v p="$pitch" '
      { y[NR] = $1 }
      END {
        n = 0; bad = 0
        for (i = 2; i <= NR; i++) {
          d = y[i] - y[i-1]
          if (d > p * 0.5 && d < p * 1.5) { n++; if (d - p > 0.05 || p - d > 0.05) bad++ }
        }
        exit !(n >= 20 && bad == 0)
      }' <<<"$tops"; then
    pass "$name: line pitch $pitch pt"
  else
    fail "$name: line pitch is not $pitch pt; line tops: $(head -12 <<<"$tops" | tr '\n' ' ')"
  fi
}

if start_cupsd "$work/cups"; then
  pass "private cupsd running"
  c="$work/cups"
  # Two file: queues whose own paper differs: each job must come out on its queue's paper.
  lpadmin -p OT-PDF-File -E -v "file://$c/out/results.pdf" \
    -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd -o PageSize=A4 \
    -D "Results to a PDF file" >"$c/log/lpadmin.out" 2>&1 || fail "adding the file: queue"
  lpadmin -p OT-PDF-Letter -E -v "file://$c/out/letter.pdf" \
    -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd -o PageSize=Letter \
    -D "Results on Letter" >>"$c/log/lpadmin.out" 2>&1 || fail "adding the Letter queue"
  for queue in OT-PDF-File:A4:results OT-PDF-Letter:Letter:letter; do
    IFS=: read -r q paper out <<<"$queue"
    lpadmin -d "$q" >/dev/null 2>&1
    if print_through_program "$out" "$CUPS_SERVER"; then
      grep -q "$q.*(default)" "$work/dialog-$out.txt" && pass "$q listed as the default" ||
        fail "the dialog does not show the default queue: $(grep -i ot-pdf "$work/dialog-$out.txt")"
      if wait_job_done "$q"; then
        pass "$q job completed"
        check_pdf "$q" "$c/out/$out.pdf" "$paper"
      else
        fail "$q job"
      fi
    else
      fail "printing through the program to $q"
    fi
  done

  if [ "$(id -u)" != 0 ]; then
    log "cups-pdf not checked: its backend runs only under a cupsd started by root"
  elif [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    fail "the cups-pdf backend is missing (run scripts/bootstrap.sh)"
  else
    # This run's instance: the queue, the device URI and the configuration file share one
    # name, and the PDF goes to this run's own folder.
    pdf_queue="OT-CUPS-PDF-$$"
    pdf_out="$work/cups-pdf-out"
    mkdir -p "$pdf_out"
    chmod 755 "$pdf_out"
    cups_pdf_conf="/etc/cups/cups-pdf-$pdf_queue.conf"
    cat >"$cups_pdf_conf" <<CONF
Out $pdf_out
AnonDirName $pdf_out
Grp lp
DecodeHexStrings 1
CONF
    lpadmin -p "$pdf_queue" -E -v "cups-pdf:/$pdf_queue" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
      -o pdftops-renderer-default=pdftops -o TitlePref=1 -D "cups-pdf" \
      >>"$c/log/lpadmin.out" 2>&1 || fail "adding the cups-pdf queue"
    lpadmin -d "$pdf_queue" >/dev/null 2>&1
    if print_through_program cupspdf "$CUPS_SERVER" && wait_job_done "$pdf_queue"; then
      pass "cups-pdf job completed"
      made=$(find "$pdf_out" -type f -name '*.pdf')
      if [ "$(wc -l <<<"$made")" = 1 ] && [ -n "$made" ]; then
        check_pdf cups-pdf "$made" A4
      else
        fail "cups-pdf should have written one PDF into $pdf_out; there: ${made:-nothing}"
      fi
    else
      fail "printing through the program to cups-pdf"
    fi
  fi
  stop_cupsd
  pass "private cupsd stopped"
else
  fail "starting a private cupsd"
  stop_cupsd
fi

# --- "Save as PDF" with no print server ----------------------------------------------
if print_through_program save "$work/no-cups-here.sock"; then
  if grep -q "Save as PDF" "$work/dialog-save.txt" && ! grep -q "OT-" "$work/dialog-save.txt"; then
    pass "with no server the dialog offers Save as PDF alone"
  else
    fail "the dialog without a server: $(cat "$work/dialog-save.txt")"
  fi
  # Nothing listens at the address: the box says there is no server, not that it is silent.
  if grep -q "No print server found" "$work/dialog-save.txt" &&
    ! grep -q "No answer" "$work/dialog-save.txt"; then
    pass "with no server the dialog says none was found"
  else
    fail "the dialog does not say that no server was found: $(cat "$work/dialog-save.txt")"
  fi
  saved=$(find "$work/drive_c" -iname 'PRINT-JOB-001.PDF' | head -1)
  check_pdf save-as-pdf "$saved"
else
  fail "Save as PDF through the program"
fi

finish
