"""Checking an implementation on the kit's programs: each run's standard output, standard error
and exit status against the expected ones, byte for byte. Used by `run IMPLEMENTATION` and by
batch grading."""
import concurrent.futures
import difflib

import process

MAX_DIFF = 6000  # characters of one stream's diff that a report shows


class Outcome:
    """One program on one implementation: passed, or the differences (stream, diff text)."""

    def __init__(self, case, result):
        self.case, self.result = case, result
        self.problems = []
        if result.timed_out:
            self.problems.append(("time", "no result: the run did not end in time"))
        elif result.status != case.status:
            self.problems.append(("status", f"exit status: expected {case.status}, actual {result.status}"))
        for stream, suffix, actual in (("stdout", ".out", result.stdout), ("stderr", ".err", result.stderr)):
            expected = case.read(suffix)
            if actual != expected:
                self.problems.append((stream, unified_diff(stream, expected, actual)))

    @property
    def passed(self):
        return not self.problems

    def text(self):
        """The failure as the console report and the reports' details show it."""
        lines = [f"FAIL {self.case.name} (expected status {self.case.status}, actual "
                 f"{self.result.status_text()})"]
        lines += [text.rstrip("\n") for _, text in self.problems]
        return "\n".join(lines) + "\n"


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


def check(words, cases, jobs=1, timeout=10.0, on_outcome=None):
    """Runs every case on the command `words`, `jobs` at a time; outcomes come back in the
    order of `cases`, and each is passed to on_outcome as soon as it and those before it are in."""
    def one(case):
        return Outcome(case, process.run(words + case.args, case.program, case.read(".in"), timeout))

    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
        outcomes = []
        for outcome in pool.map(one, cases):
            outcomes.append(outcome)
            if on_outcome:
                on_outcome(outcome)
    return outcomes
