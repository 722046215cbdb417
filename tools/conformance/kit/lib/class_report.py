"""The class summary of `run --batch`: grades.csv and grades.html, one row per student with the
passes per area, points and pass or fail; who ran out of time, crashed or could not be started;
and charts of the programs and areas failed most across the class."""
import csv
import os

import pages
from grading import number_text
from pages import esc
from reports import not_run_reason, tally

MOST_FAILED = 12  # programs the chart shows


class Row:
    """One student's results, as the summary needs them."""

    def __init__(self, name, outcomes, session, report):
        self.name, self.outcomes, self.report = name, outcomes, report
        counts = tally(outcomes)
        self.per_area = [counts.get(a, [0, 0, 0])[0] for a in session.areas]
        self.passed = sum(1 for o in outcomes if o.passed)
        self.not_run = sum(1 for o in outcomes if o.not_run is not None)
        self.failed = len(outcomes) - self.passed - self.not_run
        self.score = session.grading.score(outcomes)
        self.timeouts = [o.case.name for o in outcomes if o.result is not None and o.result.timed_out]
        self.crashes = [o.case.name for o in outcomes
                        if o.result is not None and (o.result.crashed or o.result.over_limit)]
        self.stopped = not_run_reason(outcomes)


def write(out, rows, session, class_name):
    totals = [sum(1 for c in session.cases if c.area == a) for a in session.areas]
    _write_csv(os.path.join(out, "grades.csv"), rows, session, totals)
    body = [f"<p class=\"meta\">Graded {esc(session.date)} with the poliz conformance kit, version "
            f"{esc(session.version)}: {len(session.cases)} programs; {esc(session.limits_text())}.</p>\n",
            f"<p class=\"meta\">Points: "
            + (f"from {esc(session.grading_file)}" if session.grading_file else "every program weighs 1")
            + f"; pass mark {esc(session.grading.pass_mark_text())}.</p>\n",
            _table(rows, session, totals), _troubles(rows), _charts(rows, session)]
    with open(os.path.join(out, "grades.html"), "w", encoding="utf-8") as f:
        f.write(pages.page(f"Class summary: {class_name}", "".join(body)))


def _write_csv(path, rows, session, totals):
    with open(path, "w", encoding="utf-8", newline="") as f:
        table = csv.writer(f)
        table.writerow(["name"] + [f"{a} (of {t})" for a, t in zip(session.areas, totals)]
                       + ["passed", "failed", "not run", "points", "of", "result", "timeouts", "crashes", "problem",
                          "report", "graded", "kit version"])
        for row in rows:
            table.writerow([row.name] + row.per_area + [
                row.passed, row.failed, row.not_run, number_text(row.score.points), number_text(row.score.total),
                "pass" if row.score.passed else "fail", len(row.timeouts), len(row.crashes), row.stopped or "",
                row.report, session.date, session.version])


def _table(rows, session, totals):
    head = "".join(f"<th class=\"num\">{esc(a)}<br><span class=\"muted\">of {t}</span></th>"
                   for a, t in zip(session.areas, totals))
    lines = []
    for row in rows:
        verdict = "pass" if row.score.passed else "fail"
        lines.append(f"<tr><td><a href=\"{esc(row.report)}\">{esc(row.name)}</a></td>"
                     + "".join(f"<td class=\"num\">{n}</td>" for n in row.per_area)
                     + f"<td class=\"num pass\">{row.passed}</td><td class=\"num fail\">{row.failed}</td>"
                     f"<td class=\"num\">{row.not_run or ''}</td><td class=\"num\">{number_text(row.score.points)}"
                     f" of {number_text(row.score.total)}</td><td><span class=\"verdict {verdict}\">{verdict}</span>"
                     f"</td></tr>\n")
    return (f"<table>\n<tr><th>student</th>{head}<th class=\"num\">passed</th><th class=\"num\">failed</th>"
            f"<th class=\"num\">not run</th><th class=\"num\">points</th><th>result</th></tr>\n"
            + "".join(lines) + "</table>\n")


def _listed(names, most=5):
    shown = ", ".join(f"<code>{esc(n)}</code>" for n in names[:most])
    return shown + (f" and {len(names) - most} more" if len(names) > most else "")


def _troubles(rows):
    items = []
    for row in rows:
        said = []
        if row.timeouts:
            said.append(f"ran out of time on {len(row.timeouts)}: {_listed(row.timeouts)}")
        if row.crashes:
            said.append(f"crashed on {len(row.crashes)}: {_listed(row.crashes)}")
        if row.stopped:
            said.append(f"{row.not_run} not run ({esc(row.stopped)})")
        if said:
            items.append(f"<li><a href=\"{esc(row.report)}\">{esc(row.name)}</a>: {'; '.join(said)}</li>\n")
    listed = f"<ul>\n{''.join(items)}</ul>\n" if items else "<p>None.</p>\n"
    return "<h2>Timeouts, crashes and programs not run</h2>\n" + listed


def _charts(rows, session):
    """Programs by the students who failed them, and areas by the share of their runs that failed;
    programs not run count in neither."""
    failed_by, runs = {}, {}
    for row in rows:
        for o in row.outcomes:
            if o.not_run is None:
                ran, failed = runs.get(o.case.area, (0, 0))
                runs[o.case.area] = (ran + 1, failed + (not o.passed))
                if not o.passed:
                    failed_by[o.case.name] = failed_by.get(o.case.name, 0) + 1
    body = "<h2>Failed most</h2>\n"
    if not failed_by:
        return body + "<p>No program failed.</p>\n"
    top = sorted(failed_by.items(), key=lambda item: (-item[1], item[0]))[:MOST_FAILED]
    body += (f"<h4>Programs, by the students who failed them (of {len(rows)})</h4>\n"
             + pages.bar_chart("Programs failed most", [(name, n / len(rows), f"{n} of {len(rows)}") for name, n in top]))
    areas = [(a, runs[a]) for a in session.areas if a in runs]
    body += ("<h4>Areas, by the share of their runs that failed</h4>\n"
             + pages.bar_chart("Areas failed most", [(a, f / r, f"{round(100 * f / r)}% ({f} of {r})")
                                                     for a, (r, f) in sorted(areas, key=lambda x: -x[1][1] / x[1][0])],
                               colour="#d35400"))
    return body
