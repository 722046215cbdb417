"""Every place in C++ source where one simple fault can be planted, read from libclang's syntax
tree (Debian's python3-clang); draw.py samples from these, test_draw.py checks them.

A site is a byte range of one file and the text to put there. The kinds of fault, each generic
(no site is chosen by hand): a binary, relational, logical or compound-assignment operator
replaced, a relational boundary moved (`<` to `<=`), one operand of `&&`/`||` kept alone, a
prefix `-`, `!` or `~` dropped, `++`/`--` swapped, an integer, real or bool literal changed, the
condition of an if, a loop or `?:` negated, and a call statement, bare `return`, `break` or
`continue` deleted. Code spelt inside a macro's body is not in the tree and is never mutated,
nor is the condition of a static_assert: it runs only in the compiler, so a change there can
only fail the build or weaken the check, never change what a program does.
"""

import os
import re
import sys

# Debian installs the binding for its own python3; another interpreter (pyenv, a venv) reaches
# it there, since it is pure Python over libclang's shared library.
DEBIAN_PACKAGES = "/usr/lib/python3/dist-packages"
INSTALL_HINT = "apt-get install python3-clang (libclang's Python binding)"


def load_clang():
    """Returns clang.cindex with a working libclang, or None when either is missing."""
    try:
        import clang.cindex as cindex
    except ImportError:
        if DEBIAN_PACKAGES in sys.path or not os.path.isdir(os.path.join(DEBIAN_PACKAGES, "clang")):
            return None
        sys.path.append(DEBIAN_PACKAGES)
        try:
            import clang.cindex as cindex
        except ImportError:
            return None
    try:
        cindex.Index.create()
    except Exception:  # the binding without its shared library
        return None
    return cindex


def kind_of(cursor):
    """The cursor's kind by name, or None for a kind newer than the binding knows."""
    try:
        return cursor.kind.name
    except ValueError:
        return None


class Site:
    """One mutant: replace bytes [start, end) of path (relative to the root) by replacement."""

    def __init__(self, path, start, end, original, replacement, kind):
        self.path, self.start, self.end = path, start, end
        self.original, self.replacement, self.kind = original, replacement, kind
        self.line = 0  # set by collect(), which has the file's text

    def key(self):
        return (self.path, self.start, self.end, self.replacement)

    def apply(self, text):
        """The file's text with this mutant planted; text must be the bytes it was drawn from."""
        if text[self.start:self.end] != self.original.encode():
            raise ValueError("%s changed since the mutants were drawn" % self.path)
        return text[:self.start] + self.replacement.encode() + text[self.end:]

    def describe(self):
        shown = self.replacement if self.replacement else "(deleted)"
        return "%s:%d: %s: %s => %s" % (self.path, self.line, self.kind, self.original, shown)


BINARY = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["/"],
          "<<": [">>"], ">>": ["<<"], "&": ["|"], "|": ["&"], "^": ["|"]}
RELATIONAL = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
              "==": ["!="], "!=": ["=="]}
LOGICAL = {"&&": ["||"], "||": ["&&"]}
COMPOUND = {"+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="], "%=": ["/="],
            "<<=": [">>="], ">>=": ["<<="], "&=": ["|="], "|=": ["&="], "^=": ["|="]}
DROPPED_PREFIX = {"-", "!", "~"}
SWAPPED_STEP = {"++": "--", "--": "++"}
# Statements that hold statements: a call directly below one of these is a call statement.
STATEMENT_PARENTS = {"COMPOUND_STMT", "IF_STMT", "WHILE_STMT", "FOR_STMT", "DO_STMT", "CASE_STMT",
                     "DEFAULT_STMT", "LABEL_STMT"}
INTEGER = re.compile(r"(0[xX][0-9a-fA-F']+|0[bB][01']+|[0-9']+)([uUlLzZ]*)")
REAL = re.compile(r"([0-9.']+(?:[eE][-+]?[0-9]+)?)([fFlL]?)")


class _File:
    """One source file's bytes and the sites found in it so far."""

    def __init__(self, path, relative):
        with open(path, "rb") as f:
            self.text = f.read()
        self.relative = relative

    def spelt(self, start, end, expected=None):
        """The text of [start, end), or None when it is not what the tree says it is."""
        if not 0 <= start <= end <= len(self.text):
            return None
        text = self.text[start:end].decode("utf-8", "replace")
        return text if expected is None or text == expected else None

    def next_char(self, offset):
        rest = self.text[offset:].lstrip()
        return chr(rest[0]) if rest else ""


class Collector:
    """Walks translation units and gathers the sites of the files under root whose paths pass
    wanted(relative_path); a file reached from several units yields its sites once."""

    def __init__(self, cindex, root, wanted):
        self.cindex, self.root, self.wanted = cindex, os.path.realpath(root), wanted
        self.files, self.sites, self.seen = {}, {}, set()
        self.index = cindex.Index.create()

    def file_of(self, source_file):
        if source_file is None:
            return None
        name = source_file.name
        if name not in self.files:
            path = os.path.realpath(name)
            relative = os.path.relpath(path, self.root)
            inside = not relative.startswith("..") and self.wanted(relative)
            self.files[name] = _File(path, relative) if inside and os.path.isfile(path) else None
        return self.files[name]

    def parse(self, path, args):
        """Parses one unit; returns its error messages (a unit with errors still gives sites)."""
        unit = self.index.parse(path, args=args)
        errors = [str(d) for d in unit.diagnostics if d.severity >= 3]
        for include in unit.get_includes():
            self.seen.add(os.path.realpath(include.include.name))
        self.seen.add(os.path.realpath(path))
        for top in unit.cursor.get_children():
            if self.file_of(top.extent.start.file) is not None:
                self._walk(top)
        return errors

    def add(self, f, start, end, original, replacement, kind):
        site = Site(f.relative, start, end, original, replacement, kind)
        self.sites.setdefault(site.key(), site)

    def result(self):
        """Every site, in a fixed order (file, place, replacement) whatever the parse order."""
        sites = sorted(self.sites.values(), key=Site.key)
        texts = {f.relative: f.text for f in self.files.values() if f is not None}
        for s in sites:
            s.line = texts[s.path].count(b"\n", 0, s.start) + 1
        return sites

    # The walk: iterative, since long expression chains nest deeper than Python's recursion.
    def _walk(self, top):
        stack = [(top, None)]
        while stack:
            cursor, parent = stack.pop()
            kind = kind_of(cursor)
            if kind == "STATIC_ASSERT":
                continue
            if kind:
                f = self.file_of(cursor.extent.start.file)
                if f is not None:
                    self._visit(cursor, kind, parent, f)
            stack.extend((child, kind) for child in cursor.get_children())

    def _visit(self, cursor, kind, parent, f):
        if kind == "BINARY_OPERATOR" or kind == "COMPOUND_ASSIGNMENT_OPERATOR":
            children = list(cursor.get_children())
            if len(children) == 2:
                self._binary(cursor, children[0], children[1], f)
        elif kind == "CALL_EXPR":
            if cursor.spelling.startswith("operator"):
                arguments = list(cursor.get_arguments())
                if len(arguments) == 2:
                    self._binary(cursor, arguments[0], arguments[1], f)
        elif kind == "UNARY_OPERATOR":
            self._unary(cursor, f)
        elif kind in ("INTEGER_LITERAL", "FLOATING_LITERAL", "CXX_BOOL_LITERAL_EXPR"):
            self._literal(cursor, kind, f)
        elif kind in ("IF_STMT", "WHILE_STMT", "FOR_STMT", "DO_STMT"):
            self._condition(cursor, kind, f)
        elif kind == "CONDITIONAL_OPERATOR":
            children = list(cursor.get_children())
            if len(children) == 3:
                self._negate(children[0].extent.start.offset, children[0].extent.end.offset, f)
        if parent in STATEMENT_PARENTS:
            self._statement(cursor, kind, f)

    def _tokens(self, cursor, f):
        """The cursor's tokens that are spelt in f where the tree places them."""
        out = []
        for token in cursor.get_tokens():
            start, end = token.extent.start.offset, token.extent.end.offset
            if f.spelt(start, end, token.spelling) is not None:
                out.append((token.spelling, start, end))
        return out

    def _binary(self, cursor, left, right, f):
        after, before = left.extent.end.offset, right.extent.start.offset
        operators = [(s, a, b) for s, a, b in self._tokens(cursor, f) if after <= a and b <= before]
        if len(operators) != 1:
            return  # spelt in a macro, or a call of a named operator function
        spelling, start, end = operators[0]
        for table, kind in ((BINARY, "arithmetic"), (RELATIONAL, "relational"),
                            (LOGICAL, "logical"), (COMPOUND, "compound assignment")):
            for replacement in table.get(spelling, []):
                moved = kind == "relational" and replacement[0] == spelling[0]
                self.add(f, start, end, spelling, replacement, "boundary" if moved else kind)
        if spelling in LOGICAL:
            whole = (cursor.extent.start.offset, cursor.extent.end.offset)
            original = f.spelt(*whole)
            for kept, side in ((left, "left"), (right, "right")):
                text = f.spelt(kept.extent.start.offset, kept.extent.end.offset)
                if original is not None and text is not None:
                    self.add(f, whole[0], whole[1], original, text, "%s operand alone" % side)

    def _unary(self, cursor, f):
        tokens = self._tokens(cursor, f)
        if not tokens:
            return
        first, last = tokens[0], tokens[-1]
        if first[1] == cursor.extent.start.offset and first[0] in DROPPED_PREFIX | set(SWAPPED_STEP):
            spelling, start, end = first
        elif last[2] == cursor.extent.end.offset and last[0] in SWAPPED_STEP:
            spelling, start, end = last
        else:
            return
        if spelling in SWAPPED_STEP:
            self.add(f, start, end, spelling, SWAPPED_STEP[spelling], "increment")
        else:
            self.add(f, start, end, spelling, "", "unary operator dropped")

    def _literal(self, cursor, kind, f):
        tokens = self._tokens(cursor, f)
        if len(tokens) != 1:
            return
        text, start, end = tokens[0]
        if kind == "CXX_BOOL_LITERAL_EXPR":
            swapped = {"true": "false", "false": "true"}.get(text)
            if swapped:
                self.add(f, start, end, text, swapped, "literal")
            return
        if kind == "INTEGER_LITERAL":
            match = INTEGER.fullmatch(text)
            if not match:
                return
            digits, suffix = match.group(1).replace("'", ""), match.group(2)
            octal = len(digits) > 1 and digits[0] == "0" and digits.isdigit()
            value = int(digits, 8) if octal else int(digits, 0)
            shown = (lambda v: "0x%x" % v) if digits[:2] in ("0x", "0X") else str
            for changed in (value + 1, value - 1):
                if changed >= 0:
                    self.add(f, start, end, text, shown(changed) + suffix, "literal")
            return
        match = REAL.fullmatch(text)
        if match:
            try:
                value = float(match.group(1).replace("'", ""))
            except ValueError:
                return
            self.add(f, start, end, text, ("1.0" if value == 0 else "0.0") + match.group(2), "literal")

    def _condition(self, cursor, kind, f):
        tokens = self._tokens(cursor, f)
        keyword = {"IF_STMT": "if", "WHILE_STMT": "while", "FOR_STMT": "for", "DO_STMT": "do"}[kind]
        if not tokens or tokens[0][0] != keyword or tokens[0][1] != cursor.extent.start.offset:
            return
        if kind == "DO_STMT":
            # do S while ( cond ) : the last parenthesised group.
            close = len(tokens) - 1
            while close >= 0 and tokens[close][0] != ")":
                close -= 1
            depth, open_ = 0, close
            while open_ >= 0:
                depth += {")": 1, "(": -1}.get(tokens[open_][0], 0)
                if depth == 0:
                    break
                open_ -= 1
            if open_ < 1 or tokens[open_ - 1][0] != "while":
                return
            inner = tokens[open_ + 1:close]
        else:
            open_ = next((i for i, t in enumerate(tokens) if t[0] == "("), None)
            if open_ is None:
                return
            depth, braces, parts, current = 0, 0, [], []
            for t in tokens[open_:]:
                depth += {"(": 1, ")": -1}.get(t[0], 0)
                braces += {"{": 1, "}": -1}.get(t[0], 0)
                if depth == 0:
                    break
                if depth == 1 and braces == 0 and t[0] == ";":
                    parts.append(current)
                    current = []
                elif t[0] != "(" or depth > 1:
                    current.append(t)
            parts.append(current)
            # if (init; cond), while (cond), for (init; cond; step); a range for has no condition.
            if kind == "FOR_STMT":
                if len(parts) != 3:
                    return
                inner = parts[1]
            else:
                inner = parts[-1]
        if not inner:
            return
        start, end = inner[0][1], inner[-1][2]
        for child in cursor.get_children():
            if kind_of(child) in ("VAR_DECL", "DECL_STMT") and start <= child.extent.start.offset < end:
                return  # if (auto x = ...) declares x: negating that would not compile
        self._negate(start, end, f)

    def _negate(self, start, end, f):
        original = f.spelt(start, end)
        if original:
            self.add(f, start, end, original, "!(%s)" % original, "condition negated")

    def _statement(self, cursor, kind, f):
        start, end = cursor.extent.start.offset, cursor.extent.end.offset
        original = f.spelt(start, end)
        if original is None:
            return
        if kind in ("BREAK_STMT", "CONTINUE_STMT") or kind == "RETURN_STMT" and original == "return":
            if original.split()[0] in ("break", "continue", "return"):
                self.add(f, start, end, original, "", "statement deleted")
            return
        inner = cursor
        while kind_of(inner) == "UNEXPOSED_EXPR":
            children = list(inner.get_children())
            if len(children) != 1:
                return
            inner = children[0]
        if kind_of(inner) == "CALL_EXPR" and f.next_char(end) == ";":
            self.add(f, start, end, original, "", "call deleted")


if __name__ == "__main__":
    # `python3 sites.py` answers whether the binding works here (the Makefile asks before a run).
    sys.exit(0 if load_clang() is not None else 1)
