#!/usr/bin/env python3
"""The native tier as a user meets it: loaded only for a hot loop, switched on and off by
POLIZ_NATIVE, the same bytes as the fast backend before and after the switch, never writable and
executable memory, a missing or damaged plugin that changes nothing but the trace, and
poliz-show --native.

Usage: native_test.py POLIZ POLIZ_SHOW OTHER_VERSION_PLUGIN
POLIZ_NATIVE_TRACE=1 makes poliz say on standard error what became of the native tier.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

failures = []

SHORT = 'program { write("Hello, world!\n"); }'
# Loops that run long enough to get hot (some 300 ms on the fast backend), with output, strings and reals on both sides of
# the switch, and a division by zero once the run is native.
HOT = """program {
    int i, n = 20000000; real r = 0.5; string s = "<", t;
    write("before ");
    for (i = 0; i < n; i = i + 1) {
        r = r * 0.5 + i / 3;
        if (i == 100 or i == n - 1) { t = s + "mark"; write(t, i, " ", r, "\n"); } else continue;
    }
    while (i > 0) i = i - 7;
    write("after ", i, " ", r > 1, "\n");
    write(n / (i + 1));
}
"""
HOT_STDOUT_END = b"after -1 1\n"
HOT_ERROR = b"Runtime error: Division by zero!\n"
# Compiled while `late` is still unassigned: its test must stay, where `i`'s may go.
UNASSIGNED_AFTER_HOT = """program {
    int i, n = 20000000, late; real r = 0.5;
    for (i = 0; i < n; i = i + 1) { r = r * 0.5 + i; if (i == n) late = 1; else { } }
    write(r > 1, " ", i, "\n");
    write(late);
}
"""


def check(name, condition, detail=""):
    if not condition:
        failures.append(name)
        print(f"FAIL {name}: {detail}")


def run(poliz, path, mode, stdin=b"", trace=True, plugin=None):
    env = dict(os.environ, POLIZ_NATIVE=mode, POLIZ_NATIVE_TRACE="1" if trace else "0")
    env.pop("POLIZ_NATIVE_PLUGIN", None)
    if plugin is not None:
        env["POLIZ_NATIVE_PLUGIN"] = plugin
    return subprocess.run([poliz, path], input=stdin, capture_output=True, env=env, timeout=120)


def write(tmp, name, text):
    path = os.path.join(tmp, name)
    with open(path, "w") as f:
        f.write(text)
    return path


def links_no_llvm(poliz):
    if shutil.which("ldd") is None:
        print("note: ldd not found, the link check is skipped")
        return
    libraries = subprocess.run(["ldd", poliz], capture_output=True, text=True).stdout
    check("poliz links no LLVM", "LLVM" not in libraries, libraries)


def tiers(poliz, tmp):
    short = write(tmp, "short.ppp", SHORT)
    for mode, trace in (("auto", b"native: not hot\n"), ("off", b"")):
        r = run(poliz, short, mode)
        check(f"a short program is never compiled ({mode})", r.stderr == trace and r.returncode == 0, repr(r.stderr))
    r = run(poliz, short, "always")
    check("always compiles before the first item", r.stderr == b"native: compiled\n", repr(r.stderr))

    hot = write(tmp, "hot.ppp", HOT)
    off = run(poliz, hot, "off")
    check("the fast backend ends the hot program as made", off.returncode == 4 and off.stderr == HOT_ERROR and
          off.stdout.endswith(HOT_STDOUT_END), repr((off.returncode, off.stdout[-200:], off.stderr)))
    unassigned = write(tmp, "unassigned.ppp", UNASSIGNED_AFTER_HOT)
    for program in (hot, unassigned):
        off = run(poliz, program, "off")
        for mode in ("auto", "always"):
            r = run(poliz, program, mode)
            name = f"{mode}, {os.path.basename(program)}"
            check(f"{name}: the program is compiled", r.stderr.startswith(b"native: compiled\n"), repr(r.stderr))
            check(f"{name}: the same output, error and status as the fast backend",
                  (r.stdout, r.stderr.replace(b"native: compiled\n", b""), r.returncode) ==
                  (off.stdout, off.stderr, off.returncode), repr((r.stdout[-200:], r.stderr, r.returncode)))
    check("the unassigned variable is reported", b"late" in off.stderr and off.returncode != 0, repr(off.stderr))


def missing_plugin(poliz, tmp):
    """A poliz without its plugin runs every program on the fast backend; the trace says where it
    looked."""
    alone = os.path.join(tmp, "alone")
    os.mkdir(alone)
    copy = os.path.join(alone, "poliz")
    shutil.copy2(poliz, copy)
    hot = write(tmp, "hot.ppp", HOT)
    want = run(poliz, hot, "off")
    alone = os.path.realpath(alone)
    trace = f"native: not installed (looked for {alone}/../lib/poliz/libpoliz_native.so and " \
            f"{alone}/libpoliz_native.so)\n".encode()
    for mode in ("auto", "always"):
        r = run(copy, hot, mode)
        check(f"{mode} without the plugin runs on", (r.stdout, r.stderr, r.returncode) ==
              (want.stdout, trace + want.stderr, want.returncode), repr((r.stderr, r.returncode)))
        r = run(poliz, hot, mode, plugin=os.path.join(tmp, "nowhere.so"))
        check(f"{mode} with POLIZ_NATIVE_PLUGIN naming no file", r.stderr.startswith(
            f"native: not installed (looked for {tmp}/nowhere.so)\n".encode()), repr(r.stderr))


def elf_fields(data):
    """Where the fields to damage lie in a 64-bit ELF file: e_phoff's last byte and, for the last
    loadable segment, the byte of p_filesz that adds 4 GB."""
    phoff, = struct.unpack_from("<Q", data, 32)
    phentsize, phnum = struct.unpack_from("<HH", data, 54)
    headers = [phoff + n * phentsize for n in range(phnum)]
    loads = [at for at in headers if struct.unpack_from("<I", data, at)[0] == 1]  # PT_LOAD
    return {"e_phoff": 32 + 7, "p_filesz": loads[-1] + 32 + 4}


def other_library(poliz, plugin):
    """A shared library of the system that poliz does not link (one that LLVM links)."""
    def libraries(path):
        return re.findall(r"=> (/\S+)", subprocess.run(["ldd", path], capture_output=True, text=True).stdout)

    linked = {os.path.basename(p) for p in libraries(poliz)}
    return next((p for p in libraries(plugin) if os.path.basename(p) not in linked and "LLVM" not in p), None)


def damaged_plugins(poliz, tmp, other_version):
    """No plugin file crashes poliz or changes its output: each is declined, and the trace says why."""
    real = os.path.join(os.path.dirname(poliz), "libpoliz_native.so")
    with open(real, "rb") as f:
        data = f.read()
    fields = elf_fields(data)

    def flipped(offset):
        return data[:offset] + bytes([data[offset] ^ 0xFF]) + data[offset + 1:]

    cases = [("truncated", data[:20000], "the file is cut short"), ("empty", b"", "not an ELF file"),
             ("word size flipped", flipped(4), "another word size"),
             ("machine flipped", flipped(18), "built for another machine"),
             ("program header offset flipped", flipped(fields["e_phoff"]), "program headers lie past the end"),
             ("segment size flipped", flipped(fields["p_filesz"]), "the file is cut short")]
    files = []
    for name, content, why in cases:
        files.append((name, write_bytes(tmp, name.replace(" ", "_") + ".so", content), why))
    files.append(("another interface version", other_version, "interface version "))
    library = other_library(poliz, real) if shutil.which("ldd") else None
    if library:
        files.append(("another library", library, "not a poliz plugin"))
    else:
        print("note: no other system library found (ldd), that case is skipped")
    hot = write(tmp, "hot.ppp", HOT)
    want = run(poliz, hot, "off")
    for name, path, why in files:
        for mode in ("auto", "always"):
            r = run(poliz, hot, mode, plugin=path)
            trace, _, rest = r.stderr.partition(b"\n")
            check(f"{name} ({mode}): declined", trace.startswith(f"native: declined the plugin {path}: ".encode()) and
                  why.encode() in trace, repr(trace))
            check(f"{name} ({mode}): the output of the fast backend", (r.stdout, rest, r.returncode) ==
                  (want.stdout, want.stderr, want.returncode), repr((r.stdout[-200:], rest, r.returncode)))


def write_bytes(tmp, name, content):
    path = os.path.join(tmp, name)
    with open(path, "wb") as f:
        f.write(content)
    return path


def no_writable_code(poliz, tmp):
    """While native code runs (here waiting in a read), no mapping is writable and executable."""
    path = write(tmp, "wait.ppp", "program { int x, i; for (i = 0; i < 3; i = i + 1) read(x); write(x); }")
    env = dict(os.environ, POLIZ_NATIVE="always", POLIZ_NATIVE_TRACE="1")
    proc = subprocess.Popen([poliz, path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=env)
    proc.stdin.write(b"1\n")
    proc.stdin.flush()
    time.sleep(1.0)
    with open(f"/proc/{proc.pid}/maps") as f:
        maps = f.read()
    out, err = proc.communicate(b"2\n3\n", timeout=60)
    check("compiled before waiting", err == b"native: compiled\n", repr(err))
    check("no page is writable and executable", not any(line.split()[1].startswith("rwx")
                                                        for line in maps.splitlines()), maps)
    check("the reads go on after the check", out.endswith(b"3\nMore total congratulations! Your program has "
                                                          b"runned and worked successfully!\n"), repr(out))


def listing(show, tmp):
    path = write(tmp, "count.ppp", "program {\n    int i = 0;\n    while (i < 10) {\n        write(i);\n"
                 "        i = i + 1;\n    }\n}\n")
    r = subprocess.run([show, "--native", path], capture_output=True, text=True, timeout=60)
    check("poliz-show --native succeeds", r.returncode == 0 and r.stderr == "", repr((r.returncode, r.stderr)))
    lines = r.stdout.splitlines()
    check("the function's entry (saving registers) stands under the program's first line",
          lines[:1] == ["line 1: program {"], r.stdout)
    check("the loop's line has its header with the source text", "line 4:         write(i);" in lines, r.stdout)
    check("instructions stand under the headers, with their offsets",
          any(line.startswith("  0x") or line.startswith("  0") for line in lines) and
          any(line.strip().split()[1:2] == ["ret"] for line in lines if line.startswith("  ")), r.stdout)
    r = subprocess.run([show, "--native", os.path.join(tmp, "missing.ppp")], capture_output=True, text=True)
    check("a missing file is reported as for the listing", r.returncode == 1, repr((r.returncode, r.stderr)))


def generated_programs_compile(poliz, tmp):
    """Native code that declines a program only costs speed, so the differential runs would not see
    a compiler that declines everything: every generated program must compile."""
    progen = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "progen", "progen.py")
    folder = os.path.join(tmp, "generated")
    subprocess.run([sys.executable, progen, "--seed", "7001", "--count", "40", "--out", folder],
                   check=True, capture_output=True)
    declined = []
    for name in sorted(f for f in os.listdir(folder) if f.endswith(".ppp")):
        path = os.path.join(folder, name)
        stdin_path = path[: -len(".ppp")] + ".in"
        stdin = open(stdin_path, "rb").read() if os.path.exists(stdin_path) else b""
        first = run(poliz, path, "always", stdin).stderr.split(b"\n", 1)[0]
        if first != b"native: compiled":
            declined.append(f"{name}: {first.decode('utf-8', 'replace')}")
    check("every generated program compiles", not declined, "; ".join(declined[:5]))


def main():
    poliz, show, other_version = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        tmp = os.path.realpath(tmp)
        links_no_llvm(poliz)
        tiers(poliz, tmp)
        missing_plugin(poliz, tmp)
        damaged_plugins(poliz, tmp, other_version)
        no_writable_code(poliz, tmp)
        listing(show, tmp)
        generated_programs_compile(poliz, tmp)
    print(f"{'FAILED: ' + ', '.join(failures) if failures else 'all native tier checks passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
