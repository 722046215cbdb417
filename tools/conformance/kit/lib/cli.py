"""The command line of the kit's `run`: which mode, on which implementation, and its options."""
import argparse
import os
import sys

import catalogue
import golden
import process
import reports

USAGE = """run IMPLEMENTATION [--filter AREA] [-j N] [--timeout S] [--junit FILE] [--html FILE]
       run --fuzz COUNT [--seed S] [--out DIR] [--reference CMD] [-j N] [--timeout S] IMPLEMENTATION
       run --poliz IMPLEMENTATION [--filter AREA] [-j N] [--timeout S]
       run --batch FILE [--out DIR] [--filter AREA] [-j N] [--timeout S]"""

DESCRIPTION = """Checks an implementation of the language against poliz. IMPLEMENTATION is a
command line, split as a shell splits it, to which each program's file name is added as its
last argument (the program runs from its own folder, with its input on standard input).
Areas: """ + ", ".join(catalogue.AREAS) + "."


def parse(argv):
    parser = argparse.ArgumentParser(prog="run", usage=USAGE, description=DESCRIPTION)
    parser.add_argument("implementation", nargs="?", help="the command line of the implementation")
    parser.add_argument("--filter", metavar="AREA", help="only these areas (comma-separated)")
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 1, help="programs run at once")
    parser.add_argument("--timeout", type=float, default=10.0, metavar="S", help="seconds a run may take (10)")
    parser.add_argument("--junit", metavar="FILE", help="also write a JUnit XML report")
    parser.add_argument("--html", metavar="FILE", help="also write a standalone HTML report")
    parser.add_argument("--fuzz", type=int, metavar="COUNT", help="compare on COUNT generated programs")
    parser.add_argument("--seed", type=int, default=1, help="--fuzz: the first generated program's seed (1)")
    parser.add_argument("--out", metavar="DIR", help="--fuzz: where the reduced program goes (findings); "
                                                     "--batch: where the tables go (grades)")
    parser.add_argument("--reference", metavar="CMD", help="--fuzz: poliz's command line, to run generated "
                                                           "programs and reduce a difference")
    parser.add_argument("--poliz", action="store_true", help="compare the POLIZ listing the implementation prints")
    parser.add_argument("--batch", metavar="FILE", help="grade every 'NAME COMMAND' line of FILE")
    args = parser.parse_args(argv)
    if args.batch is None and not args.implementation:
        parser.error("no implementation given")
    if args.batch is not None and args.implementation:
        parser.error("--batch takes its implementations from its file, not the command line")
    if sum(x for x in (args.fuzz is not None, args.poliz, args.batch is not None)) > 1:
        parser.error("--fuzz, --poliz and --batch are separate modes: give one")
    return args


def check_programs(args):
    cases = catalogue.load(areas=catalogue.parse_areas(args.filter))
    words = process.command_words(args.implementation)

    def show(outcome):
        print(f"PASS {outcome.case.name}" if outcome.passed else outcome.text(), end="\n" if outcome.passed else "")
        sys.stdout.flush()

    outcomes = golden.check(words, cases, args.jobs, args.timeout, show)
    if args.junit:
        reports.junit(outcomes, args.implementation, args.junit)
    if args.html:
        reports.html_report(outcomes, args.implementation, args.html)
    print(reports.summary(outcomes), end="")
    return 0 if all(o.passed for o in outcomes) else 1


def main(argv):
    args = parse(argv)
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
