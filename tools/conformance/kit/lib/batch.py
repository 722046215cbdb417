"""`run --batch FILE`: grades a class. Each line of FILE is `NAME COMMAND` (blank lines and lines
starting with # are skipped). The --out folder gets the class summary (grades.csv, grades.html)
and, in reports/, each student's own report (NAME.html) and autograding JSON (NAME.json), so
that no student's name can stand for the summary's files."""
import os
import re

import catalogue
import class_report
import process
import reports
import student_report
from session import Session, progress_line

NAME = re.compile(r"\w[\w.-]*")


def students(path):
    """[(name, command)] of the class file; a name used twice (in any case: some file systems do
    not tell Ada from ada) stops the grading before anything runs."""
    found, seen = [], {}
    for number, line in enumerate(catalogue.lines_of_file(path, "--batch"), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        parts = line.split(None, 1)
        if len(parts) != 2:
            catalogue.usage_error(f"{path}:{number}: expected 'NAME COMMAND'")
        name = parts[0]
        if not NAME.fullmatch(name):
            catalogue.usage_error(f"{path}:{number}: the name '{name}' may hold only letters, digits, '_', '.' "
                                  "and '-', and starts with a letter, digit or '_'")
        if name.casefold() in seen:
            first_name, first_line = seen[name.casefold()]
            catalogue.usage_error(f"{path}:{number}: two students are called '{name}' (the first, '{first_name}', "
                                  f"on line {first_line}): give each a name of their own, such as '{name}2'")
        seen[name.casefold()] = (name, number)
        found.append((name, parts[1]))
    if not found:
        catalogue.usage_error(f"{path}: no 'NAME COMMAND' line")
    return found


def main(args):
    class_list = students(args.batch)
    session = Session(args)
    out = args.out or "grades"
    folder = os.path.join(out, "reports")
    os.makedirs(folder, exist_ok=True)
    rows = []
    for index, (name, command) in enumerate(class_list, 1):
        words = process.command_words(command)
        done = [0]

        def show(outcome):
            done[0] += 1
            progress_line(f"grading {index} of {len(class_list)}: {name}, {done[0]} of {len(session.cases)} programs")

        outcomes = session.check(words, show)
        scrub = session.scrubber(words)
        student_report.write(os.path.join(folder, name + ".html"), name, outcomes, session, scrub)
        reports.autograder(outcomes, session.grading, os.path.join(folder, name + ".json"), scrub)
        rows.append(class_report.Row(name, outcomes, session, f"reports/{name}.html"))
        row = rows[-1]
        progress_line("")
        print(f"{name}: {row.passed} passed, {row.failed} failed" + (f", {row.not_run} not run" if row.not_run else "")
              + f"; {row.score.text()}" + (f" ({row.stopped})" if row.stopped else ""))
    class_report.write(out, rows, session, os.path.basename(args.batch))
    print(f"wrote {os.path.join(out, 'grades.html')}, {os.path.join(out, 'grades.csv')} and a report per student "
          f"in {folder}")
    return 0
