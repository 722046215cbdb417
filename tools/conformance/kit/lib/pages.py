"""The pieces of the kit's HTML reports: a page with its style inline, numbered text, an expected
and an actual stream side by side around their first difference, and a bar chart in SVG.
Nothing is fetched and nothing is scripted, so a report opens anywhere, offline. Every text
from a program or a run is escaped here."""
import html
import re

STYLE = """body{font:15px/1.45 system-ui,"Segoe UI",Roboto,sans-serif;color:#1d2327;margin:0 auto;
 max-width:72em;padding:1.2em 2em 3em}
h1{font-size:1.55em;margin:.3em 0 .2em}h2{font-size:1.2em;margin:1.8em 0 .5em;padding-bottom:.2em;
 border-bottom:1px solid #d4d8dc}h3{font:600 1em ui-monospace,Menlo,Consolas,monospace;margin:0 0 .3em}
h4{font-size:.95em;margin:1em 0 .3em;color:#3b454e}
a{color:#1659a3}.meta{color:#5b6670;margin:.2em 0}code{font-family:ui-monospace,Menlo,Consolas,monospace}
table{border-collapse:collapse;margin:.5em 0}th,td{border:1px solid #d4d8dc;padding:.25em .65em;text-align:left;
 vertical-align:top}th{background:#f1f3f5;font-weight:600}td.num,th.num{text-align:right}td.num{white-space:nowrap}
.pass{color:#176117}.fail{color:#a11}.muted{color:#7b858d}
.verdict{display:inline-block;padding:.05em .55em;border-radius:.3em;font-weight:700}
.verdict.pass{background:#dff3df}.verdict.fail{background:#fbe2e2}
.notice{border-left:4px solid #c77700;background:#fff5e0;padding:.5em 1em;margin:1em 0}
.help{background:#f4f7fa;padding:.6em 1em;border-radius:.4em;margin:1em 0}
.failure{border:1px solid #d4d8dc;border-radius:.5em;padding:.8em 1.1em;margin:1.4em 0}
.reason{font-weight:700;color:#a11;margin:.2em 0}
table.code{font:13px/1.45 ui-monospace,Menlo,Consolas,monospace;width:100%;margin:.2em 0;border:1px solid #d4d8dc}
table.code td,table.code th{border:none;padding:0 .6em;white-space:pre-wrap;word-break:break-all}
table.code th{font-weight:400;text-align:left;color:#5b6670;border-bottom:1px solid #d4d8dc;padding:.15em .6em}
table.code td.n{color:#8a949c;text-align:right;width:2.5em;background:#f6f7f8;white-space:nowrap}
table.code td.at{width:1em;color:#a11;padding:0 .2em}
table.code tr.marked td{background:#fff3bf}table.code td.differs{background:#fde8e8}
table.code tr.gap td{color:#8a949c;font-style:italic;background:#fafafa}
table.compare{table-layout:fixed}table.compare col.n{width:3.2em}table.compare col.at{width:1.4em}
.delta{background:#f7b9b9;border-radius:2px}.ws{color:#8f9aa3}.none{color:#a3acb3;font-style:italic}
svg text{font:12px ui-monospace,Menlo,Consolas,monospace;fill:#1d2327}"""

MAX_LINE = 300  # characters of one line shown
BEFORE, AFTER = 3, 10  # lines shown around a first difference
WHOLE = 25  # streams of at most this many lines are shown whole
MARKED = ' class="marked"'
LINE_BREAKS = "\r\n"


def esc(text):
    return html.escape(str(text), quote=True)


def page(title, body):
    return (f"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            f"<title>{esc(title)}</title>\n<style>\n{STYLE}\n</style>\n</head>\n<body>\n"
            f"<h1>{esc(title)}</h1>\n{body}</body>\n</html>\n")


def lines_of(data, scrub=str):
    """The lines of a stream or file, each decoded with its own line break."""
    return [scrub(line.decode("utf-8", "replace")) for line in data.splitlines(keepends=True)]


def visible(line, delta=None):
    """A line as HTML with what the eye cannot tell apart made visible: control characters,
    spaces at its end, a Windows line break, a last line without its line break. From the
    character at `delta` on, the line is marked as where it differs from the other."""
    body = line.rstrip("\r\n")
    ending = line[len(body):]
    cut = f" … ({len(body)} characters)" if len(body) > MAX_LINE else ""
    body = body[:MAX_LINE]
    trailing = len(body) - len(body.rstrip(" "))
    pieces = [f"<span class=\"ws\">{_control(c)}</span>" if ord(c) < 0x20 and c != "\t" else
              "<span class=\"ws\">·</span>" if k >= len(body) - trailing else esc(c) for k, c in enumerate(body)]
    if "\r" in ending:
        pieces.append("<span class=\"ws\">\\r</span>")
    elif not ending:
        pieces.append("<span class=\"ws\"> (no line break at the end)</span>")
    if delta is not None and delta < len(pieces):
        pieces[delta:] = ["<span class=\"delta\">" + "".join(pieces[delta:]) + "</span>"]
    return "".join(pieces) + (f"<span class=\"ws\">{esc(cut)}</span>" if cut else "")


def _control(c):
    return {"\r": "\\r", "\x1b": "\\e"}.get(c, f"\\x{ord(c):02x}")


def _delta(a, b):
    """Where two lines part: the length of their common start."""
    k = 0
    while k < min(len(a), len(b)) and a[k] == b[k]:
        k += 1
    return k


def numbered(lines, marked=()):
    """Lines with their numbers, those in `marked` highlighted."""
    rows = "".join(f"<tr{MARKED if n in marked else ''}><td class=\"n\">{n}</td>"
                   f"<td>{esc(line.rstrip(LINE_BREAKS))}</td></tr>\n" for n, line in enumerate(lines, 1))
    return f"<table class=\"code\">\n{rows}</table>\n"


def comparison(expected, actual, first):
    """Expected and actual lines side by side, line by line, around the first difference
    (a line number from 1), which an arrow points at."""
    count = max(len(expected), len(actual))
    start, end = (1, count) if count <= WHOLE else (max(1, first - BEFORE), min(count, first + AFTER))
    rows = ["<colgroup><col class=\"n\"><col class=\"at\"><col><col></colgroup>\n"
            "<tr><th></th><th></th><th>expected</th><th>actual</th></tr>\n"]
    if start > 1:
        rows.append(f"<tr class=\"gap\"><td></td><td></td><td colspan=\"2\">{start - 1} equal lines before</td></tr>\n")
    for n in range(start, end + 1):
        left = expected[n - 1] if n <= len(expected) else None
        right = actual[n - 1] if n <= len(actual) else None
        cls = " class=\"differs\"" if left != right else ""
        delta = _delta(left, right) if n == first and left is not None and right is not None else None
        rows.append(f"<tr{MARKED if n == first else ''}><td class=\"n\">{n}</td>"
                    f"<td class=\"at\">{'▶' if n == first else ''}</td>"
                    f"<td{cls}>{_cell(left, delta)}</td><td{cls}>{_cell(right, delta)}</td></tr>\n")
    if end < count:
        rows.append(f"<tr class=\"gap\"><td></td><td></td><td colspan=\"2\">{count - end} more lines</td></tr>\n")
    return f"<table class=\"code compare\">\n{''.join(rows)}</table>\n"


def _cell(line, delta=None):
    return "<span class=\"none\">(no line)</span>" if line is None else visible(line, delta)


def bar_chart(title, bars, colour="#c0392b"):
    """Horizontal bars, one per (label, share from 0 to 1, text after the bar), as inline SVG."""
    label_width = 16 + round(7.5 * max(len(_short(label)) for label, _, _ in bars))
    bar_width, row, top = 260, 22, 6
    width, height = label_width + bar_width + 150, top + row * len(bars) + 4
    parts = [f"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{width}\" height=\"{height}\" "
             f"viewBox=\"0 0 {width} {height}\" role=\"img\" aria-label=\"{esc(title)}\">\n<title>{esc(title)}</title>\n"]
    for k, (label, share, text) in enumerate(bars):
        y = top + k * row
        length = max(1, round(bar_width * min(1.0, share))) if share > 0 else 0
        parts.append(f"<g><title>{esc(label)}: {esc(text)}</title>"
                     f"<text x=\"{label_width - 8}\" y=\"{y + 13}\" text-anchor=\"end\">{esc(_short(label))}</text>"
                     f"<rect x=\"{label_width}\" y=\"{y + 2}\" width=\"{bar_width}\" height=\"14\" fill=\"#eef0f2\"/>"
                     f"<rect x=\"{label_width}\" y=\"{y + 2}\" width=\"{length}\" height=\"14\" fill=\"{colour}\"/>"
                     f"<text x=\"{label_width + bar_width + 8}\" y=\"{y + 13}\">{esc(text)}</text></g>\n")
    return "".join(parts) + "</svg>\n"


def _short(label, most=48):
    return label if len(label) <= most else label[:20] + "…" + label[-(most - 21):]


class Scrubber:
    """Takes the grading machine's folders out of texts shown in reports: each becomes a short
    name, where it stands as a whole path (not the start of a longer name)."""

    def __init__(self, folders):
        self.pairs = [(re.compile(re.escape(folder) + r"(?![\w.-])"), label)
                      for folder, label in sorted(folders, key=lambda p: -len(p[0])) if len(folder) > 1]

    def __call__(self, text):
        for pattern, label in self.pairs:
            text = pattern.sub(label, text)
        return text
