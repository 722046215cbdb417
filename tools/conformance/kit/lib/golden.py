"""Checking an implementation on the kit's programs: each run's standard output, standard error
and exit status against the expected ones, byte for byte. Used by `run IMPLEMENTATION` and by
batch grading."""
import concurrent.futures
import difflib

import process
from failfast import Supervisor

MAX_DIFF = 6000  # characters of one stream's diff that a report shows
STREAMS = (("stdout", ".out"), ("stderr", ".err"))


class Outcome:
    """One program on one implementation: passed, not run (not_run says why), or what differs:
    problems are (kind, text) pairs, and first_lines maps each differing stream to the number of
    its first differing line."""

    def __init__(self, case, result=None, limit=None, not_run=None):
        self.case, self.result, self.limit, self.not_run = case, result, limit, not_run
        self.problems, self.first_lines = [], {}
        if not_run is not None:
            self.problems.append(("not run", f"not run: {not_run}"))
            return
        if result.timed_out:
            self.problems.append(("time", f"ran out of time after {process.seconds_text(limit)}"))
        elif result.over_limit:
            self.problems.append(("limit", f"output over the {process.MAX_OUTPUT // (1024 * 1024)} MB limit"))
        elif result.crashed:
            self.problems.append(("signal", f"killed by signal {process.signal_name(result.signal)}"))
        elif result.status != case.status:
            self.problems.append(("status", f"exit status: expected {case.status}, actual {result.status}"))
        for stream, suffix in STREAMS:
            expected, actual = case.read(suffix), getattr(result, stream)
            if actual != expected:
                self.first_lines[stream] = first_difference(expected, actual)
                self.problems.append((stream, unified_diff(stream, expected, actual)))

    @property
    def passed(self):
        return not self.problems

    def expected(self, stream):
        return self.case.read(dict(STREAMS)[stream])

    @property
    def reason(self):
        """The failure in one line: what ended the run, else what differs."""
        kind, text = self.problems[0]
        if kind in ("not run", "time", "limit", "signal"):
            return text
        parts = {"status": "wrong exit status", "stderr": "message differs"}
        if "stdout" in self.first_lines:
            parts["stdout"] = f"output differs at line {self.first_lines['stdout']}"
        return ", ".join(parts[kind] for kind in ("status", "stdout", "stderr") if kind in dict(self.problems))

    def text(self):
        """The failure as the console report, JUnit and autograding JSON show it."""
        if self.not_run is not None:
            return f"NOT RUN {self.case.name}: {self.not_run}\n"
        lines = [f"FAIL {self.case.name}: {self.reason} (expected status {self.case.status}, actual "
                 f"{self.result.status_text()})"]
        lines += [text.rstrip("\n") for kind, text in self.problems if kind in ("status", "stdout", "stderr")]
        return "\n".join(lines) + "\n"


def first_difference(expected, actual):
    """The number of the first line (from 1) that differs, a missing line break included."""
    exp, act = expected.splitlines(keepends=True), actual.splitlines(keepends=True)
    for number, (a, b) in enumerate(zip(exp, act), 1):
        if a != b:
            return number
    return min(len(exp), len(act)) + 1


def unified_diff(stream, expected, actual):
    exp = expected.decode("utf-8", "replace").splitlines(keepends=True)
    act = actual.decode("utf-8", "replace").splitlines(keepends=True)
    lines = []
    for line in difflib.unified_diff(exp, act, f"expected {stream}", f"actual {stream}"):
        # A line without its end of line is marked, as diff(1) marks it.
        lines.append(line if line.endswith("\n") else line + "\n\\ No newline at end of file\n")
    diff = "".join(lines)
    if not diff:
        return f"{stream} differs only in bytes that a text diff cannot show\n"
    if len(diff) > MAX_DIFF:
        diff = diff[:MAX_DIFF] + f"\n... (the diff goes on: {len(diff)} characters in all)\n"
    return diff


def check(words, cases, jobs=1, timeout=None, on_outcome=None, supervisor=None):
    """Runs every case on the command `words`, `jobs` at a time, each within its time limit
    (`timeout` seconds when given); outcomes come back in the order of `cases`, and each is
    passed to on_outcome as soon as it and those before it are in. The supervisor decides when
    the rest are not worth running."""
    supervisor = supervisor or Supervisor()

    def one(case):
        reason = supervisor.reason_to_skip()
        if reason is not None:
            return Outcome(case, not_run=reason)
        limit = process.time_limit(case.time, timeout)
        result = process.run(words + case.args, case.program, case.read(".in"), limit)
        supervisor.record(result)
        if result.start_error is not None:
            return Outcome(case, not_run=supervisor.reason_to_skip())
        return Outcome(case, result, limit)

    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
        outcomes = []
        for outcome in pool.map(one, cases):
            outcomes.append(outcome)
            if on_outcome:
                on_outcome(outcome)
    return outcomes
