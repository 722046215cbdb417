"""What one check or one class's grading shares: the programs (the kit's and the teacher's
exercises), the grading, the limits, and when and with which kit it ran. Used by `run
IMPLEMENTATION` and `run --batch`."""
import datetime
import os
import sys

import catalogue
import exercises
import golden
import grading
import process
from failfast import Supervisor
from pages import Scrubber


class Session:
    def __init__(self, args):
        areas = catalogue.parse_areas(args.filter)
        self.cases = catalogue.load(areas=areas)
        own = []
        if args.exercises and (not areas or "exercises" in areas):
            own = exercises.load(args.exercises, args.reference)
        self.cases += own
        if not self.cases:
            catalogue.usage_error("no programs to run: --filter exercises needs --exercises DIR")
        self.areas = [a for a in catalogue.AREAS if any(c.area == a for c in self.cases)]
        self.grading = grading.load(args.grading, catalogue.load() + own) if args.grading else grading.Grading()
        self.grading_file = os.path.basename(args.grading) if args.grading else None
        self.jobs, self.timeout, self.stop_after, self.budget = args.jobs, args.timeout, args.stop_after, args.budget
        self.date = datetime.datetime.now().astimezone().strftime("%Y-%m-%d %H:%M %Z").strip()
        self.version = catalogue.version()
        folders = [(catalogue.kit_root(), "<kit>"), (os.getcwd(), "."), (os.path.expanduser("~"), "~")]
        if args.exercises:
            folders.append((os.path.abspath(args.exercises), "<exercises>"))
        self.folders = folders

    def scrubber(self, words=()):
        """Hides this machine's folders, and those of the implementation's command words."""
        own = [(os.path.dirname(w), "<command folder>") for w in words if os.path.isabs(w)]
        return Scrubber(self.folders + own)

    def check(self, words, on_outcome=None):
        supervisor = Supervisor(self.stop_after, self.budget)
        return golden.check(words, self.cases, self.jobs, self.timeout, on_outcome, supervisor)

    def limits_text(self):
        if self.timeout is not None:
            time = f"each program could take {process.seconds_text(self.timeout)}"
        else:
            time = (f"each program could take {process.TIME_MULTIPLE} times poliz's time on it, and at least "
                    f"{process.seconds_text(process.TIME_FLOOR)}")
        text = time + f", and write {process.MAX_OUTPUT // (1024 * 1024)} MB to each stream"
        if self.budget is not None:
            text += f"; all programs together could take {process.seconds_text(self.budget)}"
        return text


def progress_line(text):
    """Rewrites the line a terminal shows on standard error; nothing when it is no terminal."""
    if sys.stderr.isatty():
        sys.stderr.write("\r\x1b[K" + text)
        sys.stderr.flush()
