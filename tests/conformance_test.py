#!/usr/bin/env python3
"""The conformance kit (tools/conformance), built into a scratch folder and run on poliz and on
deliberately broken implementations (tests/conformance/), one group of checks at a time:

programs  poliz passes every program; a respelled message, a wrong exit status, a decimal comma
          and an `and` that yields its right operand each fail exactly the programs they should,
          and so does a run that never ends; --filter keeps to its areas; the JUnit XML and HTML
          reports are well formed and agree with the console
fuzz      poliz passes the stored generated programs; the `and` fault is found, reduced to at
          most 15 lines that poliz accepts and the broken machine still runs differently, and
          saved with its input and both results
poliz     poliz-show --plain passes the listing comparison; a listing that spells one operator
          differently fails at its first such item, named with its source line
batch     grading two implementations on two areas writes the CSV and HTML tables, and a report
          per name

Usage: conformance_test.py GROUP POLIZ POLIZ_SHOW
"""
import csv
import html.parser
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_KIT = os.path.join(HERE, "..", "tools", "conformance", "build_kit.py")
BROKEN = os.path.join(HERE, "conformance")

failures = []
passed = 0


def expect(name, ok, detail=""):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(name)
        print(f"FAIL {name}" + (f"\n{detail}" if detail else ""))


def run(args, cwd=None, timeout=600):
    done = subprocess.run(args, cwd=cwd, capture_output=True, timeout=timeout)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def failed_names(out):
    return {m.group(1) for m in re.finditer(r"^FAIL (\S+?):? ", out, re.M)}


def post_processed(fault, *command):
    return " ".join([sys.executable, "-S", os.path.join(BROKEN, "post_processed.py"), fault, *command])


def and_yields_right(poliz, show):
    return " ".join([sys.executable, "-S", os.path.join(BROKEN, "and_yields_right.py"), poliz, show])


def kit_cases(kit):
    sys.path.insert(0, os.path.join(kit, "lib"))
    import catalogue
    return catalogue.load(kit)


class BalancedTags(html.parser.HTMLParser):
    """Every element that is opened is closed, in order (void elements apart)."""
    VOID = {"meta", "br"}

    def __init__(self):
        super().__init__()
        self.open, self.broken, self.links = [], False, []

    def handle_starttag(self, tag, attrs):
        if tag == "a":
            self.links += [v for k, v in attrs if k == "href"]
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.broken = True


def well_formed_html(path):
    checker = BalancedTags()
    with open(path, encoding="utf-8") as f:
        text = f.read()
    checker.feed(text)
    return text.startswith("<!DOCTYPE html>") and not checker.broken and not checker.open, checker.links


def check_programs(kit, poliz, show, tmp):
    runner = os.path.join(kit, "run")
    cases = kit_cases(kit)
    status, out, _ = run([runner, poliz, "-j", "2"], tmp)
    expect("poliz passes every program", status == 0 and out.endswith(f"{len(cases)} passed, 0 failed\n"), out[-2000:])
    expect("every area has programs", all(f"{a} " in out for a in ("lexical", "syntax", "semantic", "runtime-errors",
                                                                     "programs", "reads")), out[-600:])
    wanted = {
        "respelled": {c.name for c in cases if b"expexted" in c.read(".err")},
        "status": {c.name for c in cases if c.area == "runtime-errors"},
        "decimal-comma": {c.name for c in cases if re.search(rb"\d\.\d", c.read(".out"))},
    }
    outputs = {}
    for fault, names in wanted.items():
        status, outputs[fault], _ = run([runner, post_processed(fault, poliz), "-j", "2"], tmp)
        got = failed_names(outputs[fault])
        expect(f"{fault}: fails exactly the programs it should", (status, got) == (1, names),
               f"status {status}; unexpected {sorted(got - names)}, missed {sorted(names - got)}")
        expect(f"{fault}: closing line",
               outputs[fault].endswith(f"{len(cases) - len(names)} passed, {len(names)} failed\n"))
    expect("a failure shows both statuses", "exit status: expected 4, actual 1" in outputs["status"],
           outputs["status"][:1500])
    expect("a failure shows a unified diff", "--- expected stderr\n+++ actual stderr\n" in outputs["respelled"]
           and "\n-Syntax error" in outputs["respelled"] and "\n+Syntax error" in outputs["respelled"],
           outputs["respelled"][:1500])
    status, out, _ = run([runner, post_processed("status", poliz), "--filter", "runtime-errors,reads", "-j", "2"], tmp)
    expect("--filter: the areas given only", re.findall(r"^(\S+) +\d+ passed", out, re.M) == ["runtime-errors", "reads"],
           out[-500:])

    sleeper = f"{sys.executable} -c 'import time; time.sleep(60)'"
    status, out, _ = run([runner, sleeper, "--filter", "reads", "--timeout", "0.5", "-j", "2"], tmp, timeout=30)
    reads = sum(1 for c in cases if c.area == "reads")
    expect("--timeout: a run that does not end fails", status == 1 and out.count("did not end in time") == reads
           and out.endswith(f"0 passed, {reads} failed\n"), out[-1000:])

    junit, report = os.path.join(tmp, "report.xml"), os.path.join(tmp, "report.html")
    status, out, _ = run([runner, and_yields_right(poliz, show), "-j", "2", "--junit", junit, "--html", report], tmp)
    names = failed_names(out)
    with_and = {c.name for c in cases if c.area in ("programs", "reads", "runtime-errors")
                and re.search(rb"\band\b", c.read(".ppp"))}
    expect("and: fails programs that use `and`, and only those", status == 1 and names and names <= with_and,
           f"status {status}; failed {sorted(names)}")
    expect("and: fails the program of and's values", "programs/expressions/and_or_values" in names, sorted(names))
    try:
        root = ET.parse(junit).getroot()
        cases_xml = root.findall("./testsuite/testcase")
        failed_xml = {c.get("name") for c in cases_xml if c.find("failure") is not None}
        expect("JUnit: one testcase per program, the same failures", (len(cases_xml), failed_xml) == (len(cases), names))
        expect("JUnit: counts", (root.get("tests"), root.get("failures")) == (str(len(cases)), str(len(names))))
    except ET.ParseError as error:
        expect("JUnit XML parses", False, str(error))
    ok, links = well_formed_html(report)
    expect("HTML report: well formed, a link to every failure", ok and len(links) == len(names), links)


def check_fuzz(kit, poliz, show, tmp):
    runner = os.path.join(kit, "run")
    status, out, _ = run([runner, "--fuzz", "10", poliz], tmp)
    expect("poliz passes the stored generated programs", (status, out) == (0, "10 passed, 0 failed\n"), out[-1500:])
    status, out, err = run([runner, "--fuzz", "5", "--seed", "1000000", poliz], tmp)
    expect("seeds not stored need a reference", status != 0 and "--reference" in out + err, out + err)

    findings = os.path.join(tmp, "findings")
    broken = and_yields_right(poliz, show)
    status, out, _ = run([runner, "--fuzz", "30", "--reference", poliz, "--out", findings, broken], tmp)
    expect("the `and` fault is found", status == 1 and out.endswith(" failed\n") and "FAIL seed" in out, out[-3000:])
    saved = sorted(os.listdir(findings)) if os.path.isdir(findings) else []
    program = next((os.path.join(findings, f) for f in saved if f.endswith(".ppp")), None)
    expect("saved with its input and both results",
           program is not None and all(os.path.exists(program[:-4] + s) for s in
                                       (".in", ".expected.out", ".actual.out", ".expected.status")), saved)
    if program is None:
        return
    with open(program, encoding="latin-1") as f:
        source = f.read()
    expect("reduced to at most 15 lines", source.count("\n") <= 15, source)
    expect("the reduced program is printed", source.strip() in out, out[-3000:])
    expect("the reduced program still uses `and`", re.search(r"\band\b", source) is not None, source)
    with open(program[:-4] + ".in", "rb") as f:
        stdin = f.read()
    folder, name = os.path.split(program)
    want = subprocess.run([poliz, name], cwd=folder, input=stdin, capture_output=True)
    got = subprocess.run(broken.split() + [name], cwd=folder, input=stdin, capture_output=True)
    expect("poliz accepts the reduced program", want.returncode in (0, 4), want.stderr)
    expect("the broken machine still runs it differently", want.stdout != got.stdout, (want.stdout, got.stdout))


def check_poliz(kit, poliz, show, tmp):
    runner = os.path.join(kit, "run")
    cases = [c for c in kit_cases(kit) if c.poliz is not None]
    status, out, _ = run([runner, "--poliz", f"{show} --plain", "-j", "2"], tmp)
    expect("poliz-show --plain matches every listing", status == 0 and out.endswith(f"{len(cases)} passed, 0 failed\n"),
           out[-1500:])
    status, out, _ = run([runner, "--poliz", post_processed("listing", show, "--plain"), "-j", "2"], tmp)
    with_jumpfalse = [c for c in cases if "operator jumpfalse" in [item for item, _ in c.poliz]]
    expect("a changed operator fails exactly the listings that hold it",
           (status, failed_names(out)) == (1, {c.name for c in with_jumpfalse}), out[-1500:])
    for case in with_jumpfalse[:5]:
        folder, name = os.path.split(case.program)
        plain = run([show, "--plain", name], folder)[1].splitlines()
        index = plain.index("operator jumpfalse")
        line, seen = 0, -1
        for text in run([show, name], folder)[1].splitlines():
            if text.startswith("line "):
                line = int(text.split()[1].rstrip(":"))
            elif text.startswith(" "):
                seen += 1
                if seen == index:
                    break
        shown = (f"FAIL {case.name}: item {index} differs:\n  expected: operator jumpfalse\n  actual:   operator jf\n"
                 f"  source line {line}: {case.source_line(line).strip()}\n")
        expect(f"first differing item and its line: {case.name}", shown in out, out[-2000:])


def check_batch(kit, poliz, show, tmp):
    runner = os.path.join(kit, "run")
    listing = os.path.join(tmp, "class.txt")
    with open(listing, "w") as f:
        f.write(f"# two students\nada {poliz}\n\nbob {post_processed('status', poliz)}\n")
    grades = os.path.join(tmp, "grades")
    status, out, _ = run([runner, "--batch", listing, "--out", grades, "--filter", "runtime-errors,reads", "-j", "2"], tmp)
    expect("batch runs", status == 0, out)
    runtime = sum(1 for c in kit_cases(kit) if c.area == "runtime-errors")
    with open(os.path.join(grades, "grades.csv"), newline="") as f:
        rows = list(csv.reader(f))
    header = rows[0]
    expect("CSV: a column per area filtered", [h.split(" ")[0] for h in header[1:3]] == ["runtime-errors", "reads"],
           header)
    column = next(i for i, h in enumerate(header) if h.startswith("runtime-errors"))
    expect("CSV: one row per implementation", [r[0] for r in rows[1:]] == ["ada", "bob"], rows)
    expect("CSV: passes per area", (rows[1][column], rows[2][column]) == (str(runtime), "0"), rows)
    expect("CSV: failures", (rows[1][header.index("failed")], rows[2][header.index("failed")]) == ("0", str(runtime)))
    ok, links = well_formed_html(os.path.join(grades, "grades.html"))
    expect("HTML table: well formed, linking each report", ok and links == ["ada.html", "bob.html"], links)
    expect("reports exist", all(os.path.exists(os.path.join(grades, link)) for link in links))
    ok, links = well_formed_html(os.path.join(grades, "bob.html"))
    expect("the linked report lists the failures", ok and len(links) == runtime, links)


GROUPS = {"programs": check_programs, "fuzz": check_fuzz, "poliz": check_poliz, "batch": check_batch}


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in GROUPS:
        raise SystemExit(__doc__)
    group, poliz, show = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    with tempfile.TemporaryDirectory() as tmp:
        kit = os.path.join(tmp, "conformance")
        status, out, err = run([sys.executable, BUILD_KIT, "--poliz", poliz, "--poliz-show", show,
                                "--out", kit, "--fuzz-seeds", "10"])
        if status != 0:
            print(f"FAIL the kit is not built:\n{out}{err}")
            return 1
        GROUPS[group](kit, poliz, show, tmp)
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
