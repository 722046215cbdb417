#!/usr/bin/env python3
"""A source given as standard input (/dev/stdin) carries the program's input after its closing
brace: every runner must hand that rest to "read", whether standard input is a pipe or a regular
file (which the system opens anew at its start), and must keep standard input as the input when
the source is another file. (A FIFO behaves as the pipe does once both ends are open; opening
/dev/stdin anew waits for a writer, which a test cannot time without a race.)

Usage: stdin_source_test.py POLIZ POLIZ_REFERENCE POLIZ_SHOW"""
import os
import subprocess
import sys
import tempfile

COMPILED = b"\nTotal congratulations! Your program has compiled successfully!\n"
FINISHED = b"\nMore total congratulations! Your program has runned and worked successfully!\n"

ECHO = b"program{int x; string s; read(x); read(s); write(x + 1, \"|\", s);}\n41 rest of line\n"
ECHO_OUT = COMPILED + b"42| rest of line" + FINISHED

# More input than one chunk of the source reader (64 KiB), so that "read" goes on past what the
# translation had read.
COUNT = 40000  # 80,000 bytes of input
SUM = (b"program{int n, x, s; s = 0; read(n);\n"
       b"while (n > 0) { read(x); s = s + x; n = n - 1; } write(s);}"
       + b"%d\n" % COUNT + b"3\n" * COUNT)
SUM_OUT = COMPILED + b"%d" % (3 * COUNT) + FINISHED

# The input ends before the second read: nothing beyond the brace may be made up or lost.
SHORT = b"program{int x, y; read(x); read(y); write(x + y);}\n5\n"
SHORT_ERR = b"Runtime error: Unexpected end of input for 'y'!\n"


def runners(poliz, reference, show):
    return {"poliz": [poliz], "poliz_reference": [reference],
            "poliz-show --trace=0": [show, "--trace=0"], "poliz-show --explain": [show, "--explain"]}


def by_pipe(command, source, tmp):
    return subprocess.run(command + ["/dev/stdin"], input=source, capture_output=True, timeout=60)


def by_regular_file(command, source, tmp):
    path = os.path.join(tmp, "source.ppp")
    with open(path, "wb") as f:
        f.write(source)
    with open(path, "rb") as stdin:
        return subprocess.run(command + ["/dev/stdin"], stdin=stdin, capture_output=True, timeout=60)


def main():
    poliz, reference, show = sys.argv[1:4]
    failures = 0
    checks = 0

    def expect(name, run, out, err, status):
        nonlocal failures, checks
        checks += 1
        if run.returncode != status or run.stdout != out or not run.stderr.startswith(err):
            failures += 1
            print(f"FAIL {name}: status {run.returncode}\n  stdout {run.stdout[:200]!r}\n  stderr {run.stderr[:400]!r}")

    with tempfile.TemporaryDirectory() as tmp:
        for runner, command in runners(poliz, reference, show).items():
            for way in (by_pipe, by_regular_file):
                name = f"{runner} {way.__name__}"
                expect(name + " echo", way(command, ECHO, tmp), ECHO_OUT, b"", 0)
                expect(name + " sum", way(command, SUM, tmp), SUM_OUT, b"", 0)
                expect(name + " short", way(command, SHORT, tmp), COMPILED, SHORT_ERR, 4)
            # A source named by its path leaves standard input to the program, and what follows
            # the brace in the file is no input.
            path = os.path.join(tmp, "named.ppp")
            with open(path, "wb") as f:
                f.write(ECHO)
            run = subprocess.run(command + [path], input=b"1 from stdin\n", capture_output=True, timeout=60)
            expect(runner + " named source", run, COMPILED + b"2| from stdin" + FINISHED, b"", 0)
    print(f"{checks - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
