#!/usr/bin/env python3
"""Command-line behaviour of the interpreter: the default file, extra arguments, unopenable files.

Usage: cli_test.py POLIZ
"""
import os
import select
import subprocess
import sys
import tempfile

FRAME = (
    b"\nTotal congratulations! Your program has compiled successfully!\n"
    b"\nMore total congratulations! Your program has runned and worked successfully!\n"
)

failures = []


def check(name, args, cwd, want_status, want_out=b"", want_err=b""):
    run = subprocess.run(args, cwd=cwd, capture_output=True, stdin=subprocess.DEVNULL, timeout=60)
    got = (run.returncode, run.stdout, run.stderr)
    want = (want_status, want_out, want_err)
    if got != want:
        failures.append(name)
        print(f"FAIL {name}:\n  expected {want!r}\n  actual   {got!r}")


def prompt_is_visible_before_read(poliz, tmp):
    """What write printed reaches the console before read waits for input."""
    path = os.path.join(tmp, "prompt.ppp")
    with open(path, "w") as f:
        f.write('program { int x; write("Number? "); read(x); write("twice: ", x * 2); }')
    proc = subprocess.Popen([poliz, path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seen = b""
    while b"Number? " not in seen:
        ready, _, _ = select.select([proc.stdout], [], [], 10)
        chunk = os.read(proc.stdout.fileno(), 4096) if ready else b""
        if not chunk:
            break
        seen += chunk
    out, _ = proc.communicate(b"21\n", timeout=60)
    if b"Number? " not in seen or not (seen + out).endswith(b"twice: 42" + FRAME[FRAME.index(b"\nMore"):]):
        failures.append("prompt before read")
        print(f"FAIL prompt before read: saw {seen!r} before input, then {out!r}")


def main():
    poliz = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "proga1.ppp"), "w") as f:
            f.write("program { }")
        with open(os.path.join(tmp, "other.ppp"), "w") as f:
            f.write("program { int a; a = }")
        check("no argument reads proga1.ppp", [poliz], tmp, 0, FRAME)
        check("first argument names the file", [poliz, "other.ppp"], tmp, 2, b"",
              b"Syntax error (line 1): Constant is expexted but '}' found!\n")
        check("further arguments are ignored", [poliz, "proga1.ppp", "other.ppp", "-x"], tmp, 0, FRAME)
        check("missing file", [poliz, "missing.ppp"], tmp, 1, b"", b"Error: cannot open file 'missing.ppp'!\n")
        check("a directory", [poliz, "."], tmp, 1, b"", b"Error: cannot open file '.'!\n")
        long_name = "x" * 300 + ".ppp"
        check("a long missing name is given whole", [poliz, long_name], tmp, 1, b"",
              b"Error: cannot open file '" + long_name.encode() + b"'!\n")
        os.remove(os.path.join(tmp, "proga1.ppp"))
        check("missing default file", [poliz], tmp, 1, b"", b"Error: cannot open file 'proga1.ppp'!\n")
        os.mkdir(os.path.join(tmp, "deep"))
        with open(os.path.join(tmp, "deep", "p.ppp"), "w") as f:
            f.write("program { }")
        check("a relative path", [poliz, "deep/p.ppp"], tmp, 0, FRAME)
        prompt_is_visible_before_read(poliz, tmp)
    print(f"{9 - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
