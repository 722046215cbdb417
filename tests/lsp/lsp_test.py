#!/usr/bin/env python3
"""poliz-lsp spoken to over standard input and output, as an editor speaks to it.

Usage: lsp_test.py GROUP POLIZ_LSP [PROGRAMS_DIR]

GROUP is one of:
  diagnostics  an error underlined at its lexeme, with poliz's message and the hint; cleared
               when mended; columns in UTF-16 and UTF-8; many quick changes; closing
  features     hover, definition, references, highlights, symbols and semantic tokens
  actions      each certain fix, applied, makes the text translate; no fix where it is unsure
  robustness   malformed and invalid messages, unknown methods, requests before initialize,
               changes to closed documents, NUL bytes, a 10 MB text, deep nesting, shutdown and exit
  golden       hover, definition and references on every golden program under PROGRAMS_DIR
Ends with "N passed, N failed"; exits 1 when a check failed.
"""
import os
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from lsp_client import LspClient, at, doc_position  # noqa: E402

URI = "file:///work/count.ppp"
MISSING_SEMICOLON = "program {\n    int n = 5, i;\n    string s = \"sum\";\n    n = 3\n    i = n;\n}\n"
CHECKS = []


def check(function):
    CHECKS.append(function)
    return function


def server(lsp, encodings=None):
    client = LspClient(lsp)
    client.initialize(encodings)
    return client


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def span(diagnostic):
    r = diagnostic["range"]
    return (r["start"]["line"], r["start"]["character"], r["end"]["line"], r["end"]["character"])


def apply_edits(text, edits):
    """The text with LSP TextEdits applied (UTF-16 columns; these texts are ASCII)."""
    lines = text.split("\n")

    def offset(p):
        return sum(len(line) + 1 for line in lines[:p["line"]]) + p["character"]
    for e in sorted(edits, key=lambda e: offset(e["range"]["start"]), reverse=True):
        text = text[:offset(e["range"]["start"])] + e["newText"] + text[offset(e["range"]["end"]):]
    return text


# --- diagnostics -------------------------------------------------------------------------

@check
def diagnostics_missing_semicolon_then_mended(lsp):
    c = server(lsp)
    c.open(URI, MISSING_SEMICOLON, 1)
    [d] = c.diagnostics(URI, 1)
    # The ";" belongs right after "3" (line 4, column 10 as poliz-show --explain counts).
    expect(span(d) == (3, 9, 3, 9), f"range {span(d)}")
    expect(d["severity"] == 1 and d["source"] == "poliz", d)
    first, hint = d["message"].split("\n")
    expect(first == "Syntax error (line 5): semicolon is expexted but 'i' found!", first)
    expect(hint.startswith("hint: a ';' is missing after '3'"), hint)
    c.change(URI, MISSING_SEMICOLON.replace("n = 3\n", "n = 3;\n"), 2)
    expect(c.diagnostics(URI, 2) == [], "the mended text still has a diagnostic")
    c.notify("textDocument/didClose", {"textDocument": {"uri": URI}})
    closed = c.diagnostics(URI)
    expect(closed == [], f"closing leaves a diagnostic: {closed}, besides {c.pending}")
    expect(c.stop() == 0, "exit status after shutdown")


@check
def diagnostics_cover_the_offending_lexeme(lsp):
    c = server(lsp)
    cases = [
        # an undeclared name: the whole name
        ("program {\n  int a;\n  a = count + 1;\n}", (2, 6, 2, 11), "Semantic error (line 3): Undeclared identifier: 'count'!"),
        # a character that begins no lexeme: that character
        ("program {\n  int a;\n  a = 7 # 2;\n}", (2, 8, 2, 9), "Error (line 3): unresolved symbol #"),
        # an if without else: the if itself, as poliz-show --explain points there
        ("program {\n  int a;\n  if (a > 1) a = 1;\n  a = 2;\n}", (2, 2, 2, 4), "Syntax error (line 4): 'else' is expected but 'a' found!"),
        # the end of the text inside an open brace: that brace
        ("program {\n  int a;\n  while (a < 3) {\n    a = a + 1;\n", (2, 16, 2, 17), "Unexpected end of file!"),
    ]
    for k, (text, want, message) in enumerate(cases):
        uri = f"file:///work/case{k}.ppp"
        c.open(uri, text)
        [d] = c.diagnostics(uri)
        expect(span(d) == want, f"case {k}: range {span(d)}, expected {want}")
        expect(d["message"].split("\n")[0] == message, f"case {k}: {d['message']!r}")
    c.stop()


@check
def diagnostics_count_columns_in_the_agreed_encoding(lsp):
    # "ü" is two bytes and one UTF-16 unit, "𝄞" four bytes and two units.
    text = 'program {\n  string s = "ü𝄞"; x = 1;\n}'
    for encodings, agreed, column in ((None, "utf-16", 20), (["utf-8", "utf-16"], "utf-8", 23)):
        c = LspClient(lsp)
        caps = c.initialize(encodings)["capabilities"]
        expect(caps["positionEncoding"] == agreed, caps["positionEncoding"])
        c.open(URI, text)
        [d] = c.diagnostics(URI)
        expect(span(d) == (1, column, 1, column + 1), f"{agreed}: the undeclared x at {span(d)}")
        hover = c.result("textDocument/hover", doc_position(URI, 1, 9))
        expect(hover and "string" in hover["contents"]["value"], hover)
        c.stop()


@check
def diagnostics_follow_quick_changes_to_the_last(lsp):
    c = server(lsp)
    c.open(URI, MISSING_SEMICOLON, 1)
    c.diagnostics(URI, 1)
    for version in range(2, 40):
        text = MISSING_SEMICOLON if version % 2 else MISSING_SEMICOLON.replace("n = 3\n", "n = 3;\n")
        c.change(URI, text, version)
    # Debounced: whatever came between, the last version's diagnostics arrive, and only once.
    expect(c.diagnostics(URI, 39) != [], "version 39 has the error")
    hover = c.result("textDocument/hover", doc_position(URI, 1, 8))
    expect("int n = 5" in hover["contents"]["value"], hover)
    c.stop()


# --- features ----------------------------------------------------------------------------

PROGRAM = """program {
    int n = 5, i, f;
    real r = -2.5;
    string s = "f"; /* "n" in a comment or a string is no use of n */
    f = 1;
    for (i = 1; i <= n; i = i + 1) f = f * i;
    while (f > 100) f = f - 1;
    read(i);
    write(s, " is ", f, r);
}
"""


def open_program(lsp):
    c = server(lsp)
    c.open(URI, PROGRAM)
    expect(c.diagnostics(URI) == [], "the program translates")
    return c


@check
def features_hover(lsp):
    c = open_program(lsp)
    value = c.result("textDocument/hover", doc_position(URI, 5, 21))["contents"]["value"]  # n
    expect("int n = 5" in value and "line 2" in value and "initial value 5" in value, value)
    value = c.result("textDocument/hover", doc_position(URI, 2, 9))["contents"]["value"]  # r
    expect("real r = -2.5" in value, value)
    value = c.result("textDocument/hover", doc_position(URI, 1, 15))["contents"]["value"]  # i
    expect("no initial value" in value, value)
    # An operator: the item it became.
    value = c.result("textDocument/hover", doc_position(URI, 5, 30))["contents"]["value"]  # + of i + 1
    expect("operator  +" in value and value.startswith("POLIZ items"), value)
    # A statement: the items of its line, the jump back of the loop among them.
    value = c.result("textDocument/hover", doc_position(URI, 6, 5))["contents"]["value"]  # while
    expect("POLIZ of line 7" in value and "jumpfalse" in value and "operator  jump\n" in value, value)
    # Blanks and comments have nothing to show.
    expect(c.result("textDocument/hover", doc_position(URI, 3, 30)) is None, "a hover in a comment")
    c.stop()


@check
def features_definition_references_highlights(lsp):
    c = open_program(lsp)
    loc = c.result("textDocument/definition", doc_position(URI, 5, 21))
    expect(loc["range"]["start"] == at(1, 8) and loc["uri"] == URI, loc)
    refs = c.result("textDocument/references", dict(doc_position(URI, 5, 21), context={"includeDeclaration": True}))
    expect([r["range"]["start"] for r in refs] == [at(1, 8), at(5, 21)], refs)
    refs = c.result("textDocument/references", dict(doc_position(URI, 1, 8), context={"includeDeclaration": False}))
    expect([r["range"]["start"] for r in refs] == [at(5, 21)], refs)
    marks = c.result("textDocument/documentHighlight", doc_position(URI, 1, 15))  # i
    kinds = [(m["range"]["start"]["line"], m["kind"]) for m in marks]
    # written where declared, assigned and read into; read elsewhere
    expect(kinds == [(1, 3), (5, 3), (5, 2), (5, 3), (5, 2), (5, 2), (7, 3)], kinds)
    expect(c.result("textDocument/definition", doc_position(URI, 4, 6)) is None, "definition of '='")
    c.stop()


@check
def features_symbols_and_tokens(lsp):
    c = open_program(lsp)
    symbols = c.result("textDocument/documentSymbol", {"textDocument": {"uri": URI}})
    got = [(s["name"], s["detail"], s["kind"]) for s in symbols]
    expect(got == [("n", "int = 5", 13), ("i", "int", 13), ("f", "int", 13), ("r", "real = -2.5", 13),
                   ("s", "string = \"f\"", 13)], got)
    legend = ["keyword", "operator", "variable", "number", "string", "comment"]
    data = c.result("textDocument/semanticTokens/full", {"textDocument": {"uri": URI}})["data"]
    lines = PROGRAM.split("\n")
    tokens, line, char = [], 0, 0
    for k in range(0, len(data), 5):
        dl, dc, length, kind, mods = data[k:k + 5]
        line += dl
        char = char + dc if dl == 0 else dc
        tokens.append((lines[line][char:char + length], legend[kind], mods))
    expect(tokens[:3] == [("program", "keyword", 0), ("{", "operator", 0), ("int", "keyword", 0)], tokens[:3])
    expect(("n", "variable", 1) in tokens and ("-", "operator", 0) in tokens and ("2.5", "number", 0) in tokens,
           tokens)
    expect(('"f"', "string", 0) in tokens, tokens)
    expect(("/* \"n\" in a comment or a string is no use of n */", "comment", 0) in tokens, tokens)
    expect(tokens[-1] == ("}", "operator", 0), tokens[-1])
    c.stop()


@check
def features_string_constants_read_as_words(lsp):
    # Words are compared by their text: "{" and "+" stand for the signs here, while "-" is the
    # initial value of a string variable; colours and hovers follow the translator.
    text = 'program "{"\n  int a;\n  string op = "-";\n  a = 1 "+" 2;\n  write(op, a, "x");\n}'
    c = server(lsp)
    c.open(URI, text)
    expect(c.diagnostics(URI) == [], "the text translates")
    data = c.result("textDocument/semanticTokens/full", {"textDocument": {"uri": URI}})["data"]
    strings = [(line, word, kind) for line, _, word, kind, _ in decode_tokens(data, text) if word.startswith('"')]
    expect(strings == [(0, '"{"', "operator"), (2, '"-"', "string"), (3, '"+"', "operator"), (4, '"x"', "string")],
           strings)
    value = c.result("textDocument/hover", doc_position(URI, 4, 8))["contents"]["value"]
    expect('string op = "-"' in value, value)
    c.stop()


# --- code actions ------------------------------------------------------------------------

FIXES = [
    ("program {\n  int i;\n  i = 0\n  write(i);\n}", "Insert the missing ';'", "i = 0;"),
    ("program {\n  int i;\n  i = 0;\n  if (i > 1) write(i);\n  write(1);\n}", "Add 'else {}'", "write(i); else {}"),
    ("program {\n  int i;\n  i = 0;\n  i++;\n  write(i);\n}", "Write i = i + 1", "i = i + 1;"),
    ("program {\n  int i, n;\n  n = 3;\n  for (i = 0; i < n; i++) write(i);\n}", "Write i = i + 1", "i = i + 1)"),
    ("program {\n  int i;\n  i = 0;\n  i += 1;\n  write(i);\n}", "Write i = i + 1", "i = i + 1;"),
    ("program {\n  int t;\n  t = 9;\n  t -= 2;\n  write(t);\n}", "Write t = t - 2", "t = t - 2;"),
    ("program {\n  int a, b;\n  a = 7; b = 3;\n  write(a % b);\n}", "Write a - a / b * b", "write(a - a / b * b);"),
]
# Mistakes whose mending is not certain: no fix is offered.
UNSURE = [
    "program {\n  int i, a, b;\n  i *= a + b;\n}",       # i = i * a + b would be wrong
    "program {\n  int a, b, c;\n  c = c - a % b;\n}",    # c - a - a / b * b would be wrong
    "program {\n  real a; int b;\n  a = a % b;\n}",      # no remainder of reals
    "program {\n  int i;\n  while (i++) write(i);\n}",  # the value of i++ is the old one
]


@check
def actions_fix_and_the_text_translates(lsp):
    c = server(lsp)
    for k, (text, title, fixed) in enumerate(FIXES):
        uri = f"file:///work/fix{k}.ppp"
        c.open(uri, text, 1)
        [d] = c.diagnostics(uri, 1)
        line = d["range"]["start"]["line"]
        actions = c.result("textDocument/codeAction", {"textDocument": {"uri": uri},
                                                       "range": {"start": at(line, 0), "end": at(line, 0)},
                                                       "context": {"diagnostics": [d]}})
        expect(len(actions) == 1 and actions[0]["title"] == title and actions[0]["kind"] == "quickfix",
               f"fix {k}: {actions}")
        mended = apply_edits(text, actions[0]["edit"]["changes"][uri])
        expect(fixed in mended, f"fix {k}: {mended!r}")
        c.change(uri, mended, 2)
        expect(c.diagnostics(uri, 2) == [], f"fix {k}: {mended!r} does not translate")
        # Mended, the text has nothing more to fix.
        none = c.result("textDocument/codeAction", {"textDocument": {"uri": uri},
                                                    "range": {"start": at(0, 0), "end": at(9, 0)},
                                                    "context": {"diagnostics": []}})
        expect(none == [], f"fix {k}: {none}")
    for k, text in enumerate(UNSURE):
        uri = f"file:///work/unsure{k}.ppp"
        c.open(uri, text, 1)
        expect(c.diagnostics(uri, 1) != [], f"unsure {k} translates")
        actions = c.result("textDocument/codeAction", {"textDocument": {"uri": uri},
                                                       "range": {"start": at(0, 0), "end": at(9, 0)},
                                                       "context": {"diagnostics": []}})
        expect(actions == [], f"unsure {k}: {actions}")
    c.stop()


# --- robustness --------------------------------------------------------------------------

def error_code(answer):
    return answer.get("error", {}).get("code")


@check
def robustness_malformed_and_invalid_messages(lsp):
    c = server(lsp)
    cases = [
        (b'{"jsonrpc": "2.0", "id": 5, "method": ', -32700),
        (b'\x00\x01\x02', -32700),
        (b'[1, 2]', -32600),
        (b'[]', -32600),
        (b'"text"', -32600),
        (b'{"id": 6, "method": "shutdown"}', -32600),  # no "jsonrpc"
        (b'{"jsonrpc": "2.0", "id": 7, "method": 42}', -32600),
        (b'{"jsonrpc": "2.0", "id": {"a": 1}, "method": "shutdown"}', -32600),
        (b'{"jsonrpc": "2.0", "id": 8, "method": "textDocument/hover", "params": 3}', -32600),
        (b'{"jsonrpc": "2.0", "id": 9}', -32600),
        # Nesting a million deep: no recursion in reading, answering or letting go of it.
        (b'[' * 1000000 + b']' * 1000000, -32600),
        (b'{"jsonrpc": "2.0", "id": 10, "method": "textDocument/hover", "params": {"a": ' + b'[' * 1000000
         + b']' * 1000000 + b'}}', -32602),
    ]
    for body, code in cases:
        c.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        answer = c.wait_for(lambda m: "error" in m)
        expect(answer["error"]["code"] == code, f"{body!r}: {answer}")
    # A header block without a length: a parse error, and the next message is read as usual.
    c.send_raw(b"Content-Type: application/json\r\n\r\n")
    expect(error_code(c.wait_for(lambda m: "error" in m)) == -32700, "header without length")
    c.send_raw(b"Content-Length: twelve\r\n\r\n")
    expect(error_code(c.wait_for(lambda m: "error" in m)) == -32700, "length not a number")
    answer = c.request("workspace/unheardOf", {})
    expect(error_code(answer) == -32601, answer)
    c.notify("$/unheardOf", {})  # unknown notifications are dropped without an answer
    c.open(URI, PROGRAM)
    for params in ({"textDocument": {"uri": URI}}, dict(doc_position(URI, 0, 0), position={"line": "one"}),
                   {"position": at(0, 0)}):
        answer = c.request("textDocument/hover", params)
        expect(error_code(answer) == -32602, f"{params}: {answer}")
    # A line that is not an integer (a fraction, or digits past 64 bits, which JSON readers
    # take as a float) is a bad parameter, never converted; a huge integer is only far away.
    for line in (33333333333333333333333333333, 1.5, -1e30):
        answer = c.request("textDocument/hover", dict(doc_position(URI, 0, 0), position={"line": line, "character": 0}))
        expect(error_code(answer) == -32602, f"hover at line {line}: {answer}")
        answer = c.request("textDocument/codeAction", {
            "textDocument": {"uri": URI}, "context": {"diagnostics": []},
            "range": {"start": {"line": line, "character": 0}, "end": {"line": 0, "character": 0}}})
        expect(error_code(answer) == -32602, f"code action from line {line}: {answer}")
    answer = c.request("textDocument/hover", dict(doc_position(URI, 0, 0), position={"line": 2**64 - 1, "character": 2**63}))
    expect("error" not in answer, answer)
    answer = c.request("initialize", {"capabilities": {}})
    expect(error_code(answer) == -32600, answer)
    # Still well after all of that.
    c.change(URI, MISSING_SEMICOLON, 2)
    expect(len(c.diagnostics(URI, 2)) == 1, "no diagnostic after the bad messages")
    expect(c.stop() == 0, "exit status")


@check
def robustness_order_of_the_session(lsp):
    c = LspClient(lsp)
    answer = c.request("textDocument/hover", doc_position(URI, 0, 0))
    expect(error_code(answer) == -32002, f"before initialize: {answer}")
    c.open(URI, MISSING_SEMICOLON)  # dropped: not initialised yet
    c.initialize()
    expect(c.result("textDocument/hover", doc_position(URI, 1, 8)) is None, "a document opened too early")
    # A change to a document that is not open is no error to answer, and opens nothing.
    c.change("file:///work/never.ppp", "program { x }", 2)
    expect(c.result("textDocument/documentSymbol", {"textDocument": {"uri": "file:///work/never.ppp"}}) is None,
           "a change opened a document")
    expect(c.result("shutdown") is None, "shutdown")
    answer = c.request("textDocument/hover", doc_position(URI, 0, 0))
    expect(error_code(answer) == -32600, f"after shutdown: {answer}")
    c.notify("exit")
    expect(c.wait_exit() == 0, "exit after shutdown")
    c = server(lsp)
    c.notify("exit")
    expect(c.wait_exit() == 1, "exit without shutdown")
    c = server(lsp)
    c.proc.stdin.close()
    expect(c.wait_exit() == 1, "end of input without exit")


@check
def robustness_nul_bytes(lsp):
    c = server(lsp)
    c.open(URI, "program {\n  int a;\n  a = 1;\x00\n}")
    [d] = c.diagnostics(URI)
    expect(span(d)[:2] == (2, 8) and "unresolved symbol" in d["message"], d)
    c.open(URI, "program {\n  string s = \"a\x00b\";\n  write(s);\n}")
    c.diagnostics(URI)
    expect(c.result("textDocument/hover", doc_position(URI, 2, 8)) is not None, "hover after NUL")
    # A NUL byte in the framing itself.
    c.send_raw(b"Content-Length: 3\r\n\r\n\x00\x00\x00")
    expect(error_code(c.wait_for(lambda m: "error" in m)) == -32700, "NUL body")
    expect(c.stop() == 0, "exit status")


@check
def robustness_huge_and_deep_texts(lsp):
    c = server(lsp)
    statement = "s = s + i * 2; i = i + 1;\n"
    huge = "program {\nint i, s;\ni = 0; s = 0;\n" + statement * (10 * 2 ** 20 // len(statement)) + "}\n"
    started = time.monotonic()
    c.open("file:///work/huge.ppp", huge)
    # A small document is answered at once, whatever the huge one costs.
    c.open(URI, PROGRAM)
    hover = c.result("textDocument/hover", doc_position(URI, 5, 21), timeout=10)
    expect(hover is not None and time.monotonic() - started < 10, f"small document after a huge one: {hover}")
    expect(c.diagnostics("file:///work/huge.ppp", timeout=120) == [], "the huge text translates")
    data = c.result("textDocument/semanticTokens/full", {"textDocument": {"uri": "file:///work/huge.ppp"}},
                    timeout=60)["data"]
    expect(0 < len(data) <= 5 * 200000, f"{len(data) // 5} tokens")
    refs = c.result("textDocument/references", doc_position("file:///work/huge.ppp", 1, 4), timeout=60)
    expect(len(refs) == 10000, f"{len(refs)} references")
    # 100,000 open parentheses: the translator's nesting bound ends it.
    c.open("file:///work/deep.ppp", "program { int a; a = " + "(" * 100000 + "1" + ")" * 100000 + "; }")
    [d] = c.diagnostics("file:///work/deep.ppp", timeout=60)
    expect("Nesting is too deep!" in d["message"], d["message"])
    expect(c.stop() == 0, "exit status")


# --- the golden programs -----------------------------------------------------------------

def golden_programs(root):
    for folder, _, files in sorted(os.walk(os.path.join(root, "ok"))):
        for name in sorted(files):
            if name.endswith(".ppp"):
                yield os.path.join(folder, name)


def decode_tokens(data, text):
    legend = ["keyword", "operator", "variable", "number", "string", "comment"]
    lines = text.split("\n")
    line = char = 0
    for k in range(0, len(data), 5):
        dl, dc, length, kind, mods = data[k:k + 5]
        line += dl
        char = char + dc if dl == 0 else dc
        yield line, char, lines[line][char:char + length], legend[kind], mods


@check
def golden_hover_definition_references(lsp, programs):
    c = server(lsp, ["utf-8"])
    for path in golden_programs(programs):
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            text = f.read()
        uri = "file://" + path
        c.open(uri, text)
        expect(c.diagnostics(uri) == [], f"{path} does not translate")
        data = c.result("textDocument/semanticTokens/full", {"textDocument": {"uri": uri}})["data"]
        tokens = list(decode_tokens(data, text))
        names = [t for t in tokens if t[3] == "variable"][:200]
        for line, char, name, _, _ in names:
            where = f"{os.path.relpath(path, programs)}:{line + 1}:{char + 1} {name}"
            hover = c.result("textDocument/hover", doc_position(uri, line, char))
            expect(hover and f" {name}" in hover["contents"]["value"] and "declared on line" in hover["contents"]["value"],
                   f"{where}: hover {hover}")
            loc = c.result("textDocument/definition", doc_position(uri, line, char))
            start = loc["range"]["start"]
            expect(text.split("\n")[start["line"]][start["character"]:].startswith(name), f"{where}: definition {loc}")
            refs = c.result("textDocument/references",
                            dict(doc_position(uri, line, char), context={"includeDeclaration": True}))
            expect(at(line, char) in [r["range"]["start"] for r in refs], f"{where}: not among its references")
        # Operators of statements (a sign in a declaration makes no item of its own).
        symbols = c.result("textDocument/documentSymbol", {"textDocument": {"uri": uri}})
        declared = max((s["range"]["end"]["line"] for s in symbols), default=0)
        operators = [t for t in tokens if t[3] == "operator" and t[2] in "+-*/" and t[0] > declared]
        for line, char, sign, _, _ in operators[:50]:
            hover = c.result("textDocument/hover", doc_position(uri, line, char))
            expect(hover and "POLIZ items" in hover["contents"]["value"], f"{path}:{line + 1}: {sign} {hover}")
        c.notify("textDocument/didClose", {"textDocument": {"uri": uri}})
    expect(c.stop() == 0, "exit status")


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    group, lsp = sys.argv[1], sys.argv[2]
    extra = sys.argv[3:]
    chosen = [f for f in CHECKS if f.__name__.startswith(group + "_")]
    if not chosen:
        raise SystemExit(f"unknown group {group}\n{__doc__}")
    passed = failed = 0
    for function in chosen:
        try:
            function(lsp, *extra[:function.__code__.co_argcount - 1])
            passed += 1
            print(f"ok    {function.__name__}")
        except Exception:  # noqa: BLE001 - every failure is reported, then the next check runs
            failed += 1
            print(f"FAIL  {function.__name__}")
            traceback.print_exc(file=sys.stdout)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
