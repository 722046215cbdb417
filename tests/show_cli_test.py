#!/usr/bin/env python3
"""The command line of poliz-show, and its agreement with poliz on every golden program.

Usage: show_cli_test.py POLIZ_SHOW POLIZ PROGRAMS_DIR MANUAL_PAGE

Options, usage errors and unopenable files are checked one by one. Then every program below
PROGRAMS_DIR is run by poliz and by poliz-show: a listing must fail exactly as poliz's
translation does (or succeed silently on standard error), --plain must give the kind and text
columns of the listing, and a run with --trace=0 must match poliz byte for byte; with --trace=N
only the trace lines may precede poliz's standard error; the stepper's `c` must write what poliz
writes and stop with its error and status.
Last, the sample program, listing, plain listing and trace of the manual page must be what
poliz-show prints.
"""
import os
import re
import subprocess
import sys
import tempfile

from run_programs import golden_programs

USAGE_HEAD = b"Usage: poliz-show [--plain | --native | --trace[=N]] FILE\n"
TRY_HELP = b"Try 'poliz-show --help' for usage.\n"
TRACED_STEPS = 40

failures = []
checks = 0


def run(args, cwd=None, stdin=b""):
    done = subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def expect(name, got, want):
    global checks
    checks += 1
    if got != want:
        failures.append(name)
        print(f"FAIL {name}:\n  expected {want!r}\n  actual   {got!r}")


def usage_error(message):
    return (64, b"", b"poliz-show: " + message + b"\n" + TRY_HELP)


def check_command_line(show, tmp):
    with open(os.path.join(tmp, "p.ppp"), "w") as f:
        f.write("program { write(1); }")
    with open(os.path.join(tmp, "-dash.ppp"), "w") as f:
        f.write("program { }")

    status, out, err = run([show, "--help"], tmp)
    expect("--help prints usage to stdout", (status, out.startswith(USAGE_HEAD), err), (0, True, b""))
    expect("--help names the usage status", b"64 wrong command line" in out, True)
    expect("--help after a file still helps", run([show, "p.ppp", "--help"], tmp), (status, out, err))
    expect("--help before a bad option wins", run([show, "--help", "--bogus"], tmp), (status, out, err))

    expect("unknown option", run([show, "--bogus", "p.ppp"], tmp), usage_error(b"unknown option '--bogus'"))
    expect("unknown short option", run([show, "-t", "p.ppp"], tmp), usage_error(b"unknown option '-t'"))
    expect("options are read before any file is opened", run([show, "missing.ppp", "--x"], tmp),
           usage_error(b"unknown option '--x'"))
    for count in ("", "-1", "2x", "99999999999999999999"):
        expect(f"--trace={count}", run([show, f"--trace={count}", "p.ppp"], tmp),
               usage_error(b"--trace=N needs a number of steps N, not '" + count.encode() + b"'"))
    expect("no file", run([show], tmp), usage_error(b"no source file given"))
    expect("no file after an option", run([show, "--trace"], tmp), usage_error(b"no source file given"))
    expect("two files", run([show, "p.ppp", "q.ppp"], tmp),
           usage_error(b"one source file only, but both 'p.ppp' and 'q.ppp' given"))

    expect("--input without --step", run([show, "--input", "p.ppp", "p.ppp"], tmp),
           usage_error(b"--input goes with --step only"))
    expect("--input without a name", run([show, "--step", "p.ppp", "--input"], tmp),
           usage_error(b"--input needs a file name"))
    expect("--input= without a name", run([show, "--step", "--input=", "p.ppp"], tmp),
           usage_error(b"--input needs a file name"))
    expect("a missing input file is named", run([show, "--step", "--input=none.txt", "p.ppp"], tmp, b"q\n"),
           (1, b"", b"Error: cannot open file 'none.txt'!\n"))
    expect("a directory as input", run([show, "--step", "--input", ".", "p.ppp"], tmp, b"q\n"),
           (1, b"", b"Error: cannot open file '.'!\n"))
    status, out, err = run([show, "--step", "--input", "p.ppp", "p.ppp"], tmp, b"c\nq\n")
    expect("--step --input runs to the end", (status, out.count(b"run to its end"), err), (0, 1, b""))

    expect("-- ends the options", run([show, "--", "-dash.ppp"], tmp), (0, b"", b""))
    expect("options may follow the file", run([show, "p.ppp", "--trace=0"], tmp), run([show, "--trace=0", "p.ppp"], tmp))
    expect("a missing file is named", run([show, "missing.ppp"], tmp),
           (1, b"", b"Error: cannot open file 'missing.ppp'!\n"))
    expect("a missing file is named when tracing", run([show, "--trace", "missing.ppp"], tmp),
           (1, b"", b"Error: cannot open file 'missing.ppp'!\n"))
    expect("a directory", run([show, "."], tmp), (1, b"", b"Error: cannot open file '.'!\n"))


def check_stepper_run(show, program, base, want, tmp):
    """`c` runs the program as poliz does: the same output (shown by `o`), error and status; and
    going back over the whole run gives the variables their first values again."""
    folder, name = os.path.split(os.path.abspath(program))
    data = os.path.abspath(base + ".in")
    if not os.path.exists(data):
        data = os.path.join(tmp, "empty.in")
        open(data, "wb").close()
    status, out, err = run([show, "--step", "--input", data, name], folder, b"p\nc\no\nback 1000000\np\nq\n")
    replies = out.split(b"(step) ")
    shown = replies[3][len(b"o\n"):]
    if b"No earlier step is remembered" not in replies[4]:
        expect(f"--step back to the start {program}", replies[5], replies[1])
    # Left at a runtime error, the stepper ends with poliz's status; stepping back leaves it.
    moved_back = b"back at" in replies[4]
    written = want[1].split(b"successfully!\n", 1)[-1]
    if want[0] == 0:
        written = written[: -len(b"\nMore total congratulations! Your program has runned and worked successfully!\n")]
    expected = written + (b"" if written.endswith(b"\n") else b"\n") if written else b"The program has written nothing yet.\n"
    expect(f"--step c {program}", (status, shown, err), (0 if moved_back else want[0], expected, want[2]))


def plain_from(listing):
    """The plain listing that the annotated one implies: the kind and text columns of each item."""
    items = []
    for line in listing.decode().splitlines():
        if not line.startswith(" "):
            continue
        _, kind, text = line.split(None, 2)
        if kind in ("variable", "constant"):
            text = text.rsplit(None, 1)[0].rstrip()
        items.append(f"{kind} {text}\n")
    return "".join(items).encode()


def check_against_poliz(show, poliz, root, tmp):
    programs = golden_programs(root)[0]
    for program, base in programs:
        folder, name = os.path.split(os.path.abspath(program))
        stdin = b""
        if os.path.exists(base + ".in"):
            with open(base + ".in", "rb") as f:
                stdin = f.read()
        want = run([poliz, name], folder, stdin)
        translated = b"compiled successfully" in want[1]

        status, out, err = run([show, name], folder)
        if translated:
            expect(f"listing {program}", (status, err), (0, b""))
            expect(f"--plain {program}", run([show, "--plain", name], folder), (0, plain_from(out), b""))
        else:
            expect(f"listing {program}", (status, out, err), (want[0], b"", want[2]))

        expect(f"--trace=0 {program}", run([show, "--trace=0", name], folder, stdin), want)

        if translated:
            check_stepper_run(show, program, base, want, tmp)

        status, out, err = run([show, f"--trace={TRACED_STEPS}", name], folder, stdin)
        expect(f"--trace={TRACED_STEPS} {program}", (status, out, err.endswith(want[2])), (want[0], want[1], True))
        steps = [line for line in err.splitlines() if line[:1] == b" " or line[:1].isdigit()]
        expect(f"--trace={TRACED_STEPS} {program} steps", len(steps) <= TRACED_STEPS, True)
    return len(programs)


def check_manual_samples(show, manual, tmp):
    """The first four examples of the manual: a program, its listing, a traced run of it and a
    session of the stepper with it, whose commands follow its prompts."""
    with open(manual, encoding="utf-8") as f:
        blocks = re.findall(r"^\.EX\n(.*?)^\.EE$", f.read(), re.S | re.M)
    unescape = {"\\-": "-", "\\e": "\\", "\\(dq": '"'}
    program, listing, trace, session = (re.sub(r"\\-|\\e|\\\(dq", lambda m: unescape[m.group()], b) for b in blocks[:4])
    command, trace = trace.split("\n", 1)
    with open(os.path.join(tmp, "count.ppp"), "w") as f:
        f.write(program)
    expect("the manual's listing", run([show, "count.ppp"], tmp)[1].decode(), listing)
    expect("the manual's trace command", command, "$ poliz-show --trace=10 count.ppp")
    expect("the manual's trace", run([show, "--trace=10", "count.ppp"], tmp)[2].decode(), trace)
    command, session = session.split("\n", 1)
    commands = "".join(line[len("(step) "):] + "\n" for line in session.splitlines() if line.startswith("(step) "))
    expect("the manual's stepper command", command, "$ poliz-show --step count.ppp")
    expect("the manual's stepper session", run([show, "--step", "count.ppp"], tmp, commands.encode())[1].decode(),
           session)
    plain = re.sub(r"\\-", "-", blocks[next(k for k, b in enumerate(blocks) if b.startswith("operator "))])
    expect("the manual's plain listing", run([show, "--plain", "count.ppp"], tmp)[1].decode()[: len(plain)], plain)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    show, poliz = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        check_command_line(show, tmp)
        check_manual_samples(show, sys.argv[4], tmp)
        if check_against_poliz(show, poliz, sys.argv[3], tmp) == 0:
            failures.append("no golden programs found")
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
