"""`--grading FILE`: what each program is worth and the pass mark. A plain text file, one rule a
line (anything after # is a comment):

    pass 60%                  the pass mark: a share of all points, or points (pass 45)
    weight syntax 2           every program of an area weighs 2
    weight exercises/* 5      programs whose names match a pattern (* and ? as in a shell)
    weight programs/expressions/and_or_values 0    one program

A program weighs 1 unless a weight line names it, its area or a pattern it matches; where
several do, the last one counts. Without a pass line the pass mark is every point."""
import fnmatch
import sys

import catalogue


def number_text(value):
    return f"{round(value, 2):g}"


class Score:
    def __init__(self, points, total, mark, mark_text):
        self.points, self.total, self.mark, self.mark_text = points, total, mark, mark_text
        self.passed = points >= mark - 1e-9

    def text(self):
        return (f"{number_text(self.points)} of {number_text(self.total)} points, pass mark "
                f"{self.mark_text}: {'pass' if self.passed else 'fail'}")


class Grading:
    def __init__(self, rules=(), mark=100.0, mark_is_share=True):
        self.rules = list(rules)  # (pattern, weight) in the file's order
        self.mark, self.mark_is_share = mark, mark_is_share

    def weight(self, case):
        found = 1.0
        for pattern, weight in self.rules:
            if matches(pattern, case):
                found = weight
        return found

    def score(self, outcomes):
        total = sum(self.weight(o.case) for o in outcomes)
        points = sum(self.weight(o.case) for o in outcomes if o.passed)
        return Score(points, total, total * self.mark / 100 if self.mark_is_share else self.mark, self.pass_mark_text())

    def pass_mark_text(self):
        return f"{number_text(self.mark)}%" if self.mark_is_share else f"{number_text(self.mark)} points"


def matches(pattern, case):
    return pattern == case.area or fnmatch.fnmatchcase(case.name, pattern)


def _number(text, where):
    try:
        value = float(text)
    except ValueError:
        value = -1.0
    if not value >= 0:
        catalogue.usage_error(f"{where}: '{text}' is not a number of points (0 or more)")
    return value


def load(path, known):
    """The grading of FILE; `known` are all the cases it may name, to warn of a rule that
    names none (a misspelt area or program)."""
    grading = Grading()
    for number, line in enumerate(catalogue.lines_of_file(path, "--grading"), 1):
        where, words = f"{path}:{number}", line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0] == "pass" and len(words) == 2:
            share = words[1].endswith("%")
            grading.mark, grading.mark_is_share = _number(words[1].rstrip("%"), where), share
        elif words[0] == "weight" and len(words) == 3:
            grading.rules.append((words[1], _number(words[2], where)))
            if not any(matches(words[1], case) for case in known):
                print(f"run: {where}: warning: '{words[1]}' names no program", file=sys.stderr)
        else:
            catalogue.usage_error(f"{where}: expected 'pass MARK' or 'weight NAME POINTS', not '{line.strip()}'")
    return grading
