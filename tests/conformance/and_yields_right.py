#!/usr/bin/env python3
"""A deliberately broken implementation for the conformance kit's tests: poliz, except that `and`
yields its right operand's value (not 1) when its left operand is non-zero.

Usage: and_yields_right.py POLIZ POLIZ_SHOW FILE

A program that poliz-show does not translate runs unchanged. In one that it translates, every
`L and R` becomes `((t=0)*0+(L and ((t=R)+1))*0+t)` with a fresh int t declared first: L, then R
only when L is non-zero, are evaluated once each as before, and the value is R's or L's zero.
Nothing moves to another line, so messages keep their line numbers."""
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the kit's source folder
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "conformance",
                                "kit", "lib"))
import lexemes  # noqa: E402


def left_operand(lex, i):
    """The index where the comparison-level operand ending just before lex[i] starts."""
    expect_operand = True
    i -= 1
    while i >= 0:
        t = lex[i].text
        if expect_operand:
            if t == ")":
                i = lexemes.matching(lex, i)
            elif not lex[i].is_atom():
                break
            expect_operand = False
        elif t == "not" or (t in "+-" and not (i > 0 and (lex[i - 1].is_atom() or lex[i - 1].text == ")"))):
            pass  # a prefix operator belongs to the operand
        elif t in lexemes.BINARY:
            expect_operand = True
        else:
            break
        i -= 1
    return i + 1


def right_operand(lex, i):
    """The index just past the comparison-level operand that starts at lex[i]."""
    expect_operand = True
    while i < len(lex):
        t = lex[i].text
        if expect_operand:
            if t in ("not", "+", "-"):
                i += 1
                continue
            if t == "(":
                i = lexemes.matching(lex, i)
            elif not lex[i].is_atom():
                break
            expect_operand = False
        elif t in lexemes.BINARY:
            expect_operand = True
        else:
            break
        i += 1
    return i


def rewrite(source):
    prefix = "zq"
    while prefix in source:
        prefix += "q"
    kept, count = prefix + "AND", 0
    while True:
        lex = lexemes.split(source)
        # The program's body: from the word after `program` (which may be spelt "{") to its brace.
        close = (lexemes.matching(lex, 1) if lex[1].text == "{" else None) or len(lex)
        at = next((k for k, x in enumerate(lex[:close]) if x.text == "and"), None)
        if at is None:
            break
        count += 1
        t = f"{prefix}{count}"
        ls, re_ = lex[left_operand(lex, at)].start, lex[right_operand(lex, at + 1) - 1].end
        source = (source[:ls] + f"(({t}=0)*0+(" + source[ls:lex[at].start] + kept + f" (({t}=" +
                  source[lex[at].end:re_] + f")+1))*0+{t})" + source[re_:])
    if count:
        opening = lexemes.split(source)[1].end
        names = ", ".join(f"{prefix}{k}" for k in range(1, count + 1))
        source = source[:opening] + f" int {names};" + source[opening:]
    return source.replace(kept, "and")


def main():
    poliz, show, program = sys.argv[1:4]
    try:
        with open(program, encoding="latin-1") as f:
            source = f.read()
    except OSError:
        source = ""
    uses_and = any(lexeme.text == "and" for lexeme in lexemes.split(source))
    if not uses_and or subprocess.run([show, "--plain", program], capture_output=True).returncode != 0:
        os.execv(poliz, [poliz, program])
    with tempfile.TemporaryDirectory() as folder:
        rewritten = os.path.join(folder, os.path.basename(program))
        with open(rewritten, "w", encoding="latin-1") as f:
            f.write(rewrite(source))
        return subprocess.run([poliz, rewritten]).returncode


if __name__ == "__main__":
    sys.exit(main())
