#!/usr/bin/env python3
"""The DIAGNOSTICS section of man/poliz.1 lists exactly the messages the program can print.

Usage: man_messages_test.py SOURCE_ROOT

From the sources it collects every message text: the translator's (src/parser/Messages.h, by
its sections and its rules for prefixes), the driver's forms (src/common), the runtime's
messages and any the machines compose (src/runtime, src/machine, src/fast, src/lexemes) and the tables' own message
(src/scanner). Variable parts (a line, a name, an address, a message inside a form) become X.
From the manual it collects the tag of every .TP entry in DIAGNOSTICS, with its italic words
as X. The two lists must be the same.
"""
import os
import re
import sys

STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def shape(expression):
    """A C++ string expression as text: literals kept, everything else X."""
    parts, depth, current = [], 0, ""
    for token in re.findall(r'"(?:[^"\\]|\\.)*"|[()+]|[^"()+]+', expression):
        if token in "()":
            depth += 1 if token == "(" else -1
        if token == "+" and depth == 0:
            parts.append(current.strip())
            current = ""
        else:
            current += token
    parts.append(current.strip())
    text = ""
    for part in parts:
        literal = STRING.fullmatch(re.sub(r"^std::string\((.*)\)$", r"\1", part))
        text += literal.group(1).encode().decode("unicode_escape") if literal else "X"
    return re.sub("X+", "X", text)


def call_arguments(source, start):
    """The arguments of the call whose "(" is at `start`, split at top-level commas."""
    args, depth, current, k = [], 0, "", start
    while k < len(source):
        c = source[k]
        if c == '"':
            end = STRING.match(source, k).end()
            current += source[k:end]
            k = end
            continue
        if c in "({":
            depth += 1
            if depth == 1:
                k += 1
                continue
        if c in ")}":
            depth -= 1
            if depth == 0:
                args.append(current.strip())
                return args
        if c == "," and depth == 1:
            args.append(current.strip())
            current = ""
        else:
            current += c
        k += 1
    raise SystemExit("unbalanced call in source")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def parser_messages(root):
    texts, section = {}, None
    for line in read(os.path.join(root, "src/parser/Messages.h")).splitlines():
        if line.startswith("// Syntax errors"):
            section = "syntax"
        elif line.startswith("// Semantic errors"):
            section = "semantic"
        found = re.match(r'inline constexpr const char\* (k\w+) = "(.*)";', line)
        if found:
            texts[found.group(1)] = (section, found.group(2))
    pieces = {name: texts.pop(name)[1] for name in ("kFound", "kFoundNoBlank", "kNameEnd")}
    messages = {"syntax": set(), "semantic": set()}
    for name, (section, text) in texts.items():
        if name == "kExpectIdentifier":
            text += "X" + pieces["kFoundNoBlank"]
        elif name in ("kRedeclaration", "kUndeclared"):
            text += "X" + pieces["kNameEnd"]
        elif text.endswith("but '") or text.endswith("but "):
            text += "X" + pieces["kFound"]
        messages[section].add(text)
    return messages


def driver_forms(root):
    source = read(os.path.join(root, "src/common/CaughtError.cpp"))
    forms = set()
    for call in re.finditer(r"atLine\(Kind::\w+, ", source):
        args = call_arguments(source, call.start() + len("atLine"))
        forms.add(shape(args[1]) + " (line X): " + shape(args[3]))
    for init in re.finditer(r"return \{\s*(?:CaughtError::)?Kind::\w+,\s*", source):
        forms.add(shape(call_arguments(source, init.start() + len("return "))[1]))
    source = read(os.path.join(root, "src/common/ReportErrors.cpp"))
    for call in re.finditer(r"\breport\(", source):
        forms.add(shape(call_arguments(source, call.end() - 1)[0]))
    return {form for form in forms if form != "X"}


def runtime_texts(root):
    texts = set()
    for folder in ("src/runtime", "src/machine", "src/fast", "src/lexemes"):
        for name in sorted(os.listdir(os.path.join(root, folder))):
            source = read(os.path.join(root, folder, name))
            # The "'word' at address N" piece of the malformed-program messages.
            source = re.sub(r'itemAt\("([^"]*)", [^()]*\)', "\"'\\1' at address \" + X", source)
            source = re.sub(r"itemAt\([^()]*\)", "\"'\" + X + \"' at address \" + X", source)
            for call in re.finditer(r"\b(?:RuntimeError(?: \w+)?|fail|malformed)\(|return \{RuntimeFault::\w+, ", source):
                if call.group(0).startswith("return"):
                    args = call_arguments(source, call.start() + len("return "))[1:]
                else:
                    args = call_arguments(source, call.end() - 1)
                if args and args[0]:
                    texts.add(shape(args[0]))
    return {text for text in texts if text != "X"}


def table_messages(root):
    source = read(os.path.join(root, "src/scanner/HashMapLex.cpp"))
    return {m.group(1) for m in re.finditer(r'std::cerr << "([^"]*)"', source)}


def unescape_roff(text):
    for escape, plain in (("\\-", "-"), ("\\(aq", "'"), ("\\(dq", '"'), ("\\&", ""), ("\\e", "\\")):
        text = text.replace(escape, plain)
    return text


def manual_entries(path):
    lines = read(path).splitlines()
    start = lines.index(".SH DIAGNOSTICS")
    end = next(k for k in range(start + 1, len(lines)) if lines[k].startswith(".SH "))
    entries = set()
    for k in range(start, end):
        if lines[k] != ".TP":
            continue
        macro, _, rest = lines[k + 1].partition(" ")
        args = [a[1:-1] if a.startswith('"') else a for a in re.findall(r'"[^"]*"|\S+', rest)]
        if macro == ".B":
            text = " ".join(args)
        elif macro in (".BI", ".IB"):
            italic = 1 if macro == ".BI" else 0  # the fonts alternate, starting with the first
            text = "".join("X" if n % 2 == italic else arg for n, arg in enumerate(args))
        else:
            raise SystemExit(f"{path}: a DIAGNOSTICS tag must be .B, .BI or .IB: {lines[k + 1]!r}")
        text = unescape_roff(text)
        entries.add(re.sub("X+", "X", text))
    return entries


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    root = sys.argv[1]
    parser = parser_messages(root)
    code = parser["syntax"] | parser["semantic"] | driver_forms(root) | runtime_texts(root) | table_messages(root)
    manual = manual_entries(os.path.join(root, "man/poliz.1"))
    ok = True
    for text in sorted(code - manual):
        print(f"missing from the manual: {text!r}")
        ok = False
    for text in sorted(manual - code):
        print(f"in the manual but printed nowhere: {text!r}")
        ok = False
    print(f"{len(code)} message texts in the sources, {len(manual)} in the manual")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
