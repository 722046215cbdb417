#!/usr/bin/env python3
"""The interpreter in hostile surroundings, one group of cases per ctest test:

output   standard output that refuses what is written (a full device, a closed descriptor, a
         pipe whose reader has gone while the broken-pipe signal is ignored): one message and
         status 5, for poliz and poliz-show alike, and what was written first stays written;
sources  endless sources, a slow one whose writer stays open, an unreadable one;
memory   sources larger than the address space allowed (ulimit -v);
stack    nesting under small stack limits (ulimit -s 1024 and 512).

Usage: environment_test.py GROUP POLIZ POLIZ-SHOW [--sanitized]
Exits 77 (skipped) where a group cannot be set up; the sanitizers reserve terabytes of address
space, so the memory group is skipped under them.
"""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import threading
import time

FRAME_TOP = b"\nTotal congratulations! Your program has compiled successfully!\n"
FRAME_END = b"\nMore total congratulations! Your program has runned and worked successfully!\n"
LOST = b"Error: cannot write to standard output!\n"
SKIP = 77
TIMEOUT = 60

failures = []
passed = 0


def ok(output):
    return FRAME_TOP + output + FRAME_END


def expect(name, got, want):
    """got and want are (status, stdout, stderr); None in want accepts anything."""
    global passed
    if all(w is None or g == w for g, w in zip(got, want)):
        passed += 1
        return
    failures.append(name)
    shown = tuple(g[:200] if isinstance(g, bytes) else g for g in got)
    print(f"FAIL {name}:\n  expected {want!r}\n  actual   {shown!r}")


def source(tmp, name, text):
    path = os.path.join(tmp, name)
    with open(path, "wb") as f:
        f.write(text)
    return path


def run(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, preexec_fn=None):
    proc = subprocess.run(args, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                          preexec_fn=preexec_fn, timeout=TIMEOUT)
    return proc.returncode, proc.stdout, proc.stderr


def limit(kind, kilobytes):
    return lambda: resource.setrlimit(kind, (kilobytes * 1024, kilobytes * 1024))


def output_group(poliz, show, tmp):
    if not os.path.exists("/dev/full"):
        return SKIP
    hi = source(tmp, "hi.ppp", b'program { write("hi"); }')
    fails = source(tmp, "fails.ppp", b'program { int a; write("before"); a = 1 / 0; }')
    endless = source(tmp, "yes.ppp", b'program { while (1) write("y"); }')
    with open("/dev/full", "wb") as full:
        expect("full device", run([poliz, hi], stdout=full), (5, None, LOST))
        # Output lost ahead of a runtime error is the failure that counts.
        expect("full device, then a runtime error", run([poliz, fails], stdout=full), (5, None, LOST))
        expect("poliz-show listing on a full device", run([show, hi], stdout=full), (5, None, LOST))
    close_output = lambda: os.close(1)
    expect("closed standard output", run([poliz, hi], preexec_fn=close_output), (5, None, LOST))
    expect("poliz-show trace to a closed output", run([show, "--trace", hi], preexec_fn=close_output),
           (5, None, LOST))

    # An endless writer into a reader that leaves: the first failed write ends the run.
    ignore_pipe = lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)
    with open(os.path.join(tmp, "err"), "w+b") as err:
        proc = subprocess.Popen([poliz, endless], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=err, preexec_fn=ignore_pipe)
        seen = proc.stdout.read(len(FRAME_TOP) + 10)
        proc.stdout.close()
        try:
            status = proc.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            proc.kill()
            status = proc.wait()
        err.seek(0)
        expect("broken pipe, signal ignored", (status, seen, err.read()), (5, FRAME_TOP + b"y" * 10, LOST))


def sources_group(poliz, show, tmp):
    expect("endless NULs", run([poliz, "/dev/zero"]), (1, b"", b"Error (line 1): unresolved symbol \x00\n"))
    yes = subprocess.Popen(["yes"], stdout=subprocess.PIPE)
    try:
        expect("endless lines from a pipe", run([poliz, "/dev/stdin"], stdin=yes.stdout),
               (2, b"", b"Syntax error (line 1): Syntax error after 'program'!\n"))
    finally:
        yes.kill()
        yes.wait()
        yes.stdout.close()

    # The text arrives in two parts and its writer stays open: the program is translated and
    # run from what has arrived, without waiting for the end of the source.
    fifo = os.path.join(tmp, "fifo")
    os.mkfifo(fifo)
    done = threading.Event()

    def writer():
        with open(fifo, "wb", buffering=0) as f:
            f.write(b"program { int a;\n a = 6")
            time.sleep(0.3)
            f.write(b" * 7; write(a); }")
            done.wait(TIMEOUT)

    thread = threading.Thread(target=writer)
    thread.start()
    try:
        expect("a slow source whose writer stays open", run([poliz, fifo]), (0, ok(b"42"), b""))
    finally:
        done.set()
        thread.join()

    if os.path.exists("/proc/self/mem"):  # opens, but reading it at its start fails
        expect("a source that cannot be read", run([poliz, "/proc/self/mem"]),
               (1, b"", b"Error: cannot read file '/proc/self/mem'!\n"))


def feed(proc, head, size, tail):
    """Writes head, size bytes of 'x' and tail to the process's input, stopping if it leaves."""
    chunk = b"x" * (1 << 20)
    try:
        proc.stdin.write(head)
        for _ in range(size // len(chunk)):
            proc.stdin.write(chunk)
        proc.stdin.write(tail)
        proc.stdin.close()
    except BrokenPipeError:
        pass


def run_fed(poliz, head, size, tail, preexec_fn):
    proc = subprocess.Popen([poliz, "/dev/stdin"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, preexec_fn=preexec_fn)
    thread = threading.Thread(target=feed, args=(proc, head, size, tail))
    thread.start()
    # Both outputs are short; the feeder owns the input, which communicate() would close.
    out, err = proc.stdout.read(), proc.stderr.read()
    thread.join()
    return proc.wait(timeout=TIMEOUT), out, err


def memory_group(poliz, show, tmp, sanitized):
    if sanitized:
        print("SKIP: the sanitizers cannot run under an address-space limit")
        return SKIP
    # 300 MB of source under a 200 MB address space: a valid program is read as it goes and
    # runs; a string constant too long to hold ends in the one out-of-memory message.
    small = limit(resource.RLIMIT_AS, 200_000)
    size = 300 << 20
    expect("a 300 MB comment in 200 MB", run_fed(poliz, b"program { /*", size, b'*/ write("end"); }', small),
           (0, ok(b"end"), b""))
    expect("a 300 MB string constant in 200 MB", run_fed(poliz, b'program { write("', size, b'"); }', small),
           (5, b"", b"Error: out of memory!\n"))


def stack_group(poliz, show, tmp):
    depth_ok, depth_deep = 1000, 5000
    nested = lambda depth: b"program { int a; a = " + b"(" * depth + b"7" + b")" * depth + b"; write(a); }"
    blocks = lambda depth: b"program { " + b"{" * depth + b'write("in");' + b"}" * depth + b" }"
    deep_ok = source(tmp, "ok.ppp", nested(depth_ok))
    blocks_ok = source(tmp, "blocks.ppp", blocks(depth_ok))
    too_deep = source(tmp, "deep.ppp", nested(depth_deep))
    blocks_deep = source(tmp, "blocks_deep.ppp", blocks(depth_deep))
    message = b"Syntax error (line 1): Nesting is too deep!\n"
    for kilobytes in (1024, 512):
        small = limit(resource.RLIMIT_STACK, kilobytes)
        expect(f"{depth_ok} parentheses, {kilobytes} KB stack", run([poliz, deep_ok], preexec_fn=small),
               (0, ok(b"7"), b""))
        expect(f"{depth_ok} nested blocks, {kilobytes} KB stack", run([poliz, blocks_ok], preexec_fn=small),
               (0, ok(b"in"), b""))
        expect(f"{depth_deep} parentheses, {kilobytes} KB stack", run([poliz, too_deep], preexec_fn=small),
               (2, b"", message))
        expect(f"{depth_deep} nested blocks, {kilobytes} KB stack", run([poliz, blocks_deep], preexec_fn=small),
               (2, b"", message))
        expect(f"poliz-show, {depth_ok} parentheses, {kilobytes} KB stack",
               run([show, deep_ok], preexec_fn=small), (0, None, b""))


def main():
    group, poliz, show = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    sanitized = "--sanitized" in sys.argv[4:]
    with tempfile.TemporaryDirectory() as tmp:
        if group == "output":
            result = output_group(poliz, show, tmp)
        elif group == "sources":
            result = sources_group(poliz, show, tmp)
        elif group == "memory":
            result = memory_group(poliz, show, tmp, sanitized)
        elif group == "stack":
            result = stack_group(poliz, show, tmp)
        else:
            print(f"unknown group {group}")
            return 2
    if result == SKIP:
        return SKIP
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
