#!/usr/bin/env python3
"""poliz-show whatever it is fed: every mode on a FIFO whose writer is gone and on a pipe given
as /dev/stdin, every mode writing to a full device, modes that contradict each other, the
largest --trace count, the colours of --explain, a trace sharing its terminal with the program's output, and the
stepper's memory on a loop that
appends to a string and its input at a terminal.

Usage: show_robustness_test.py POLIZ_SHOW POLIZ [--sanitized]
"""
import os
import pty
import re
import resource
import select
import subprocess
import sys
import tempfile
import threading
import time

TIMEOUT = 20
PROGRAM = b"program {\n    int a = 2;\n    write(a * 3);\n}\n"
BROKEN = b"program {\n    int a, b\n    a = 1;\n}\n"
STEP_COMMANDS = b"s\nc\nq\n"
MODES = [[], ["--plain"], ["--trace"], ["--trace=2"], ["--explain"], ["--step"]]

failures = []


def expect(name, got, want):
    if got != want:
        failures.append(name)
        print(f"FAIL {name}:\n  expected {want!r}\n  actual   {got!r}")


def run(args, stdin=b"", **kwargs):
    done = subprocess.run(args, input=stdin, capture_output=True, timeout=TIMEOUT, **kwargs)
    return done.returncode, done.stdout, done.stderr


def through_fifo(show, mode, tmp, text):
    """Runs poliz-show on a FIFO that a writer fills and closes; the result, or None on a hang."""
    fifo = os.path.join(tmp, "prog.ppp")
    if os.path.exists(fifo):
        os.unlink(fifo)
    os.mkfifo(fifo)

    def write():
        with open(fifo, "wb") as f:
            f.write(text)

    writer = threading.Thread(target=write)
    writer.start()
    try:
        return run([show, *mode, fifo], STEP_COMMANDS)
    except subprocess.TimeoutExpired:
        return None
    finally:
        writer.join(TIMEOUT)


def check_sources(show, poliz, tmp):
    path = os.path.join(tmp, "file.ppp")
    for text in (PROGRAM, BROKEN):
        with open(path, "wb") as f:
            f.write(text)
        for mode in MODES:
            name = " ".join(mode) or "listing"
            # The file's name differs in the explanation; the rest must be alike.
            want = run([show, *mode, path], STEP_COMMANDS)
            got = through_fifo(show, mode, tmp, text)
            fifo = os.path.join(tmp, "prog.ppp").encode()
            expect(f"{name} on a FIFO", got and (got[0], got[1], got[2].replace(fifo, path.encode())), want)
            if mode != ["--step"]:
                piped = run([show, *mode, "/dev/stdin"], text)
                expect(f"{name} on /dev/stdin", (piped[0], piped[1], piped[2].replace(b"/dev/stdin", path.encode())), want)
        expect("poliz and --explain agree on /dev/stdin",
               run([show, "--explain", "/dev/stdin"], text)[:2], run([poliz, "/dev/stdin"], text)[:2])
    # The stepper's commands follow a program given on standard input.
    status, out, _ = run([show, "--step", "/dev/stdin"], PROGRAM + STEP_COMMANDS)
    expect("--step on /dev/stdin runs to the end", (status, b'output: "6"' in out), (0, True))


def check_full_device(show, tmp):
    path = os.path.join(tmp, "file.ppp")
    with open(path, "wb") as f:
        f.write(PROGRAM)
    with open("/dev/full", "wb") as full:
        for mode in MODES + [["--help"]]:
            done = subprocess.run([show, *mode, path], input=STEP_COMMANDS, stdout=full,
                                  stderr=subprocess.DEVNULL, timeout=TIMEOUT)
            expect(f"{' '.join(mode) or 'listing'} to a full standard output", done.returncode, 5)
        done = subprocess.run([show, "--trace", path], stdout=subprocess.DEVNULL, stderr=full, timeout=TIMEOUT)
        expect("a trace to a full standard error", done.returncode, 5)


def check_command_line(show, tmp):
    path = os.path.join(tmp, "file.ppp")
    for first, second in (["--trace", "--explain"], ["--explain", "--trace=3"], ["--step", "--plain"],
                          ["--plain", "--trace"]):
        status, out, err = run([show, first, second, path])
        want = f"poliz-show: '{first.split('=')[0]}' and '{second.split('=')[0]}' cannot be combined\n"
        expect(f"{first} with {second}", (status, out, err.split(b"\n")[0] + b"\n"), (64, b"", want.encode()))
    status, _, err = run([show, "--trace=9223372036854775807", path])
    expect("--trace=2^63-1 traces the whole run", (status, err.count(b"\n") > 5), (0, True))
    status, _, err = run([show, "--trace=9223372036854775808", path])
    expect("--trace=2^63 is refused", status, 64)
    expect("--color needs --explain", run([show, "--color=always", path])[0], 64)


def check_colour(show, tmp):
    path = os.path.join(tmp, "broken.ppp")
    with open(path, "wb") as f:
        f.write(BROKEN)
    plain = run([show, "--explain", path])[2]
    expect("no colour into a pipe", b"\x1b[" in plain, False)
    coloured = run([show, "--explain", "--color=always", path])[2]
    expect("--color=always colours the error red", b"\x1b[1;31merror:\x1b[0m" in coloured, True)
    expect("--color=always colours the hint cyan", b"\x1b[1;36mhint:\x1b[0m" in coloured, True)
    # On a terminal, colour unless NO_COLOR is set and not empty.
    for env, want in ((None, True), ("1", False), ("", True)):
        environment = dict(os.environ)
        environment.pop("NO_COLOR", None)
        if env is not None:
            environment["NO_COLOR"] = env
        leader, follower = pty.openpty()
        subprocess.run([show, "--explain", path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=follower, env=environment, timeout=TIMEOUT)
        os.close(follower)
        text = b""
        try:
            while chunk := os.read(leader, 4096):
                text += chunk
        except OSError:
            pass
        os.close(leader)
        expect(f"colour on a terminal with NO_COLOR={env!r}", b"\x1b[1;31m" in text, want)
    expect("--color=never on a terminal", b"\x1b[" in run([show, "--explain", "--color=never", path])[2], False)


GROWING = b"""program {
    string s = "";
    int i = 0;
    while (i < 3000) {
        s = s + "%s";
        i = i + 1;
    }
    write(i);
}
""" % (b"x" * 200)


def check_stepper_memory(show, tmp, sanitized):
    """A loop that appends to a string: the stepper keeps what each step changed, not copies of
    the string, and stepping back still gives every value back. Under the sanitizers, whose
    quarantine alone holds up to 256 MiB of freed memory, the peak is not measured."""
    path = os.path.join(tmp, "growing.ppp")
    with open(path, "wb") as f:
        f.write(GROWING)
    commands = b"c\nback 5000\np i\np s\nback 100000\nc\nq\n"
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    done = subprocess.run([show, "--step", path], input=commands, capture_output=True, timeout=10 * TIMEOUT)
    peak_mib = max(before, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss) / 1024
    replies = done.stdout.split(b"(step) ")
    expect("the stepper ends the growing loop", done.returncode, 0)
    # Back inside the loop, s holds 200 x for each turn done, or for one more.
    turns = int(replies[3].split(b"=")[1].split(b":")[0])
    value = replies[4].split(b"\n")[1]
    expect("s as it was, after stepping back", value in (b's="%s":string' % (b"x" * 200 * n) for n in (turns, turns + 1)), True)
    expect("back to the start, then to the end again", done.stdout.count(b'output: "3000"'), 2)
    forgotten = b"older ones were forgotten" in done.stdout or b"only the last" in done.stdout
    expect("forgotten steps are said to be forgotten", forgotten, True)
    if sanitized:
        print("note: built with the sanitizers; the stepper's peak memory is not measured")
    elif peak_mib > 400:
        failures.append("stepper memory")
        print(f"FAIL the stepper peaked at {peak_mib:.0f} MiB on a loop that appends to a string")


def check_trace_on_terminal(show, tmp):
    """With the program's output and the trace on one terminal, a write's text does not push the
    next trace line out of its columns; the trace line of the write shows the text."""
    path = os.path.join(tmp, "writes.ppp")
    with open(path, "wb") as f:
        f.write(b'program {\n    write("ab");\n    write(1);\n}\n')
    leader, follower = pty.openpty()
    subprocess.run([show, "--trace", path], stdin=subprocess.DEVNULL, stdout=follower, stderr=follower,
                   timeout=TIMEOUT)
    os.close(follower)
    text = b""
    try:
        while chunk := os.read(leader, 4096):
            text += chunk
    except OSError:
        pass
    os.close(leader)
    lines = text.replace(b"\r\n", b"\n").split(b"\n")
    expect("the write's line shows its output", any(b'write  []  output "ab"' in line for line in lines), True)
    items = [line for line in lines if b"  operator  " in line or b"  constant  " in line]
    in_columns = all(re.match(rb"^ +\d+  (operator|constant) ", line) for line in items)
    expect("every trace line starts in its column", (len(items), in_columns), (8, True))


def terminal_session(show, program, typed):
    """poliz-show --step at a terminal: each line typed after the output has settled."""
    leader, follower = pty.openpty()
    process = subprocess.Popen([show, "--step", program], stdin=follower, stdout=follower, stderr=follower)
    os.close(follower)
    text = b""

    def drain(seconds):
        nonlocal text
        end = time.time() + seconds
        while time.time() < end:
            ready, _, _ = select.select([leader], [], [], 0.05)
            if ready:
                try:
                    text += os.read(leader, 4096)
                except OSError:
                    return

    drain(1)
    for line in typed:
        os.write(leader, line)
        drain(0.5)
    process.wait(timeout=TIMEOUT)
    drain(0.2)
    os.close(leader)
    return process.returncode, text.replace(b"\r\n", b"\n")


def check_stepper_at_terminal(show, tmp):
    """A wrong number typed at the input prompt is asked for again; Ctrl-D there ends the
    program's input, not the session; restart reads the same input again."""
    path = os.path.join(tmp, "asks.ppp")
    with open(path, "wb") as f:
        f.write(b"program {\n    int a;\n    string s;\n    read(a);\n    write(a * 2);\n    read(s);\n}\n")
    status, text = terminal_session(show, path, [b"c\n", b"x1\n", b"21\n", b"\x04", b"p a\n", b"r\n", b"c\n", b"q\n"])
    expect("a wrong number is asked for again", b"Invalid input for 'a': type it again.\ninput for a> 21" in text, True)
    expect("Ctrl-D ends the input only", b"The program's input has ended." in text and b"a=21:int" in text, True)
    expect("restart gives the same input again", text.count(b'output: "42"'), 2)
    expect("the session ends at the error, as poliz would", status, 4)
    # Where the build has line editing, the up arrow brings back the last command.
    linked = subprocess.run(["ldd", show], capture_output=True).stdout
    if b"libedit" in linked:
        _, text = terminal_session(show, path, [b"p a\n", b"\x1b[A\n", b"q\n"])
        expect("the up arrow repeats the last command", text.count(b"a=?:int"), 2)
    else:
        print("note: poliz-show is built without libedit; line editing is not checked")


def main():
    # CTest passes an empty word where the build has no sanitizers.
    args = [a for a in sys.argv[1:] if a]
    sanitized = args[2:] == ["--sanitized"]
    if len(args) != 2 + sanitized:
        raise SystemExit(__doc__)
    show, poliz = (os.path.abspath(a) for a in args[:2])
    with tempfile.TemporaryDirectory() as tmp:
        check_sources(show, poliz, tmp)
        check_full_device(show, tmp)
        check_command_line(show, tmp)
        check_colour(show, tmp)
        check_trace_on_terminal(show, tmp)
        check_stepper_memory(show, tmp, sanitized)
        check_stepper_at_terminal(show, tmp)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
