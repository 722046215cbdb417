#!/usr/bin/env python3
"""Translation grows linearly with the program, in time and in memory: bench's translation
program is translated (and its empty run run) at two sizes, and what the larger one costs more
is compared with what it has more of. Ratios of one run's measurements only, never a limit in
seconds, so a loaded machine cannot fail it.

Usage: translation_growth_test.py POLIZ SOURCE_DIR [--sanitized]
Exits 77 (skipped) under the sanitizers, whose allocator measures something else.
"""
import os
import subprocess
import sys
import tempfile

LINES = 50000
RUNS = 3
# Peak memory that each further byte of source may add: the translated program, its lexemes
# and the record a run lays its code out from.
MAX_BYTES_PER_SOURCE_BYTE = 10.0
# The larger program's CPU time per source byte over the smaller one's.
MAX_TIME_GROWTH = 1.5


def measure(poliz, path):
    """Best CPU time and peak memory of RUNS runs, each in a child of its own."""
    best_time, peak = None, None
    for _ in range(RUNS):
        with open(os.devnull, "wb") as devnull:
            child = subprocess.Popen([poliz, path], stdout=devnull, stderr=subprocess.PIPE)
            _, status, usage = os.wait4(child.pid, 0)
            child.stderr.close()
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit("FAIL: %s ended with status %d" % (path, os.waitstatus_to_exitcode(status)))
        cpu = usage.ru_utime + usage.ru_stime
        best_time = cpu if best_time is None else min(best_time, cpu)
        peak = usage.ru_maxrss * 1024 if peak is None else min(peak, usage.ru_maxrss * 1024)
    return best_time, peak


def main():
    if "--sanitized" in sys.argv[3:]:
        print("SKIP: the sanitizers' allocator keeps memory of its own")
        return 77
    poliz, source_dir = sys.argv[1], sys.argv[2]
    generator = os.path.join(source_dir, "bench", "gen_translation.py")
    with tempfile.TemporaryDirectory() as tmp:
        sizes, times, peaks = [], [], []
        for lines in (LINES, 2 * LINES):
            # Generated in a process of its own: a child's peak counts the memory of the process
            # it was forked from, which must stay smaller than what is measured.
            folder = os.path.join(tmp, str(lines))
            subprocess.run([sys.executable, generator, "--lines", str(lines), "--out", folder],
                           check=True, stdout=subprocess.DEVNULL)
            path = os.path.join(folder, "translate.ppp")
            sizes.append(os.path.getsize(path))
            cpu, peak = measure(poliz, path)
            times.append(cpu)
            peaks.append(peak)
    added = (peaks[1] - peaks[0]) / (sizes[1] - sizes[0])
    growth = (times[1] / sizes[1]) / (times[0] / sizes[0]) if times[0] > 0 else 1.0
    print("source %d and %d bytes; peak %.1f and %.1f MB; %.1f bytes of peak per further source byte"
          % (sizes[0], sizes[1], peaks[0] / 2**20, peaks[1] / 2**20, added))
    print("CPU %.3f and %.3f s; per byte x%.2f at twice the size" % (times[0], times[1], growth))
    failures = []
    if added > MAX_BYTES_PER_SOURCE_BYTE:
        failures.append("memory grows by %.1f bytes per source byte (at most %g)" % (added, MAX_BYTES_PER_SOURCE_BYTE))
    if growth > MAX_TIME_GROWTH:
        failures.append("time per byte grows x%.2f at twice the size (at most x%g)" % (growth, MAX_TIME_GROWTH))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
