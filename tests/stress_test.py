#!/usr/bin/env python3
"""Stress programs too large to keep as files: each is generated, run, and must end in its
correct result or its one message, never a crash or a hang.

Usage: stress_test.py POLIZ [--timing] [--memory]

--timing also measures how translation time grows with the number of distinct identifiers
and constants (the tables' hash clusters such names) and prints the figures.
--memory also prints the peak memory per POLIZ item of a 25 MB program, for translation alone
and for a whole run.
"""
import os
import random
import subprocess
import sys
import tempfile
import time

FRAME_TOP = b"\nTotal congratulations! Your program has compiled successfully!\n"
FRAME_END = b"\nMore total congratulations! Your program has runned and worked successfully!\n"
TIMEOUT = 300

failures = []
passed = 0


def run(poliz, source, stdin=b"", tmp="."):
    path = os.path.join(tmp, "stress.ppp")
    with open(path, "wb") as f:
        f.write(source)
    started = time.monotonic()
    proc = subprocess.run([poliz, path], input=stdin, capture_output=True, timeout=TIMEOUT)
    return proc.returncode, proc.stdout, proc.stderr, time.monotonic() - started


def expect(name, result, status, out=None, err=None):
    global passed
    got_status, got_out, got_err, _ = result
    problems = []
    if got_status != status:
        problems.append(f"exit status {got_status}, expected {status}")
    if out is not None and got_out != out:
        problems.append(f"stdout {got_out[:200]!r}... ({len(got_out)} bytes) differs from expected ({len(out)} bytes)")
    if err is not None and got_err != err:
        problems.append(f"stderr {got_err[:300]!r}, expected {err[:300]!r}")
    if problems:
        failures.append(name)
        print(f"FAIL {name}: " + "; ".join(problems))
    else:
        passed += 1


def ok(output):
    return FRAME_TOP + output + FRAME_END


def deep_nesting(poliz, tmp):
    depth = 1_000_000
    too_deep = b"Syntax error (line 1): Nesting is too deep!\n"
    expect("a million parentheses", run(poliz, b"program { int a; a = " + b"(" * depth + b"1" + b")" * depth + b"; }", tmp=tmp), 2, b"", too_deep)
    expect("a million prefix minuses", run(poliz, b"program { int a; a = " + b"-" * depth + b"1; }", tmp=tmp), 2, b"", too_deep)
    expect("a million nots", run(poliz, b"program { int a; a = " + b"not " * depth + b"1; }", tmp=tmp), 2, b"", too_deep)
    expect("a million braces", run(poliz, b"program { " + b"{" * depth + b"}" * depth + b" }", tmp=tmp), 2, b"", too_deep)
    expect("a million nested ifs", run(poliz, b"program { " + b"if (1) " * depth + b"; }", tmp=tmp), 2, b"", too_deep)
    expect("a million nested whiles", run(poliz, b"program { " + b"while (0) " * depth + b"; }", tmp=tmp), 2, b"", too_deep)
    # Nesting that stays within the limit still translates and runs.
    depth = 200
    expect("moderate nesting runs", run(poliz, b"program { int a; a = " + b"(" * depth + b"7" + b")" * depth + b"; write(a); }", tmp=tmp), 0, ok(b"7"))


def odd_bytes(poliz, tmp):
    rng = random.Random(20261207)
    for i in range(20):
        noise = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 4000)))
        status, out, err, _ = run(poliz, noise, tmp=tmp)
        name = f"random bytes #{i}"
        if status not in (1, 2, 3) or out != b"" or err.count(b"\n") < 1 or not err.endswith(b"\n"):
            failures.append(name)
            print(f"FAIL {name}: status {status}, stdout {out[:100]!r}, stderr {err[:200]!r}")
        else:
            global passed
            passed += 1
    high = bytes(range(128, 256))
    expect("bytes above 127 in a string constant", run(poliz, b'program { write("' + high + b'"); }', tmp=tmp), 0, ok(high))
    expect("a byte above 127 outside strings", run(poliz, b"program {\n int a\xc3; }", tmp=tmp), 1, b"", b"Error (line 2): unresolved symbol \xc3\n")
    expect("a NUL byte", run(poliz, b"program { int a;\x00 }", tmp=tmp), 1, b"", b"Error (line 1): unresolved symbol \x00\n")
    expect("a NUL byte inside a string", run(poliz, b'program { write("a\x00b"); }', tmp=tmp), 0, ok(b"a\x00b"))


def huge_lexemes(poliz, tmp):
    text = b"x" * (10 * 1024 * 1024)
    expect("a 10-megabyte string constant", run(poliz, b'program { string s = "' + text + b'"; write(s); }', tmp=tmp), 0, ok(text))
    name = b"v" * (1024 * 1024)
    expect("a 1-megabyte identifier", run(poliz, b"program { int " + name + b"; " + name + b" = 41; write(" + name + b" + 1); }", tmp=tmp), 0, ok(b"42"))
    line = b"y" * (10 * 1024 * 1024)
    expect("read of a 10-megabyte line", run(poliz, b"program { string s; read(s); write(s); }", line + b"\n", tmp=tmp), 0, ok(line))


def many_names(count):
    names = [b"n%d" % i for i in range(count)]
    source = b"program { int " + b", ".join(names) + b"; " + b" ".join(n + b" = %d;" % i for i, n in enumerate(names))
    return source + b" write(" + names[-1] + b"); }"


def constants_sum(count):
    total = sum(i * 7919 for i in range(count)) & 0xFFFFFFFF
    return b"%d" % (total - (1 << 32) if total >= 1 << 31 else total)


def many_constants(count):
    return b"program { int s; s = 0; " + b" ".join(b"s = s + %d;" % (i * 7919) for i in range(count)) + b" write(s); }"


def padded_names(count):
    names = [b"v%05d" % i for i in range(count)]
    return b"program { int " + b", ".join(names) + b"; " + b" ".join(n + b" = %d;" % i for i, n in enumerate(names)) + b" write(" + names[-1] + b"); }"


def cpu_seconds(poliz, path):
    """Processor time of one run: unlike wall time, it hardly changes with the load of the
    other tests running beside this one."""
    proc = subprocess.Popen([poliz, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    return usage.ru_utime + usage.ru_stime


def near_linear(poliz, tmp, name, make, result):
    """Five times the entries may take at most twelve times as long (best of three each,
    measured in turns): the tables' hash clusters such texts into runs that a probe must not
    walk, which made the growth quadratic."""
    global passed
    paths = {}
    for count in (20000, 100000):
        source = make(count)
        expect(f"{count} {name}", run(poliz, source, tmp=tmp), 0, ok(result(count)))
        paths[count] = os.path.join(tmp, f"growth{count}.ppp")
        with open(paths[count], "wb") as f:
            f.write(source)
    times = {count: float("inf") for count in paths}
    for _ in range(3):
        for count, path in paths.items():
            times[count] = min(times[count], cpu_seconds(poliz, path))
    ratio = times[100000] / max(times[20000], 1e-3)
    print(f"{name}: 20,000 in {times[20000]:.3f} s, 100,000 in {times[100000]:.3f} s of processor time, ratio {ratio:.1f}")
    if ratio > 12:
        failures.append(f"growth with {name}")
        print(f"FAIL growth with {name}: ratio {ratio:.1f} for five times the entries")
    else:
        passed += 1


def wide_tables(poliz, tmp, timing):
    n = 20000
    expect("20,000 distinct identifiers", run(poliz, many_names(n), tmp=tmp), 0, ok(b"%d" % (n - 1)))
    expect("20,000 distinct constants", run(poliz, many_constants(n), tmp=tmp), 0, ok(constants_sum(n)))
    near_linear(poliz, tmp, "distinct names", padded_names, lambda count: b"%d" % (count - 1))
    near_linear(poliz, tmp, "distinct constants", many_constants, constants_sum)
    if timing:
        print("translation time against table size (best of 3):")
        for count in (1000, 2000, 5000, 10000, 20000):
            for label, make in (("identifiers", many_names), ("constants", many_constants)):
                best = min(run(poliz, make(count), tmp=tmp)[3] for _ in range(3))
                print(f"  {count:6d} {label:12s} {best * 1000:8.1f} ms")


def input_corners(poliz, tmp):
    with open(os.path.join(tmp, "read.ppp"), "wb") as f:
        f.write(b"program { int x; write(\"before\"); read(x); write(x); }")
    closed = subprocess.run([poliz, os.path.join(tmp, "read.ppp")], stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT)
    expect("standard input closed at the first read", (closed.returncode, closed.stdout, closed.stderr, 0), 4,
           FRAME_TOP + b"before", b"Runtime error: Unexpected end of input for 'x'!\n")


def memory_per_item(poliz, tmp):
    """Peak resident memory of a 25 MB program of `x = x + 1;` (eight items a statement), once
    cut short by a syntax error after the last statement and once run to its end."""
    statements = 2_300_000
    items = 8 * statements + 24
    body = b"program { int x; x = 0;\n" + b"x = x + 1;\n" * statements
    for label, tail in (("translation", b"write(x) }"), ("translation and run", b"write(x); }")):
        path = os.path.join(tmp, "memory.ppp")
        with open(path, "wb") as f:
            f.write(body + tail)
        proc = subprocess.Popen([poliz, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(proc.pid, 0)
        print(f"{label}: {usage.ru_maxrss / 1024:.0f} MB peak, {usage.ru_maxrss * 1024 / items:.1f} bytes per item")


def main():
    poliz = os.path.abspath(sys.argv[1])
    timing = "--timing" in sys.argv[2:]
    with tempfile.TemporaryDirectory() as tmp:
        deep_nesting(poliz, tmp)
        odd_bytes(poliz, tmp)
        huge_lexemes(poliz, tmp)
        wide_tables(poliz, tmp, timing)
        input_corners(poliz, tmp)
        if "--memory" in sys.argv[2:]:
            memory_per_item(poliz, tmp)
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
