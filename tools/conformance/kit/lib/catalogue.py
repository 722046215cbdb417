"""The programs of the kit and what the reference interpreter did with each: read from
programs/catalogue.json, written when the kit was built. Used by every mode of `run`."""
import json
import os
import sys

# The areas in the order reports list them; --filter takes these names.
AREAS = ("lexical", "syntax", "semantic", "runtime-errors", "programs", "reads")


class Case:
    """One program: its source, input, expected streams and status, and, when it translates,
    the plain POLIZ listing with the source line of every item."""

    def __init__(self, root, entry):
        self.name = entry["name"]
        self.area = entry["area"]
        self.status = entry["status"]
        self.args = entry.get("args", [])
        self.poliz = entry.get("poliz")  # [[item text, source line], ...] or None
        self.base = os.path.join(root, "programs", *self.name.split("/"))

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


def load(root=None, areas=None):
    """The cases of the kit, in catalogue order, those of `areas` only when given."""
    root = root or kit_root()
    with open(os.path.join(root, "programs", "catalogue.json"), encoding="utf-8") as f:
        entries = json.load(f)["programs"]
    cases = [Case(root, entry) for entry in entries]
    return [case for case in cases if not areas or case.area in areas]


def parse_areas(text):
    """--filter's value: one area or several joined by commas."""
    if not text:
        return None
    areas = [a.strip() for a in text.split(",") if a.strip()]
    unknown = [a for a in areas if a not in AREAS]
    if unknown:
        usage_error(f"unknown area '{unknown[0]}'; the areas are {', '.join(AREAS)}")
    return areas


def usage_error(message):
    """A wrong command line ends `run` with status 2, as argparse's errors do, apart from the 1
    that means an implementation failed."""
    print(f"run: {message}", file=sys.stderr)
    sys.exit(2)
