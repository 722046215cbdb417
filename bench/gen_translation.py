#!/usr/bin/env python3
"""Generates the translation benchmark: one long program that does almost nothing at run time.

The same statements are written in our language, in Lua and in Python, line by line; all of
them sit inside a branch that is never taken, so the time spent is the time to translate.
Usage: gen_translation.py [--lines N] [--out DIR]   (writes translate.ppp, .lua and .py)
"""

import argparse
import os

INTS = ["v%d" % i for i in range(16)]
REALS = ["r%d" % i for i in range(4)]
STRINGS = ["s%d" % i for i in range(4)]
COUNTERS = ["k%d" % i for i in range(4)]


def _statement(n):
    """Returns the n-th statement as (ours, lua, python lines), each one source line in ours.

    Operand names and constants vary with n, so the tables of constants grow as a real
    program's would, and every statement form of the language turns up.
    """
    x, y, z = INTS[n % 16], INTS[(n * 7 + 3) % 16], INTS[(n * 11 + 5) % 16]
    rr, ss, kk = REALS[n % 4], STRINGS[(n // 4) % 4], COUNTERS[(n // 16) % 4]
    c = n % 997 + 2
    kind = n % 12
    if kind == 0:
        return ("%s = %s + %s * %d - (%s - %d);" % (x, y, z, c, y, c * 3),
                "%s = %s + %s * %d - (%s - %d)" % (x, y, z, c, y, c * 3),
                ["%s = %s + %s * %d - (%s - %d)" % (x, y, z, c, y, c * 3)])
    if kind == 1:
        return ("if (%s < %s) %s = %s + %d; else %s = %s - 1;" % (x, y, z, z, c, z, z),
                "if %s < %s then %s = %s + %d else %s = %s - 1 end" % (x, y, z, z, c, z, z),
                ["if %s < %s:" % (x, y), "    %s = %s + %d" % (z, z, c),
                 "else:", "    %s = %s - 1" % (z, z)])
    if kind == 2:
        return ("while (%s > %d) %s = %s - 7;" % (x, c, x, x),
                "while %s > %d do %s = %s - 7 end" % (x, c, x, x),
                ["while %s > %d:" % (x, c), "    %s = %s - 7" % (x, x)])
    if kind == 3:
        return ("%s = %s * 1.5 + %s / %d;" % (rr, rr, x, c),
                "%s = %s * 1.5 + %s // %d" % (rr, rr, x, c),
                ["%s = %s * 1.5 + %s // %d" % (rr, rr, x, c)])
    if kind == 4:
        return ('%s = %s + "word%d";' % (ss, ss, c),
                '%s = %s .. "word%d"' % (ss, ss, c),
                ['%s = %s + "word%d"' % (ss, ss, c)])
    if kind == 5:
        return ("for (%s = 0; %s < %d; %s = %s + 1) %s = %s + %s;" % (kk, kk, c, kk, kk, x, x, kk),
                "%s = 0 while %s < %d do %s = %s + %s; %s = %s + 1 end" % (kk, kk, c, x, x, kk, kk, kk),
                ["%s = 0" % kk, "while %s < %d:" % (kk, c),
                 "    %s = %s + %s; %s = %s + 1" % (x, x, kk, kk, kk)])
    if kind == 6:
        return ("case (%s) of 1: %s = 2; 2, 3: %s = %d; end;" % (x, y, y, c),
                "if %s == 1 then %s = 2 elseif %s == 2 or %s == 3 then %s = %d end"
                % (x, y, x, x, y, c),
                ["if %s == 1:" % x, "    %s = 2" % y,
                 "elif %s == 2 or %s == 3:" % (x, x), "    %s = %d" % (y, c)])
    if kind == 7:
        return ('write(%s, " ", %s, nl);' % (x, ss),
                'io.write(%s, " ", %s, "\\n")' % (x, ss),
                ["print(%s, %s)" % (x, ss)])
    if kind == 8:
        return ("if (%s > 0 and %s < %d or not (%s == %s)) %s = %s; else { }" % (x, y, c, z, x, x, y),
                "if %s > 0 and %s < %d or not (%s == %s) then %s = %s end" % (x, y, c, z, x, x, y),
                ["if %s > 0 and %s < %d or not (%s == %s):" % (x, y, c, z, x),
                 "    %s = %s" % (x, y)])
    if kind == 9:
        return ("%s = %s = %s + %d;" % (x, y, z, c),
                "%s = %s; %s = %s + %d" % (x, y, x, z, c),
                ["%s = %s; %s = %s + %d" % (x, y, x, z, c)])
    if kind == 10:
        return ("%s = -%s + %d; /* note %d */" % (x, y, c, n),
                "%s = -%s + %d -- note %d" % (x, y, c, n),
                ["%s = -%s + %d  # note %d" % (x, y, c, n)])
    return ('if (%s == "word%d") %s = %s - 0.25; else %s = %s + %s;' % (ss, c, rr, rr, rr, rr, x),
            'if %s == "word%d" then %s = %s - 0.25 else %s = %s + %s end' % (ss, c, rr, rr, rr, rr, x),
            ['if %s == "word%d":' % (ss, c), "    %s = %s - 0.25" % (rr, rr),
             "else:", "    %s = %s + %s" % (rr, rr, x)])


def generate(lines):
    """Returns the three sources (ours, lua, python) with about `lines` lines each in ours."""
    ours = ["/* Generated translation benchmark: nothing below the test of zero runs. */",
            "program {",
            "  int zero = 0, %s;" % ", ".join(name + " = 1" for name in INTS + COUNTERS),
            "  real %s;" % ", ".join(name + " = 0.5" for name in REALS),
            "  string %s;" % ", ".join(name + ' = ""' for name in STRINGS),
            '  string nl = "\n";',
            "  if (zero) {"]
    lua = ["-- Generated translation benchmark: nothing below the test of zero runs.",
           "local zero = 0",
           "local %s = %s" % (", ".join(INTS + COUNTERS), ", ".join("1" for _ in INTS + COUNTERS)),
           "local %s = %s" % (", ".join(REALS), ", ".join("0.5" for _ in REALS)),
           "local %s = %s" % (", ".join(STRINGS), ", ".join('""' for _ in STRINGS)),
           "",
           "if zero ~= 0 then"]
    py = ["# Generated translation benchmark: nothing below the test of zero runs.",
          "zero = 0",
          "%s = %s" % (", ".join(INTS + COUNTERS), ", ".join("1" for _ in INTS + COUNTERS)),
          "%s = %s" % (", ".join(REALS), ", ".join("0.5" for _ in REALS)),
          "%s = %s" % (", ".join(STRINGS), ", ".join('""' for _ in STRINGS)),
          "",
          "if zero:"]
    body = max(1, lines - len(ours) - 4)
    for n in range(body):
        o, l, p = _statement(n)
        ours.append("    " + o)
        lua.append("  " + l)
        py.extend("    " + line for line in p)
    ours += ["  } else { }", "  write(zero, nl);", "}"]
    lua += ["end", 'io.write(zero, "\\n")']
    py += ["print(zero)"]
    return ("\n".join(ours) + "\n", "\n".join(lua) + "\n", "\n".join(py) + "\n")


def write(lines, out_dir):
    """Writes translate.ppp, translate.lua and translate.py into out_dir; returns their paths."""
    os.makedirs(out_dir, exist_ok=True)
    paths = []
    for ext, text in zip(("ppp", "lua", "py"), generate(lines)):
        path = os.path.join(out_dir, "translate." + ext)
        with open(path, "w") as f:
            f.write(text)
        paths.append(path)
    return paths


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lines", type=int, default=200000, help="lines in our language")
    parser.add_argument("--out", default=".", help="folder for translate.ppp, .lua and .py")
    args = parser.parse_args()
    for path in write(args.lines, args.out):
        print(path, os.path.getsize(path), "bytes")


if __name__ == "__main__":
    main()
