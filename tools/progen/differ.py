#!/usr/bin/env python3
"""Differential runner: generated programs on two implementations, compared byte for byte.

Used by the generated-program tests of tests/CMakeLists.txt and by `make fuzz`.

Usage: differ.py IMPL_A IMPL_B [--seed S] [--count N | --seconds T] [--save DIR] [--jobs J]
                 [--timeout T] [--mem-limit MB] [--max-failures N] [size knobs of progen.py]
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
import resource
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
MAX_OUTPUT = 64 * 1024 * 1024  # bytes of stdout or stderr a run may write
RUNNER_DEFAULTS = {"timeout": 10, "mem-limit": 4096}


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


class Limits:
    """What one run may use: a runaway implementation must not take the machine with it. Output
    goes to files, whose size the system caps (the run then ends by the signal SIGXFSZ)."""

    def __init__(self, seconds, memory_mb):
        self.seconds = seconds
        self.memory = memory_mb * 1024 * 1024

    def apply(self):  # in each worker process; the runs it starts inherit the limits
        resource.setrlimit(resource.RLIMIT_FSIZE, (MAX_OUTPUT, MAX_OUTPUT))
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        if self.memory:
            resource.setrlimit(resource.RLIMIT_AS, (self.memory, self.memory))


def run(command, path, stdin, limits):
    outputs = [path + ".stdout", path + ".stderr"]
    with open(outputs[0], "wb") as out, open(outputs[1], "wb") as err:
        try:
            status = subprocess.run(command + [path], input=stdin, stdout=out, stderr=err,
                                    timeout=limits.seconds).returncode
        except subprocess.TimeoutExpired:
            status = None
    texts = []
    for name in outputs:
        with open(name, "rb") as f:
            texts.append(f.read())
        os.remove(name)
    return Result(texts[0], texts[1], status, status is None)


def check(seed, knobs, commands, folder, limits):
    """Generates program `seed` and runs it on both command lines. Returns the first run's ending
    and, when something is wrong, (problem, program, a, b)."""
    program = progen.ProgramMaker(knobs).make(seed)
    path = os.path.join(folder, program.name + ".ppp")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(program.source)
    stdin = program.input.encode("utf-8")
    a, b = (run(command, path, stdin, limits) for command in commands)
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
    return a.ending(), (problem, program, a, b) if problem else None


def shown(data):
    text = data.decode("utf-8", "replace")
    return text if len(text) <= SHOWN_BYTES else text[:SHOWN_BYTES] + f"\n... ({len(text)} characters in all)"


def first_difference(x, y):
    """Where two outputs part: the line number and the two lines there."""
    xs, ys = x.decode("utf-8", "replace").split("\n"), y.decode("utf-8", "replace").split("\n")
    for number, (p, q) in enumerate(zip(xs + [""], ys + [""]), 1):
        if p != q or number > min(len(xs), len(ys)):
            return f"line {number}:\n    A: {p[:300]!r}\n    B: {q[:300]!r}"
    return "only in their ends of line"


def report(problem, program, a, b, number, args, knobs):
    print(f"FAIL seed {program.seed}: {problem}")
    save = args.save
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
    here = os.path.dirname(sys.argv[0])
    seed = ["--seed", str(program.seed)] + progen.knob_arguments(knobs)
    runner = [f"--{name}={getattr(args, name.replace('-', '_'))}" for name in ("timeout", "mem-limit")
              if getattr(args, name.replace("-", "_")) != RUNNER_DEFAULTS[name]]
    print(f"  replay: {shlex.join([sys.argv[0], args.impl_a, args.impl_b] + seed + runner + ['--count', '1'])}")
    print(f"  the program alone: {shlex.join([os.path.join(here, 'progen.py')] + seed)}")
    for what, x, y in (("stdout", a.stdout, b.stdout), ("stderr", a.stderr, b.stderr)):
        if x != y:
            print(f"  {what} first differs on {first_difference(x, y)}")
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
    parser.add_argument("--timeout", type=float, default=RUNNER_DEFAULTS["timeout"],
                        help="seconds one run may take (default 10)")
    parser.add_argument("--mem-limit", type=int, default=RUNNER_DEFAULTS["mem-limit"],
                        help="megabytes of address space one run may take; 0 for no limit (sanitizers need it)")
    parser.add_argument("--max-failures", type=int, default=10, help="stop after this many failures (default 10)")
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
    limits = Limits(args.timeout, args.mem_limit)
    deadline = time.monotonic() + args.seconds if args.seconds else None
    passed, failed, endings = 0, 0, collections.Counter()
    folder = tempfile.mkdtemp(prefix="differ-")
    try:
        with concurrent.futures.ProcessPoolExecutor(max(1, args.jobs), initializer=limits.apply) as pool:
            pending, next_seed = set(), seed
            while True:
                while len(pending) < 4 * args.jobs and (count is None or next_seed < seed + count) and \
                        (deadline is None or time.monotonic() < deadline) and failed < args.max_failures:
                    pending.add(pool.submit(check, next_seed, knobs, commands, folder, limits))
                    next_seed += 1
                if failed >= args.max_failures:
                    for future in pending:
                        future.cancel()  # those already running still report
                if not pending:
                    break
                done, pending = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
                for future in done:
                    if future.cancelled():
                        continue
                    ending, failure = future.result()
                    endings[ending] += 1
                    if failure:
                        failed += 1
                        report(*failure, failed, args, knobs)
                    else:
                        passed += 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("endings: " + ", ".join(f"{kind} {n}" for kind, n in endings.most_common()))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
