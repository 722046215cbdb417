"""The programs of the kit and what the reference interpreter did with each: read from
programs/catalogue.json, written when the kit was built. Used by every mode of `run`."""
import json
import os
import shutil
import sys

import process

# The areas in the order reports list them; --filter takes these names. "exercises" are the
# teacher's own programs (--exercises DIR).
AREAS = ("lexical", "syntax", "semantic", "runtime-errors", "programs", "reads", "exercises")


class Case:
    """One program: its source, input, expected streams and status, poliz's time on it in
    seconds (None when unknown) and, when it translates, the plain POLIZ listing with the source
    line of every item."""

    def __init__(self, name, area, status, base, args=(), poliz=None, time=None):
        self.name, self.area, self.status, self.base = name, area, status, base
        self.args, self.poliz, self.time = list(args), poliz, time

    @classmethod
    def from_entry(cls, root, entry):
        base = os.path.join(root, "programs", *entry["name"].split("/"))
        return cls(entry["name"], entry["area"], entry["status"], base, entry.get("args", []), entry.get("poliz"),
                   entry.get("time"))

    @property
    def program(self):
        return self.base + ".ppp"

    def read(self, suffix):
        try:
            with open(self.base + suffix, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

    def source_line(self, number):
        lines = self.read(".ppp").decode("utf-8", "replace").split("\n")
        return lines[number - 1] if 0 < number <= len(lines) else ""


def kit_root():
    return os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def _catalogue(root=None):
    with open(os.path.join(root or kit_root(), "programs", "catalogue.json"), encoding="utf-8") as f:
        return json.load(f)


def load(root=None, areas=None):
    """The cases of the kit, in catalogue order, those of `areas` only when given."""
    root = root or kit_root()
    cases = [Case.from_entry(root, entry) for entry in _catalogue(root)["programs"]]
    return [case for case in cases if not areas or case.area in areas]


def version():
    """The kit's version: its programs' fingerprint and the day it was built."""
    return _catalogue().get("version", "unknown")


def find_reference(given, purpose):
    """The reference's command words: --reference's when given, else a poliz in the kit's
    folder, beside it or on PATH, announced on standard output with what it is used for
    (`purpose`). None when there is none."""
    if given:
        return process.command_words(given)
    root = kit_root()
    for folder in (root, os.path.dirname(root)):
        path = os.path.join(folder, "poliz")
        if os.path.isfile(path) and os.access(path, os.X_OK):
            break
    else:
        path = shutil.which("poliz")
    if path:
        print(f"no --reference given: using the poliz at {path} {purpose}")
        sys.stdout.flush()
        return [path]
    return None


def parse_areas(text):
    """--filter's value: one area or several joined by commas."""
    if not text:
        return None
    areas = [a.strip() for a in text.split(",") if a.strip()]
    unknown = [a for a in areas if a not in AREAS]
    if unknown:
        usage_error(f"unknown area '{unknown[0]}'; the areas are {', '.join(AREAS)}")
    return areas


def lines_of_file(path, option):
    """The lines of the file that `option` names; one that cannot be read is a usage error."""
    try:
        with open(path, encoding="utf-8") as f:
            return f.read().splitlines()
    except (OSError, UnicodeDecodeError) as error:
        usage_error(f"{option} {path}: {getattr(error, 'strerror', None) or error}")


def usage_error(message):
    """A wrong command line ends `run` with status 2, as argparse's errors do, apart from the 1
    that means an implementation failed."""
    print(f"run: {message}", file=sys.stderr)
    sys.exit(2)
