#!/usr/bin/env python3
"""Draws mutants at random from the interpreter's source: every site that sites.py finds in the
translator and the machines, in an order fixed by the seed. sample.py (make mutants-sample)
takes them in that order; alone, this prints the first COUNT.

    python3 tests/mutants/draw.py --build DIR --seed 7 --count 5

DIR is a configured build tree of the source (its compile_commands.json gives each file's
flags); --root names another copy of the source to read instead of the one DIR was made from.
"""

import argparse
import json
import os
import random
import shlex
import sys

from sites import INSTALL_HINT, Collector, load_clang

# The translator, the runtime and the three machines; the tools built on them (explain, show,
# web, lsp, driver) and the shared error reporting are left out.
MUTATED_FOLDERS = ("src/scanner", "src/lexemes", "src/poliz", "src/parser", "src/runtime",
                   "src/machine", "src/fast", "src/native")
SOURCE_SUFFIXES = (".cpp", ".h", ".inc")


def in_scope(relative):
    return relative.endswith(SOURCE_SUFFIXES) and os.path.dirname(relative) in MUTATED_FOLDERS


def parse_flags(command, directory):
    """The flags of a compile command that decide what the code means: include paths (made
    absolute, as the command ran in directory), macros, the language standard. Output,
    optimisation, warnings and precompiled headers go."""
    words, keep = shlex.split(command), []
    for i, word in enumerate(words):
        for option in ("-I", "-isystem", "-D", "-U", "-std="):
            if word == option and option != "-std=" and i + 1 < len(words):
                value = words[i + 1]
            elif word.startswith(option) and len(word) > len(option):
                value = word[len(option):]
            else:
                continue
            if option in ("-I", "-isystem"):
                value = os.path.join(directory, value)
            keep += [option, value] if option != "-std=" else [option + value]
            break
    return keep


def units(root, compile_commands):
    """(path, flags) of every compile of a source file under the mutated folders, and of every
    header or included file there, as a unit of C++ of its own."""
    with open(compile_commands) as f:
        entries = json.load(f)
    root = os.path.realpath(root)
    # A file compiled twice with different macros (the run loop with a switch, for one) is
    # parsed both ways, so that the code either of them compiles is drawn from.
    found = set()
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        relative = os.path.relpath(path, root)
        command = entry.get("command") or " ".join(shlex.quote(a) for a in entry["arguments"])
        if not relative.startswith("..") and in_scope(relative):
            found.add((path, tuple(parse_flags(command, entry["directory"]))))
    if not found:
        raise SystemExit("%s names no source file under %s" % (compile_commands, root))
    sources = [(path, list(flags)) for path, flags in sorted(found)]
    flags = sources[0][1]
    headers = []
    for folder in MUTATED_FOLDERS:
        directory = os.path.join(root, folder)
        if os.path.isdir(directory):
            headers += [os.path.join(directory, n) for n in sorted(os.listdir(directory))
                        if n.endswith((".h", ".inc"))]
    return sources, [(h, ["-x", "c++"] + flags) for h in headers]


def population(root, compile_commands, cindex, warn=sys.stderr):
    """Every site of the mutated folders, in a fixed order."""
    collector = Collector(cindex, root, in_scope)
    sources, headers = units(root, compile_commands)
    for path, flags in sources + headers:
        if (path, flags) in headers and path in collector.seen:
            continue  # a header that a source file brought in
        errors = collector.parse(path, flags)
        if errors:
            print("warning: %s does not parse cleanly, its sites may be incomplete: %s"
                  % (os.path.relpath(path, root), errors[0]), file=warn)
    return collector.result()


def shuffled(sites, seed):
    """The sites in the order the seed gives: a uniform draw without replacement."""
    order = list(sites)
    random.Random(seed).shuffle(order)
    return order


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="configured build tree")
    parser.add_argument("--root", help="the source tree (default: the build tree's source)")
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--count", type=int, default=20)
    args = parser.parse_args()
    cindex = load_clang()
    if cindex is None:
        print("libclang's Python binding is missing: %s" % INSTALL_HINT)
        return 1
    root = args.root
    if root is None:
        with open(os.path.join(args.build, "CMakeCache.txt")) as f:
            root = next(line.split("=", 1)[1].strip() for line in f
                        if line.startswith("CMAKE_HOME_DIRECTORY:"))
    sites = population(root, os.path.join(args.build, "compile_commands.json"), cindex)
    print("%d sites; seed %d" % (len(sites), args.seed))
    for site in shuffled(sites, args.seed)[:args.count]:
        print(site.describe())
    return 0


if __name__ == "__main__":
    sys.exit(main())
