"""The report one student reads alone: one HTML file with the summary per area and points, and for
each failing program its reason, source, input, and each stream that differs side by side with
its first differing line pointed out. Written by `run --html` and by batch grading."""
import re

import pages
from grading import number_text
from pages import esc
from reports import not_run_reason, tally

STREAM_TITLES = {"stdout": "Standard output", "stderr": "Standard error"}
STATUS_MEANINGS = {0: "success", 1: "lexical error", 2: "syntax error", 3: "semantic error", 4: "runtime error"}

HELP = """<div class="help">Each program below was run with your implementation as
<code>YOUR-COMMAND NAME.ppp</code>, from the program's own folder, with its input (where it has one) on
standard input. It passes when the standard output, the standard error and the exit status are
byte for byte those of poliz: every space, line break and spelling counts. To try a failing program
yourself, save its source as <code>NAME.ppp</code> and its input as <code>NAME.in</code>, and run
<code>YOUR-COMMAND NAME.ppp &lt; NAME.in</code>.</div>
"""


def anchor(name):
    """The id of a program's section: its name, with any character an id should not hold coded."""
    return "fail-" + "".join(c if c.isalnum() or c in "-_./" else f"~{ord(c):x}" for c in name)


def write(path, name, outcomes, session, scrub):
    score = session.grading.score(outcomes)
    passed = sum(1 for o in outcomes if o.passed)
    skipped = sum(1 for o in outcomes if o.not_run is not None)
    body = [f"<p class=\"meta\">Graded {esc(session.date)} with the poliz conformance kit, version "
            f"{esc(session.version)}: {esc(session.limits_text())}.</p>\n"]
    if skipped:
        body.append(f"<p class=\"notice\"><strong>{skipped} of {len(outcomes)} programs were not run:</strong> "
                    f"{esc(scrub(not_run_reason(outcomes)))}.</p>\n")
    verdict = "pass" if score.passed else "fail"
    body.append(f"<p><span class=\"verdict {verdict}\">{verdict}</span> {number_text(score.points)} of "
                f"{number_text(score.total)} points (pass mark {esc(session.grading.pass_mark_text())}) · "
                f"{passed} passed, {len(outcomes) - passed - skipped} failed"
                + (f", {skipped} not run" if skipped else "") + "</p>\n")
    body.append(_areas(outcomes, session.grading))
    failures = [o for o in outcomes if not o.passed and o.not_run is None]
    if failures:
        body.append("<h2>Failures</h2>\n" + HELP + "<table>\n<tr><th>program</th><th>reason</th></tr>\n")
        body += [f"<tr><td><a href=\"#{anchor(o.case.name)}\"><code>{esc(o.case.name)}</code></a></td>"
                 f"<td>{esc(scrub(o.reason))}</td></tr>\n" for o in failures]
        body.append("</table>\n")
        body += [_failure(o, scrub) for o in failures]
    if skipped:
        names = ", ".join(f"<code>{esc(o.case.name)}</code>" for o in outcomes if o.not_run is not None)
        body.append(f"<h2>Not run</h2>\n<p class=\"muted\">{names}</p>\n")
    with open(path, "w", encoding="utf-8") as f:
        f.write(pages.page(f"Conformance report: {name}", "".join(body)))


def _areas(outcomes, grading):
    rows = []
    for area, (p, f, n) in tally(outcomes).items():
        mine = [o for o in outcomes if o.case.area == area]
        score = grading.score(mine)
        rows.append(f"<tr><td>{esc(area)}</td><td class=\"num\">{len(mine)}</td><td class=\"num pass\">{p}</td>"
                    f"<td class=\"num fail\">{f}</td><td class=\"num\">{n or ''}</td>"
                    f"<td class=\"num\">{number_text(score.points)} of {number_text(score.total)}</td></tr>\n")
    return ("<table>\n<tr><th>area</th><th class=\"num\">programs</th><th class=\"num\">passed</th>"
            "<th class=\"num\">failed</th><th class=\"num\">not run</th><th class=\"num\">points</th></tr>\n"
            + "".join(rows) + "</table>\n")


def _status(status):
    meaning = STATUS_MEANINGS.get(status)
    return f"<strong>{status}</strong>" + (f" ({meaning})" if meaning else "")


def _failure(outcome, scrub):
    case, result = outcome.case, outcome.result
    expected_err = case.read(".err").decode("utf-8", "replace")
    named = {int(n) for n in re.findall(r"\(line (\d+)\)", expected_err)}
    source = pages.lines_of(case.read(".ppp"))
    note = f" (line {', '.join(map(str, sorted(named)))}, named in the expected message, is marked)" if named else ""
    parts = [f"<section class=\"failure\" id=\"{anchor(case.name)}\">\n<h3>{esc(case.name)}</h3>\n"
             f"<p class=\"reason\">{esc(scrub(outcome.reason))}</p>\n"
             f"<p>Exit status: expected {_status(case.status)}, actual "
             f"{_status(result.status) if result.status in STATUS_MEANINGS else esc(result.status_text())}</p>\n"
             f"<h4>Program{esc(note)}</h4>\n" + pages.numbered(source, named)]
    stdin = case.read(".in")
    if stdin:
        parts.append("<h4>Input</h4>\n" + pages.numbered(pages.lines_of(stdin)))
    for stream, title in STREAM_TITLES.items():
        if stream in outcome.first_lines:
            first = outcome.first_lines[stream]
            parts.append(f"<h4>{title}: differs at line {first}</h4>\n" + pages.comparison(
                pages.lines_of(outcome.expected(stream), scrub), pages.lines_of(getattr(result, stream), scrub), first))
        else:
            empty = " (empty)" if not outcome.expected(stream) else ""
            parts.append(f"<h4>{title}: as expected{empty}</h4>\n")
    return "".join(parts) + "</section>\n"
