"""`run --fuzz`: generated programs on an implementation, against poliz's results on them (those
stored when the kit was built, or a poliz given with --reference); the first difference is
reduced, saved and shown."""
import concurrent.futures
import json
import os
import shutil
import sys
import tempfile

import catalogue
import golden
import process
import progen
from reducer import Reducer


class Generated:
    """One generated program, its input, poliz's result on it and the seconds it took."""

    def __init__(self, name, source, stdin, expected, seconds):
        self.name, self.source, self.stdin, self.expected, self.seconds = name, source, stdin, expected, seconds


def stored_programs():
    folder = os.path.join(catalogue.kit_root(), "fuzz")
    with open(os.path.join(folder, "catalogue.json"), encoding="utf-8") as f:
        stored = json.load(f)
    return folder, stored


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def generated(seed, reference, folder, stored, scratch):
    """Program `seed` with poliz's result: the kit's stored one without a reference, else the
    generator's program run on the reference."""
    if reference is None:
        base = os.path.join(folder, f"prog-{seed}")
        source, stdin, out, err = (_read(base + suffix) for suffix in (".ppp", ".in", ".out", ".err"))
        return Generated(f"prog-{seed}", source.decode("latin-1"), stdin,
                         process.Result(out, err, stored["statuses"][str(seed)]), stored.get("times", {}).get(str(seed)))
    program = progen.ProgramMaker(progen.Knobs()).make(seed)
    path = os.path.join(scratch, program.name + ".ppp")
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(program.source)
    stdin = program.input.encode("utf-8")
    expected = process.run(reference, path, stdin)
    # Sources are kept as Latin-1 text, one character per byte, as the stored ones are read.
    return Generated(program.name, program.source.encode("utf-8").decode("latin-1"), stdin, expected,
                     expected.elapsed)


def save(out, program, source, expected, actual):
    os.makedirs(out, exist_ok=True)
    base = os.path.join(out, program.name)
    files = {".ppp": source.encode("latin-1"), ".in": program.stdin, ".expected.out": expected.stdout,
             ".expected.err": expected.stderr, ".expected.status": f"{expected.status_text()}\n".encode(),
             ".actual.out": actual.stdout, ".actual.err": actual.stderr,
             ".actual.status": f"{actual.status_text()}\n".encode()}
    for suffix, data in files.items():
        with open(base + suffix, "wb") as f:
            f.write(data)
    return base


def show(source, program, expected, actual):
    print(source, end="" if source.endswith("\n") else "\n")
    if program.stdin:
        print("with the input:\n" + program.stdin.decode("utf-8", "replace"), end="")
    print(f"exit status: expected {expected.status_text()}, actual {actual.status_text()}")
    for stream, a, b in (("stdout", expected.stdout, actual.stdout), ("stderr", expected.stderr, actual.stderr)):
        if a != b:
            print(golden.unified_diff(stream, a, b), end="")


def report(args, reference, words, scratch, out, seed, program, actual, limit):
    """The first difference: reduced when there is a reference, saved, shown; returns 1."""
    print(f"FAIL seed {seed}: {program.name} runs differently")
    sys.stdout.flush()
    source, expected = program.source, program.expected
    if reference is None:
        reference = catalogue.find_reference(None, "to reduce the program")
    if reference is None:
        print("(not reduced: reducing runs every smaller program on poliz too, and there is no poliz beside the "
              "kit or on PATH; give --reference CMD)")
    else:
        # The reducer measures its time limits on the program as generated, in `scratch`.
        reducer = Reducer(reference, words, program.stdin, scratch, program.name, limit)
        source = reducer.reduce(program.source, Reducer.difference(expected, actual))
        expected, actual = reducer.results(source)
        print(f"reduced from {program.source.count(chr(10))} to {source.count(chr(10))} lines "
              f"in {reducer.tests} runs:")
    base = save(out, program, source, expected, actual)
    show(source, program, expected, actual)
    print(f"saved as {base}.ppp with its input ({base}.in) and both results")
    print(f"{seed - args.seed} passed, 1 failed")
    return 1


def main(args):
    words = process.command_words(args.implementation)
    reference = process.command_words(args.reference) if args.reference else None
    folder, stored = stored_programs()
    last = stored["first"] + stored["count"] - 1
    if reference is None and (args.seed < stored["first"] or args.seed + args.fuzz - 1 > last):
        reference = catalogue.find_reference(None, "to run the generated programs")
        if reference is None:
            catalogue.usage_error(f"the kit holds poliz's results for seeds {stored['first']} to {last} only; "
                                  "give --reference CMD (a poliz) for others")
    out = args.out or "findings"
    scratch = tempfile.mkdtemp(prefix="conformance-")

    def attempt(seed):
        program = generated(seed, reference, folder, stored, scratch)
        path = os.path.join(scratch, program.name + ".ppp")
        with open(path, "w", encoding="latin-1", newline="") as f:
            f.write(program.source)
        limit = process.time_limit(program.seconds, args.timeout)
        return seed, program, process.run(words, path, program.stdin, limit), limit

    # Programs run `jobs` at a time, in batches, so that the first difference is found by seed
    # order and nothing much is left running when it is.
    seeds = range(args.seed, args.seed + args.fuzz)
    batch = max(1, args.jobs) * 4
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
            for first in range(0, len(seeds), batch):
                for seed, program, actual, limit in pool.map(attempt, seeds[first:first + batch]):
                    if actual.start_error is not None:
                        print(f"the implementation could not be started ({actual.start_error})")
                        return 1
                    if actual.key() != program.expected.key():
                        return report(args, reference, words, scratch, out, seed, program, actual, limit)
        print(f"{args.fuzz} passed, 0 failed")
        return 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
        sys.stdout.flush()
