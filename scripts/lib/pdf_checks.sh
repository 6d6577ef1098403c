# shellcheck shell=bash
# shellcheck disable=SC2154 # work is the caller's
# Checks of a printed results page, read back with poppler (pdfinfo, pdffonts, pdftotext), for
# the stages that print through the program: each check calls pass or fail (scripts/lib/stage.sh
# or the caller's own). Scratch files go into the caller's $work.

# Liberation Mono Bold where it is installed: the metric-compatible face the results must be
# printed in when there is no Courier New (another monospaced face moves every line).
pdf_liberation=""
fc-list 2>/dev/null | grep -q 'Liberation Mono:style=Bold$' && pdf_liberation=LiberationMono-Bold

# pdf_page_checks NAME FILE [PAPER]: one page, titled "Print job"; PAPER (A4 or Letter) is the
# page size it must have. Returns 1 when there is no PDF at all.
pdf_page_checks() {
  local name=$1 pdf=$2 paper=${3:-}
  local info
  if [ ! -s "$pdf" ]; then
    fail "$name: no PDF at $pdf"
    return 1
  fi
  info=$(pdfinfo "$pdf" 2>&1)
  if grep -q '^Pages: *1$' <<<"$info"; then pass "$name: one page"; else
    fail "$name: page count: $(grep '^Pages' <<<"$info")"
  fi
  # cups-pdf takes the title from the PostScript it renders and keeps that string's parentheses.
  if grep -q '^Title: *\(Print job\|(Print job)\)$' <<<"$info"; then
    pass "$name: title \"Print job\""
  else
    fail "$name: title: $(grep '^Title' <<<"$info")"
  fi
  if [ -n "$paper" ]; then
    local size
    size=$(sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 \2/p' <<<"$info")
    if awk -v p="$paper" '{
        w = p == "A4" ? 595.28 : 612; h = p == "A4" ? 841.89 : 792
        exit !(NF == 2 && $1 - w < 1 && w - $1 < 1 && $2 - h < 1 && h - $2 < 1)
      }' <<<"$size"; then
      pass "$name: the queue's own paper, $paper ($size pt)"
    else
      fail "$name: page size ${size:-unknown} pt is not $paper"
    fi
  fi
  return 0
}

# pdf_font_checks NAME FILE: one embedded bold monospaced font, Liberation Mono Bold where that
# is installed.
pdf_font_checks() {
  local name=$1 pdf=$2 fonts
  fonts=$(pdffonts "$pdf" 2>&1 | tail -n +3)
  if [ -n "$pdf_liberation" ]; then
    if grep -q "$pdf_liberation" <<<"$fonts"; then
      pass "$name: printed in Liberation Mono Bold"
    else
      fail "$name: the font is not Liberation Mono Bold: $fonts"
    fi
  fi
  if [ "$(wc -l <<<"$fonts")" = 1 ] && grep -qi 'mono.*bold\|bold.*mono\|courier.*bold' <<<"$fonts" &&
    awk '{ if ($(NF-4) != "yes") exit 1 }' <<<"$fonts"; then
    pass "$name: one embedded bold monospaced font ($(awk '{print $1}' <<<"$fonts"))"
  else
    fail "$name: fonts: $fonts"
  fi
}

# pdf_words FILE OUT: the page's words as "xMin yMin xMax yMax word" lines, in reading order
# (top to bottom, then left to right).
pdf_words() {
  pdftotext -bbox "$1" "$2.html" 2>/dev/null || return 1
  awk '
    /<word / {
      n = split("xMin yMin xMax yMax", k, " ")
      line = ""
      for (i = 1; i <= n; i++) {
        match($0, k[i] "=\"[0-9.]+\""); v = substr($0, RSTART + length(k[i]) + 2, RLENGTH - length(k[i]) - 3)
        line = line v " "
      }
      w = $0; sub(/^.*">/, "", w); sub(/<\/word>.*$/, "", w)
      gsub(/&lt;/, "<", w); gsub(/&gt;/, ">", w); gsub(/&quot;/, "\"", w); gsub(/&amp;/, "\\&", w)
      # A printed hyphen may come back as the soft hyphen, hyphen or minus sign its glyph is
      # named for, depending on the fonts the printing path had; on the page it is the "-".
      gsub(/\302\255|\342\200\220|\342\200\221|\342\210\222/, "-", w)
      print line w
    }' "$2.html" | sort -k2,2n -k1,1n >"$2"
}

# pdf_grid_checks NAME FILE EXPECTED SIZE: the page as a fixed grid, whatever the printing
# path did with the text: its words are the words of the results file EXPECTED in order
# (whitespace aside); every character has one advance (a monospaced face) of 0.6 em at SIZE
# points (Courier New and Liberation Mono), within a step of a 300 dpi device; and in each
# column of the table the numbers' last digits end at one x.
pdf_grid_checks() {
  local name=$1 pdf=$2 expected=$3 size=$4
  local words="$work/$name.words"
  if ! pdf_words "$pdf" "$words"; then
    fail "$name: pdftotext cannot read $pdf"
    return
  fi
  # The expected words, each with the column after its last character and whether it is a
  # number of the table: the leading pairs of numbers of a line (No. and Cubed); the examples
  # beside the table are text.
  awk '{ line = $0; col = 0; n = 0; run = 0; numeric = 1
         while (match(line, /[^ ]+/)) {
           col += RSTART + RLENGTH - 1
           w = substr(line, RSTART, RLENGTH)
           if (numeric && w ~ /^[0-9][0-9,]*$/) run++; else numeric = 0
           n++; C[n] = col; W[n] = w
           line = substr(line, RSTART + RLENGTH)
         }
         pairs = run - run % 2
         for (i = 1; i <= n; i++) print C[i], W[i], (i <= pairs ? "table" : "text")
       }' "$expected" >"$work/$name.want"
  if diff <(awk '{ print $5 }' "$words") <(awk '{ print $2 }' "$work/$name.want") \
    >"$work/$name.diff"; then
    pass "$name: the words of the results file, in order"
  else
    fail "$name: the words differ (< printed, > expected):"
    head -20 "$work/$name.diff"
    return
  fi
  local advance
  if advance=$(awk -v size="$size" '
        { w = ($3 - $1) / length($5); if (NR == 1) a = w
          if (w - a > 0.02 || a - w > 0.02) { print $5 " is " w " pt a character, " a " before"; bad = 1 } }
        END { if (bad) exit 1
              printf "%.3f", a
              if (a / 0.6 - size > 0.25 || size - a / 0.6 > 0.25) exit 2 }' "$words" 2>&1); then
    pass "$name: every character $advance pt wide: monospaced, $size pt"
  else
    fail "$name: characters of other widths, or not $size pt: $(head -5 <<<"$advance")"
  fi
  if paste -d' ' "$work/$name.want" "$words" | awk '
      $3 == "table" {
        if (!($1 in end)) { end[$1] = $6; first[$1] = $2; next }
        d = $6 - end[$1]
        if (d > 0.05 || d < -0.05) {
          print "  " $2 " ends at " $6 ", " first[$1] " above it at " end[$1]; bad = 1
        }
        n++
      } END { exit bad || n < 90 }' >"$work/$name.columns"; then
    pass "$name: every column of the table ends at one x"
  else
    fail "$name: ragged columns:"
    head -10 "$work/$name.columns"
  fi
}
