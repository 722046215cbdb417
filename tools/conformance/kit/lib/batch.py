"""`run --batch FILE`: grades many implementations at once. Each line of FILE is `NAME COMMAND`
(blank lines and lines starting with # are skipped); the result is one table, grades.csv and
grades.html in the --out folder, with each implementation's passes per area and a link to its
own report of failures (NAME.html)."""
import csv
import html
import os
import re

import catalogue
import golden
import process
import reports


def implementations(path):
    found = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 1)
            if len(parts) != 2:
                catalogue.usage_error(f"{path}:{number}: expected 'NAME COMMAND'")
            if not re.fullmatch(r"[A-Za-z0-9_.-]+", parts[0]) or parts[0] in [n for n, _ in found]:
                catalogue.usage_error(f"{path}:{number}: a name of letters, digits, '_', '.' and '-', "
                                      f"used once: {parts[0]}")
            found.append((parts[0], parts[1]))
    return found


def main(args):
    cases = catalogue.load(areas=catalogue.parse_areas(args.filter))
    areas = [a for a in catalogue.AREAS if any(c.area == a for c in cases)]
    out = args.out or "grades"
    os.makedirs(out, exist_ok=True)
    rows = []
    for name, command in implementations(args.batch):
        outcomes = golden.check(process.command_words(command), cases, args.jobs, args.timeout)
        reports.html_report(outcomes, command, os.path.join(out, name + ".html"))
        counts = reports.per_area(outcomes)
        passed = sum(1 for o in outcomes if o.passed)
        rows.append((name, [counts.get(a, (0, 0))[0] for a in areas], passed, len(outcomes) - passed))
        print(f"{name}: {passed} passed, {len(outcomes) - passed} failed")
    totals = [sum(1 for c in cases if c.area == a) for a in areas]
    with open(os.path.join(out, "grades.csv"), "w", encoding="utf-8", newline="") as f:
        table = csv.writer(f)
        table.writerow(["name"] + [f"{a} (of {t})" for a, t in zip(areas, totals)] + ["passed", "failed", "report"])
        for name, per_area, passed, failed in rows:
            table.writerow([name] + per_area + [passed, failed, name + ".html"])
    head = "".join(f"<th>{a}<br>(of {t})</th>" for a, t in zip(areas, totals))
    body = "".join(
        f"<tr><td><a href=\"{html.escape(name)}.html\">{html.escape(name)}</a></td>"
        + "".join(f"<td>{n}</td>" for n in per_area)
        + f"<td class=\"pass\">{passed}</td><td class=\"fail\">{failed}</td></tr>\n"
        for name, per_area, passed, failed in rows)
    with open(os.path.join(out, "grades.html"), "w", encoding="utf-8") as f:
        f.write(reports.page("Conformance grades", f"<table>\n<tr><th>name</th>{head}<th>passed</th>"
                                                   f"<th>failed</th></tr>\n{body}</table>\n"))
    print(f"wrote {os.path.join(out, 'grades.csv')} and {os.path.join(out, 'grades.html')}")
    return 0
