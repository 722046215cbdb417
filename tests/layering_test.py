#!/usr/bin/env python3
"""Every dependency between the folders of src/ points down: a file includes the headers of its
own folder and of the folders its library builds on, as src/CMakeLists.txt draws the layers, and
none above or beside it. Each folder of src/ must have its place in LAYERS.

Usage: layering_test.py SOURCE_DIR
"""
import os
import re
import sys

# Each folder with the folders it builds on directly (src/CMakeLists.txt's picture of the layers).
LAYERS = {
    "common": [],
    "runtime": ["common"],
    "lexemes": ["runtime"],
    "scanner": ["lexemes"],
    "poliz": ["lexemes"],
    "parser": ["scanner", "poliz"],
    "machine": ["poliz"],
    "fast": ["poliz"],
    # The native tier's plugin: loaded, never linked; it shares the runtime's headers.
    "native": ["runtime"],
    "driver": ["parser"],
    "explain": ["driver", "machine"],
    "show": ["explain", "fast"],
    "web": ["explain", "fast"],
    "lsp": ["explain"],
}

# Includes across the layers on purpose: the interface through which the fast backend loads the
# native tier, and poliz's entry point, which links the fast backend beside the run pipeline.
CROSSINGS = [
    ("src/fast/", "native/NativeAbi.h"),
    ("src/driver/main.cpp", "fast/"),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = (".cpp", ".h", ".inc")


def below(folder):
    """The folders `folder` may include: itself and everything under it."""
    reached, todo = set(), [folder]
    while todo:
        current = todo.pop()
        if current not in reached:
            reached.add(current)
            todo.extend(LAYERS[current])
    return reached


def crossing(path, header):
    return any(path.startswith(where) and header.startswith(what) for where, what in CROSSINGS)


def main():
    root = sys.argv[1]
    src = os.path.join(root, "src")
    failures = []
    folders = sorted(f for f in os.listdir(src) if os.path.isdir(os.path.join(src, f)))
    for folder in folders:
        if folder not in LAYERS:
            failures.append("src/%s/ has no place among the layers of tests/layering_test.py" % folder)
    for folder in (f for f in folders if f in LAYERS):
        allowed = below(folder)
        for name in sorted(os.listdir(os.path.join(src, folder))):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = "src/%s/%s" % (folder, name)
            with open(os.path.join(root, path), encoding="utf-8") as f:
                text = f.read()
            for header in INCLUDE.findall(text):
                used = header.split("/", 1)[0] if "/" in header else folder
                if used not in allowed and not crossing(path, header):
                    failures.append('%s includes "%s": %s/ is not below %s/' % (path, header, used, folder))
    for failure in failures:
        print("FAIL: " + failure)
    print("%d folders, %d failures" % (len(folders), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
