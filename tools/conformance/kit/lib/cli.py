"""The command line of the kit's `run`: which mode, on which implementation, and its options."""
import argparse
import os
import sys

import catalogue
import process
import reports
import student_report
from session import Session

USAGE = """run IMPLEMENTATION [--name NAME] [--exercises DIR] [--grading FILE] [--reference CMD]
           [--filter AREA] [-j N] [--timeout S] [--stop-after N] [--budget S]
           [--junit FILE] [--html FILE] [--json FILE]
       run --batch FILE [--out DIR] [the options above but --name, --junit, --html and --json]
       run --fuzz COUNT [--seed S] [--out DIR] [--reference CMD] [-j N] [--timeout S] IMPLEMENTATION
       run --poliz IMPLEMENTATION [--filter AREA] [-j N] [--timeout S] [--stop-after N] [--budget S]
       run --version"""

DESCRIPTION = """Checks an implementation of the language against poliz. IMPLEMENTATION is a
command line, split as a shell splits it, to which each program's file name is added as its
last argument (the program runs from its own folder, with its input on standard input).
Areas: """ + ", ".join(catalogue.AREAS) + "."

EPILOG = f"""A program may take {process.TIME_MULTIPLE} times poliz's time on it, and at least
{process.TIME_FLOOR:g} s, unless --timeout gives a limit; each stream may hold
{process.MAX_OUTPUT // (1024 * 1024)} MB. README.md tells more."""


def parse(argv):
    parser = argparse.ArgumentParser(prog="run", usage=USAGE, description=DESCRIPTION, epilog=EPILOG)
    parser.add_argument("implementation", nargs="?", help="the command line of the implementation")
    parser.add_argument("--version", action="store_true", help="print the kit's version")
    parser.add_argument("--name", help="the name that titles the reports (the command's file names)")
    parser.add_argument("--exercises", metavar="DIR", help="also run the teacher's programs of DIR")
    parser.add_argument("--grading", metavar="FILE", help="weights of areas and programs, and the pass mark")
    parser.add_argument("--filter", metavar="AREA", help="only these areas (comma-separated)")
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 1, help="programs run at once")
    parser.add_argument("--timeout", type=float, metavar="S", help="seconds any run may take (by default a "
                                                                   "multiple of poliz's time)")
    parser.add_argument("--stop-after", type=int, default=3, metavar="N",
                        help="the rest are not run after N runs in a row that ran out of time, crashed or "
                             "wrote too much (3; 0: never)")
    parser.add_argument("--budget", type=float, metavar="S", help="seconds all programs of one implementation may take")
    parser.add_argument("--junit", metavar="FILE", help="also write a JUnit XML report")
    parser.add_argument("--html", metavar="FILE", help="also write a standalone HTML report")
    parser.add_argument("--json", metavar="FILE", help="also write the results as autograding JSON")
    parser.add_argument("--fuzz", type=int, metavar="COUNT", help="compare on COUNT generated programs")
    parser.add_argument("--seed", type=int, default=1, help="--fuzz: the first generated program's seed (1)")
    parser.add_argument("--out", metavar="DIR", help="--fuzz: where the reduced program goes (findings); "
                                                     "--batch: where the summary and reports go (grades)")
    parser.add_argument("--reference", metavar="CMD", help="poliz's command line (by default the poliz beside the "
                                                           "kit or on PATH), to compute missing results and reduce")
    parser.add_argument("--poliz", action="store_true", help="compare the POLIZ listing the implementation prints")
    parser.add_argument("--batch", metavar="FILE", help="grade every 'NAME COMMAND' line of FILE")
    args = parser.parse_args(argv)
    if args.version:
        return args
    if args.batch is None and not args.implementation:
        parser.error("no implementation given")
    if args.batch is not None and args.implementation:
        parser.error("--batch takes its implementations from its file, not the command line")
    if sum(x for x in (args.fuzz is not None, args.poliz, args.batch is not None)) > 1:
        parser.error("--fuzz, --poliz and --batch are separate modes: give one")
    if (args.fuzz is not None or args.poliz) and (args.exercises or args.grading):
        parser.error("--exercises and --grading go with a check of programs or --batch")
    if args.batch is not None and (args.name or args.junit or args.html or args.json):
        parser.error("--batch names each report after its student and writes them all into --out")
    for value, option in ((args.timeout, "--timeout"), (args.budget, "--budget")):
        if value is not None and not value > 0:
            parser.error(f"{option} takes a number of seconds above 0")
    if args.stop_after < 0:
        parser.error("--stop-after takes a number of runs, or 0 never to stop")
    return args


def display_name(words):
    """The command's words without their folders: what a report may show of it."""
    return " ".join(os.path.basename(w) if os.path.isabs(w) else w for w in words)


def check_programs(args):
    session = Session(args)
    words = process.command_words(args.implementation)
    name = args.name or display_name(words)

    def show(outcome):
        if outcome.not_run is None:
            print(f"PASS {outcome.case.name}" if outcome.passed else outcome.text(), end="\n" if outcome.passed else "")
            sys.stdout.flush()

    outcomes = session.check(words, show)
    scrub = session.scrubber(words)
    if args.junit:
        reports.junit(outcomes, name, args.junit, scrub)
    if args.html:
        student_report.write(args.html, name, outcomes, session, scrub)
    if args.json:
        reports.autograder(outcomes, session.grading, args.json, scrub)
    print(reports.summary(outcomes, session.grading.score(outcomes) if args.grading else None), end="")
    return 0 if all(o.passed for o in outcomes) else 1


def main(argv):
    args = parse(argv)
    if args.version:
        print(f"poliz conformance kit, version {catalogue.version()}")
        return 0
    if args.fuzz is not None:
        import fuzzing
        return fuzzing.main(args)
    if args.poliz:
        import listings
        return listings.main(args)
    if args.batch is not None:
        import batch
        return batch.main(args)
    return check_programs(args)
