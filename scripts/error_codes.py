#!/usr/bin/env python3
"""The error-code table of doc/error-codes.txt, shown in the three documents that list it.

    scripts/error_codes.py --check [TREE]   exits 1 naming each document that differs
    scripts/error_codes.py --write [TREE]   writes the table into the documents

README.md and doc/orvane-table.1 hold it between two comment lines that name this script;
doc/how-to-run-windows.txt (Windows line ends) holds it as the block under its
"Code  Meaning  What to do" heading, up to the first empty line.
"""
import os
import re
import sys
import textwrap


def read_codes(path):
    codes = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            code, meaning, advice = (part.strip() for part in line.split("|"))
            codes.append((code, meaning, advice))
    return codes


def readme_block(codes):
    rows = ["| code | meaning |", "|---|---|"]
    for code, meaning, _ in codes:
        # Drive paths as code: C: and C:\TEMP.
        shown = re.sub(r"(C:(?:\\[A-Z]+)?)", r"`\1`", meaning)
        rows.append(f"| {code} | {shown} |")
    return rows


def man_block(codes):
    rows = []
    for i, (code, meaning, _) in enumerate(codes):
        rows.append(".TP 6" if i == 0 else ".TP")
        rows.append(f".B {code}")
        text = meaning[0].upper() + meaning[1:] + "."
        rows.append(text.replace("\\", "\\e"))
    return rows


MEANING_WIDTH, ADVICE_WIDTH = 36, 46


def howto_block(codes):
    rows = [
        "  Code  " + "Meaning".ljust(MEANING_WIDTH) + "  What to do",
        "  ----  " + "-" * MEANING_WIDTH + "  " + "-" * ADVICE_WIDTH,
    ]
    for code, meaning, advice in codes:
        left = textwrap.wrap(meaning, MEANING_WIDTH)
        right = textwrap.wrap(advice, ADVICE_WIDTH)
        for i in range(max(len(left), len(right))):
            head = f"   {code}   " if i == 0 else "        "
            l = left[i] if i < len(left) else ""
            r = right[i] if i < len(right) else ""
            rows.append((head + l.ljust(MEANING_WIDTH) + "  " + r).rstrip())
    return rows


def between_markers(lines, start, end, block, name):
    try:
        a = next(i for i, l in enumerate(lines) if start in l)
        b = next(i for i in range(a + 1, len(lines)) if end in lines[i])
    except StopIteration:
        raise SystemExit(f"error_codes: {name} has no '{start}' ... '{end}' lines")
    return lines[: a + 1] + block + lines[b:]


def under_heading(lines, block, name):
    try:
        a = next(i for i, l in enumerate(lines) if l.startswith("  Code  Meaning"))
        b = next(i for i in range(a, len(lines)) if not lines[i].strip())
    except StopIteration:
        raise SystemExit(f"error_codes: {name} has no 'Code  Meaning' table")
    return lines[:a] + block + lines[b:]


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("--check", "--write"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    write = sys.argv[1] == "--write"
    tree = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..")
    codes = read_codes(os.path.join(tree, "doc", "error-codes.txt"))
    start, end = "error codes: from doc/error-codes.txt", "end of the error codes"
    documents = [
        ("README.md", "\n", lambda l: between_markers(l, start, end, readme_block(codes), "README.md")),
        ("doc/orvane-table.1", "\n",
         lambda l: between_markers(l, start, end, man_block(codes), "orvane-table.1")),
        ("doc/how-to-run-windows.txt", "\r\n",
         lambda l: under_heading(l, howto_block(codes), "how-to-run-windows.txt")),
    ]
    differ = 0
    for name, newline, render in documents:
        path = os.path.join(tree, name)
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
        lines = text.split(newline)
        wanted = newline.join(render(lines))
        if wanted == text:
            continue
        if write:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(wanted)
            print(f"error_codes: wrote {name}")
        else:
            print(f"{name}: its error codes differ from doc/error-codes.txt "
                  "(scripts/error_codes.py --write)")
            differ = 1
    return differ


if __name__ == "__main__":
    sys.exit(main())
