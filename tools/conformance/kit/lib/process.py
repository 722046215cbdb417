"""Running one implementation on one program: its standard output, standard error and exit
status, within a time limit and an output limit. Every mode of the kit runs programs through it."""
import os
import shlex
import signal
import subprocess
import sys
import tempfile
import time

try:
    import resource
except ImportError:  # not on every system; runs are then limited in time only
    resource = None

MAX_OUTPUT = 16 * 1024 * 1024  # bytes a run may write to each stream

# A program may take TIME_MULTIPLE times what poliz took on it when the kit was built, and never
# less than TIME_FLOOR seconds: poliz runs most programs in milliseconds, while a student's
# implementation may start a virtual machine or interpret in Python. TIME_UNKNOWN is the limit
# of a program whose time on poliz is unknown.
TIME_MULTIPLE = 100
TIME_FLOOR = 2.0
TIME_UNKNOWN = 10.0


def time_limit(reference_seconds, flat=None):
    """Seconds a run may take: `flat` (--timeout) when given, else derived from poliz's time."""
    if flat is not None:
        return flat
    if reference_seconds is None:
        return TIME_UNKNOWN
    return max(TIME_FLOOR, TIME_MULTIPLE * reference_seconds)


def seconds_text(seconds):
    return f"{seconds:.3g} s"


class Result:
    """How one run ended. status is None when it ran out of time or could not be started (then
    start_error says why); a negative status is the signal that ended it."""

    def __init__(self, stdout=b"", stderr=b"", status=None, start_error=None, elapsed=0.0):
        self.stdout, self.stderr, self.status = stdout, stderr, status
        self.start_error, self.elapsed = start_error, elapsed

    @property
    def timed_out(self):
        return self.status is None and self.start_error is None

    @property
    def signal(self):
        return -self.status if self.status is not None and self.status < 0 else None

    @property
    def over_limit(self):
        """It wrote as much as the cap lets through, and was stopped there."""
        return max(len(self.stdout), len(self.stderr)) >= MAX_OUTPUT or \
            self.signal == getattr(signal, "SIGXFSZ", None)

    @property
    def crashed(self):
        return self.signal is not None

    def key(self):
        return self.stdout, self.stderr, self.status

    def status_text(self):
        if self.start_error is not None:
            return "none (not started)"
        if self.timed_out:
            return "no status (ran out of time)"
        if self.signal is not None:
            return f"none (killed by signal {signal_name(self.signal)})"
        return str(self.status)


def signal_name(number):
    try:
        return f"{number} ({signal.Signals(number).name})"
    except ValueError:
        return str(number)


def command_words(command_line):
    """A command line split as a shell splits it. Words that name an existing file or folder
    relative to here are made absolute, because programs run from their own folders."""
    try:
        words = shlex.split(command_line)
    except ValueError as error:  # an unclosed quote
        words, problem = [], f"the command line '{command_line}' cannot be split: {error}"
    else:
        problem = f"the command line '{command_line}' is empty"
    if not words:
        print(f"run: {problem}", file=sys.stderr)
        sys.exit(2)
    return [os.path.abspath(w) if not os.path.isabs(w) and os.sep in w and os.path.exists(w) else w
            for w in words]


def _limit_output():
    resource.setrlimit(resource.RLIMIT_FSIZE, (MAX_OUTPUT, MAX_OUTPUT))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def run(words, program, stdin=b"", timeout=TIME_UNKNOWN, cwd=None):
    """Runs `words + [program]` from cwd (the program's folder when None) with stdin as its
    standard input. Output goes through files, whose size the system caps, so that a runaway
    implementation cannot fill the memory."""
    folder, name = os.path.split(os.path.abspath(program))
    if cwd is not None:
        name = os.path.abspath(program)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        try:
            child = subprocess.Popen(words + [name], cwd=cwd or folder, stdin=subprocess.PIPE, stdout=out,
                                     stderr=err, preexec_fn=_limit_output if resource else None,
                                     start_new_session=hasattr(os, "killpg"))
        except OSError as error:
            # Named by its last part only: reports leave the grading machine's folders out.
            return Result(start_error=f"'{os.path.basename(words[0])}': {error.strerror or error}")
        try:
            child.communicate(stdin, timeout=timeout)
            status = child.returncode
        except subprocess.TimeoutExpired:
            _kill(child)
            status = None
        elapsed = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        return Result(out.read(), err.read(), status, elapsed=elapsed)


def _kill(child):
    """Ends a run that took too long, with whatever it started (a wrapper's own children too)."""
    try:
        if hasattr(os, "killpg"):
            os.killpg(child.pid, 9)
        else:
            child.kill()
    except OSError:
        pass
    child.wait()
