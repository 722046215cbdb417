"""Delta debugging of a program that two implementations run differently: runs of statements,
single statements (or a statement replaced by its body), list items, brackets and runs of lexemes
are taken away while the reference still accepts the program and the same difference remains
(the same streams differ, with the same two exit statuses). Used by `run --fuzz`."""
import os
import re
import time

import lexemes
import process

MAX_ROUNDS = 3  # passes over the lexemes; a pass that takes nothing away ends them sooner


class Statement:
    """A statement's lexemes [start, end), and the stretches that could stand in its place
    (the branches of an `if`, a loop's body, a block's contents)."""

    def __init__(self, start, end, outermost):
        self.start, self.end, self.bodies, self.outermost = start, end, [], outermost


def _statement(lex, i, found, depth=0):
    """Parses the statement at lex[i] loosely; appends it and those inside it to `found`;
    returns the index past it."""
    word = lex[i].text
    node = Statement(i, i, depth == 0)
    found.append(node)
    if word == "{":
        close = lexemes.matching(lex, i)
        _sequence(lex, i + 1, close, found, depth + 1)
        node.end, node.bodies = close + 1, [(i + 1, close)]
    elif word in ("if", "while", "for"):
        after = _statement(lex, lexemes.matching(lex, i + 1) + 1, found, depth + 1)
        node.bodies = [(lexemes.matching(lex, i + 1) + 1, after)]
        if word == "if" and after < len(lex) and lex[after].text == "else":
            end = _statement(lex, after + 1, found, depth + 1)
            node.bodies.append((after + 1, end))
            after = end
        node.end = after
    elif word == "case":
        k = lexemes.matching(lex, i + 1) + 2  # past "( e ) of"
        while lex[k].text != "end":
            while lex[k].text != ":":
                k += 1
            end = _statement(lex, k + 1, found, depth + 1)
            node.bodies.append((k + 1, end))
            k = end
        node.end = k + 2  # "end ;"
    else:
        depth, k = 0, i
        while lex[k].text != ";" or depth:
            depth += {"(": 1, ")": -1}.get(lex[k].text, 0)
            k += 1
        node.end = k + 1
    return node.end


def _sequence(lex, start, end, found, depth=0):
    i = start
    while i < end:
        i = _statement(lex, i, found, depth)


def statements(lex):
    """Every statement and declaration of the program's body, outer ones first; [] when the
    text is too broken to cut into statements."""
    found = []
    try:
        if len(lex) > 2 and lex[1].text == "{":
            _sequence(lex, 2, lexemes.matching(lex, 1), found)
    except (IndexError, TypeError):
        return []
    return found


def render(lex, original):
    """The text of these lexemes, laid out on the lines they came from, with those lines'
    indentation; lines left empty disappear."""
    out, line = [], None
    for lexeme in lex:
        number = original.count("\n", 0, lexeme.start)
        if line is not None and number != line:
            start = original.rfind("\n", 0, lexeme.start) + 1
            out.append("\n" + re.match(r"[ \t]*", original[start:]).group())
        elif out and original[previous.end:lexeme.start].isspace():
            out.append(original[previous.end:lexeme.start])  # neighbours in the original too
        elif out and lexemes.would_join(out[-1], lexeme.text):
            out.append(" ")
        out.append(lexeme.text)
        line, previous = number, lexeme
    return "".join(out) + "\n"


def _item_end(lex, i):
    """Past the list item that follows the joining lexeme at lex[i]: up to the next joining
    lexeme of the same kind, or the end of the enclosing brackets or statement."""
    depth, k = 0, i + 1
    while k < len(lex):
        text = lex[k].text
        if depth == 0 and (text == lex[i].text or text in (")", ";", "}")):
            break
        depth += {"(": 1, ")": -1}.get(text, 0)
        k += 1
    return k


def _item_start(lex, i):
    """Where the list item before the joining lexeme at lex[i] starts."""
    depth, k = 0, i - 1
    while k > 0:
        text = lex[k].text
        # An initialiser's "=" is inside a declared name's item; an assignment's ends an operand.
        if depth == 0 and (text in (lex[i].text, "(", ";", "{") or text in lexemes.KEYWORDS or
                           (text == "=" and lex[i].text != ",")):
            break
        depth += {")": 1, "(": -1}.get(text, 0)
        k -= 1
    return k + 1


def compact_indentation(text):
    """The same lines with the indentations that are left renumbered 0, 4, 8, ... in their
    order, since most of the nesting that set them is gone. Lines that go on a string constant
    stay as they are."""
    inside = set()  # offsets of line starts within a string constant
    for lexeme in lexemes.split(text):
        if lexeme.text.startswith('"'):
            inside.update(k + 1 for k in range(lexeme.start, lexeme.end) if text[k] == "\n")
    lines, starts, offset = text.split("\n"), [], 0
    for line in lines:
        starts.append(offset)
        offset += len(line) + 1
    indent = lambda line: len(line) - len(line.lstrip(" \t"))  # noqa: E731
    movable = [k for k, line in enumerate(lines) if line.strip() and starts[k] not in inside]
    step = {width: 4 * rank for rank, width in enumerate(sorted({indent(lines[k]) for k in movable}))}
    for k in movable:
        lines[k] = " " * step[indent(lines[k])] + lines[k].lstrip(" \t")
    return "\n".join(lines)


class Reducer:
    def __init__(self, reference, implementation, stdin, folder, name, timeout):
        self.reference, self.implementation, self.stdin = reference, implementation, stdin
        self.path = os.path.join(folder, name + ".ppp")
        self.timeout = timeout
        self.tests = 0
        self.tried = {}  # program text: whether it keeps the difference
        # A smaller program may loop for ever (a loop's counter taken away): each side gets ten
        # times what it took on the whole program, and a second, before it counts as endless.
        self.limits = {}
        for side, words in (("reference", reference), ("implementation", implementation)):
            started = time.monotonic()
            process.run(words, self.path, stdin, timeout)
            self.limits[side] = min(timeout, 1.0 + 10 * (time.monotonic() - started))

    def results(self, text):
        with open(self.path, "w", encoding="latin-1", newline="") as f:
            f.write(text)
        expected = process.run(self.reference, self.path, self.stdin, self.limits["reference"])
        if expected.timed_out or expected.status in (1, 2, 3):
            return expected, None
        return expected, process.run(self.implementation, self.path, self.stdin, self.limits["implementation"])

    @staticmethod
    def difference(expected, actual):
        if actual is None:
            return None
        return (expected.stdout != actual.stdout, expected.stderr != actual.stderr,
                expected.status, actual.status)

    def reduce(self, source, signature):
        """The smallest program found that the reference accepts and that shows `signature`."""
        self.original, self.signature = source, signature
        lex = lexemes.split(source)
        self.best = source  # until a smaller program is seen to keep the difference
        lex = self._statements(self._outermost(lex))
        for _ in range(MAX_ROUNDS):
            smaller = self._lexemes(self._brackets(self._items(lex)))
            if len(smaller) == len(lex):
                break
            lex = self._statements(smaller)
        tidy = compact_indentation(self.best)
        if tidy != self.best and self.difference(*self.results(tidy)) == self.signature:
            self.best = tidy
        return self.best

    def _keeps(self, lex):
        text = render(lex, self.original)
        if text not in self.tried:  # the passes meet some programs more than once
            self.tests += 1
            self.tried[text] = self.difference(*self.results(text)) == self.signature
        if self.tried[text]:
            self.best, self._last = text, lex
        return self.tried[text]

    def _outermost(self, lex):
        """Takes away runs of the body's own statements, long runs first, as ddmin does."""
        size = max(1, len([n for n in statements(lex) if n.outermost]) // 2)
        while size >= 1:
            i = 0
            while i < len(outer := [n for n in statements(lex) if n.outermost]):
                last = outer[min(i + size, len(outer)) - 1]
                candidate = lex[:outer[i].start] + lex[last.end:]
                if self._keeps(candidate):
                    lex = candidate
                else:
                    i += size
            size //= 2
        return lex

    def _statements(self, lex):
        """Takes away whole statements, or puts a branch or body in its statement's place."""
        i = 0
        while i < len(nodes := statements(lex)):
            node = nodes[i]
            candidates = [lex[:node.start] + lex[node.end:]]
            candidates += [lex[:node.start] + lex[a:b] + lex[node.end:] for a, b in node.bodies]
            smaller = next((c for c in candidates if len(c) < len(lex) and self._keeps(c)), None)
            if smaller is None:
                i += 1  # it stays; after a change, the statement now at i is the next to try
            else:
                lex = smaller
        return lex

    def _items(self, lex):
        """Takes away one item of a list (a declared name, a value written, an operand of `and`
        or `or`) with the comma or word that joins it to the next or the one before."""
        i = 2
        while i < len(lex) - 1:
            if lex[i].text in (",", "and", "or"):
                start, end = _item_start(lex, i), _item_end(lex, i)
                if self._keeps(lex[:i] + lex[end:]) or self._keeps(lex[:start] + lex[i + 1:]):
                    lex = self._last
                    continue
            i += 1
        return lex

    def _brackets(self, lex):
        """Takes away a pair of brackets, keeping what they held."""
        i = 2
        while i < len(lex) - 1:
            close = lexemes.matching(lex, i) if lex[i].text == "(" else None
            if close is not None and self._keeps(lex[:i] + lex[i + 1:close] + lex[close + 1:]):
                lex = self._last
                continue
            i += 1
        return lex

    def _lexemes(self, lex):
        """Takes away runs of lexemes, long runs first (ddmin's complements)."""
        size = max(1, len(lex) // 2)
        while size >= 1:
            i = 2  # `program {` stays
            while i < len(lex) - 1:
                candidate = lex[:i] + lex[i + size:]
                if not self._keeps(candidate):
                    i += size
                else:
                    lex = candidate
            size //= 2
        return lex
