#!/usr/bin/env bash
# The lint stage of ./test.sh: the conventions of CONTRIBUTING.md, checked.
#   1. clang-format --dry-run -Werror (the repository's .clang-format) on every C++ file git
#      knows in src, tests, bench and fuzz;
#   2. shellcheck on every shell script git knows: *.sh and the files whose first line runs
#      sh or bash (its settings in .shellcheckrc: sourced files are followed);
#   3. no operating-system header included in src/ outside src/platform/<backend>/
#      (scripts/lib/check-os-headers.sh), and that check proven to work: a copy of a file of
#      src/app with "#include <unistd.h>" planted in it, in a temporary folder, must fail it;
#   4. each folder of src/ includes only the folders its library depends on in
#      src/CMakeLists.txt, and no backend's header above the seam
#      (scripts/lib/check_layers.py), proven the same way: a copy of a file of src/text with
#      "#include \"app/...\"" planted in it must fail it;
#   5. the error-code tables of README.md, the manual page and the Windows how-to are the
#      list in doc/error-codes.txt (scripts/error_codes.py).
#
#   scripts/test-lint.sh [SUMMARY_FILE]
#
# Appends "lint: N passed, M failed" to SUMMARY_FILE and exits non-zero on any failure.
# Builds nothing and changes no file of the checkout.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
summary=${1:-/dev/null}

stage_name=lint
# shellcheck source=lib/stage.sh
source "$root/scripts/lib/stage.sh"

need_tools git clang-format shellcheck python3
cd "$root" || exit 1
git rev-parse --git-dir >/dev/null 2>&1 || { fail "$root is not a git checkout"; finish; }
work=$(mktemp -d "${TMPDIR:-/tmp}/ot-lint.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- 1. clang-format ---------------------------------------------------------------------
mapfile -t cxx < <(git ls-files -- src tests bench fuzz | grep -E '\.(c|cc|cpp|cxx|h|hh|hpp|inc)$')
if clang-format --dry-run -Werror "${cxx[@]}" >"$work/format.log" 2>&1; then
  pass "clang-format: the ${#cxx[@]} C++ files of src, tests, bench and fuzz are formatted"
else
  fail "clang-format: these files differ from .clang-format (clang-format -i FILE...):"
  grep -oE '^[^:]+\.(c|cc|cpp|cxx|h|hh|hpp|inc):' "$work/format.log" | sort -u | sed -e 's/:$//' -e 's/^/  /'
fi
# The versions, since another release of either may judge differently.
stage_notes="clang-format $(clang-format --version | grep -oE '[0-9]+\.[0-9.]+' | head -n 1)"
stage_notes="$stage_notes, shellcheck $(shellcheck --version | sed -n 's/^version: *//p')"

# --- 2. shellcheck -----------------------------------------------------------------------
scripts=()
while IFS= read -r f; do
  [ -f "$f" ] || continue
  case "$f" in
  *.sh) scripts+=("$f") ;;
  *) head -n 1 "$f" | grep -qE '^#!(/usr)?/bin/(env +)?(ba)?sh( |$)' && scripts+=("$f") ;;
  esac
done < <(git ls-files)
if shellcheck "${scripts[@]}" >"$work/shellcheck.log" 2>&1; then
  pass "shellcheck: the ${#scripts[@]} shell scripts are clean"
else
  fail "shellcheck:"
  cat "$work/shellcheck.log"
fi

# --- 3. operating-system headers above the seam --------------------------------------------
check="$root/scripts/lib/check-os-headers.sh"
if "$check" "$root" >"$work/headers.log" 2>&1; then
  pass "no operating-system header included in src/ outside src/platform/<backend>/"
else
  fail "operating-system headers included above the seam (only src/platform/<backend>/ may):"
  sed -e 's/^/  /' "$work/headers.log"
fi
# The check must catch one: a copy of an application file with a POSIX header planted after
# its first line.
victim=$(git ls-files -- 'src/app/*.cpp' | head -n 1)
if [ -z "$victim" ]; then
  fail "no file in src/app to plant a header in"
else
  mkdir -p "$work/tree/$(dirname "$victim")"
  sed -e '1a #include <unistd.h>' "$victim" >"$work/tree/$victim"
  if "$check" "$work/tree" >"$work/planted.log" 2>&1 &&
    grep -qF "$victim:2:#include <unistd.h>" "$work/planted.log"; then
    fail "the header check let '#include <unistd.h>' planted in a copy of $victim through"
  elif grep -qF "$victim:2:#include <unistd.h>" "$work/planted.log"; then
    pass "the header check fails on '#include <unistd.h>' planted in a copy of $victim"
  else
    fail "the header check did not name the planted line: $(cat "$work/planted.log")"
  fi
fi

# --- 4. the layers of src/CMakeLists.txt ---------------------------------------------------
layers="$root/scripts/lib/check_layers.py"
if python3 "$layers" "$root" >"$work/layers.log" 2>&1; then
  pass "every folder of src/ includes only the folders src/CMakeLists.txt lets it use"
else
  fail "includes across the layers of src/CMakeLists.txt:"
  sed -e 's/^/  /' "$work/layers.log"
fi
# The check must catch one: the text library includes an application header in a copy.
victim=$(git ls-files -- 'src/text/*.cpp' | head -n 1)
planted=$(git ls-files -- 'src/app/*.h' | head -n 1)
if [ -z "$victim" ] || [ -z "$planted" ]; then
  fail "no file in src/text or header in src/app to plant an include with"
else
  rm -rf "$work/layers"
  mkdir -p "$work/layers/src/$(basename "$(dirname "$victim")")"
  cp "$root/src/CMakeLists.txt" "$work/layers/src/"
  sed -e "1a #include \"${planted#src/}\"" "$victim" >"$work/layers/$victim"
  if python3 "$layers" "$work/layers" >"$work/layers-planted.log" 2>&1; then
    fail "the layering check let '#include \"${planted#src/}\"' planted in a copy of $victim through"
  elif grep -qF "$victim:2: includes ${planted#src/}" "$work/layers-planted.log"; then
    pass "the layering check fails on '#include \"${planted#src/}\"' planted in a copy of $victim"
  else
    fail "the layering check did not name the planted line: $(cat "$work/layers-planted.log")"
  fi
fi

# --- 5. one list of error codes --------------------------------------------------------------
if python3 "$root/scripts/error_codes.py" --check "$root" >"$work/codes.log" 2>&1; then
  pass "the error-code tables of README.md, orvane-table.1 and the how-to are doc/error-codes.txt"
else
  fail "error-code tables differ from doc/error-codes.txt:"
  sed -e 's/^/  /' "$work/codes.log"
fi

finish
