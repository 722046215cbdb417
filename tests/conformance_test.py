#!/usr/bin/env python3
"""The conformance kit (tools/conformance), built into a scratch folder and run on poliz and on
deliberately broken implementations (tests/conformance/), one group of checks at a time:

programs  poliz passes every program, the explain examples' error programs with poliz's own
          message among them; a respelled message, a wrong exit status, a decimal comma and an
          `and` that yields its right operand each fail exactly the programs they should; each
          way of failing has its one-line reason; commands that hang, crash, write too much or
          cannot be started stop early; --filter keeps to its areas; the JUnit XML, HTML and
          autograding JSON reports agree with the console
fuzz      poliz passes the stored generated programs; the `and` fault is found, reduced with the
          poliz found on PATH to at most 15 lines that poliz accepts and the broken machine still
          runs differently, and saved with its input and both results; without a poliz it is
          saved as generated
poliz     poliz-show --plain passes the listing comparison; a listing that spells one operator
          differently fails at its first such item, named with its source line
batch     a class of five with two exercises of the teacher's and a grading file, in one run:
          each student's report stands alone, the summary has points and charts, the CSV and
          JSON agree; grading files and names used twice are refused

Usage: conformance_test.py GROUP POLIZ POLIZ_SHOW
"""
import json
import os
import re
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.dont_write_bytecode = True  # no __pycache__ in the source folders imported from
from conformance.class_checks import check_batch  # noqa: E402
from conformance.harness import BUILD_KIT, Kit, and_yields_right, check_page, closing, expect, failed_names, \
    post_processed, run  # noqa: E402

EXPLAIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "explain")


def check_programs(kit, poliz, show):
    cases = kit.cases()
    status, out, _ = kit.run(poliz, "-j", "2")
    expect("poliz passes every program", status == 0 and out.endswith(f"{len(cases)} passed, 0 failed\n"), out[-2000:])
    expect("every area has programs", all(f"{a} " in out for a in ("lexical", "syntax", "semantic", "runtime-errors",
                                                                     "programs", "reads")), out[-600:])
    explained = [c for c in cases if "/explain/" in c.name]
    expect("the explain examples' errors are in each area of errors",
           {c.area for c in explained} == {"lexical", "syntax", "semantic"}, sorted(c.name for c in explained))
    for case in explained:
        area, _, rest = case.name.split("/", 2)
        with open(os.path.join(EXPLAIN, area, rest) + ".err", "rb") as f:
            message = f.read().split(b"\n")[0] + b"\n"
        expect(f"{case.name}: poliz's message, the first line of the example's", case.read(".err") == message,
               (case.read(".err"), message))

    # Faults that change what a program writes when it runs are tried on the areas that run.
    running = ("runtime-errors", "programs", "reads")
    wanted = {
        "respelled": (None, {c.name for c in cases if b"expexted" in c.read(".err")}),
        "status": (running, {c.name for c in cases if c.area == "runtime-errors"}),
        "decimal-comma": (running, {c.name for c in cases if re.search(rb"\d\.\d", c.read(".out"))}),
    }
    outputs = {}
    for fault, (areas, names) in wanted.items():
        status, outputs[fault], _ = kit.run(post_processed(fault, poliz), "-j", "2",
                                            *(["--filter", ",".join(areas)] if areas else []))
        got = failed_names(outputs[fault])
        expect(f"{fault}: fails exactly the programs it should", (status, got) == (1, names),
               f"status {status}; unexpected {sorted(got - names)}, missed {sorted(names - got)}")
        count = sum(1 for c in cases if not areas or c.area in areas)
        expect(f"{fault}: closing line", outputs[fault].endswith(f"{count - len(names)} passed, {len(names)} failed\n"))
    expect("respelled: some of the explain examples fail",
           any("/explain/" in name for name in failed_names(outputs["respelled"])))
    expect("a failure: its reason and both statuses, then what differs",
           re.search(r"^FAIL runtime-errors/\S+: wrong exit status \(expected status 4, actual 1\)\n"
                     r"exit status: expected 4, actual 1\n", outputs["status"], re.M), outputs["status"][:1500])
    expect("a failure shows a unified diff", re.search(r"^FAIL \S+: message differs \(", outputs["respelled"], re.M)
           and "--- expected stderr\n+++ actual stderr\n" in outputs["respelled"]
           and "\n-Syntax error" in outputs["respelled"] and "\n+Syntax error" in outputs["respelled"],
           outputs["respelled"][:1500])
    expect("--filter: the areas given only",
           re.findall(r"^(\S+) +\d+ passed", outputs["status"], re.M) == list(running), outputs["status"][-500:])
    check_reasons(kit)
    check_failing_fast(kit)
    check_reports(kit, poliz, show, cases)


def check_reasons(kit):
    """The one-line reason of each way a run can fail, on made-up results."""
    golden, process, catalogue = kit.module("golden"), kit.module("process"), kit.module("catalogue")
    base = os.path.join(kit.tmp, "made-up")
    for suffix, data in ((".out", b"one\ntwo\nthree\n"), (".err", b"")):
        with open(base + suffix, "wb") as f:
            f.write(data)
    case = catalogue.Case("programs/made-up", "programs", 0, base)
    big = b"x" * process.MAX_OUTPUT
    table = [
        (process.Result(b"one\ntwo\nthree\n", b"", 0), None),
        (process.Result(b"one\ntwo\nthree\n", b"", 3), "wrong exit status"),
        (process.Result(b"one\ntwo\nfour\n", b"", 0), "output differs at line 3"),
        (process.Result(b"one\ntwo\nthree", b"", 0), "output differs at line 3"),
        (process.Result(b"one\r\ntwo\nthree\n", b"", 0), "output differs at line 1"),
        (process.Result(b"one\ntwo\nthree\nfour\n", b"", 0), "output differs at line 4"),
        (process.Result(b"one\ntwo\nthree\n", b"Error\n", 1), "wrong exit status, message differs"),
        (process.Result(b"one\n", b"oops\n", 2), "wrong exit status, output differs at line 2, message differs"),
        (process.Result(b"one\n", b"", None), "ran out of time after 2 s"),
        (process.Result(b"", b"", -11), "killed by signal 11 (SIGSEGV)"),
        (process.Result(big, b"", -25), "output over the 16 MB limit"),
        (process.Result(b"", big, 1), "output over the 16 MB limit"),
    ]
    for result, reason in table:
        outcome = golden.Outcome(case, result, 2.0)
        got = None if outcome.passed else outcome.reason
        expect(f"reason: {reason}", got == reason, f"{got!r} for {result.key()[:1]!r}"[:300])


def check_failing_fast(kit):
    """Implementations that hang, crash, write without end or cannot be started: the first
    programs fail with the reason and the rest are not run."""
    python = f"{sys.executable} -S -c"
    sleeper = f"{python} 'import time; time.sleep(60)'"
    crasher = f"{python} 'import os, signal; os.kill(os.getpid(), signal.SIGSEGV)'"
    writer = f"{python} 'import sys; sys.stdout.write(\"x\" * (17 << 20))'"
    runtime = sum(1 for c in kit.cases() if c.area == "runtime-errors")
    table = [  # command, options, the reason of the programs that ran and how many, why the rest were not
        (sleeper, ["--timeout", "0.3"], "ran out of time after 0.3 s", 3,
         "3 programs in a row ran out of time, crashed or wrote too much"),
        (sleeper, ["--timeout", "0.3", "--stop-after", "0", "--budget", "1"], "ran out of time after 0.3 s", None,
         "the time budget of 1 s was used up"),
        (crasher, [], "killed by signal 11 (SIGSEGV)", 3, "3 programs in a row"),
        (writer, ["--stop-after", "2"], "output over the 16 MB limit", 2, "2 programs in a row"),
        ("./no-such-poliz", [], None, 0, "the command could not be started ('no-such-poliz': No such file or directory)"),
    ]
    for command, options, reason, count, stopped in table:
        status, out, _ = kit.run(command, "--filter", "runtime-errors", "-j", "1", *options, timeout=120)
        ran = len(re.findall(rf"^FAIL \S+: {re.escape(reason)} ", out, re.M)) if reason else 0
        skipped = runtime - ran
        expect(f"fail fast: {reason or stopped}", status == 1 and (count is None or ran == count) and ran < runtime
               and out.count(stopped) == 1 and f"\n{skipped} not run: " in out
               and out.endswith(f"0 passed, {runtime} failed\n"), out[-1500:])
    status, out, _ = kit.run(sleeper, "--filter", "reads", "-j", "2", timeout=120)
    limits = [float(s) for s in re.findall(r": ran out of time after ([\d.]+) s ", out)]
    expect("the default time limit: 100 times poliz's time, at least 2 s",
           len(limits) == 2 and all(2 <= limit <= max(2, 100 * c.time) + 0.1 for limit, c in
                                    zip(limits, [c for c in kit.cases() if c.area == "reads"])), out)


def check_reports(kit, poliz, show, cases):
    junit, page, results = (os.path.join(kit.tmp, name) for name in ("report.xml", "report.html", "results.json"))
    status, out, _ = kit.run(and_yields_right(poliz, show), "-j", "2", "--junit", junit, "--html", page,
                             "--json", results, "--name", "Ada Lovelace")
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
    with open(results, encoding="utf-8") as f:
        document = json.load(f)
    tests = document.get("tests", [])
    expect("JSON: a test per program with name, score, max_score and output",
           len(tests) == len(cases) and all({"name", "score", "max_score", "output"} <= set(t) for t in tests))
    expect("JSON: the failures score 0 and say why", {t["name"] for t in tests if t["score"] == 0} == names and all(
        t["output"].startswith(f"FAIL {t['name']}: output differs at line") for t in tests if t["score"] == 0))
    expect("JSON: the total", document.get("score") == len(cases) - len(names), document.get("score"))
    check_page(page, "the HTML report", title="Conformance report: Ada Lovelace", links=len(names),
           holds=[kit.case("programs/expressions/and_or_values").read(".ppp").decode().split("\n")[-3]])


def check_fuzz(kit, poliz, show):
    status, out, _ = kit.run("--fuzz", "10", poliz)
    expect("poliz passes the stored generated programs", (status, out) == (0, "10 passed, 0 failed\n"), out[-1500:])
    status, out, err = kit.run("--fuzz", "5", "--seed", "1000000", poliz)
    expect("seeds not stored need a reference", status != 0 and "--reference" in out + err, out + err)

    broken = and_yields_right(poliz, show)
    unreduced = os.path.join(kit.tmp, "unreduced")
    status, out, _ = kit.run("--fuzz", "10", "--out", unreduced, broken)
    expect("without a poliz, the program is saved as generated", status == 1 and "(not reduced: " in out, out[-3000:])
    findings = os.path.join(kit.tmp, "findings")
    status, out, _ = kit.run("--fuzz", "10", "--out", findings, broken, path=kit.bin_with(poliz))
    expect("the `and` fault is found", status == 1 and out.endswith(" failed\n") and "FAIL seed" in out, out[-3000:])
    expect("the poliz on PATH reduces it, and says so", "no --reference given: using the poliz at " in out, out[:1000])
    saved = sorted(os.listdir(findings)) if os.path.isdir(findings) else []
    program = next((os.path.join(findings, f) for f in saved if f.endswith(".ppp")), None)
    expect("saved with its input and both results",
           program is not None and all(os.path.exists(program[:-4] + s) for s in
                                       (".in", ".expected.out", ".actual.out", ".expected.status")), saved)
    if program is None:
        return
    with open(program, encoding="latin-1") as f:
        source = f.read()
    with open(os.path.join(unreduced, os.path.basename(program)), encoding="latin-1") as f:
        generated = f.read()
    expect("reduced to at most 15 lines, from more", source.count("\n") <= 15 < generated.count("\n"), source)
    expect("the reduced program is printed", source.strip() in out, out[-3000:])
    expect("the reduced program still uses `and`", re.search(r"\band\b", source) is not None, source)
    with open(program[:-4] + ".in", "rb") as f:
        stdin = f.read()
    folder, name = os.path.split(program)
    want = run([poliz, name], folder, stdin=stdin)
    got = run(broken.split() + [name], folder, stdin=stdin)
    expect("poliz accepts the reduced program", want[0] in (0, 4), want[2])
    expect("the broken machine still runs it differently", want[1] != got[1], (want[1], got[1]))


def check_poliz(kit, poliz, show):
    cases = [c for c in kit.cases() if c.poliz is not None]
    status, out, _ = kit.run("--poliz", f"{show} --plain", "-j", "2")
    expect("poliz-show --plain matches every listing", status == 0 and out.endswith(f"{len(cases)} passed, 0 failed\n"),
           out[-1500:])
    status, out, _ = kit.run("--poliz", post_processed("listing", show, "--plain"), "-j", "2")
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
        GROUPS[group](Kit(kit, tmp), poliz, show)
    return closing()


if __name__ == "__main__":
    sys.exit(main())
