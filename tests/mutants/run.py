#!/usr/bin/env python3
"""Mutation check of the fast backend: do the tests notice when its code is subtly wrong?

Applies each mutation of mutants.txt (beside this file) on its own to a private copy of the
source tree, rebuilds that copy incrementally, runs the unit and golden suites there, puts the
original text back, and ends with `killed K of N`. A mutant is killed when the build's tests
fail or time out; it survives when every test passes. A mutant that does not compile is a
mistake in the list and is reported apart, outside N. The working tree is never touched.

    python3 tests/mutants/run.py                  # every mutant (make mutants)
    python3 tests/mutants/run.py --only 3,17      # some of them, by their number in the list
    python3 tests/mutants/run.py --list           # check the list and print it, build nothing
"""

import argparse
import os
import re
import sys
import time

from worktree import ROOT, TOOL_TESTS, build, copy_tree, run, test, working_tree_files

HERE = os.path.dirname(os.path.abspath(__file__))
LIST = os.path.join(HERE, "mutants.txt")

# What a mutant must get past: unit tests, golden programs, regressions and the benchmark
# outputs; the slow stress test, the command lines and the tool checks say nothing about the
# machine.
EXCLUDED_TESTS = r"^(stress|show_cli|cli)$|" + TOOL_TESTS


class Mutant:
    def __init__(self, number, path, line, original, replacement, occurrence):
        self.number, self.path, self.line = number, path, line
        self.original, self.replacement, self.occurrence = original, replacement, occurrence

    def describe(self):
        shown = self.replacement if self.replacement else "(deleted)"
        return "#%d %s: %s  =>  %s" % (self.number, self.path, self.original, shown)


def parse_list(path):
    """Reads the list: `[file]` headers, then `original => replacement` lines (an empty
    replacement deletes the text; a trailing `@N` picks the N-th occurrence); `#` comments."""
    mutants, current = [], None
    with open(path) as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            header = re.fullmatch(r"\[(.+)\]", line)
            if header:
                current = header.group(1)
                continue
            if current is None or " =>" not in line:
                raise SystemExit("%s:%d: expected `[file]` or `original => replacement`" % (path, number))
            original, replacement = line.split(" =>", 1)
            replacement = replacement.strip()
            occurrence = None
            at = re.search(r"(?:^|\s)@(\d+)$", replacement)
            if at:
                occurrence = int(at.group(1))
                replacement = replacement[:at.start()].rstrip()
            mutants.append(Mutant(len(mutants) + 1, current, number, original.strip(), replacement,
                                  occurrence))
    return mutants


def locate(text, mutant):
    """The offset of the mutant's occurrence; the text must be found there, and exactly once
    when no occurrence is named, so that a drifting source never mutates the wrong place."""
    starts = [m.start() for m in re.finditer(re.escape(mutant.original), text)]
    if mutant.occurrence is None:
        if len(starts) != 1:
            return None, "found %d times; it must be found once, or name one with @N" % len(starts)
        return starts[0], None
    if len(starts) < mutant.occurrence:
        return None, "found %d times, wanted occurrence %d" % (len(starts), mutant.occurrence)
    return starts[mutant.occurrence - 1], None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", help="comma-separated mutant numbers")
    parser.add_argument("--list", action="store_true", help="check and print the list only")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build-mutants"),
                        help="scratch folder for the source copy and its build (default build-mutants)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    mutants = parse_list(LIST)
    if args.only:
        wanted = {int(n) for n in args.only.split(",")}
        mutants = [m for m in mutants if m.number in wanted]
    problems = []
    for m in mutants:
        with open(os.path.join(ROOT, m.path)) as f:
            _, why = locate(f.read(), m)
        if why:
            problems.append("%s (list line %d): %s" % (m.describe(), m.line, why))
    if args.list or problems:
        for m in mutants:
            print(m.describe())
        for p in problems:
            print("LIST PROBLEM: " + p)
        return 1 if problems else 0

    args.dir = os.path.abspath(args.dir)
    tree, build_dir = os.path.join(args.dir, "tree"), os.path.join(args.dir, "build")
    log = os.path.join(args.dir, "log.txt")
    os.makedirs(build_dir, exist_ok=True)
    open(log, "w").close()
    copy_tree(ROOT, working_tree_files(), tree)
    print("Building the unmutated copy in %s (log: %s)" % (args.dir, log), flush=True)
    # -O1: most of the time goes into recompiling the machine, and the tests need no more speed.
    configure = ["cmake", "-S", tree, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                 "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG"]
    if run(configure, args.dir, log) != 0 \
            or build(build_dir, args.jobs, log) != 0:
        print("the unmutated tree does not build; see the log")
        return 1
    if test(build_dir, args.jobs, log, EXCLUDED_TESTS) != 0:
        print("the unmutated tree fails its tests; see the log")
        return 1

    killed, survivors, stillborn = 0, [], []
    started = time.time()
    for m in mutants:
        path = os.path.join(tree, m.path)
        with open(path) as f:
            original = f.read()
        at, _ = locate(original, m)
        mutated = original[:at] + m.replacement + original[at + len(m.original):]
        with open(log, "a") as out:
            out.write("\n=== %s\n" % m.describe())
        try:
            with open(path, "w") as f:
                f.write(mutated)
            if build(build_dir, args.jobs, log) != 0:
                stillborn.append(m)
                verdict = "did not build"
            elif test(build_dir, args.jobs, log, EXCLUDED_TESTS) == 0:
                survivors.append(m)
                verdict = "SURVIVED"
            else:
                killed += 1
                verdict = "killed"
        finally:
            with open(path, "w") as f:
                f.write(original)
        print("%-13s %s" % (verdict, m.describe()), flush=True)

    counted = len(mutants) - len(stillborn)
    print()
    for m in survivors:
        print("survived: %s (list line %d)" % (m.describe(), m.line))
    for m in stillborn:
        print("did not build (fix the list): %s (list line %d)" % (m.describe(), m.line))
    print("%.0f minutes" % ((time.time() - started) / 60))
    print("killed %d of %d" % (killed, counted))
    return 0 if counted and not stillborn else 1


if __name__ == "__main__":
    sys.exit(main())
