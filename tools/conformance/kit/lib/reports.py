"""The reports of a checked implementation: the summary per area that ends the console output,
JUnit XML for grading systems and a standalone HTML page. Used by `run` and batch grading."""
import html
import xml.etree.ElementTree as ET

from catalogue import AREAS


def per_area(outcomes):
    """{area: (passed, failed)} for the areas that had programs, in the kit's order."""
    counts = {}
    for outcome in outcomes:
        passed, failed = counts.get(outcome.case.area, (0, 0))
        counts[outcome.case.area] = (passed + 1, failed) if outcome.passed else (passed, failed + 1)
    return {area: counts[area] for area in AREAS if area in counts}


def summary(outcomes):
    """The closing lines: one per area, then `N passed, N failed` last."""
    lines = [f"{area:15} {p} passed, {f} failed" for area, (p, f) in per_area(outcomes).items()]
    passed = sum(1 for o in outcomes if o.passed)
    lines.append(f"{passed} passed, {len(outcomes) - passed} failed")
    return "\n".join(lines) + "\n"


def _xml_text(text):
    """Text that XML 1.0 can hold: control characters other than tab and line breaks shown as \\xHH."""
    return "".join(c if c in "\t\n\r" or ord(c) >= 0x20 else f"\\x{ord(c):02x}" for c in text)


def junit(outcomes, implementation, path):
    """One testsuite per area, one testcase per program; a failure holds the diffs."""
    suites = ET.Element("testsuites", name=_xml_text(implementation),
                        tests=str(len(outcomes)), failures=str(sum(1 for o in outcomes if not o.passed)))
    for area, (passed, failed) in per_area(outcomes).items():
        suite = ET.SubElement(suites, "testsuite", name=area, tests=str(passed + failed), failures=str(failed))
        for outcome in (o for o in outcomes if o.case.area == area):
            case = ET.SubElement(suite, "testcase", classname=area, name=outcome.case.name)
            if not outcome.passed:
                failure = ET.SubElement(case, "failure", type="mismatch",
                                        message=_xml_text("; ".join(kind for kind, _ in outcome.problems) + " differ"))
                failure.text = _xml_text(outcome.text())
    ET.ElementTree(suites).write(path, encoding="utf-8", xml_declaration=True)


PAGE_STYLE = """body{font-family:sans-serif;margin:2em;color:#222}
table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.25em .6em;text-align:left}
.pass{color:#176117}.fail{color:#a11}pre{background:#f6f6f6;padding:.6em;overflow-x:auto}
pre .add{color:#176117}pre .del{color:#a11}"""


def page(title, body):
    return (f"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{html.escape(title)}</title>\n<style>\n{PAGE_STYLE}\n</style>\n</head>\n<body>\n"
            f"<h1>{html.escape(title)}</h1>\n{body}</body>\n</html>\n")


def _diff_html(text):
    lines = []
    for line in text.splitlines():
        kind = "add" if line.startswith("+") and not line.startswith("+++") else \
               "del" if line.startswith("-") and not line.startswith("---") else ""
        escaped = html.escape(line)
        lines.append(f'<span class="{kind}">{escaped}</span>' if kind else escaped)
    return "\n".join(lines)


def anchor(name):
    return "fail-" + "".join(c if c.isalnum() else "-" for c in name)


def html_report(outcomes, implementation, path):
    """A page with nothing to fetch: the summary per area, then every failure with its diffs."""
    rows = "".join(f"<tr><td>{area}</td><td class=\"pass\">{p}</td><td class=\"fail\">{f}</td></tr>\n"
                   for area, (p, f) in per_area(outcomes).items())
    passed = sum(1 for o in outcomes if o.passed)
    body = (f"<p>Implementation: <code>{html.escape(implementation)}</code></p>\n"
            f"<p><strong>{passed} passed, {len(outcomes) - passed} failed</strong></p>\n"
            f"<table>\n<tr><th>area</th><th>passed</th><th>failed</th></tr>\n{rows}</table>\n")
    failures = [o for o in outcomes if not o.passed]
    if failures:
        body += "<h2>Failures</h2>\n<ul>\n" + "".join(
            f"<li><a href=\"#{anchor(o.case.name)}\">{html.escape(o.case.name)}</a></li>\n" for o in failures) + "</ul>\n"
    for o in failures:
        body += (f"<h3 id=\"{anchor(o.case.name)}\">{html.escape(o.case.name)}</h3>\n"
                 f"<p>exit status: expected {o.case.status}, actual {html.escape(o.result.status_text())}</p>\n")
        for kind, text in o.problems:
            if kind != "status":
                body += f"<pre>{_diff_html(text)}</pre>\n"
    with open(path, "w", encoding="utf-8") as f:
        f.write(page(f"Conformance report: {implementation}", body))
