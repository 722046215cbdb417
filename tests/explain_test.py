#!/usr/bin/env python3
"""poliz-show --explain against poliz on every golden program, and the VS Code problem matcher
against what --explain prints.

Usage: explain_test.py POLIZ_SHOW POLIZ PROGRAMS_DIR VSCODE_PACKAGE_JSON MANUAL

For each NAME.ppp below PROGRAMS_DIR (with NAME.in as standard input), --explain must give
poliz's standard output and exit status, and its standard error must begin with poliz's
message. After a message it prints FILE:LINE:COL: error: TEXT (a line within the file), the
numbered source line, a caret line, at most one hint, and a note when the message names another
line; the matcher of the VS Code extension must read the file, line, column and message from the first of them. Last, the example in the
EXPLAIN section of the manual page MANUAL must be what poliz-show prints.
"""
import json
import os
import re
import subprocess
import sys
import tempfile

from run_programs import read  # the golden runner beside this script; absent file reads as empty

TIMEOUT_SECONDS = 120
failures = []


def run(command, folder, stdin):
    done = subprocess.run(command, cwd=folder, input=stdin, capture_output=True, timeout=TIMEOUT_SECONDS)
    return done.returncode, done.stdout, done.stderr


def check_explanation(program, name, err_lines, source_lines, matcher):
    location = err_lines[1].decode("utf-8", "replace")
    found = matcher.match(location)
    if not found:
        return f"{program}: the problem matcher does not read {location!r}"
    file, line, column, severity = found.group(1), int(found.group(2)), int(found.group(3)), found.group(4)
    if file != name or severity != "error" or not 1 <= line <= max(len(source_lines), 1) or column < 1:
        return f"{program}: wrong location {location!r}"
    if not re.match(rb"^ *\d+ \| ", err_lines[2]) or not re.match(rb"^ *\| [ \t]*\^$", err_lines[3]):
        return f"{program}: no source line and caret after {location!r}"
    rest = err_lines[4:]
    if rest and rest[0].startswith(b"hint: "):
        rest = rest[1:]
    if len(rest) > 1 or (rest and not rest[0].startswith(b"note: the message names line ")):
        return f"{program}: unexpected lines after the caret: {rest!r}"
    return None


def check_manual_example(show, manual):
    """The .EX block that runs --explain, on the program in the block before it."""
    with open(manual, encoding="utf-8") as f:
        blocks = re.findall(r"^\.EX\n(.*?)^\.EE$", f.read().replace("\\-", "-"), re.S | re.M)
    index = next(k for k, block in enumerate(blocks) if block.startswith("$ poliz-show --explain "))
    command, expected = blocks[index].split("\n", 1)
    name = command.split()[-1]
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, name), "w") as f:
            f.write(blocks[index - 1])
        _, _, err = run([show, "--explain", name], tmp, b"")
    if err.decode() != expected:
        failures.append(f"the manual's example differs from what --explain prints:\n{err.decode()}")


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    show, poliz, root, package, manual = (os.path.abspath(a) for a in sys.argv[1:])
    with open(package) as f:
        pattern = json.load(f)["contributes"]["problemMatchers"][0]["pattern"]
    matcher = re.compile(pattern["regexp"])
    assert (pattern["file"], pattern["line"], pattern["column"], pattern["severity"]) == (1, 2, 3, 4)
    programs = sorted(
        os.path.join(d, f) for d, _, files in os.walk(root) for f in files if f.endswith(".ppp")
    )
    explained = 0
    for program in programs:
        folder, name = os.path.split(program)
        stdin = read(program[: -len(".ppp")] + ".in")
        status, out, err = run([poliz, name], folder, stdin)
        x_status, x_out, x_err = run([show, "--explain", name], folder, stdin)
        if (x_status, x_out) != (status, out) or not x_err.startswith(err):
            failures.append(f"{program}: --explain gives status {x_status} and other output than poliz")
            continue
        if status == 0:
            if x_err:
                failures.append(f"{program}: --explain writes to standard error after a successful run")
            continue
        explained += 1
        problem = check_explanation(program, name, x_err.split(b"\n")[:-1], read(program).split(b"\n"), matcher)
        if problem:
            failures.append(problem)
    check_manual_example(show, manual)
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(programs)} programs, {explained} errors explained, {len(failures)} failed")
    return 1 if failures or explained == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
