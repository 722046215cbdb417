"""The lexemes of a program's text, loosely: enough to cut a program into words and statements
without changing what any kept word means. Used by the reducer (and by tests that rewrite
programs). Text that is no lexeme (an unclosed comment, a stray byte) becomes a lexeme of its own."""
import re

KEYWORDS = {"program", "int", "real", "string", "not", "and", "or", "if", "else", "case", "of", "while",
            "for", "continue", "read", "write", "end"}
BINARY = {"+", "-", "*", "/", "<", ">", "<=", ">=", "==", "!="}

_LEXEME = re.compile(r'\s+|/\*.*?(?:\*/|\Z)|"[^"]*"?|\d+\.?\d*|[A-Za-z_][A-Za-z0-9_]*|<=|>=|==|!=|.', re.S)


class Lexeme:
    def __init__(self, text, start):
        self.text, self.start = text, start

    @property
    def end(self):
        return self.start + len(self.text)

    def is_atom(self):
        """A name or a constant: an operand on its own."""
        first = self.text[0]
        return (first.isalnum() or first in '_"') and self.text not in KEYWORDS

    def __repr__(self):
        return repr(self.text)


def split(text):
    """The lexemes of `text`, without spaces and comments."""
    return [Lexeme(m.group(), m.start()) for m in _LEXEME.finditer(text)
            if not m.group()[0].isspace() and not m.group().startswith("/*")]


def join(lexemes):
    """A text of these lexemes, one space between two that would otherwise run together."""
    out = []
    for lexeme in lexemes:
        if out and would_join(out[-1], lexeme.text):
            out.append(" ")
        out.append(lexeme.text)
    return "".join(out)


def would_join(before, after):
    a, b = before[-1], after[0]
    word = lambda c: c.isalnum() or c in '_."'  # noqa: E731
    return (word(a) and word(b)) or (a in "<>=!/*" and b in "=*/") or (a == "/" and b == "*")


def matching(lexemes, index):
    """The index of the bracket that closes (or opens) the one at `index`, or None."""
    pairs = {"(": ")", "{": "}", ")": "(", "}": "{"}
    opener = lexemes[index].text
    closer, step, depth = pairs[opener], (1 if opener in "({" else -1), 0
    i = index
    while 0 <= i < len(lexemes):
        if lexemes[i].text == opener:
            depth += 1
        elif lexemes[i].text == closer:
            depth -= 1
            if depth == 0:
                return i
        i += step
    return None
