#!/usr/bin/env python3
"""Checks the mutant drawer (sites.py, draw.py) on a small C++ program of its own: a seed always
draws the same mutants, every mutant changes one site and still parses, every kind of fault is
found, code compiled under either of two macro settings is drawn from, and nothing is drawn from
macros or from files outside the mutated folders. Run by ctest
as mutant_drawer; skipped (status 77) where libclang's Python binding is missing.
"""

import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from draw import population, shuffled  # noqa: E402
from sites import INSTALL_HINT, load_clang  # noqa: E402

CINDEX = load_clang()

# In a mutated folder: a header that both units include, one that none includes, and the two
# units, the first compiled twice (with and without SWITCHED); a header of a tool's folder.
SHARED_H = """\
#pragma once
struct Log {
    int items[8];
    int size = 0;
    void add(int v) { items[size++] = v; }
    void clear() { size = 0; }
    bool empty() const { return size == 0; }
};
"""
OUTSIDE_H = """\
#pragma once
inline int outside(int x) { return x + 1 > 2 ? x - 1 : x * 3; }
"""
FIRST_CPP = """\
#include "fast/shared.h"
#include "show/outside.h"
#define TWICE(x) ((x) * 2)
static_assert(sizeof(int) >= 2 && 3 > 1, "checked while compiling");

int twice(int x) { return TWICE(x) + outside(x); }

int sample(Log& log, int a, int b, bool flag) {
    int total = 0;
    for (int i = 0; i < a; ++i) {
        if (i == b && flag) continue;
        total += twice(i) - 1;
        log.add(-i);
    }
    while (total > 100 || !flag) {
        total /= 2;
        if (total <= 3) break;
    }
    double r = total ? 1.5 : 0.0;
    do {
        log.add(total);
    } while (false);
    if (r >= 1.0) return total;
    return 0;
}

void stop(Log& log) {
    if (log.empty()) return;
    log.clear();
}

#ifdef SWITCHED
int dispatch(int op) { return op % 7; }
#else
int dispatch(int op) { return op << 2; }
#endif
"""
LONELY_H = """\
#pragma once
inline bool lonely(int x) { return x != 4; }
"""
SECOND_CPP = """\
#include "fast/shared.h"

int count(const Log& log) { return log.empty() ? 0 : log.size; }
"""
FILES = {"src/fast/shared.h": SHARED_H, "src/fast/lonely.h": LONELY_H,
         "src/show/outside.h": OUTSIDE_H, "src/fast/first.cpp": FIRST_CPP,
         "src/fast/second.cpp": SECOND_CPP}
UNITS = [("src/fast/first.cpp", ""), ("src/fast/first.cpp", "-DSWITCHED"), ("src/fast/second.cpp", "")]
KINDS = {"arithmetic", "relational", "boundary", "logical", "left operand alone",
         "right operand alone", "compound assignment", "unary operator dropped", "increment",
         "literal", "condition negated", "call deleted", "statement deleted"}

ONE_TOKEN = {"arithmetic", "relational", "boundary", "logical", "compound assignment",
             "unary operator dropped", "increment", "literal"}


class DrawerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = self.folder.name
        for name, text in FILES.items():
            os.makedirs(os.path.join(self.root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(self.root, name), "w") as f:
                f.write(text)
        self.flags = ["-x", "c++", "-std=c++20", "-I", os.path.join(self.root, "src")]

    def tearDown(self):
        self.folder.cleanup()

    def sites(self, units=UNITS):
        """What draw.py finds, given a compile_commands.json of units."""
        commands = os.path.join(self.root, "compile_commands.json")
        with open(commands, "w") as f:
            json.dump([{"directory": self.root, "file": name,
                        "command": "c++ -std=c++20 -Isrc %s -O2 -c %s -o x.o" % (macro, name)}
                       for name, macro in units], f)
        return population(self.root, commands, CINDEX, warn=self)

    def write(self, message):  # a unit that does not parse is a failure here
        self.fail(message)

    def parse_errors(self, name, text):
        """The errors of the unit holding file name when its text is text."""
        path = os.path.join(self.root, name)
        unit = name if name.endswith(".cpp") else "src/fast/first.cpp"
        with open(path, "wb") as f:
            f.write(text)
        try:
            unit = CINDEX.Index.create().parse(os.path.join(self.root, unit), args=self.flags + [
                "-include", os.path.join(self.root, "src/fast/lonely.h")])
            return [str(d) for d in unit.diagnostics if d.severity >= 3]
        finally:
            with open(path, "w") as f:
                f.write(FILES[name])

    def test_a_seed_draws_the_same_mutants_every_time(self):
        first = [s.key() for s in shuffled(self.sites(), 7)]
        again = [s.key() for s in shuffled(self.sites(), 7)]
        other = [s.key() for s in shuffled(self.sites(), 8)]
        self.assertEqual(first, again)
        self.assertNotEqual(first, other)
        self.assertEqual(sorted(first), sorted(other))  # the same mutants, in another order

    def test_every_kind_of_fault_is_found_in_the_mutated_folders_and_only_there(self):
        sites = self.sites()
        self.assertEqual({s.kind for s in sites}, KINDS)
        self.assertEqual({s.path for s in sites},
                         {"src/fast/first.cpp", "src/fast/second.cpp", "src/fast/shared.h", "src/fast/lonely.h"})
        macro_line = FIRST_CPP.splitlines().index("#define TWICE(x) ((x) * 2)") + 1
        self.assertFalse([s.describe() for s in sites if s.path == "src/fast/first.cpp" and s.line == macro_line])
        self.assertFalse([s.describe() for s in sites
                          if s.path == "src/fast/first.cpp" and s.line == macro_line + 1])  # static_assert
        # A return with a value is never deleted: the function would end without one.
        self.assertFalse([s.describe() for s in sites if s.original.startswith("return ")])

    def test_code_of_either_macro_setting_is_drawn_from(self):
        operators = {s.original for s in self.sites() if s.path == "src/fast/first.cpp"}
        self.assertTrue({"%", "<<"} <= operators, operators)

    def test_a_header_of_two_units_gives_its_sites_once(self):
        both = [s.key() for s in self.sites() if s.path == "src/fast/shared.h"]
        alone = [s.key() for s in self.sites(UNITS[2:]) if s.path == "src/fast/shared.h"]
        self.assertTrue(both)
        self.assertEqual(both, alone)

    def test_each_mutant_changes_one_site_and_still_parses(self):
        sites = self.sites()
        self.assertEqual(len({s.key() for s in sites}), len(sites))
        for site in sites:
            with self.subTest(site=site.describe()):
                text = FILES[site.path].encode()
                mutated = site.apply(text)
                self.assertNotEqual(mutated, text)
                self.assertEqual(site.line, text.count(b"\n", 0, site.start) + 1)
                # Nothing changes outside the site, and a replaced operator or literal is one token.
                self.assertEqual(mutated[:site.start], text[:site.start])
                self.assertTrue(mutated.endswith(text[site.end:]))
                if site.kind in ONE_TOKEN:
                    self.assertRegex(site.original, r"^([A-Za-z0-9_.]+|[-+*/%<>=!&|^~]+)$")
                self.assertEqual(self.parse_errors(site.path, mutated), [])

if __name__ == "__main__":
    if CINDEX is None:
        print("SKIP: libclang's Python binding is missing (%s)" % INSTALL_HINT)
        sys.exit(77)
    unittest.main()
