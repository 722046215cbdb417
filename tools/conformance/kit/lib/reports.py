"""The plain reports of a checked implementation: the closing lines of the console output, JUnit
XML for CI, and the JSON that autograding platforms read. Used by `run` and batch grading; the
HTML pages are student_report.py and class_report.py."""
import json
import xml.etree.ElementTree as ET

from catalogue import AREAS


def tally(outcomes):
    """{area: [passed, failed, not run]} for the areas that had programs, in the kit's order."""
    counts = {}
    for outcome in outcomes:
        row = counts.setdefault(outcome.case.area, [0, 0, 0])
        row[0 if outcome.passed else 2 if outcome.not_run is not None else 1] += 1
    return {area: counts[area] for area in AREAS if area in counts}


def per_area(outcomes):
    """{area: (passed, failed)}, programs not run counted as failed."""
    return {area: (p, f + n) for area, (p, f, n) in tally(outcomes).items()}


def not_run_reason(outcomes):
    return next((o.not_run for o in outcomes if o.not_run is not None), None)


def summary(outcomes, score=None):
    """The closing lines: one per area, the programs not run and why, the points when graded,
    then `N passed, N failed` last."""
    lines = [f"{area:15} {p} passed, {f} failed" for area, (p, f) in per_area(outcomes).items()]
    skipped = sum(1 for o in outcomes if o.not_run is not None)
    if skipped:
        lines.append(f"{skipped} not run: {not_run_reason(outcomes)}")
    if score is not None:
        lines.append(score.text())
    passed = sum(1 for o in outcomes if o.passed)
    lines.append(f"{passed} passed, {len(outcomes) - passed} failed")
    return "\n".join(lines) + "\n"


def _xml_text(text):
    """Text that XML 1.0 can hold: control characters other than tab and line breaks shown as \\xHH."""
    return "".join(c if c in "\t\n\r" or ord(c) >= 0x20 else f"\\x{ord(c):02x}" for c in text)


def junit(outcomes, name, path, scrub=str):
    """One testsuite per area, one testcase per program; a failure holds its reason and diffs."""
    suites = ET.Element("testsuites", name=_xml_text(name),
                        tests=str(len(outcomes)), failures=str(sum(1 for o in outcomes if not o.passed)))
    for area, (passed, failed) in per_area(outcomes).items():
        suite = ET.SubElement(suites, "testsuite", name=area, tests=str(passed + failed), failures=str(failed))
        for outcome in (o for o in outcomes if o.case.area == area):
            case = ET.SubElement(suite, "testcase", classname=area, name=outcome.case.name)
            if not outcome.passed:
                failure = ET.SubElement(case, "failure", type="mismatch", message=_xml_text(scrub(outcome.reason)))
                failure.text = _xml_text(scrub(outcome.text()))
    ET.ElementTree(suites).write(path, encoding="utf-8", xml_declaration=True)


def _points(value):
    return int(value) if value == int(value) else round(value, 2)


def autograder(outcomes, grading, path, scrub=str):
    """The results as autograding platforms read them: a list of tests, each with its name,
    score, maximum score and output, and the total score."""
    tests = []
    for outcome in outcomes:
        weight = grading.weight(outcome.case)
        tests.append({"name": outcome.case.name, "score": _points(weight if outcome.passed else 0),
                      "max_score": _points(weight), "status": "passed" if outcome.passed else "failed",
                      "output": "passed" if outcome.passed else scrub(outcome.text())})
    score = grading.score(outcomes)
    document = {"score": _points(score.points), "output": summary(outcomes, score), "tests": tests}
    with open(path, "w", encoding="utf-8") as f:
        json.dump(document, f, indent=1, ensure_ascii=False)
        f.write("\n")
