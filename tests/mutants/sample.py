#!/usr/bin/env python3
"""Mutants drawn at random, by a tool, from the translator, the runtime and both machines: how
many of them do the tests kill? (make mutants-sample COUNT=N SEED=S)

The tool that draws the mutants is libclang, clang's C interface, through Debian's python3-clang
binding (no mutation tool for C++ is packaged by Debian or npm): draw.py parses every file and
sites.py lists each place where one kind of fault fits, and they are taken uniformly without
replacement, in the order the seed gives; nobody picks them.
Each one is planted in a private copy of the tree (one per worker, its build kept between
runs), the copy is rebuilt incrementally, the fast tests run there (EXCLUDED_TESTS), and the
original text goes back. A mutant is killed when its tests fail or time out, or its build times
out; it survives when every test passes. A mutant that does not compile says nothing about the
tests: it is named, left out and replaced by the next one drawn, so N mutants are always
judged, and the output ends with `killed K of N`. The working tree is never written.

    python3 tests/mutants/sample.py --count 20 --seed 7
    python3 tests/mutants/sample.py --count 5 --seed 7 --rev HEAD   # the source of a commit
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from draw import population, shuffled
from sites import INSTALL_HINT, load_clang
from worktree import ROOT, TOOL_TESTS, build, copy_tree, run, test, working_tree_files

# The tests a mutant must get past: all but the tool checks and the two slow runs (the stress
# programs, the benchmarks at a hundredth of their size) that go over ground the golden and
# generated programs cover; so a surviving mutant costs about a minute.
EXCLUDED_TESTS = r"^(stress|bench_outputs)$|" + TOOL_TESTS
BUILD_TIMEOUT = 900  # seconds; a mutant that makes the compiler run away is killed by this


class Worker:
    """One persistent copy of the tree with its build, where one mutant at a time is planted."""

    def __init__(self, number, folder):
        self.number = number
        self.tree, self.build = os.path.join(folder, "tree"), os.path.join(folder, "build")
        self.log = os.path.join(folder, "log.txt")
        os.makedirs(self.build, exist_ok=True)
        open(self.log, "w").close()

    def configure(self, env):
        # -O1: the time goes into recompiling, and the tests need no more speed. Without
        # precompiled headers each file compiles on its own, which ccache keeps; test discovery
        # at test time, so that a mutant crashing the unit tests' start fails a test, not the build.
        argv = ["cmake", "-S", self.tree, "-B", self.build, "-DCMAKE_BUILD_TYPE=Release",
                "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG", "-DPOLIZ_PRECOMPILE_HEADERS=OFF",
                "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
                "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST"]
        if shutil.which("ccache"):
            argv.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        return run(argv, self.build, self.log, env=env) == 0

    def judge(self, site, jobs, env):
        """'killed', 'survived' or 'stillborn' (did not compile); the file is put back in any case."""
        path = os.path.join(self.tree, site.path)
        with open(path, "rb") as f:
            original = f.read()
        with open(self.log, "a") as out:
            out.write("\n=== %s\n" % site.describe())
        try:
            with open(path, "wb") as f:
                f.write(site.apply(original))
            built = build(self.build, jobs, self.log, BUILD_TIMEOUT, env)
            if built is None:
                return "killed"  # the build ran out of time
            if built != 0:
                return "stillborn"
            return "survived" if test(self.build, jobs, self.log, EXCLUDED_TESTS) == 0 else "killed"
        finally:
            with open(path, "wb") as f:
                f.write(original)


class Draw:
    """Hands out the drawn mutants in order until count of them compiled and were judged.
    A mutant is handed out only while those judged and those in hand are fewer than count, so
    the ones judged are always the first count in the drawn order that compile."""

    def __init__(self, order, count):
        self.order, self.count = order, count
        self.next, self.judged, self.in_hand = 0, 0, 0
        self.results = {}  # position in the order -> verdict
        self.lock = threading.Condition()

    def take(self):
        with self.lock:
            while True:
                if self.judged >= self.count or self.next >= len(self.order):
                    return None
                if self.judged + self.in_hand < self.count:
                    self.in_hand += 1
                    self.next += 1
                    return self.next - 1
                self.lock.wait()

    def settle(self, position, verdict):
        with self.lock:
            self.in_hand -= 1
            self.results[position] = verdict
            if verdict in ("killed", "survived"):
                self.judged += 1
            self.lock.notify_all()
            return self.judged


def changed_lines(site, text):
    """The source lines the mutant touches, before and after, without their indentation."""
    first = text.rfind(b"\n", 0, site.start) + 1
    last = text.find(b"\n", site.end)
    last = len(text) if last < 0 else last
    before = text[first:last]
    after = text[first:site.start] + site.replacement.encode() + text[site.end:last]
    return [t.decode("utf-8", "replace").strip() for t in (before, after)]


def source_files(rev, scratch):
    """The folder to copy and the files in it: the working tree, or a commit's tree unpacked."""
    if rev is None:
        return ROOT, working_tree_files()
    archive = subprocess.run(["git", "archive", "--format=tar", rev], cwd=ROOT, check=True,
                             capture_output=True).stdout
    subprocess.run(["tar", "-x", "-C", scratch], input=archive, check=True)
    names = [os.path.relpath(os.path.join(folder, n), scratch)
             for folder, _, files in os.walk(scratch) for n in files]
    return scratch, names


def describe_source(rev):
    if rev is not None:
        commit = subprocess.run(["git", "rev-parse", "--short", rev], cwd=ROOT, check=True,
                                capture_output=True, text=True).stdout.strip()
        return "commit %s" % commit
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                            capture_output=True, text=True).stdout.strip()
    changed = subprocess.run(["git", "status", "--porcelain"], cwd=ROOT,
                             capture_output=True, text=True).stdout.splitlines()
    return "working tree at %s%s" % (commit, ", with %d changed files" % len(changed) if changed else "")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=20, help="mutants to judge (default 20)")
    parser.add_argument("--seed", type=int, help="the draw's seed (default: a random one, printed)")
    parser.add_argument("--rev", help="draw from this commit instead of the working tree")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build-mutants-sample"),
                        help="scratch folder for the copies and their builds")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2,
                        help="cores to use: one worker each (default: all)")
    args = parser.parse_args()

    cindex = load_clang()
    if cindex is None:
        print("libclang's Python binding is missing: %s" % INSTALL_HINT)
        return 1
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 10**6)
    if args.rev is not None:  # a name like HEAD moves on: the run is repeated from its commit
        args.rev = subprocess.run(["git", "rev-parse", "--short", args.rev + "^{commit}"], cwd=ROOT,
                                  check=True, capture_output=True, text=True).stdout.strip()
    print("seed %d (again: make mutants-sample COUNT=%d SEED=%d%s)"
          % (seed, args.count, seed, " REV=%s" % args.rev if args.rev else ""), flush=True)

    args.dir = os.path.abspath(args.dir)
    workers = [Worker(n, os.path.join(args.dir, "worker%d" % n)) for n in range(max(1, args.jobs))]
    env = dict(os.environ)
    env.setdefault("CCACHE_DIR", os.path.join(args.dir, "ccache"))
    # Paths below the scratch folder are hashed relative, so the workers share cached objects.
    env.setdefault("CCACHE_BASEDIR", args.dir)
    env.setdefault("CCACHE_NOHASHDIR", "1")

    # The first copy comes from the source, the others from it: all hold the same bytes.
    with tempfile.TemporaryDirectory() as scratch:
        source, names = source_files(args.rev, scratch)
        copy_tree(source, names, workers[0].tree)
    for w in workers[1:]:
        copy_tree(workers[0].tree, names, w.tree)
    print("Building %d copies of the %s in %s (logs: workerN/log.txt)"
          % (len(workers), describe_source(args.rev), args.dir), flush=True)
    for w in workers:
        if not w.configure(env) or build(w.build, args.jobs, w.log, env=env) != 0:
            print("the unmutated tree does not build; see %s" % w.log)
            return 1
    if test(workers[0].build, args.jobs, workers[0].log, EXCLUDED_TESTS) != 0:
        # Every mutant would count as killed: no score until the tests pass (REV= picks a commit).
        with open(workers[0].log) as f:
            failed = [line.strip() for line in f if "(Failed)" in line or "(Timeout)" in line]
        print("the unmutated tree fails its tests (%s); see %s"
              % (", ".join(failed) or "ctest did not finish", workers[0].log))
        return 1

    sites = population(workers[0].tree, os.path.join(workers[0].build, "compile_commands.json"), cindex)
    order = shuffled(sites, seed)
    print("%d mutants can be drawn; judging %d of them" % (len(sites), args.count), flush=True)
    draw = Draw(order, args.count)
    started = time.time()

    def work(worker):
        while (position := draw.take()) is not None:
            site = order[position]
            try:
                verdict = worker.judge(site, 1, env)
            except Exception as error:  # the copy or the drawn text is not as expected
                print("cannot plant %s: %s" % (site.describe(), error), flush=True)
                verdict = "not planted"
            judged = draw.settle(position, verdict)
            shown = {"stillborn": "did not compile, redrawn", "not planted": "not planted, redrawn"}.get(verdict, verdict)
            print("[%d/%d] %-24s %s" % (judged, args.count, shown, site.describe()), flush=True)

    threads = [threading.Thread(target=work, args=(w,)) for w in workers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    results = sorted(draw.results.items())
    texts = {}
    print()
    for position, verdict in results:
        site = order[position]
        if verdict == "survived":
            if site.path not in texts:
                with open(os.path.join(workers[0].tree, site.path), "rb") as f:
                    texts[site.path] = f.read()
            before, after = changed_lines(site, texts[site.path])
            print("survived: %s:%d (%s)\n    - %s\n    + %s" % (site.path, site.line, site.kind, before, after))
    redrawn = [(order[p], v) for p, v in results if v not in ("killed", "survived")]
    if redrawn:
        print("redrawn: %d mutants that did not compile (they say nothing about the tests):" % len(redrawn))
        for site, verdict in redrawn:
            print("    %s%s" % (site.describe(), "" if verdict == "stillborn" else " (%s)" % verdict))
    killed = sum(1 for _, v in results if v == "killed")
    judged = sum(1 for _, v in results if v in ("killed", "survived"))
    print("%.0f minutes, seed %d" % ((time.time() - started) / 60, seed))
    print("killed %d of %d" % (killed, judged))
    return 0 if judged == args.count else 1


if __name__ == "__main__":
    sys.exit(main())
