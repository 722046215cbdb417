#!/usr/bin/env python3
"""Random well-typed, terminating programs with their input, for differential tests of poliz.

Used by differ.py (beside it), the generated-program tests of tests/CMakeLists.txt and `make fuzz`
(seed corpus). Plain Python 3: the same seed gives the same program and input on any machine.

Usage: progen.py [--seed S] [--count N] [--out DIR] [size knobs]
Writes DIR/prog-SEED.ppp and DIR/prog-SEED.in for the seeds S to S+N-1 (without --out, prints
them). The program's first line says how it is meant to end.
"""
import argparse
import os
import random
import struct
import sys
from dataclasses import dataclass

NUMERIC = ("int", "real")
TYPES = ("int", "real", "string")
# Words the translator compares by text whatever their kind: a string constant spelt like one of
# them would be read as that word, so generated strings never are.
RESERVED = {
    "program", "int", "real", "string", "not", "and", "or", "if", "else", "case", "of", "while",
    "for", "continue", "read", "write", "end", "{", "}", ",", ";", ":", "(", ")", "=", "+", "-",
    "*", "/", "<", ">", "<=", ">=", "==", "!=", "backspace", "jump", "jumpfalse", "empty", "dup", "~",
}
# Identifiers that look like machine words or keywords in another case: legal names all the same.
ODD_NAMES = ["jump", "jumpfalse", "dup", "empty", "backspace", "Program", "END", "If", "write1", "x0"]
# Values no constant can spell: the smallest int (INT_MIN / -1 wraps to it) and a real NaN.
SPECIAL_VALUES = {
    "int": ["(-2147483647 - 1)"],
    "real": ["(99999999999999999999.0 * 99999999999999999999.0 - 99999999999999999999.0 * 99999999999999999999.0)"],
}
ENDINGS = {
    "ok": "ends normally",
    "division": "ends in a division by zero",
    "unassigned": "ends using a variable that was never assigned",
    "invalid_input": "ends on invalid input",
    "end_of_input": "ends at the end of its input",
}


@dataclass
class Knobs:
    """Sizes of one program."""
    statements: int = 12      # top-level statements after the variables are set up
    depth: int = 3            # nesting of statements
    expr_depth: int = 3       # nesting of operator levels in an expression
    variables: int = 6        # ordinary variables besides loop counters
    counters: int = 3         # loop counters, which only loops assign
    error_share: float = 0.15  # programs meant to end in a runtime error


def float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


class Variable:
    """A declared variable and what the generator knows about it."""

    def __init__(self, name, type_, role):
        self.name = name
        self.type = type_
        self.role = role   # "free" (anything assigns it), "counter", "line" (holds "\n") or "trap" (never assigned)
        self.initialiser = None
        self.assigned = False
        self.busy = False  # a counter of a loop being generated


class Scope:
    """The program's one scope: which variables may be read and which assigned at this point."""

    def __init__(self, rng):
        self.rng = rng
        self.variables = []
        self.trap_open = False  # the never-assigned variable may be read from here on

    def add(self, variable):
        self.variables.append(variable)
        return variable

    def readable(self, type_):
        return [v for v in self.variables if v.type == type_ and v.assigned]

    def trap(self, type_):
        return [v for v in self.variables if v.role == "trap" and v.type == type_ and self.trap_open]

    def assignable(self, type_):
        return [v for v in self.variables if v.type == type_ and v.role == "free"]

    def idle_counters(self):
        return [v for v in self.variables if v.role == "counter" and not v.busy]


class Constants:
    """Texts of constants, including the corners: wrapping, saturating and unusual spellings."""

    def __init__(self, rng):
        self.rng = rng
        self.strings = [""]
        while len(self.strings) < 8:
            text = self.new_string()
            if text not in self.strings:
                self.strings.append(text)

    def new_string(self):
        alphabet = "abcxyzAB019 .#?!+-*<>=_" if self.rng.random() < 0.3 else "abcxyz"
        length = self.rng.choice([1, 1, 2, 3, 4, 6])
        text = "".join(self.rng.choice(alphabet) for _ in range(length))
        special = ["\n", " ", "\t", "caf\u00e9", "a b", "end ", "Program", "\\"]
        if self.rng.random() < 0.15:
            text = self.rng.choice(special)
        return text if text not in RESERVED else "w" + text

    def int_text(self):
        r = self.rng.random()
        if r < 0.6:
            return str(self.rng.randint(0, 10))
        if r < 0.8:
            return str(self.rng.randint(11, 1000))
        if r < 0.97:
            return self.rng.choice(["2147483647", "65536", "46341", "1000000", "100000", "255"])
        return self.rng.choice(["2147483648", "99999999999", "007", "00"])  # saturate; odd spellings

    def real_text(self):
        r = self.rng.random()
        if r < 0.6:
            return f"{self.rng.randint(0, 20)}.{self.rng.choice(['0', '5', '25', '75', '1', ''])}"
        if r < 0.9:
            return self.rng.choice(["0.1", "0.001", "100000.0", "1234567.0", "16777217.0", "3.14159", "1.50"])
        return self.rng.choice(["340282346638528859811704183484516925440.0", "99999999999999999999.0",
                                "0.000000000000000000000000000001", "0.0"])

    def string_text(self):
        return self.rng.choice(self.strings)

    def quoted(self, text):
        return '"' + text + '"'

    def nonzero(self, type_):
        if type_ == "int":
            return self.rng.choice(["1", "2", "3", "7", "-1", "-2", "10", "2147483647", "65536"])
        return self.rng.choice(["0.5", "2.0", "1.5", "-0.25", "3.", "-1.0", "1000.0"])


class Expressions:
    """Expressions of a wanted type, made level by level along the grammar (assignment, or, and,
    comparison, sum, product, prefix), so that every text parses and type-checks as written.

    Divisors cannot be zero unless safe_division is off. In a string sum at most one operand
    reads a variable (the others are built from constants only: `fixed`), so that strings grow by
    a bounded length per executed statement and never double."""

    def __init__(self, rng, scope, constants, depth):
        self.rng = rng
        self.scope = scope
        self.constants = constants
        self.depth = depth
        self.safe_division = True
        self.pure = False  # no assignments (both copies of a squared divisor must be equal)

    def chance(self, p):
        return self.rng.random() < p

    def number_types(self, type_, count):
        """Operand types of a numeric chain of the given result type."""
        if type_ == "int":
            return ["int"] * count
        types = [self.rng.choice(NUMERIC) for _ in range(count)]
        types[self.rng.randrange(count)] = "real"
        return types

    def expression(self, type_, depth=None, fixed=False):
        depth = self.depth if depth is None else depth
        if not self.pure and depth > 0 and self.scope.assignable(type_) and self.chance(0.2):
            return self.assignment(type_, depth, fixed)
        return self.disjunction(type_, depth, fixed)

    def assignment(self, type_, depth, fixed=False):
        """`v = w = e`: v takes w's value and then e's; w is only read."""
        parts = [self.rng.choice(self.scope.assignable(type_)).name]
        kinds = ["string"] if type_ == "string" else list(NUMERIC)
        middles = [v for k in kinds for v in self.scope.readable(k)]
        if middles and not fixed and self.chance(0.3):
            parts += [self.rng.choice(middles).name for _ in range(self.rng.choice([1, 1, 2]))]
        value_type = type_ if type_ == "string" else self.rng.choice(NUMERIC)
        parts.append(self.disjunction(value_type, depth - 1, fixed))
        return " = ".join(parts)

    def disjunction(self, type_, depth, fixed=False):
        if type_ != "int" or depth <= 0 or not self.chance(0.2):
            return self.conjunction(type_, depth, fixed)
        return " or ".join(self.conjunction("int", depth - 1) for _ in range(self.rng.choice([2, 2, 3])))

    def conjunction(self, type_, depth, fixed=False):
        if type_ != "int" or depth <= 0 or not self.chance(0.2):
            return self.comparison(type_, depth, fixed)
        return " and ".join(self.comparison("int", depth - 1) for _ in range(self.rng.choice([2, 2, 3])))

    def comparison(self, type_, depth, fixed=False, surely=False):
        if not surely and (type_ != "int" or depth <= 0 or not self.chance(0.3)):
            return self.sum(type_, depth, fixed)
        sides = ["string", "string"] if self.chance(0.25) else [self.rng.choice(NUMERIC) for _ in range(2)]
        op = self.rng.choice(["<", ">", "<=", ">=", "==", "!="])
        return f"{self.sum(sides[0], depth - 1)} {op} {self.sum(sides[1], depth - 1)}"

    def sum(self, type_, depth, fixed=False):
        if depth <= 0 or not self.chance(0.35):
            return self.product(type_, depth, fixed)
        count = self.rng.choice([2, 2, 3])
        if type_ == "string":
            free = -1 if fixed else self.rng.randrange(count)
            return " + ".join(self.product("string", depth - 1, i != free) for i in range(count))
        types = self.number_types(type_, count)
        text = self.product(types[0], depth - 1)
        for t in types[1:]:
            text += f" {self.rng.choice('+-')} {self.product(t, depth - 1)}"
        return text

    def product(self, type_, depth, fixed=False):
        if type_ == "string" or depth <= 0 or not self.chance(0.35):
            return self.unary(type_, depth, fixed)
        types = self.number_types(type_, self.rng.choice([2, 2, 3]))
        text = self.unary(types[0], depth - 1)
        for t in types[1:]:
            if self.chance(0.4):
                text += " / " + self.divisor(t, depth - 1)
            else:
                text += " * " + self.unary(t, depth - 1)
        return text

    def divisor(self, type_, depth):
        """A right operand of "/" that is never zero (any operand when safe_division is off)."""
        if not self.safe_division and self.chance(0.5):
            return self.unary(type_, depth)
        form = self.rng.randrange(5)
        if form == 0 or depth <= 0:
            return self.constants.nonzero(type_)
        if form == 1:  # squares are never -1 modulo 2**32; real squares are never negative
            was_pure, self.pure = self.pure, True
            base = self.unary(type_, depth - 1)
            self.pure = was_pure
            return f"({base} * {base} + {'1' if type_ == 'int' else '0.5'})"
        if form == 2:  # the comparison is 0 or 1
            return f"(({self.comparison('int', depth - 1, surely=True)}) + {'1' if type_ == 'int' else '0.5'})"
        if type_ == "real":
            return f"({self.unary('real', depth - 1)} * 0.0 + 2.5)"  # NaN or 2.5
        if form == 3:  # a non-zero left operand is the value of "or"; else 1
            return f"({self.conjunction('int', depth - 1)} or {self.constants.nonzero('int')})"
        return f"(2 * {self.unary('int', depth - 1)} + 1)"  # odd, even when it wraps

    def unary(self, type_, depth, fixed=False):
        r = self.rng.random()
        if depth > 0 and type_ == "int" and r < 0.08:
            return "not " + self.unary("int", depth - 1)
        if depth > 0 and type_ != "string" and r < 0.2:
            sign = self.rng.choice(["-", "-", "+"])
            operand = self.unary(type_, depth - 1)
            return sign + (" " if operand[0] in "+-" or self.chance(0.3) else "") + operand
        if depth > 0 and r < 0.4:
            return "(" + self.expression(type_, depth - 1, fixed) + ")"
        return self.atom(type_, fixed)

    def atom(self, type_, fixed=False):
        if type_ != "string" and self.chance(0.02):
            return self.rng.choice(SPECIAL_VALUES[type_])
        trap = self.scope.trap(type_)
        if trap and self.chance(0.1):
            return trap[0].name
        readable = self.scope.readable(type_)
        if readable and not fixed and self.chance(0.6):
            return self.rng.choice(readable).name
        if type_ == "int":
            return self.constants.int_text()
        if type_ == "real":
            return self.constants.real_text()
        return self.constants.quoted(self.constants.string_text())

    def zero_divisor(self):
        """A divisor that is zero when it runs (for programs meant to divide by zero)."""
        ints = self.scope.readable("int")
        forms = ["0", "0.0", "- 0.0", "(not 1)", f"({self.unary('int', 1)} * 0)",
                 f"(0 and {self.unary('int', 1)})"]
        if ints:
            k = self.rng.choice(ints).name
            forms.append(f"({k} - {k})")
        return self.rng.choice(forms)


class InputPlan:
    """The reads a program makes, in run order, and the input text that satisfies them.

    Only reads whose number of runs is known are recorded; a loop body's reads are recorded once
    per trip when the loop ends."""

    def __init__(self, rng):
        self.rng = rng
        self.frames = [[]]
        self.closed = False  # set after a loop that reads until the input ends: nothing later runs

    def read(self, type_):
        if not self.closed:
            self.frames[-1].append(type_)

    def begin_loop(self):
        self.frames.append([])

    def end_loop(self, trips):
        body = self.frames.pop()
        self.frames[-1].extend(body * trips)

    @property
    def reads(self):
        return self.frames[0]

    def number(self, type_):
        rng = self.rng
        if type_ == "int":
            return rng.choice([str(rng.randint(-20, 99)), str(rng.randint(-99999, 99999)), "+5", "-0",
                               "007", "2147483647", "-2147483648", str(rng.randint(0, 9))])
        return rng.choice([f"{rng.randint(-20, 20)}.{rng.randint(0, 99)}", "-1e3", "1E-2", ".5", "5.",
                           str(rng.randint(-9, 9)), "+0.25", "1e38", "-0", "3.40282e38", "2.5e-3"])

    def line(self):
        texts = ["hello", "a b c", "  padded", "x", "caf\u00e9", "\t", "123", "end", "two words ", "+"]
        return self.rng.choice(texts)

    def text(self, ending):
        """The input for the recorded reads; `invalid_input` spoils one number and
        `end_of_input` leaves the last reads without anything to take."""
        tokens = [(t, self.line() if t == "string" else self.number(t)) for t in self.reads]
        if ending == "invalid_input":
            numbers = [i for i, (t, _) in enumerate(tokens) if t != "string"]
            if numbers:
                i = self.rng.choice(numbers)
                spoilt = ["abc", "-", ".", "+x", "x1"] + (["99999999999"] if tokens[i][0] == "int" else ["1e99", "e5"])
                tokens[i] = (tokens[i][0], self.rng.choice(spoilt))
        elif ending == "end_of_input" and tokens:
            del tokens[len(tokens) - self.rng.randint(1, min(3, len(tokens))):]
        elif self.rng.random() < 0.2:
            tokens.append(("int", "42"))  # input nobody reads
        return self.layout(tokens)

    def layout(self, tokens):
        """Numbers share lines or stand on their own; a string read takes either the rest of a
        number's line (then it starts with a blank) or a whole line."""
        rng = self.rng
        lines, current = [], None
        for i, (type_, text) in enumerate(tokens):
            if type_ == "string":
                if current is not None and rng.random() < 0.3:
                    lines.append(current + " " + text)
                else:
                    if current is not None:
                        lines.append(current)
                    lines += [""] * rng.choice([0, 0, 1])
                    lines.append(text)
                current = None
            elif current is not None and rng.random() < 0.6:
                # "3" then ".7": an int read stops at the dot and the real read takes the rest.
                glued = (tokens[i - 1][0] == "int" and type_ == "real" and text.startswith(".")
                         and current[-1:].isdigit())
                current += ("" if glued else rng.choice([" ", "  ", "\t"])) + text
            else:
                if current is not None:
                    lines.append(current)
                current = text
        if current is not None:
            lines.append(current)
        ending = "" if rng.random() < 0.1 else "\n"
        return "\n".join(lines) + (ending if lines else "")


class Code:
    """Program text as indented lines."""

    def __init__(self):
        self.lines = []
        self.level = 1

    def line(self, text):
        self.lines.append("    " * self.level + text)

    def indented(self, emit):
        self.level += 1
        emit()
        self.level -= 1


class Loop:
    """A loop being generated: its counter and whether its body has a `continue` yet."""

    def __init__(self, counter):
        self.counter = counter
        self.continued = False


class Statements:
    """Statements of every form; loops count with counters nothing else assigns, so they end."""

    def __init__(self, rng, scope, exprs, constants, plan, code):
        self.rng = rng
        self.scope = scope
        self.exprs = exprs
        self.constants = constants
        self.plan = plan
        self.code = code
        self.loops = []

    def chance(self, p):
        return self.rng.random() < p

    def some_type(self):
        return self.rng.choice(["int", "int", "int", "real", "string"])

    def reads_known(self, known):
        return known and not any(loop.continued for loop in self.loops)

    def statement(self, depth, known, single=False):
        """One statement; `known` says whether reads here run a known number of times. Where
        the grammar takes a single statement, kinds that emit several are put in braces."""
        kinds = ["observe"] * 6 + ["assign"] * 3 + ["write"] * 3 + ["expression"]
        if depth > 0:
            kinds += ["if"] * 3 + ["case"] * 2 + ["block"]
            if self.scope.idle_counters() and len(self.loops) < 3:
                kinds += ["loop"] * 3
        if self.reads_known(known):
            kinds += ["read"] * 2 + ["read_choice"]
        if self.loops:
            kinds += ["continue"] * 2
        kind = self.rng.choice(kinds)
        make = getattr(self, "make_" + kind)
        if single and kind in ("observe", "loop"):
            self.code.line("{")
            self.code.indented(lambda: make(depth, known))
            self.code.line("}")
        else:
            make(depth, known)

    def body(self, depth, known):
        """A single statement or a compound one."""
        if self.chance(0.5):
            self.make_block(depth, known)
        else:
            self.code.indented(lambda: self.statement(depth - 1, known, single=True))

    def make_block(self, depth, known, leading=()):
        self.code.line("{")

        def inside():
            for text in leading:
                self.code.line(text)
            for _ in range(self.rng.randint(1, 4)):
                self.statement(depth - 1, known)
            if depth > 1 and self.chance(0.08):
                self.empty_tail()
        self.code.indented(inside)
        self.code.line("}")

    def empty_tail(self):
        """A statement whose last part is empty: the block's "}" stands where it would be."""
        counters = self.scope.idle_counters()
        if counters and self.chance(0.5):
            c = counters[0].name
            self.code.line(f"for ({c} = 0; {c} < {self.rng.randint(0, 3)}; {c} = {c} + 1)")
        else:
            self.code.line(f"if ({self.exprs.expression('int')}) write(\"t\"); else")

    def make_observe(self, depth, known):
        """One expression as a value, as a condition and as a statement."""
        type_ = self.some_type()
        e = self.exprs.expression(type_)
        roles = [self.value_role, self.condition_role, self.statement_role]
        self.rng.shuffle(roles)
        for role in roles:
            role(type_, e)

    def value_role(self, type_, e):
        kinds = ["string"] if type_ == "string" else list(NUMERIC) if type_ == "real" else ["int", "int", "real"]
        targets = self.scope.assignable(self.rng.choice(kinds))
        if targets and self.chance(0.6):
            k = self.rng.choice(targets).name
            self.code.line(f"{k} = ({e});" if self.chance(0.7) else f"{k} = {e};")
            self.code.line(f"write({k}, \" \");")
        else:
            self.code.line(f"write({e}, \" \");")

    def condition_role(self, type_, e):
        if type_ == "int":
            cond = e
        elif type_ == "real":
            cond = f"({e}) {self.rng.choice(['<', '>=', '!='])} {self.constants.real_text()}"
        else:
            cond = f"({e}) {self.rng.choice(['<', '==', '>'])} \"{self.constants.string_text()}\""
        counters = self.scope.idle_counters()
        r = self.rng.random()
        if r < 0.6 or not counters:
            self.code.line(f"if ({cond}) write(\"T\"); else write(\"F\");")
            return
        # The counter's test comes first, so the loop ends whatever the condition does.
        c, n = counters[0].name, self.rng.randint(1, 3)
        if r < 0.8:
            self.code.line(f"{c} = 0;")
            self.code.line(f"while ({c} < {n} and ({cond})) {{ {c} = {c} + 1; write(\"w\"); }}")
        else:
            self.code.line(f"for ({c} = 0; {c} < {n} and ({cond}); {c} = {c} + 1) write(\"f\");")

    def statement_role(self, type_, e):
        self.code.line(e + ";")

    def make_expression(self, depth, known):
        self.statement_role(None, self.exprs.expression(self.some_type()))

    def make_assign(self, depth, known):
        type_ = self.some_type()
        targets = self.scope.assignable(type_)
        if not targets:
            return self.make_write(depth, known)
        value_type = type_ if type_ == "string" else self.rng.choice(NUMERIC)
        self.code.line(f"{self.rng.choice(targets).name} = {self.exprs.expression(value_type)};")

    def make_write(self, depth, known):
        items = []
        for _ in range(self.rng.randint(1, 4)):
            r = self.rng.random()
            if r < 0.2:
                items.append(self.constants.quoted(self.rng.choice([" ", ", ", "=", "; "])))
            else:
                items.append(self.exprs.expression(self.some_type()))
        line = [v for v in self.scope.variables if v.role == "line"]
        if line and self.chance(0.5):
            items.append(line[0].name)
        self.code.line(f"write({', '.join(items)});")

    def make_read(self, depth, known):
        type_ = self.rng.choice(TYPES)
        targets = self.scope.assignable(type_)
        if not targets:
            return self.make_write(depth, known)
        self.code.line(f"read({self.rng.choice(targets).name});")
        self.plan.read(type_)

    def make_read_choice(self, depth, known):
        """Either branch reads the same type, so the input is known whichever runs."""
        type_ = self.rng.choice(TYPES)
        targets = self.scope.assignable(type_)
        if not targets:
            return self.make_write(depth, known)
        a, b = self.rng.choice(targets).name, self.rng.choice(targets).name
        self.code.line(f"if ({self.exprs.expression('int')}) read({a}); else read({b});")
        self.plan.read(type_)

    def make_continue(self, depth, known):
        if self.chance(0.2):
            self.code.line("continue;")
        else:
            self.code.line(f"if ({self.exprs.expression('int')}) continue; else write(\"c\");")
        self.loops[-1].continued = True

    def make_if(self, depth, known):
        self.code.line(f"if ({self.exprs.expression('int')})")
        self.body(depth, False)
        self.code.line("else")
        self.body(depth, False)

    def make_case(self, depth, known):
        type_ = self.rng.choice(["int", "int", "real", "string"])
        labels, selector = self.case_labels(type_)
        self.code.line(f"case ({selector}) of")

        def variants():
            for group in labels:
                self.code.line(", ".join(group) + ":")
                self.code.indented(lambda: self.statement(depth - 1, False, single=True))
        self.code.indented(variants)
        self.code.line("end;")

    def case_labels(self, type_):
        """Groups of distinct labels (by value, as the translator checks) and a selector that
        often matches one."""
        counters = [v.name for v in self.scope.readable("int") if v.role == "counter"]
        if type_ == "int":
            pool = [str(v) for v in range(7)] + ["-1", "-2", "-3", "+4", "-0", "2147483647"]
            value = int
            selectors = [self.exprs.expression("int")] + [f"{c}" for c in counters] + [f"{c} - 2" for c in counters]
        elif type_ == "real":
            pool = ["0.5", "1.5", "-1.5", "2.0", "-2.5", "0.0", "1.", "3.25", "-0.5", "1.0", "+2.5"]
            value = lambda text: float32(float(text))
            selectors = [self.exprs.expression("real")] + [f"{c} * 0.5" for c in counters] + [f"{c} - 0.5" for c in counters]
        else:
            pool = [self.constants.quoted(s) for s in self.constants.strings]
            value = str
            selectors = [self.exprs.expression("string")] + [v.name for v in self.scope.readable("string")]
        self.rng.shuffle(pool)
        seen, chosen = set(), []
        for text in pool:
            if value(text) not in seen:
                seen.add(value(text))
                chosen.append(text)
        chosen = chosen[:self.rng.randint(1, min(6, len(chosen)))]
        groups = []
        while chosen:
            size = self.rng.randint(1, min(3, len(chosen)))
            groups.append(chosen[:size])
            chosen = chosen[size:]
        return groups, self.rng.choice(selectors)

    def make_loop(self, depth, known):
        counter = self.rng.choice(self.scope.idle_counters())
        counter.busy = True
        loop = Loop(counter)
        c = counter.name
        lo = self.rng.randint(-2, 3)
        trips = self.rng.choice([0, 1, 2, 2, 3, 3, 4])
        hi = lo + trips
        exact = self.chance(0.8)
        known_inside = self.reads_known(known) and exact
        test = self.rng.choice([f"{c} < {hi}", f"{hi} > {c}", f"{c} <= {hi - 1}", f"not ({c} >= {hi})",
                                f"{c} != {hi}", f"{c} - {hi} < 0"])
        if not exact:
            test = f"{test} and ({self.exprs.expression('int')})"
        step = f"{c} = {c} + 1"
        self.loops.append(loop)
        self.plan.begin_loop()
        form = self.rng.randrange(5)
        if form == 0:
            self.code.line(f"for ({c} = {lo}; {test}; {step})")
            self.body(depth, known_inside)
        elif form == 1:
            self.code.line(f"{c} = {lo};")
            self.code.line(f"for (; {test}; {step})")
            self.body(depth, known_inside)
        else:
            # The counter moves first, so a `continue` further down cannot skip it.
            if form == 2:
                self.code.line(f"for ({c} = {lo}; {test}; )")
            else:
                self.code.line(f"{c} = {lo};")
                self.code.line(f"while ({test})" if form == 3 else f"for (; {test}; )")
            self.make_block(depth, known_inside, leading=[step + ";"])
        self.plan.end_loop(trips)
        self.loops.pop()
        counter.busy = False


@dataclass
class Program:
    """One generated program, its input and the ending it is meant to have."""
    seed: int
    source: str
    input: str
    ending: str

    @property
    def name(self):
        return f"prog-{self.seed}"


class ProgramMaker:
    """One program from one seed: declarations, a set-up that gives every variable a value, the
    statements, and a last write of every variable. A program meant to fail gets its fault: a
    zero divisor, a variable never assigned, or input that is spoilt or too short."""

    def __init__(self, knobs):
        self.knobs = knobs

    def make(self, seed):
        rng = random.Random(seed)
        self.rng = rng
        knobs = self.knobs
        ending = "ok" if rng.random() >= knobs.error_share else rng.choice(list(ENDINGS)[1:])
        self.scope = Scope(rng)
        self.constants = Constants(rng)
        self.code = Code()
        self.plan = InputPlan(rng)
        self.exprs = Expressions(rng, self.scope, self.constants, knobs.expr_depth)
        self.statements = Statements(rng, self.scope, self.exprs, self.constants, self.plan, self.code)
        self.declare(ending)
        self.set_up(ending)
        self.exprs.safe_division = ending != "division"
        self.scope.trap_open = True
        fault_at = rng.randint(0, knobs.statements)
        for slot in range(knobs.statements + 1):
            if slot == fault_at:
                self.fault(ending)
            if slot < knobs.statements:
                if rng.random() < 0.05:
                    self.code.line(rng.choice(["/* a comment */", "/* * / **/", "/*\n    two lines */"]))
                self.statements.statement(knobs.depth, True)
        self.final_write()
        source = f"/* progen seed {seed}: {ENDINGS[ending]} */\nprogram {{\n" + "\n".join(self.code.lines) + "\n}\n"
        return Program(seed, source, self.plan.text(ending), ending)

    def names(self, count):
        names = []
        while len(names) < count:
            if self.rng.random() < 0.05:
                name = self.rng.choice(ODD_NAMES)
            else:
                rest = "abcdefghijklmnopqrstuvwxyz0123456789"
                name = self.rng.choice("abcdefghijklmnopqrstuvwxyzXYZ") + "".join(
                    self.rng.choice(rest) for _ in range(self.rng.randint(0, 3)))
            if name not in RESERVED and name not in names:
                names.append(name)
        return names

    def declare(self, ending):
        knobs, rng, scope = self.knobs, self.rng, self.scope
        types = list(TYPES) + [rng.choice(TYPES) for _ in range(max(0, knobs.variables - 3))]
        roles = [(t, "free") for t in types] + [("int", "counter")] * knobs.counters + [("string", "line")]
        if ending == "unassigned":
            roles.append((rng.choice(TYPES), "trap"))
        for name, (type_, role) in zip(self.names(len(roles)), roles):
            v = scope.add(Variable(name, type_, role))
            if role == "line":
                v.initialiser = '"\n"'
            elif role != "trap" and rng.random() < 0.4:
                v.initialiser = self.initialiser(type_)
            v.assigned = v.initialiser is not None
        declarations = []
        for type_ in TYPES:
            group = [v for v in scope.variables if v.type == type_]
            rng.shuffle(group)
            while group:
                size = rng.randint(1, len(group))
                declarations.append((type_, group[:size]))
                group = group[size:]
        rng.shuffle(declarations)
        for type_, group in declarations:
            items = [v.name + (" = " + v.initialiser if v.initialiser else "") for v in group]
            self.code.line(f"{type_} {', '.join(items)};")
        self.code.lines.append("")

    def initialiser(self, type_):
        if type_ == "string":
            return self.constants.quoted(self.constants.string_text())
        sign = self.rng.choice(["", "", "-", "+", "- "])
        if type_ == "real" and self.rng.random() < 0.7:
            return sign + self.constants.real_text()
        return sign + self.constants.int_text()

    def set_up(self, ending):
        """Every variable but the trap gets a value before the statements use it."""
        rng = self.rng
        pending = [v for v in self.scope.variables if not v.assigned and v.role in ("free", "counter")]
        rng.shuffle(pending)
        for v in pending:
            if v.role == "free" and rng.random() < 0.35:
                self.code.line(f"read({v.name});")
                self.plan.read(v.type)
            else:
                value_type = v.type if v.type == "string" else rng.choice(NUMERIC)
                # The first value of a variable, stored straight from its operation or through a
                # parenthesised expression, in which an assignment's target is assigned (not read
                # as the middle of a chain).
                if self.rng.random() < 0.5:
                    self.code.line(f"{v.name} = {self.exprs.disjunction(value_type, self.knobs.expr_depth)};")
                else:
                    self.code.line(f"{v.name} = ({self.exprs.expression(value_type)});")
            v.assigned = True
        if ending in ("invalid_input", "end_of_input") and not any(t != "string" for t in self.plan.reads):
            v = rng.choice([v for v in self.scope.variables if v.role == "free" and v.type != "string"])
            self.code.line(f"read({v.name});")
            self.plan.read(v.type)

    def fault(self, ending):
        rng, code, exprs = self.rng, self.code, self.exprs
        if ending == "division":
            if rng.random() < 0.3:
                c = self.scope.idle_counters()[0].name
                code.line(f"{c} = {rng.randint(1, 3)};")
                code.line(f"for (;;) {{ {c} = {c} - 1; write(10 / {c}, \" \"); }}")
            else:
                code.line(f"write(\"/\", {exprs.unary(rng.choice(NUMERIC), 1)} / {exprs.zero_divisor()});")
        elif ending == "unassigned":
            self.unassigned_use()
        elif ending == "end_of_input" and rng.random() < 0.3:
            v = rng.choice([v for v in self.scope.variables if v.role == "free"])
            head = rng.choice(["for (;;)", "while (1)", "for (; 1; )"])
            code.line(f"{head} {{ read({v.name}); write({v.name}, \";\"); }}")
            for _ in range(rng.randint(0, 3)):
                self.plan.read(v.type)
            self.plan.closed = True

    def unassigned_use(self):
        """A use of the never-assigned variable: as an operand, converted, as a condition or a
        selector, often right after an assignment to it that is skipped (by a short-circuit in
        the same statement, or by a branch or loop never taken)."""
        rng, exprs = self.rng, self.exprs
        u = next(v for v in self.scope.variables if v.role == "trap")
        value = f"({u.name} = {exprs.expression(u.type)})"
        probe = '""' if u.type == "string" else "0"
        int_name = rng.choice(self.scope.readable("int")).name
        zero = rng.choice(["0", "(1 < 0)", f"({int_name} - {int_name})", "not 1", f"({int_name} and 0)"])
        one = rng.choice(["1", "(2 > 1)", f"({int_name} or 1)", "not 0"])
        skipped = [f"if (({zero} and {value} != {probe}) or {u.name} == {probe}) write(1); else write(0);",
                   f"if (({one} or {value} != {probe}) and {u.name} == {probe}) write(1); else write(0);",
                   f"if ({zero}) {value}; else write(\"s\");",
                   f"for (; {zero}; ) {value};",
                   f"case (0) of 1: {value}; end;"]
        if u.type != "string":
            targets = self.scope.assignable("real") + self.scope.assignable("int")
            skipped.append(f"{rng.choice(targets).name} = ({zero} and {value} != 0) + {u.name};")
        if rng.random() < 0.4:
            self.code.line(rng.choice(skipped))
        self.code.line(self.use_of(u))

    def use_of(self, u):
        """A statement that fetches u's value."""
        rng = self.rng
        if u.type == "string":
            e = rng.choice([u.name, f"{u.name} + \"a\"", f"({u.name})"])
            e_type, condition, label = "string", f"{e} == \"a\"", '"a"'
        else:
            forms = [u.name, f"-{u.name}", f"{u.name} * 2", f"2 - {u.name}", f"({u.name})", f"{u.name} + 0.5"]
            if u.type == "int":
                forms.append(f"not {u.name}")
            e = u.name if rng.random() < 0.4 else rng.choice(forms)
            e_type = "real" if u.type == "real" or e.endswith("0.5") else "int"
            condition = e if e_type == "int" else f"{e} < 1"
            label = "1" if e_type == "int" else "1.5"
        targets = self.scope.assignable("string") if e_type == "string" else \
            self.scope.assignable("int") + self.scope.assignable("real")
        return rng.choice([f"write(\"u\", {e});", f"{rng.choice(targets).name} = {e};", f"{e};",
                           f"if ({condition}) write(1); else write(0);", f"while ({condition}) write(1);",
                           f"case ({e}) of {label}: write(1); end;"])

    def final_write(self):
        shown = [v for v in self.scope.variables if v.role in ("free", "counter")]
        line = next(v for v in self.scope.variables if v.role == "line")
        items = [line.name]
        for v in shown:
            items += [f"\"{v.name}=\"", v.name, "\" \""]
        self.code.line(f"write({', '.join(items)});")


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Random well-typed, terminating programs and their input.")
    add_knob_options(parser)
    parser.add_argument("--seed", type=int, default=1, help="seed of the first program (default 1)")
    parser.add_argument("--count", type=int, default=1, help="how many programs, seeds SEED, SEED+1, ...")
    parser.add_argument("--out", help="folder for NAME.ppp and NAME.in (default: print them)")
    return parser.parse_args(argv)


def add_knob_options(parser):
    """The size knobs, shared with differ.py."""
    defaults = Knobs()
    parser.add_argument("--statements", type=int, default=defaults.statements, help="top-level statements")
    parser.add_argument("--depth", type=int, default=defaults.depth, help="nesting of statements")
    parser.add_argument("--expr-depth", type=int, default=defaults.expr_depth, help="nesting of expressions")
    parser.add_argument("--variables", type=int, default=defaults.variables, help="ordinary variables")
    parser.add_argument("--error-share", type=float, default=defaults.error_share,
                        help="share of programs meant to end in a runtime error")


def knob_arguments(knobs):
    """The options that give these knobs, for a command line that replays a program."""
    defaults, arguments = Knobs(), []
    for field in ("statements", "depth", "expr_depth", "variables", "error_share"):
        if getattr(knobs, field) != getattr(defaults, field):
            arguments += ["--" + field.replace("_", "-"), str(getattr(knobs, field))]
    return arguments


def knobs_from(args):
    return Knobs(statements=args.statements, depth=args.depth, expr_depth=args.expr_depth,
                 variables=max(3, args.variables), error_share=args.error_share)


def main(argv):
    args = parse_args(argv)
    maker = ProgramMaker(knobs_from(args))
    if args.out:
        os.makedirs(args.out, exist_ok=True)
    for seed in range(args.seed, args.seed + args.count):
        program = maker.make(seed)
        if args.out:
            for suffix, text in ((".ppp", program.source), (".in", program.input)):
                with open(os.path.join(args.out, program.name + suffix), "w", encoding="utf-8", newline="") as f:
                    f.write(text)
        else:
            sys.stdout.write(program.source + "/* input: */\n" + program.input)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
