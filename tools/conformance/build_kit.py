#!/usr/bin/env python3
"""Builds the conformance kit: a folder (and a .tar.gz of it) that checks any implementation of
the language against poliz with nothing but Python 3. `make conformance-kit` runs it through the
conformance_kit target; the kit's tests run it into a scratch folder.

Usage: build_kit.py --poliz POLIZ --poliz-show POLIZ_SHOW --out DIR [--tar FILE] [--fuzz-seeds N]

The kit holds every golden program of tests/programs and tests/regressions by area, with its
input and expected streams and status (each run again on POLIZ here: a golden file that poliz
no longer matches stops the build), the programs of tests/explain that end in a lexical, syntax
or semantic error (with what poliz itself writes for them), the plain POLIZ listing of every
program that translates, with each item's source line, poliz's time on every program (from
which the runner derives its time limits), and N generated programs with poliz's results on them.
"""
import argparse
import datetime
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tarfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source folders imported from
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "tests"))
sys.path.insert(0, os.path.join(SOURCE, "tools", "progen"))
sys.path.insert(0, os.path.join(HERE, "kit", "lib"))
import progen  # noqa: E402
from catalogue import AREAS  # noqa: E402
from run_programs import golden_programs  # noqa: E402

# Folders named for an exit status, and the kit's area for each; a program that ends normally
# and reads input is in "reads".
STATUS_AREAS = {"lexical": (1, "lexical"), "syntax": (2, "syntax"), "semantic": (3, "semantic"),
                "runtime": (4, "runtime-errors"), "ok": (0, "programs")}
GOLDEN_ROOTS = (("tests/programs", ""), ("tests/regressions", "regressions/"))
# The explain examples of these folders end in an error that poliz reports; the kit takes their
# programs with poliz's own message and status (the examples' golden files hold --explain's).
EXPLAIN_ROOT, EXPLAIN_AREAS = "tests/explain", ("lexical", "syntax", "semantic")


def run(command, cwd, stdin=b""):
    done = subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def timed_run(command, cwd, stdin=b""):
    """run()'s result and its time in seconds, rounded up to the millisecond."""
    started = time.monotonic()
    result = run(command, cwd, stdin)
    return result, max(0.001, round(time.monotonic() - started + 0.0005, 3))


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def kit_name(root, base, prefix):
    """The area and the kit's name of the program whose golden files are at `base`."""
    parts = os.path.relpath(base, root).split(os.sep)
    status, area = STATUS_AREAS[parts[0]]
    if area == "programs" and os.path.exists(base + ".in"):
        area = "reads"
    return status, area, "/".join([area] + ([prefix.rstrip("/")] if prefix else []) + parts[1:])


def plain_items(show, folder, name):
    """[[item, source line], ...] from the plain listing, the lines taken from the annotated one."""
    status, plain, _ = run([show, "--plain", name], folder)
    _, annotated, _ = run([show, name], folder)
    lines, line = [], 0
    for text in annotated.decode("utf-8", "replace").splitlines():
        if text.startswith("line "):
            line = int(text[len("line "):].split(":", 1)[0])
        elif text.startswith(" "):
            lines.append(line)
    items = plain.decode("utf-8", "replace").splitlines()
    if status != 0 or len(items) != len(lines):
        raise SystemExit(f"{folder}/{name}: the plain and annotated listings do not agree")
    return [[item, number] for item, number in zip(items, lines)]


def add_golden_programs(args, kit):
    entries = []
    for root, prefix in GOLDEN_ROOTS:
        root = os.path.join(SOURCE, root)
        programs, orphans = golden_programs(root)
        if orphans:
            raise SystemExit(f"golden files without a program: {', '.join(orphans)}")
        for program, base in programs:
            status, area, name = kit_name(root, base, prefix)
            target = os.path.join(kit, "programs", *name.split("/"))
            write(target + ".ppp", read(program))
            for suffix in (".in", ".out", ".err", ".args"):
                if os.path.exists(base + suffix):
                    write(target + suffix, read(base + suffix))
            entry = {"name": name, "area": area, "status": status}
            if os.path.exists(base + ".args"):
                entry["args"] = read(base + ".args").decode().split()
            folder, file = os.path.split(target + ".ppp")
            got, entry["time"] = timed_run([args.poliz, *entry.get("args", []), file], folder, read(base + ".in"))
            if got != (status, read(base + ".out"), read(base + ".err")):
                raise SystemExit(f"{program}: poliz no longer gives its golden results; the kit is not built")
            if b"compiled successfully" in got[1]:
                entry["poliz"] = plain_items(args.poliz_show, folder, file)
            entries.append(entry)
    return entries


def add_explain_programs(args, kit, entries):
    """The explain examples that end in an error, but those whose source the kit holds already."""
    sources = {read(os.path.join(kit, "programs", *e["name"].split("/")) + ".ppp") for e in entries}
    added = []
    for area in EXPLAIN_AREAS:
        root = os.path.join(SOURCE, EXPLAIN_ROOT, area)
        for program, _ in golden_programs(root)[0]:
            source = read(program)
            if source in sources:
                continue
            sources.add(source)
            name = "/".join([area, "explain"] + os.path.relpath(program[:-len(".ppp")], root).split(os.sep))
            target = os.path.join(kit, "programs", *name.split("/"))
            write(target + ".ppp", source)
            folder, file = os.path.split(target + ".ppp")
            (status, out, err), seconds = timed_run([args.poliz, file], folder)
            if status != STATUS_AREAS[area][0]:
                raise SystemExit(f"{program}: poliz ends it with status {status}, not the {area} error's")
            for suffix, data in ((".out", out), (".err", err)):
                if data:
                    write(target + suffix, data)
            added.append({"name": name, "area": area, "status": status, "time": seconds})
    return added


def fingerprint(kit, entries):
    """A digest of every program and its expected results: two kits grade alike when it is the same."""
    digest = hashlib.sha256()
    for entry in sorted(entries, key=lambda e: e["name"]):
        digest.update(json.dumps([entry["name"], entry["status"], entry.get("args", [])]).encode())
        for suffix in (".ppp", ".in", ".out", ".err"):
            data = read(os.path.join(kit, "programs", *entry["name"].split("/")) + suffix)
            digest.update(len(data).to_bytes(8, "big") + data)
    return digest.hexdigest()[:12]


def write_catalogue(kit, entries):
    if len({e["name"] for e in entries}) != len(entries):
        raise SystemExit("two golden programs would have the same name in the kit")
    order = {area: i for i, area in enumerate(AREAS)}
    entries.sort(key=lambda e: (order[e["area"]], e["name"]))
    version = f"{fingerprint(kit, entries)} ({datetime.date.today().isoformat()})"
    write(os.path.join(kit, "programs", "catalogue.json"),
          json.dumps({"version": version, "programs": entries}, indent=1).encode())
    return version


def add_generated_programs(args, kit):
    """Seeds 1 to N of the generator with its default sizes, and poliz's results on them."""
    folder = os.path.join(kit, "fuzz")
    os.makedirs(folder, exist_ok=True)
    maker = progen.ProgramMaker(progen.Knobs())
    statuses, times = {}, {}
    for seed in range(1, args.fuzz_seeds + 1):
        program = maker.make(seed)
        base = os.path.join(folder, program.name)
        write(base + ".ppp", program.source.encode())
        write(base + ".in", program.input.encode())
        (status, out, err), times[str(seed)] = timed_run([args.poliz, program.name + ".ppp"], folder,
                                                         program.input.encode())
        write(base + ".out", out)
        write(base + ".err", err)
        statuses[str(seed)] = status
    write(os.path.join(folder, "catalogue.json"), json.dumps(
        {"first": 1, "count": args.fuzz_seeds, "statuses": statuses, "times": times}, indent=1).encode())


def copy_tools(kit):
    shutil.copy(os.path.join(HERE, "kit", "run"), os.path.join(kit, "run"))
    os.chmod(os.path.join(kit, "run"), 0o755)
    shutil.copy(os.path.join(HERE, "kit", "README.md"), os.path.join(kit, "README.md"))
    lib = os.path.join(kit, "lib")
    os.makedirs(lib)
    for name in sorted(os.listdir(os.path.join(HERE, "kit", "lib"))):
        if name.endswith(".py"):
            shutil.copy(os.path.join(HERE, "kit", "lib", name), lib)
    shutil.copy(os.path.join(SOURCE, "tools", "progen", "progen.py"), lib)


def main(argv):
    parser = argparse.ArgumentParser(description="Builds the conformance kit.")
    parser.add_argument("--poliz", required=True)
    parser.add_argument("--poliz-show", required=True)
    parser.add_argument("--out", required=True, help="the kit's folder (replaced)")
    parser.add_argument("--tar", help="also pack the folder as this .tar.gz")
    parser.add_argument("--fuzz-seeds", type=int, default=300, help="generated programs with poliz's results")
    args = parser.parse_args(argv)
    args.poliz, args.poliz_show = os.path.abspath(args.poliz), os.path.abspath(args.poliz_show)
    kit = os.path.abspath(args.out)
    shutil.rmtree(kit, ignore_errors=True)
    os.makedirs(kit)
    copy_tools(kit)
    entries = add_golden_programs(args, kit)
    entries += add_explain_programs(args, kit, entries)
    version = write_catalogue(kit, entries)
    add_generated_programs(args, kit)
    if args.tar:
        with tarfile.open(args.tar, "w:gz") as tar:
            tar.add(kit, arcname=os.path.basename(kit))
    print(f"conformance kit {version}: {kit} ({len(entries)} programs, {args.fuzz_seeds} generated)"
          + (f", packed as {args.tar}" if args.tar else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
