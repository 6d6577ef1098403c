#!/usr/bin/env python3
"""The layering of src/, checked against the dependencies written in src/CMakeLists.txt.

    scripts/lib/check_layers.py [TREE]

Each folder of src/ is one library (src/platform/ holds the seam and its backends). A file in
folder A may include "B/name.h" only when A's library depends on B's, directly or through
another library, as src/CMakeLists.txt says; above the seam only the seam's own headers
(src/platform/*.h) may be included, never a backend's. TREE (default: this checkout) is a
folder holding src/. Prints each offending line as "src/FILE:LINE: ..." and exits 1 when there
is one, 0 otherwise, 2 when src/CMakeLists.txt cannot be read.
"""
import os
import re
import sys

SEAM = "platform"


def strip_comments(text):
    return "\n".join(line.split("#", 1)[0] for line in text.splitlines())


def read_libraries(cmake_text):
    """Returns {library: (folder, [dependencies])} for the libraries of src/CMakeLists.txt."""
    libraries = {}
    text = strip_comments(cmake_text)
    for call in re.finditer(r"\b(ot_subsystem|ot_add_library)\s*\(([^)]*)\)", text):
        words = call.group(2).split()
        if not words or words[0].startswith("$"):
            continue  # the definition of ot_subsystem itself
        name = words[0]
        if call.group(1) == "ot_subsystem":
            folder, deps = words[1], words[2:]
        else:
            keyword, sources, deps = None, [], []
            for word in words[1:]:
                if word in ("SOURCES", "DEPS", "PUBLIC_DEPS"):
                    keyword = word
                elif keyword == "SOURCES":
                    sources.append(word)
                elif keyword:
                    deps.append(word)
            if not sources:
                continue
            folder = sources[0].split("/", 1)[0]
        libraries[name] = (folder, deps)
    return libraries


def folder_of(library, libraries):
    if library.startswith("ot_platform"):
        return SEAM
    if library in libraries:
        return libraries[library][0]
    return None


def allowed_folders(libraries):
    """Returns {folder: set of folders its files may include from}."""
    allowed = {}
    for name, (folder, _) in libraries.items():
        seen, todo = set(), [name]
        while todo:
            lib = todo.pop()
            if lib in seen:
                continue
            seen.add(lib)
            if lib in libraries:
                todo.extend(libraries[lib][1])
        folders = {folder_of(lib, libraries) for lib in seen} - {None}
        allowed.setdefault(folder, set()).update(folders)
    return allowed


INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z0-9_]+)/([^"]+)"')


def main():
    tree = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    cmake = os.path.join(tree, "src", "CMakeLists.txt")
    try:
        with open(cmake, encoding="utf-8") as f:
            libraries = read_libraries(f.read())
    except OSError as e:
        print(f"check_layers: cannot read {cmake}: {e}", file=sys.stderr)
        return 2
    allowed = allowed_folders(libraries)
    if not allowed:
        print(f"check_layers: no library found in {cmake}", file=sys.stderr)
        return 2
    folders = set(allowed) | {SEAM}
    found = False
    src = os.path.join(tree, "src")
    for base, dirs, files in os.walk(src):
        dirs.sort()
        for file in sorted(files):
            if not file.endswith((".cpp", ".cc", ".h", ".hpp", ".inc")):
                continue
            path = os.path.join(base, file)
            rel = os.path.relpath(path, tree)
            parts = os.path.relpath(path, src).split(os.sep)
            # The program's entry point links the application and the native backend.
            if len(parts) == 1:
                own, may = None, set(allowed.get("app", set())) | {SEAM}
            else:
                own = parts[0]
                if own == SEAM:
                    continue  # the seam and its backends include only the seam's headers
                may = allowed.get(own)
                if may is None:
                    print(f"{rel}:1: folder src/{own}/ is no library of src/CMakeLists.txt")
                    found = True
                    continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or m.group(1) not in folders:
                        continue
                    target, header = m.group(1), m.group(2)
                    if target == SEAM and "/" in header:
                        print(f"{rel}:{number}: includes a backend's header "
                              f"({target}/{header}): above the seam only src/platform/*.h")
                        found = True
                    elif target != own and target not in may:
                        print(f"{rel}:{number}: includes {target}/{header}, but src/{own}/ "
                              f"does not depend on src/{target}/ in src/CMakeLists.txt")
                        found = True
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
