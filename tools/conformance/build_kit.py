#!/usr/bin/env python3
"""Builds the conformance kit: a folder (and a .tar.gz of it) that checks any implementation of
the language against poliz with nothing but Python 3. `make conformance-kit` runs it through the
conformance_kit target; the kit's tests run it into a scratch folder.

Usage: build_kit.py --poliz POLIZ --poliz-show POLIZ_SHOW --out DIR [--tar FILE] [--fuzz-seeds N]

The kit holds every golden program of tests/programs and tests/regressions by area, with its
input and expected streams and status (each run again on POLIZ here: a golden file that poliz
no longer matches stops the build), the plain POLIZ listing of every program that translates,
with each item's source line, and N generated programs with poliz's results on them.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tarfile

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


def run(command, cwd, stdin=b""):
    done = subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


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
            got = run([args.poliz, *entry.get("args", []), file], folder, read(base + ".in"))
            if got != (status, read(base + ".out"), read(base + ".err")):
                raise SystemExit(f"{program}: poliz no longer gives its golden results; the kit is not built")
            if b"compiled successfully" in got[1]:
                entry["poliz"] = plain_items(args.poliz_show, folder, file)
            entries.append(entry)
    if len({e["name"] for e in entries}) != len(entries):
        raise SystemExit("two golden programs would have the same name in the kit")
    order = {area: i for i, area in enumerate(AREAS)}
    entries.sort(key=lambda e: (order[e["area"]], e["name"]))
    write(os.path.join(kit, "programs", "catalogue.json"), json.dumps({"programs": entries}, indent=1).encode())
    return len(entries)


def add_generated_programs(args, kit):
    """Seeds 1 to N of the generator with its default sizes, and poliz's results on them."""
    folder = os.path.join(kit, "fuzz")
    os.makedirs(folder, exist_ok=True)
    maker = progen.ProgramMaker(progen.Knobs())
    statuses = {}
    for seed in range(1, args.fuzz_seeds + 1):
        program = maker.make(seed)
        base = os.path.join(folder, program.name)
        write(base + ".ppp", program.source.encode())
        write(base + ".in", program.input.encode())
        status, out, err = run([args.poliz, program.name + ".ppp"], folder, program.input.encode())
        write(base + ".out", out)
        write(base + ".err", err)
        statuses[str(seed)] = status
    write(os.path.join(folder, "catalogue.json"),
          json.dumps({"first": 1, "count": args.fuzz_seeds, "statuses": statuses}, indent=1).encode())


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
    count = add_golden_programs(args, kit)
    add_generated_programs(args, kit)
    if args.tar:
        with tarfile.open(args.tar, "w:gz") as tar:
            tar.add(kit, arcname=os.path.basename(kit))
    print(f"conformance kit: {kit} ({count} programs, {args.fuzz_seeds} generated)"
          + (f", packed as {args.tar}" if args.tar else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
