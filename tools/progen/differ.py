#!/usr/bin/env python3
"""Differential runner: generated programs on two implementations, compared byte for byte.

Used by the generated-program tests of tests/CMakeLists.txt and by `make fuzz`.

Usage: differ.py IMPL_A IMPL_B [--seed S] [--count N | --seconds T] [--save DIR] [--jobs J]
                 [--timeout T] [size knobs of progen.py]
IMPL_A and IMPL_B are command lines, split as a shell would; each run gets the program's path as
its last argument and the program's input on standard input. A program fails when the two differ
in standard output, standard error or exit status, when either runs out of time, or when both
agree on an ending other than the one the program was made for (the generator knows: a normal
end, or one runtime error). Failures are printed with seed, program, input and both results, and
saved under DIR; the last line is `N passed, N failed`, and the status is 1 when any failed.
"""
import argparse
import collections
import concurrent.futures
import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import progen  # noqa: E402  (beside this file)

# The message that each intended runtime error begins with.
ERROR_MESSAGES = {
    "division": "Runtime error: Division by zero!",
    "unassigned": "Runtime error: Using value of '",
    "invalid_input": "Runtime error: Invalid input for '",
    "end_of_input": "Runtime error: Unexpected end of input for '",
}
SHOWN_IN_FULL = 3  # failures printed with program and results; later ones get one line each
SHOWN_BYTES = 3000


class Result:
    """How one implementation ran one program."""

    def __init__(self, stdout=b"", stderr=b"", status=None, timed_out=False):
        self.stdout, self.stderr, self.status, self.timed_out = stdout, stderr, status, timed_out

    def same_as(self, other):
        return (self.stdout, self.stderr, self.status, self.timed_out) == \
               (other.stdout, other.stderr, other.status, other.timed_out)

    def ending(self):
        """The kind of ending, named as progen names them, or a short description."""
        if self.timed_out:
            return "timeout"
        if self.status == 0:
            return "ok"
        for kind, message in ERROR_MESSAGES.items():
            if self.status == 4 and self.stderr.startswith(message.encode()):
                return kind
        first_line = self.stderr.decode("utf-8", "replace").split("\n", 1)[0]
        return f"status {self.status}: {first_line}"


def run(command, path, stdin, timeout):
    try:
        done = subprocess.run(command + [path], input=stdin, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired as e:
        return Result(e.stdout or b"", e.stderr or b"", None, True)
    return Result(done.stdout, done.stderr, done.returncode)


def check(seed, knobs, commands, folder, timeout):
    """Generates program `seed`, runs it on both command lines; returns (program, a, b, problem),
    where problem is None when all is well."""
    program = progen.ProgramMaker(knobs).make(seed)
    path = os.path.join(folder, program.name + ".ppp")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(program.source)
    stdin = program.input.encode("utf-8")
    a, b = (run(command, path, stdin, timeout) for command in commands)
    os.remove(path)
    problem = None
    if a.timed_out or b.timed_out:
        problem = "ran out of time (%s)" % ", ".join(n for n, r in (("A", a), ("B", b)) if r.timed_out)
    elif not a.same_as(b):
        problem = "results differ in " + ", ".join(
            what for what, x, y in (("stdout", a.stdout, b.stdout), ("stderr", a.stderr, b.stderr),
                                    ("exit status", a.status, b.status)) if x != y)
    elif a.ending() != program.ending:
        problem = f"both ended as '{a.ending()}', but the program was made to end as '{program.ending}'"
    return program, a, b, problem


def shown(data):
    text = data.decode("utf-8", "replace")
    return text if len(text) <= SHOWN_BYTES else text[:SHOWN_BYTES] + f"\n... ({len(text)} characters in all)"


def report(program, a, b, problem, number, save):
    print(f"FAIL seed {program.seed}: {problem}")
    if save:
        os.makedirs(save, exist_ok=True)
        base = os.path.join(save, program.name)
        files = {".ppp": program.source.encode(), ".in": program.input.encode(), ".a.out": a.stdout,
                 ".a.err": a.stderr, ".b.out": b.stdout, ".b.err": b.stderr,
                 ".status": f"A {a.ending()} ({a.status})\nB {b.ending()} ({b.status})\n".encode()}
        for suffix, data in files.items():
            with open(base + suffix, "wb") as f:
                f.write(data)
        print(f"  saved as {base}.*")
    print(f"  replay: {sys.argv[0]} ... --seed {program.seed} --count 1 (progen.py --seed {program.seed} prints it)")
    if number > SHOWN_IN_FULL:
        return
    print("--- program ---\n" + program.source + "--- input ---\n" + program.input)
    for name, r in (("A", a), ("B", b)):
        print(f"--- {name}: {r.ending()}, exit status {r.status} ---")
        print("stdout:\n" + shown(r.stdout) + "\nstderr:\n" + shown(r.stderr))
    sys.stdout.flush()


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Generated programs on two implementations, compared byte for byte.")
    parser.add_argument("impl_a", help="first command line, e.g. build/poliz")
    parser.add_argument("impl_b", help="second command line, e.g. build/poliz_reference")
    parser.add_argument("--seed", type=int, help="seed of the first program (default: random, printed)")
    limit = parser.add_mutually_exclusive_group()
    limit.add_argument("--count", type=int, help="how many programs (default 1000)")
    limit.add_argument("--seconds", type=float, help="run programs until this many seconds have passed")
    parser.add_argument("--save", help="folder for the programs that fail, with both results")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2, help="programs run at once")
    parser.add_argument("--timeout", type=float, default=30, help="seconds one run may take (default 30)")
    progen.add_knob_options(parser)
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 2**31)
    count = args.count if args.count is not None else (None if args.seconds else 1000)
    commands = [shlex.split(args.impl_a), shlex.split(args.impl_b)]
    for command in commands:
        if not command or not shutil.which(command[0]):
            sys.exit(f"differ.py: cannot run '{command[0] if command else ''}'")
    print(f"seed {seed} (replay with --seed {seed})", flush=True)
    knobs = progen.knobs_from(args)
    deadline = time.monotonic() + args.seconds if args.seconds else None
    passed, failed, endings = 0, 0, collections.Counter()
    folder = tempfile.mkdtemp(prefix="differ-")
    try:
        with concurrent.futures.ProcessPoolExecutor(max_workers=max(1, args.jobs)) as pool:
            pending, next_seed = set(), seed
            while True:
                while len(pending) < 4 * args.jobs and (count is None or next_seed < seed + count) and \
                        (deadline is None or time.monotonic() < deadline):
                    pending.add(pool.submit(check, next_seed, knobs, commands, folder, args.timeout))
                    next_seed += 1
                if not pending:
                    break
                done, pending = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
                for future in sorted(done, key=lambda f: f.result()[0].seed):
                    program, a, b, problem = future.result()
                    endings[a.ending()] += 1
                    if problem:
                        failed += 1
                        report(program, a, b, problem, failed, args.save)
                    else:
                        passed += 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("endings: " + ", ".join(f"{kind} {n}" for kind, n in endings.most_common()))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
