"""`run --poliz`: the POLIZ listing an implementation prints, in the plain form of
`poliz-show --plain`, against poliz's, item by item; a failure names the first differing item
and the source line it was translated from."""
import concurrent.futures
import sys

import catalogue
import process


def compare(case, result):
    """None when the listings agree, else what the report says of the first difference."""
    if result.timed_out:
        return "no listing: the run did not end in time"
    if result.status != 0:
        return f"exit status {result.status}, expected 0 (a listing)\n{result.stderr.decode('utf-8', 'replace')}"
    items = result.stdout.decode("utf-8", "replace").splitlines()
    for index, (expected, line) in enumerate(case.poliz):
        actual = items[index] if index < len(items) else None
        if actual != expected:
            shown = "(nothing: the listing ends here)" if actual is None else actual
            return (f"item {index} differs:\n  expected: {expected}\n  actual:   {shown}\n"
                    f"  source line {line}: {case.source_line(line).strip()}")
    if len(items) > len(case.poliz):
        return f"item {len(case.poliz)} is one too many: {items[len(case.poliz)]}"
    return None


def main(args):
    words = process.command_words(args.implementation)
    cases = [c for c in catalogue.load(areas=catalogue.parse_areas(args.filter)) if c.poliz is not None]

    def one(case):
        return case, compare(case, process.run(words, case.program, b"", args.timeout))

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        for case, problem in pool.map(one, cases):
            if problem is None:
                print(f"PASS {case.name}")
            else:
                failed += 1
                print(f"FAIL {case.name}: {problem}")
            sys.stdout.flush()
    print(f"{len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0
