"""`run --poliz`: the POLIZ listing an implementation prints, in the plain form of
`poliz-show --plain`, against poliz's, item by item; a failure names the first differing item
and the source line it was translated from."""
import concurrent.futures
import sys

import catalogue
import process
from failfast import Supervisor


def compare(case, result):
    """None when the listings agree, else what the report says of the first difference."""
    if result.timed_out:
        return "no listing: the run did not end in time"
    if result.crashed:
        return f"no listing: killed by signal {process.signal_name(result.signal)}"
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
    supervisor = Supervisor(args.stop_after, args.budget)

    def one(case):
        if supervisor.reason_to_skip() is not None:
            return case, None, True
        result = process.run(words, case.program, b"", process.time_limit(case.time, args.timeout))
        supervisor.record(result)
        return case, None if result.start_error else compare(case, result), result.start_error is not None

    failed = skipped_count = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        for case, problem, skipped in pool.map(one, cases):
            if skipped or problem is not None:
                failed += 1
            skipped_count += skipped
            if not skipped:
                print(f"PASS {case.name}" if problem is None else f"FAIL {case.name}: {problem}")
                sys.stdout.flush()
    if supervisor.stopped:
        print(f"{skipped_count} not run: {supervisor.stopped}")
    print(f"{len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0
