#!/usr/bin/env python3
"""Runs the benchmark suite: our interpreter against Lua 5.4, LuaJIT, Python 3 and C, side by side.

Every program in bench/programs/ exists as NAME.ppp (ours), NAME.lua, NAME.py and NAME.c, and
as luajit/NAME.lua in Lua 5.1's syntax for LuaJIT (run with its compiler off and on), and
prints the same bytes in each. The runner checks that, times each interpreter (best of several
runs, CPU time of the child), records our peak memory, and prints one table. Then it checks that
our memory does not grow with the length of a run and times translation alone on a generated
program of about 200,000 lines. The last line is the geometric mean of our time over Lua's.
"""

import argparse
import contextlib
import math
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PROGRAMS = os.path.join(HERE, "programs")
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source folder clean
import gen_translation  # noqa: E402  (lives beside this file)

# The interpreter frames the program's own output with these two messages.
FRAME_HEAD = "\nTotal congratulations! Your program has compiled successfully!\n"
FRAME_TAIL = "\nMore total congratulations! Your program has runned and worked successfully!\n"

# The one size constant of every program: the first "N = <digits>" in the file.
SIZE_PATTERN = re.compile(r"\bN = (\d+)")

C_FLAGS = ["-O2", "-ffp-contract=off"]  # no fused multiply-add: reals round after every step
LUA_HINT = "lua5.4 is missing: install it with 'apt-get install lua5.4'; going on without Lua."
LUAJIT_HINT = "luajit is missing: install it with 'apt-get install luajit'; going on without LuaJIT."

OURS, LUA, PYTHON, C = "poliz", "lua5.4", "python3", "C -O2"
# Our reference stack machine, the one written to be read (build/poliz_reference).
REFERENCE = "reference"
# poliz as it runs by default, going on in native code once a loop is hot (POLIZ_NATIVE=auto);
# the OURS column is the fast backend alone (POLIZ_NATIVE=off).
NATIVE = "native"
# LuaJIT's interpreter alone, and with its trace compiler as it runs by default.
LUAJIT_INTERP, LUAJIT = "luajit -joff", "luajit"

# Where each version of a program lives, by the key run_programs files it under.
SOURCES = {"ppp": "%s.ppp", "lua": "%s.lua", "py": "%s.py", "c": "%s.c", "luajit": "luajit/%s.lua"}


class Result:
    """The outcome of one child process: its output, status, CPU time and peak memory."""

    def __init__(self, stdout, stderr, status, cpu, wall, peak_kb, failure=None):
        self.stdout, self.stderr, self.status = stdout, stderr, status
        self.cpu, self.wall, self.peak_kb, self.failure = cpu, wall, peak_kb, failure


# The helper built from measure.c, or None when there is no C compiler (see run_child).
MEASURE = None


def run_child(argv, timeout, mem_mb):
    """Runs argv with no input; returns a Result measured from the child's own resource usage."""
    if MEASURE is None:
        return run_child_direct(argv, timeout, mem_mb)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, \
            tempfile.NamedTemporaryFile("r", suffix=".usage") as usage_file:
        start = time.perf_counter()
        proc = subprocess.run([MEASURE, usage_file.name, str(timeout), str(mem_mb), *argv],
                              stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        wall = time.perf_counter() - start
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode("utf-8", "replace")
        stderr = err.read().decode("utf-8", "replace")
        fields = usage_file.read().split()
    if proc.returncode != 0 or len(fields) != 4:
        return Result(stdout, stderr, -1, 0.0, wall, 0, "could not run: " + stderr.strip()[:60])
    status, cpu, peak_kb, killed = int(fields[0]), float(fields[1]), int(fields[2]), fields[3] == "1"
    return Result(stdout, stderr, status, cpu, wall, peak_kb, failure_of(status, stderr, killed, timeout))


def run_child_direct(argv, timeout, mem_mb):
    """run_child without the helper: the same, except that the peak memory also counts what the
    runner itself had when it forked (a forked child starts as a copy of the runner)."""
    def limit_memory():
        if mem_mb:
            size = mem_mb * 1024 * 1024
            resource.setrlimit(resource.RLIMIT_AS, (size, size))

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                preexec_fn=limit_memory)
        lock = threading.Lock()
        state = {"done": False, "killed": False}

        def kill():
            with lock:
                if not state["done"]:
                    state["killed"] = True
                    proc.kill()

        timer = threading.Timer(timeout, kill)
        timer.start()
        # wait4 gives the usage of exactly this child; RUSAGE_CHILDREN keeps a maximum over all.
        _, wait_status, usage = os.wait4(proc.pid, 0)
        with lock:
            state["done"] = True
        timer.cancel()
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(wait_status)
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode("utf-8", "replace")
        stderr = err.read().decode("utf-8", "replace")
    return Result(stdout, stderr, proc.returncode, usage.ru_utime + usage.ru_stime, wall,
                  usage.ru_maxrss, failure_of(proc.returncode, stderr, state["killed"], timeout))


def failure_of(status, stderr, killed, timeout):
    """None for a clean exit, else a short description."""
    if killed:
        return "timeout (>%g s)" % timeout
    if status == 0:
        return None
    first = stderr.strip().splitlines()[:1]
    how = "killed by signal %d" % -status if status < 0 else "exit %d" % status
    return how + ((": " + first[0][:60]) if first else "")


def strip_frames(stdout):
    """Returns the program's own output from ours, or None when the frames are not there."""
    if stdout.startswith(FRAME_HEAD) and stdout.endswith(FRAME_TAIL):
        return stdout[len(FRAME_HEAD):len(stdout) - len(FRAME_TAIL)]
    return None


class Measure:
    """Best time over several runs of one command, with the output of the first run."""

    def __init__(self, name):
        self.name = name
        self.times, self.peaks = [], []
        self.output = None
        self.failure = None

    @property
    def best(self):
        return min(self.times) if self.times else None

    @property
    def peak_kb(self):
        return max(self.peaks) if self.peaks else None


def measure(name, argv, args, ours=False, parse=None):
    """Runs argv up to args.runs times, fewer once args.budget seconds are spent; keeps the best.

    parse, when given, turns a run's output into the time to record (for a child that times
    itself); otherwise the child's CPU time is recorded.
    """
    m = Measure(name)
    spent = 0.0
    for _ in range(args.runs):
        r = run_child(argv, args.timeout, args.mem_limit)
        if r.failure:
            m.failure = r.failure
            if "alloc" in r.stderr or "memory" in r.stderr.lower():
                m.failure += " (out of memory under the %d MB limit)" % args.mem_limit
            m.output = r.stdout
            return m
        out = r.stdout
        if ours:
            out = strip_frames(out)
            if out is None:
                m.failure = "frames missing in output"
                m.output = r.stdout
                return m
        if parse is None:
            if m.output is None:
                m.output = out
            elif out != m.output:
                m.failure = "output differs between runs"
                return m
            m.times.append(r.cpu)
        else:
            m.times.append(parse(out))
        m.peaks.append(r.peak_kb)
        spent += r.wall
        if spent > args.budget:
            break
    return m


@contextlib.contextmanager
def native_mode(mode):
    """POLIZ_NATIVE for the children started inside, as the runner's own environment."""
    before = os.environ.get("POLIZ_NATIVE")
    os.environ["POLIZ_NATIVE"] = mode
    try:
        yield
    finally:
        if before is None:
            del os.environ["POLIZ_NATIVE"]
        else:
            os.environ["POLIZ_NATIVE"] = before


def scaled_copy(src, dst, factor):
    """Copies a program with its size constant N multiplied by factor (at least 1)."""
    with open(src) as f:
        text = f.read()
    match = SIZE_PATTERN.search(text)
    if not match:
        raise SystemExit("%s: no size constant 'N = <number>' found" % src)
    size = max(1, int(round(int(match.group(1)) * factor)))
    text = text[:match.start(1)] + str(size) + text[match.end(1):]
    with open(dst, "w") as f:
        f.write(text)
    return size


def find_lua():
    """Returns (lua, luac) paths of Lua 5.4, either possibly None."""
    lua = shutil.which("lua5.4")
    if lua is None:
        plain = shutil.which("lua")
        if plain and subprocess.run([plain, "-v"], capture_output=True, text=True).stdout.startswith("Lua 5.4"):
            lua = plain
    luac = shutil.which("luac5.4")
    return lua, luac


def compile_c(cc, src, exe, extra=()):
    """Builds one C program; returns None or the compiler's complaint."""
    proc = subprocess.run([cc, *C_FLAGS, *extra, "-o", exe, src], capture_output=True, text=True)
    return None if proc.returncode == 0 else (proc.stderr.strip() or "compiler failed")


def fmt_time(m):
    if m is None:
        return "-"
    if m.failure:
        return "FAIL"
    return "%.3f" % m.best


def fmt_ratio(ours, other):
    if ours is None or other is None or ours.failure or other.failure or not other.best:
        return "-"
    return "%.2f" % (ours.best / other.best)


def first_difference(expected, got):
    """One line saying where two outputs part."""
    exp_lines, got_lines = expected.splitlines(True), got.splitlines(True)
    for i, (a, b) in enumerate(zip(exp_lines, got_lines)):
        if a != b:
            return "line %d: expected %r, got %r" % (i + 1, a[:60], b[:60])
    return "expected %d lines, got %d" % (len(exp_lines), len(got_lines))


def table(rows, header):
    """Prints rows as left-aligned first column and right-aligned others."""
    widths = [max(len(str(r[i])) for r in [header] + rows) for i in range(len(header))]
    for r in [header] + rows:
        cells = [str(r[0]).ljust(widths[0])] + [str(c).rjust(w) for c, w in zip(r[1:], widths[1:])]
        print("  ".join(cells).rstrip())


def program_names(only):
    names = sorted(f[:-4] for f in os.listdir(PROGRAMS) if f.endswith(".ppp"))
    if only:
        wanted = only.split(",")
        unknown = [w for w in wanted if w not in names]
        if unknown:
            raise SystemExit("unknown benchmark(s): %s (have: %s)" % (", ".join(unknown), ", ".join(names)))
        names = [n for n in names if n in wanted]
    return names


def run_programs(args, tools, work):
    """The main table. Returns (rows of measures by name, list of problems)."""
    problems = []
    results = {}
    for name in program_names(args.only):
        sources = {}
        for ext, pattern in SOURCES.items():
            src = os.path.join(PROGRAMS, pattern % name)
            if not os.path.exists(src):
                problems.append("%s: %s is missing" % (name, pattern % name))
                continue
            dst = os.path.join(work, "src", (pattern % name).replace("/", "-"))
            size = scaled_copy(src, dst, args.scale)
            sources[ext] = dst
        print("  %s (N = %d)" % (name, size), end="", flush=True)
        got = {}
        if tools["cc"] and "c" in sources:
            exe = os.path.join(work, name)
            complaint = compile_c(tools["cc"], sources["c"], exe)
            if complaint:
                problems.append("%s: C build failed: %s" % (name, complaint.splitlines()[0]))
            else:
                got[C] = measure(C, [exe], args)
                if name == "mandel":
                    complaint = compile_c(tools["cc"], sources["c"], exe + "-double", ["-DREAL=double"])
                    check = run_child([exe + "-double"], args.timeout, args.mem_limit)
                    if complaint or check.failure or check.stdout != got[C].output:
                        problems.append("mandel: counts differ between float and double; "
                                        "the other languages cannot match ours at this size")
        if tools["lua"] and "lua" in sources:
            got[LUA] = measure(LUA, [tools["lua"], sources["lua"]], args)
        if tools["luajit"] and "luajit" in sources:
            got[LUAJIT_INTERP] = measure(LUAJIT_INTERP, [tools["luajit"], "-joff", sources["luajit"]], args)
            got[LUAJIT] = measure(LUAJIT, [tools["luajit"], sources["luajit"]], args)
        if tools["python"] and "py" in sources:
            got[PYTHON] = measure(PYTHON, [tools["python"], sources["py"]], args)
        if tools["ours"] and "ppp" in sources:
            with native_mode("off"):
                got[OURS] = measure(OURS, [tools["ours"], sources["ppp"]], args, ours=True)
            if tools["native"]:
                with native_mode("auto"):
                    got[NATIVE] = measure(NATIVE, [tools["ours"], sources["ppp"]], args, ours=True)
        if tools["reference"] and "ppp" in sources:
            got[REFERENCE] = measure(REFERENCE, [tools["reference"], sources["ppp"]], args, ours=True)
        print(" ".join("  %s %s" % (k, fmt_time(v)) for k, v in got.items()), flush=True)
        # The expected output is the first of C, Lua, Python that ran; all must match it.
        expected = next((got[k] for k in (C, LUA, PYTHON) if k in got and not got[k].failure), None)
        for key, m in got.items():
            if m.failure:
                problems.append("%s: %s: %s" % (name, key, m.failure))
            elif expected is not None and m.output != expected.output:
                problems.append("%s: %s output differs from %s: %s"
                                % (name, key, expected.name, first_difference(expected.output, m.output)))
                m.failure = "wrong output"
        results[name] = got
    return results, problems


def print_main_table(results):
    others = [LUA, LUAJIT_INTERP, LUAJIT, PYTHON, C]
    short = {LUA: "lua", LUAJIT_INTERP: "ljoff", LUAJIT: "ljit", PYTHON: "py", C: "C"}
    header = (["benchmark", OURS] + others + ["ours/" + short[k] for k in others] + ["our peak MB"]
              + [REFERENCE, "ref/ours", "ref/lua"])
    rows = []
    for name, got in results.items():
        ours, ref = got.get(OURS), got.get(REFERENCE)
        peak = "-" if ours is None or ours.failure else "%.1f" % (ours.peak_kb / 1024)
        rows.append([name, fmt_time(ours)] + [fmt_time(got.get(k)) for k in others]
                    + [fmt_ratio(ours, got.get(k)) for k in others] + [peak]
                    + [fmt_time(ref), fmt_ratio(ref, ours), fmt_ratio(ref, got.get(LUA))])
    print()
    print("Run time: best CPU seconds (user + system) of each interpreter")
    print("(poliz: the fast backend alone, POLIZ_NATIVE=off; reference: the reference stack machine,")
    print(" poliz_reference; ljoff: luajit -joff, its interpreter alone; ljit: luajit with its compiler)")
    table(rows, header)
    if not any(NATIVE in got for got in results.values()):
        return
    # The native tier: poliz as it runs by default, compiling once a loop is hot (compile time
    # and the interpreted start included), beside the fast backend alone, LuaJIT's compiler and C.
    rows = []
    for name, got in results.items():
        native = got.get(NATIVE)
        peak = "-" if native is None or native.failure else "%.1f" % (native.peak_kb / 1024)
        rows.append([name, fmt_time(native), fmt_time(got.get(OURS)), fmt_time(got.get(LUAJIT)), fmt_time(got.get(C)),
                     fmt_ratio(native, got.get(OURS)), fmt_ratio(native, got.get(LUAJIT)),
                     fmt_ratio(native, got.get(C)), peak])
    print()
    print("Native tier: poliz with POLIZ_NATIVE=auto (its default), compile time included")
    table(rows, ["benchmark", NATIVE, OURS, LUAJIT, C, "native/poliz", "native/ljit", "native/C", "native peak MB"])


def memory_check(args, tools, work, results):
    """Peak memory of the integer loop at ten times its size against its default size, both on
    the fast backend alone, as the table's column (native code adds LLVM's memory once, at any
    size)."""
    if not tools["ours"]:
        return None
    base = results.get("intloop", {}).get(OURS)
    src = os.path.join(PROGRAMS, "intloop.ppp")
    with native_mode("off"):
        if base is None:
            dst = os.path.join(work, "src", "intloop.ppp")
            scaled_copy(src, dst, args.scale)
            base = measure(OURS, [tools["ours"], dst], args, ours=True)
        dst = os.path.join(work, "src", "intloop-x10.ppp")
        size = scaled_copy(src, dst, args.scale * 10)
        one = argparse.Namespace(**vars(args))
        one.runs = 1
        big = measure(OURS, [tools["ours"], dst], one, ours=True)
    print()
    print("Memory: intloop at ten times its size (N = %d) against its size in the table" % size)
    if base.failure or big.failure:
        print("  could not measure: %s" % (base.failure or big.failure))
        return "memory check failed: %s" % (base.failure or big.failure)
    growth = big.peak_kb / base.peak_kb
    print("  peak %.1f MB at x1, %.1f MB at x10: x%.2f (%s; target: within 10 %%)"
          % (base.peak_kb / 1024, big.peak_kb / 1024, growth, "met" if growth <= 1.10 else "NOT met"))
    return None


def translation_check(args, tools, work):
    """Translation alone: time per megabyte of source for ours, luac -p and compile()."""
    sizes = [args.lines, args.lines * 2]
    print()
    print("Translation: a generated program that does almost nothing at run time")
    rows, problems = [], []
    per_mb = {}
    bytes_per_byte = {}
    for lines in sizes:
        folder = os.path.join(work, "translate-%d" % lines)
        ppp, lua, py = gen_translation.write(lines, folder)
        row = {}
        if tools["ours"]:
            m = measure(OURS, [tools["ours"], ppp], args, ours=True)
            if not m.failure and m.output != "0\n":
                m.failure = "wrong output %r" % m.output[:40]
            row[OURS] = (m, ppp)
        if tools["luac"]:
            row["luac5.4 -p"] = (measure("luac5.4 -p", [tools["luac"], "-p", lua], args), lua)
        if tools["python"]:
            timer = ("import sys, time\n"
                     "src = open(sys.argv[1]).read()\n"
                     "t = time.process_time()\n"
                     "compile(src, sys.argv[1], 'exec')\n"
                     "print(time.process_time() - t)\n")
            m = measure("compile()", [tools["python"], "-c", timer, py], args, parse=float)
            row["python3 compile()"] = (m, py)
        for key, (m, path) in row.items():
            mb = os.path.getsize(path) / 1e6
            if key == OURS and not m.failure:
                bytes_per_byte[lines] = m.peak_kb * 1024 / os.path.getsize(path)
            if m.failure:
                problems.append("translation %d lines: %s: %s" % (lines, key, m.failure))
                rows.append([key, lines, "%.2f" % mb, "FAIL", "-", "-"])
                continue
            per_mb.setdefault(key, []).append(m.best / mb)
            peak = "%.1f" % (m.peak_kb / 1024) if key == OURS else "-"
            rows.append([key, lines, "%.2f" % mb, "%.3f" % m.best, "%.3f" % (m.best / mb), peak])
    table(rows, ["translator", "lines", "MB", "seconds", "s per MB", "peak MB"])
    ours, luac = per_mb.get(OURS), per_mb.get("luac5.4 -p")
    if ours and len(ours) == 2:
        growth = ours[1] / ours[0]
        print("  ours at twice the lines: x%.2f per MB (%s; linear growth keeps this near 1)"
              % (growth, "linear" if growth <= 1.25 else "NOT linear"))
    if ours and luac:
        ratio = ours[-1] / luac[-1]
        print("  ours per MB over luac5.4 -p per MB: %.2f (target: at most 2; %s)"
              % (ratio, "met" if ratio <= 2.0 else "NOT met"))
    if bytes_per_byte:
        # The peak's bytes over the source's bytes, each counted in bytes.
        print("  ours peak memory per source byte: %s (target: at most 10; %s)"
              % (", ".join("%.1f at %d lines" % (b, n) for n, b in sorted(bytes_per_byte.items())),
                 "met" if max(bytes_per_byte.values()) <= 10.0 else "NOT met"))
    return problems


def mean_line(results, other, target, worst_target=None, mine=OURS):
    """Prints the geometric mean of mine's time over other's, with its targets when there are any."""
    ratios = [got[mine].best / got[other].best for got in results.values()
              if mine in got and other in got and not got[mine].failure and not got[other].failure]
    label = "Geometric mean of %s/%s" % ("ours" if mine == OURS else mine, other)
    if not ratios:
        print("%s: n/a (no benchmark measured in both)" % label)
        return
    mean = math.exp(sum(math.log(r) for r in ratios) / len(ratios))
    if len(ratios) < len(results):
        print("%s: n/a, only %d of %d benchmarks measured in both (%.2f over those)"
              % (label, len(ratios), len(results), mean))
        return
    goals = []
    if target is not None:
        goals.append("target: at most %g" % target)
    if worst_target is not None:
        goals.append("worst %.2f, target: at most %g" % (max(ratios), worst_target))
    print("%s over %d benchmarks: %.2f%s" % (label, len(ratios), mean,
                                             " (%s)" % "; ".join(goals) if goals else ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true",
                        help="a tenth of every size, 3 runs, 20,000-line translation (a rough look)")
    parser.add_argument("--check", action="store_true",
                        help="only check outputs at a hundredth of the sizes, one run; "
                             "exit 1 when ours differs")
    parser.add_argument("--scale", type=float, help="multiply every size constant (default 1)")
    parser.add_argument("--runs", type=int, help="runs per interpreter, best is kept (default 5)")
    parser.add_argument("--budget", type=float, default=30.0,
                        help="stop repeating a measurement after this many seconds (default 30)")
    parser.add_argument("--timeout", type=float, default=300.0, help="seconds per run (default 300)")
    parser.add_argument("--mem-limit", type=int, default=4096,
                        help="address-space limit of each child in MB, 0 for none (default 4096)")
    parser.add_argument("--lines", type=int, help="lines of the translation benchmark (default 200000)")
    parser.add_argument("--only", help="comma-separated benchmark names")
    parser.add_argument("--poliz", default=os.path.join(ROOT, "build", "poliz"),
                        help="our interpreter (default build/poliz)")
    parser.add_argument("--reference", default=os.path.join(ROOT, "build", "poliz_reference"),
                        help="poliz with the reference machine (default build/poliz_reference)")
    parser.add_argument("--no-reference", action="store_true", help="leave the reference machine out")
    parser.add_argument("--no-python", action="store_true", help="leave Python out")
    parser.add_argument("--no-translation", action="store_true", help="skip the translation benchmark")
    parser.add_argument("--no-memory", action="store_true", help="skip the x10 memory check")
    args = parser.parse_args()
    if args.check:
        defaults = (0.01, 1, 2000)
    elif args.quick:
        defaults = (0.1, 3, 20000)
    else:
        defaults = (1.0, 5, 200000)
    args.scale = args.scale if args.scale is not None else defaults[0]
    args.runs = max(1, args.runs if args.runs is not None else defaults[1])
    args.lines = args.lines if args.lines is not None else defaults[2]

    work = os.path.join(ROOT, "build", "bench")
    os.makedirs(os.path.join(work, "src"), exist_ok=True)
    lua, luac = find_lua()
    tools = {
        "ours": args.poliz if os.access(args.poliz, os.X_OK) else None,
        # The native tier's plugin beside poliz (built where LLVM 14 is installed).
        "native": None if args.check or not os.path.exists(os.path.join(os.path.dirname(args.poliz),
                                                                        "libpoliz_native.so")) else True,
        "reference": args.reference if not args.no_reference and os.access(args.reference, os.X_OK) else None,
        "lua": None if args.check else lua,
        "luac": None if args.check else luac,
        "luajit": None if args.check else shutil.which("luajit"),
        "python": None if args.no_python or args.check else sys.executable,
        "cc": shutil.which("cc") or shutil.which("gcc") or shutil.which("clang"),
    }
    global MEASURE
    if tools["cc"]:
        helper = os.path.join(work, "measure")
        complaint = compile_c(tools["cc"], os.path.join(HERE, "measure.c"), helper)
        if complaint:
            print("could not build measure.c (%s); peak memory will include the runner's own"
                  % complaint.splitlines()[0])
        else:
            MEASURE = helper
    problems = []
    if not tools["ours"]:
        problems.append("%s not found: build it with 'make' first" % args.poliz)
        print(problems[-1])
    if lua is None and not args.check:
        print(LUA_HINT)
    if tools["luajit"] is None and not args.check:
        print(LUAJIT_HINT)
    if tools["cc"] is None:
        print("no C compiler found: going on without C.")

    print("Benchmarks at %gx their default size, best of up to %d runs:" % (args.scale, args.runs))
    results, found = run_programs(args, tools, work)
    problems += found
    if args.check:
        # Both of our machines must print what C prints.
        ours = [OURS, REFERENCE] if tools["reference"] else [OURS]
        passed = sum(1 for got in results.values() if all(k in got and not got[k].failure for k in ours))
        failed = len(results) - passed
        for p in problems:
            print("PROBLEM: " + p)
        print("%d passed, %d failed" % (passed, failed))
        return 1 if failed else 0

    print_main_table(results)
    if not args.no_memory:
        issue = memory_check(args, tools, work, results)
        if issue:
            problems.append(issue)
    if not args.no_translation:
        problems += translation_check(args, tools, work)

    print()
    for p in problems:
        print("PROBLEM: " + p)
    versus_python = [(name, got[OURS].best / got[PYTHON].best) for name, got in results.items()
                     if OURS in got and PYTHON in got
                     and not got[OURS].failure and not got[PYTHON].failure]
    if versus_python:
        slower = [name for name, ratio in versus_python if ratio >= 1.0]
        print("Faster than python3 on %d of %d benchmarks%s (target: all)"
              % (len(versus_python) - len(slower), len(results),
                 "; slower on " + ", ".join(slower) if slower else ""))
    if tools["reference"]:
        mean_line(results, LUA, None, mine=REFERENCE)
    if tools["native"]:
        mean_line(results, OURS, None, mine=NATIVE)
        mean_line(results, LUAJIT, 1.0, mine=NATIVE)
        mean_line(results, C, 2.0, mine=NATIVE)
    mean_line(results, LUAJIT, None)
    mean_line(results, LUAJIT_INTERP, 1.0)
    mean_line(results, LUA, 0.6, worst_target=2.0)
    wrong = [p for p in problems if "output differs" in p or "wrong output" in p]
    return 1 if wrong or not tools["ours"] else 0


if __name__ == "__main__":
    sys.exit(main())
