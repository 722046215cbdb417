"""What the conformance kit's tests share: the tally of checks, the kit's `run` started with a PATH
of the test's choosing, the broken implementations' command lines, and the checks every HTML
report must pass (well formed, standalone, its texts escaped)."""
import html
import html.parser
import importlib
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_KIT = os.path.join(HERE, "..", "..", "tools", "conformance", "build_kit.py")

failures = []
passed = 0


def expect(name, ok, detail=""):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(name)
        print(f"FAIL {name}" + (f"\n{detail}" if detail else ""))


def closing():
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


def run(args, cwd=None, timeout=600, stdin=b"", env=None, stderr=subprocess.PIPE):
    done = subprocess.run(args, cwd=cwd, input=stdin, stdout=subprocess.PIPE, stderr=stderr, timeout=timeout, env=env)
    return (done.returncode, done.stdout.decode("utf-8", "replace"),
            done.stderr.decode("utf-8", "replace") if done.stderr is not None else "")


def failed_names(out):
    return {m.group(1) for m in re.finditer(r"^FAIL (\S+?):? ", out, re.M)}


def post_processed(fault, *command):
    return " ".join([sys.executable, "-S", os.path.join(HERE, "post_processed.py"), fault, *command])


def and_yields_right(poliz, show):
    return " ".join([sys.executable, "-S", os.path.join(HERE, "and_yields_right.py"), poliz, show])


class Kit:
    """A kit built into tmp, run from tmp with nothing on PATH unless a test puts it there."""

    def __init__(self, root, tmp):
        self.root, self.tmp = root, tmp
        self.empty_bin = os.path.join(tmp, "bin-empty")
        os.makedirs(self.empty_bin, exist_ok=True)

    def run(self, *args, cwd=None, path=None, timeout=600, stderr=subprocess.PIPE):
        env = dict(os.environ, PATH=path or self.empty_bin)
        return run([sys.executable, os.path.join(self.root, "run"), *args], cwd or self.tmp, timeout, env=env,
                   stderr=stderr)

    def bin_with(self, poliz):
        """A folder for PATH that holds poliz alone, as if it were installed."""
        folder = os.path.join(self.tmp, "bin-poliz")
        if not os.path.exists(folder):
            os.makedirs(folder)
            os.symlink(poliz, os.path.join(folder, "poliz"))
        return folder

    def module(self, name):
        """One of the kit's own modules, imported from the kit as built."""
        if os.path.join(self.root, "lib") not in sys.path:
            sys.path.insert(0, os.path.join(self.root, "lib"))
        return importlib.import_module(name)

    def cases(self):
        return self.module("catalogue").load(self.root)

    def case(self, name):
        return next(c for c in self.cases() if c.name == name)


class BalancedTags(html.parser.HTMLParser):
    """Every element that is opened is closed, in order (void elements apart)."""
    VOID = {"meta", "br", "col"}

    def __init__(self):
        super().__init__()
        self.open, self.broken, self.links, self.h1 = [], False, [], None

    def handle_starttag(self, tag, attrs):
        if tag == "a":
            self.links += [v for k, v in attrs if k == "href"]
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.broken = True

    def handle_data(self, data):
        if self.open and self.open[-1] == "h1" and self.h1 is None:
            self.h1 = data


def well_formed_html(path):
    checker = BalancedTags()
    with open(path, encoding="utf-8") as f:
        text = f.read()
    checker.feed(text)
    return text.startswith("<!DOCTYPE html>") and not checker.broken and not checker.open, checker.links


def check_page(path, what, title=None, links=None, holds=(), lacks=()):
    """A report: well formed, with nothing to fetch or run, titled `title`, with `links` links,
    the texts of `holds` shown (escaped) and none of `lacks` anywhere in it."""
    checker = BalancedTags()
    with open(path, encoding="utf-8") as f:
        text = f.read()
    checker.feed(text)
    expect(f"{what}: well formed", text.startswith("<!DOCTYPE html>") and not checker.broken and not checker.open)
    fetched = re.findall(r"<script|<link|<img|<iframe|\ssrc=|url\(|href=\"(?:https?:|//)", text)
    expect(f"{what}: stands alone", not fetched, fetched)
    if title is not None:
        expect(f"{what}: titled", checker.h1 == title, checker.h1)
    if links is not None:
        expect(f"{what}: {links} links", len(checker.links) == links, checker.links)
    for shown in holds:
        expect(f"{what}: shows {shown[:40]!r}", html.escape(shown) in text)
    for absent in lacks:
        expect(f"{what}: nothing of {absent[:40]!r}", absent not in text)
