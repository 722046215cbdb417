"""Running one implementation on one program: its standard output, standard error and exit
status, within a time limit and an output limit. Every mode of the kit runs programs through it."""
import os
import shlex
import subprocess
import sys
import tempfile

try:
    import resource
except ImportError:  # not on every system; runs are then limited in time only
    resource = None

MAX_OUTPUT = 16 * 1024 * 1024  # bytes a run may write to each stream


class Result:
    """How one run ended. status is None when it ran out of time."""

    def __init__(self, stdout=b"", stderr=b"", status=None):
        self.stdout, self.stderr, self.status = stdout, stderr, status

    @property
    def timed_out(self):
        return self.status is None

    def key(self):
        return self.stdout, self.stderr, self.status

    def status_text(self):
        return "no status (ran out of time)" if self.status is None else str(self.status)


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


def run(words, program, stdin=b"", timeout=10.0, cwd=None):
    """Runs `words + [program]` from cwd (the program's folder when None) with stdin as its
    standard input. Output goes through files, whose size the system caps, so that a runaway
    implementation cannot fill the memory."""
    folder, name = os.path.split(os.path.abspath(program))
    if cwd is not None:
        name = os.path.abspath(program)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            child = subprocess.Popen(words + [name], cwd=cwd or folder, stdin=subprocess.PIPE, stdout=out,
                                     stderr=err, preexec_fn=_limit_output if resource else None,
                                     start_new_session=hasattr(os, "killpg"))
        except OSError as error:
            return Result(b"", f"the implementation could not be started: {error}\n".encode(), 127)
        try:
            child.communicate(stdin, timeout=timeout)
            status = child.returncode
        except subprocess.TimeoutExpired:
            _kill(child)
            status = None
        out.seek(0)
        err.seek(0)
        return Result(out.read(), err.read(), status)


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
