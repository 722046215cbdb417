// Hints about blocks and if statements read from the program's layout: which '{' was left
// unclosed when the text ends (its '}' found by indentation, as compilers that warn about
// misleading indentation do), and which if still waits for its else.
#include "explain/TranslationHints.h"

namespace {

constexpr int kTabWidth = 8;

// The width of the blanks that begin a line, a tab reaching the next multiple of eight.
int indentOf(std::string_view line) {
    int width = 0;
    for (const char c : line) {
        if (c == ' ')
            ++width;
        else if (c == '\t')
            width = (width / kTabWidth + 1) * kTabWidth;
        else
            return width;
    }
    return -1;  // a blank line has no indentation of its own
}

bool firstOnItsLine(const Token& t, const SourceText& source) {
    const std::string_view line = source.line(t.start.line);
    const std::size_t before = static_cast<std::size_t>(t.start.column - 1);
    return before <= line.size() && line.substr(0, before).find_first_not_of(" \t") == std::string_view::npos;
}

// The first line after `opener`'s line that is indented no deeper than it and is not a '}'
// line: where its block seems to end. 0 when none is found.
int blockEndByLayout(const Token& opener, const SourceText& source) {
    const int depth = indentOf(source.line(opener.start.line));
    for (int n = opener.start.line + 1; n <= source.lineCount(); ++n) {
        const std::string_view line = source.line(n);
        const int indent = indentOf(line);
        if (indent < 0 || indent > depth) continue;
        const std::size_t first = line.find_first_not_of(" \t");
        return line[first] == '}' || line.substr(first, 2) == "/*" ? 0 : n;
    }
    return 0;
}

std::string lineWord(int line) { return "line " + std::to_string(line); }

}  // namespace

std::string openerName(const LexemeHistory& lexemes, int index) {
    const Token* before = index >= 1 ? &lexemes.at(index - 1) : nullptr;
    if (before == nullptr) return "this '{'";
    if (before->is("program")) return "the program's '{'";
    if (before->is("else")) return "the '{' after else";
    if (before->is(":")) return "the '{' of this case variant";
    if (before->is(")")) {
        int depth = 0;
        for (int k = index - 1; k >= 0; --k) {
            const Token& t = lexemes.at(k);
            if (t.is(")")) ++depth;
            if (t.is("(") && --depth == 0) {
                if (k >= 1 && (lexemes.at(k - 1).is("if") || lexemes.at(k - 1).is("while") ||
                               lexemes.at(k - 1).is("for")))
                    return "the '{' of this " + std::string(lexemes.at(k - 1).text);
                break;
            }
        }
    }
    return "this '{'";
}

Hint unclosedBraceHint(const LexemeHistory& lexemes, const SourceText& source) {
    std::vector<int> open;
    for (int k = 0; k < lexemes.size(); ++k) {
        const Token& t = lexemes.at(k);
        if (t.is("{")) open.push_back(k);
        if (!t.is("}") || open.empty()) continue;
        const int openerIndex = open.back();
        open.pop_back();
        const Token& opener = lexemes.at(openerIndex);
        if (opener.start.line == t.start.line || !firstOnItsLine(t, source)) continue;
        // A '}' indented less than the line of the '{' it closes closes an outer block: the
        // '{' it pairs with is the one left open.
        if (indentOf(source.line(t.start.line)) >= indentOf(source.line(opener.start.line))) continue;
        const int end = blockEndByLayout(opener, source);
        if (end == 0 || end > t.start.line) continue;
        return {opener.start, openerName(lexemes, openerIndex) +
                                  " is never closed: going by the indentation, its "
                                  "block ends before " +
                                  lineWord(end) + ", so its '}' belongs there (the '}' on " +
                                  lineWord(t.start.line) + " is indented as an outer block's)"};
    }
    return {};
}

SourcePosition ifWithoutElse(const LexemeHistory& lexemes) {
    // Backwards from the lexeme found instead of else: each else met pairs with an if before
    // it; the first if left without one is the if that waits. Blocks closed on the way are
    // whole statements and are skipped.
    int elses = 0;
    int depth = 0;
    for (int k = 1; lexemes.back(k) != nullptr; ++k) {
        const Token& t = *lexemes.back(k);
        if (t.is("}")) ++depth;
        if (t.is("{") && --depth < 0) break;
        if (depth != 0) continue;
        if (t.is("else")) ++elses;
        if (t.is("if") && elses-- == 0) return t.start;
    }
    return {};
}
