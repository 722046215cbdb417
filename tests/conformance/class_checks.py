"""The batch group of the conformance kit's tests: a class graded in one run, with two exercises
of the teacher's (no expected results yet) and a grading file; then the grading files and class
files that the kit must refuse."""
import contextlib
import csv
import io
import json
import os
import pty
import threading

from conformance.harness import check_page, expect, post_processed, run

EXERCISES = {
    # A runtime error after output that looks like markup: the reports must show it as text.
    "markup.ppp": 'program {\n    int zero = 0;\n    write("<b>Tom & Jerry</b> ");\n    write(1 / zero);\n}\n',
    "sum.ppp": 'program {\n    int a, b;\n    read(a);\n    read(b);\n    write("sum ", a + b);\n}\n',
    "sum.in": "3 4\n",
}
GRADING = "# lab 3\npass 60%\nweight syntax 2\nweight exercises/* 5   # the lab's own programs\n"
AREAS = "syntax,runtime-errors,exercises"


def check_batch(kit, poliz, show):
    check_grading_files(kit)
    check_names(kit, poliz)
    check_class(kit, poliz)


def check_grading_files(kit):
    grading, cases = kit.module("grading"), kit.cases()
    explained = next(c for c in cases if c.name.startswith("syntax/explain/"))
    plain = next(c for c in cases if c.area == "syntax" and "/explain/" not in c.name)
    values = next(c for c in cases if c.name == "programs/expressions/and_or_values")
    table = [  # the file, the weights of those three programs, the pass mark's text
        ("", (1, 1, 1), "100%"),
        ("pass 60%\nweight syntax 2\nweight syntax/explain/* 0.5   # the last rule that names one counts\n",
         (0.5, 2, 1), "60%"),
        ("pass 12\nweight programs/expressions/and_or_values 3\n", (1, 1, 3), "12 points"),
    ]
    path = os.path.join(kit.tmp, "grading.txt")
    for text, weights, mark in table:
        with open(path, "w") as f:
            f.write(text)
        loaded = grading.load(path, cases)
        got = tuple(loaded.weight(c) for c in (explained, plain, values)), loaded.pass_mark_text()
        expect(f"grading file {text[:30]!r}", got == (weights, mark), got)
    for text in ("weight syntax two\n", "pass\n", "bonus 3\n", "weight syntax -1\n", "pass 60 %\n"):
        with open(path, "w") as f:
            f.write(text)
        said = io.StringIO()
        with contextlib.redirect_stderr(said):
            try:
                grading.load(path, cases)
                status = 0
            except SystemExit as stop:
                status = stop.code
        expect(f"grading file refused: {text.strip()!r}", status == 2 and f"{path}:1: " in said.getvalue(),
               said.getvalue())
    with open(path, "w") as f:
        f.write("weight sintax 2\n")
    said = io.StringIO()
    with contextlib.redirect_stderr(said):
        grading.load(path, cases)
    expect("grading file: a misspelt name is warned of", "'sintax' names no program" in said.getvalue(), said.getvalue())


def check_names(kit, poliz):
    listing, out = os.path.join(kit.tmp, "twins.txt"), os.path.join(kit.tmp, "twins")
    with open(listing, "w") as f:
        f.write(f"Ada {poliz}\nbob {poliz}\nada {poliz}\n")
    status, _, err = kit.run("--batch", listing, "--out", out)
    expect("two students of one name are refused before anything runs",
           status == 2 and "two students are called 'ada'" in err and "line 1" in err and not os.path.exists(out), err)


def run_on_terminal(kit, *args):
    """kit.run with standard error on a terminal, and what the terminal showed."""
    leader, follower = pty.openpty()
    shown = []

    def read():
        while True:
            try:
                data = os.read(leader, 65536)
            except OSError:
                return
            if not data:
                return
            shown.append(data)

    reader = threading.Thread(target=read)
    reader.start()
    try:
        result = kit.run(*args, stderr=follower)
    finally:
        os.close(follower)
        reader.join()
        os.close(leader)
    return result, b"".join(shown).decode("utf-8", "replace")


def check_class(kit, poliz):
    lab = os.path.join(kit.tmp, "lab")
    os.makedirs(lab)
    for name, text in EXERCISES.items():
        with open(os.path.join(lab, name), "w") as f:
            f.write(text)
    os.symlink(poliz, os.path.join(kit.tmp, "poliz"))  # beside the kit
    listing, grading_file, out = (os.path.join(kit.tmp, n) for n in ("class.txt", "grading.txt", "graded"))
    with open(grading_file, "w") as f:
        f.write(GRADING)
    students = {"poliz": poliz, "ada": post_processed("none", poliz), "bob": post_processed("respelled", poliz),
                "carol": "./missing/mypoliz", "grades": post_processed("status", poliz)}
    with open(listing, "w") as f:
        f.write("# a class of five\n" + "".join(f"{name} {command}\n" for name, command in students.items()))
    (status, console, _), terminal = run_on_terminal(kit, "--batch", listing, "--out", out, "--exercises", lab,
                                                     "--grading", grading_file, "--filter", AREAS, "-j", "2")
    expect("batch: graded", status == 0, console)
    expect("batch: a progress line on the terminal", "\r\x1b[Kgrading 1 of 5: poliz, 1 of " in terminal, terminal[:300])
    expect("batch: the missing command is reported once", console.count("could not be started") == 1, console)

    for name in ("markup", "sum"):
        base = os.path.join(lab, name)
        want = run([poliz, name + ".ppp"], lab, stdin=EXERCISES.get(name + ".in", "").encode())
        got = [open(base + s).read() if os.path.exists(base + s) else None for s in (".status", ".out", ".err")]
        expect(f"exercise {name}: expected results written by the poliz beside the kit",
               got == [f"{want[0]}\n", want[1], want[2]], got)

    cases = [c for c in kit.cases() if c.area in AREAS.split(",")]  # and the two exercises, worth 5 each
    count, total = len(cases) + 2, sum(2 if c.area == "syntax" else 1 for c in cases) + 2 * 5
    respelled = [c for c in cases if b"expexted" in c.read(".err")]  # all in syntax
    runtime = sum(1 for c in cases if c.area == "runtime-errors")
    points = {"poliz": total, "ada": total, "bob": total - 2 * len(respelled), "carol": 0, "grades": total - runtime - 5}
    with open(os.path.join(out, "grades.csv"), newline="") as f:
        rows = {row["name"]: row for row in csv.DictReader(f)}
    expect("CSV: a row per student, in the class file's order", list(rows) == list(students), list(rows))
    expect("CSV: points and results", {n: (r["points"], r["of"], r["result"]) for n, r in rows.items()} == {
        n: (str(p), str(total), "pass" if p >= 0.6 * total else "fail") for n, p in points.items()}, rows)
    expect("CSV: the command that could not be started",
           rows["carol"]["not run"] == str(count) and "could not be started" in rows["carol"]["problem"], rows["carol"])

    check_page(os.path.join(out, "grades.html"), "summary", title="Class summary: class.txt",
               links=len(students) + 1, lacks=[kit.tmp])  # carol's report also from the list of troubles
    summary = open(os.path.join(out, "grades.html"), encoding="utf-8").read()
    expect("summary: the points, the chart, the date and the kit's version",
           f"{total} of {total}" in summary and summary.count("<svg") == 2 and " with the poliz conformance kit, "
           "version " in summary, summary[:2000])
    for name in students:
        page = os.path.join(out, "reports", name + ".html")
        holds = {"bob": [respelled[0].read(".ppp").decode().strip().split("\n")[-2], "message differs"],
                 "grades": ["<b>Tom & Jerry</b> ", "wrong exit status"],
                 "carol": ["could not be started ('mypoliz': No such file or directory)"]}.get(name, [])
        failures = {"poliz": 0, "ada": 0, "bob": len(respelled), "carol": 0, "grades": runtime + 1}[name]
        check_page(page, f"report of {name}", title=f"Conformance report: {name}", links=failures, holds=holds,
                   lacks=[kit.tmp, "<b>Tom"])
        with open(os.path.join(out, "reports", name + ".json"), encoding="utf-8") as f:
            document = json.load(f)
        tests = document["tests"]
        expect(f"JSON of {name}: a test per program, the points", len(tests) == count
               and sum(t["max_score"] for t in tests) == total and document["score"] == points[name], document["score"])
    text = open(os.path.join(out, "reports", "carol.html"), encoding="utf-8").read()
    expect("report of carol: the reason once, and no failure", text.count("could not be started") == 1
           and "<h2>Failures</h2>" not in text, text[:3000])
