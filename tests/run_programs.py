#!/usr/bin/env python3
"""Runs golden programs through the interpreter and compares stdout, stderr and exit status.

Usage: run_programs.py POLIZ DIR [--bless] [--native-compiled]

Every NAME.ppp below DIR is run from its own folder as `POLIZ NAME.ppp`, with NAME.in (if any)
as standard input and the words of NAME.args (if any) as arguments before the file name.
NAME.out and NAME.err hold the exact expected standard output and error (absent means empty).
The expected exit status comes from the nearest folder of the program's path named for it
(as in tests/programs): ok 0, lexical 1, syntax 2, semantic 3, runtime 4. --bless rewrites the
golden files from what the interpreter does now; review the diff before committing.
--native-compiled (with POLIZ_NATIVE=always) also asks the native tier to say whether it compiled
each program (POLIZ_NATIVE_TRACE=1): every program that gets to run must have been compiled, for
native code that declines a program is never wrong, only slow, and so would pass unseen.

A folder with a SOURCES file also holds the golden files of programs kept elsewhere (the bundled
examples): each line names, relative to the folder, a program or a folder of programs, which run
from where they are, with NAME.in, NAME.out and NAME.err taken from the SOURCES folder.
"""
import difflib
import os
import subprocess
import sys

STATUS = {"ok": 0, "lexical": 1, "syntax": 2, "semantic": 3, "runtime": 4}
TIMEOUT_SECONDS = 120


def expected_status(path):
    for part in reversed(os.path.normpath(path).split(os.sep)):
        if part in STATUS:
            return STATUS[part]
    raise SystemExit(f"{path}: not under a folder named for an exit status ({', '.join(STATUS)})")


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def show_diff(what, expected, actual):
    exp = expected.decode("utf-8", "replace").splitlines(keepends=True)
    act = actual.decode("utf-8", "replace").splitlines(keepends=True)
    diff = "".join(difflib.unified_diff(exp, act, f"expected {what}", f"actual {what}"))
    if len(diff) > 4000:
        diff = diff[:4000] + "\n... (diff cut)\n"
    print(diff if diff else f"  {what} differs (only in bytes a text diff cannot show)")


def listed_sources(folder):
    """The programs a SOURCES file names, and the golden files in its folder that none of them owns."""
    with open(os.path.join(folder, "SOURCES"), encoding="utf-8") as f:
        lines = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    sources = []
    for line in lines:
        path = os.path.normpath(os.path.join(folder, line))
        if os.path.isdir(path):
            sources += sorted(os.path.join(path, f) for f in os.listdir(path) if f.endswith(".ppp"))
        else:
            sources.append(path)
    names = {os.path.basename(source)[: -len(".ppp")] for source in sources}
    orphans = sorted(f for f in os.listdir(folder) if f.endswith((".in", ".out", ".err", ".args"))
                     and f.rsplit(".", 1)[0] not in names and not os.path.exists(os.path.join(folder, f.rsplit(".", 1)[0] + ".ppp")))
    return [(source, os.path.join(folder, os.path.basename(source)[: -len(".ppp")])) for source in sources], orphans


def golden_programs(root):
    """Every (program, golden base path) below root, and the golden files that have no program."""
    programs, orphans = [], []
    for dirpath, _, files in os.walk(root):
        programs += [(os.path.join(dirpath, f), os.path.join(dirpath, f[: -len(".ppp")])) for f in files if f.endswith(".ppp")]
        if "SOURCES" in files:
            listed, stale = listed_sources(dirpath)
            programs += listed
            orphans += [os.path.join(dirpath, f) for f in stale]
    return sorted(programs), orphans


NATIVE_COMPILED = b"native: compiled\n"


def take_native_trace(program, status, err):
    """The trace line the native tier writes before a run, checked and taken off standard error."""
    if status not in (STATUS["ok"], STATUS["runtime"]):
        return True, err
    line, _, rest = err.partition(b"\n")
    if line + b"\n" == NATIVE_COMPILED:
        return True, rest
    print(f"FAIL {program}: the native tier did not compile it ({line.decode('utf-8', 'replace')!r})")
    return False, err


def run_one(poliz, program, base, bless, native_compiled=False):
    if not os.path.isfile(program):
        print(f"FAIL {program}: no such program")
        return False
    folder, name = os.path.split(program)
    stdin = read(base + ".in")
    args = read(base + ".args").decode().split()
    try:
        env = dict(os.environ, POLIZ_NATIVE_TRACE="1") if native_compiled else None
        run = subprocess.run([poliz, *args, name], cwd=folder or ".", input=stdin, capture_output=True,
                             timeout=TIMEOUT_SECONDS, env=env)
        status, out, err = run.returncode, run.stdout, run.stderr
    except subprocess.TimeoutExpired:
        print(f"FAIL {program}: timed out after {TIMEOUT_SECONDS} s")
        return False
    ok = True
    if native_compiled:
        ok, err = take_native_trace(program, status, err)
    if bless:
        for suffix, data in ((".out", out), (".err", err)):
            if data:
                with open(base + suffix, "wb") as f:
                    f.write(data)
            elif os.path.exists(base + suffix):
                os.remove(base + suffix)
    want_status = expected_status(base)
    if status != want_status:
        print(f"FAIL {program}: exit status {status}, expected {want_status}")
        ok = False
    for what, suffix, actual in (("stdout", ".out", out), ("stderr", ".err", err)):
        expected = read(base + suffix)
        if actual != expected:
            if ok:
                print(f"FAIL {program}")
            ok = False
            show_diff(what, expected, actual)
    return ok


def main():
    args = [a for a in sys.argv[1:] if a not in ("--bless", "--native-compiled")]
    bless = "--bless" in sys.argv[1:]
    native_compiled = "--native-compiled" in sys.argv[1:]
    if len(args) != 2:
        raise SystemExit(__doc__)
    poliz, root = os.path.abspath(args[0]), args[1]
    programs, orphans = golden_programs(root)
    passed = failed = 0
    for program, base in programs:
        if run_one(poliz, program, base, bless, native_compiled):
            passed += 1
        else:
            failed += 1
    for orphan in orphans:
        print(f"FAIL {orphan}: a golden file of no program")
        failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not programs else 0


if __name__ == "__main__":
    sys.exit(main())
