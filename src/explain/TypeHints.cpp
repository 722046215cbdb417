// Hints for type errors that point at the operand at fault: the number in a sum of strings, the
// string in a product, the value of an assignment of the other type. The types of variables
// come from the declarations among the lexemes read.
#include <map>

#include "explain/TranslationHints.h"
#include "parser/Messages.h"

namespace {

enum class Type { UNKNOWN, INT, REAL, STRING };

bool isNumber(Type t) { return t == Type::INT || t == Type::REAL; }

const char* nameOf(Type t) {
    switch (t) {
        case Type::INT: return "an int";
        case Type::REAL: return "a real";
        case Type::STRING: return "a string";
        case Type::UNKNOWN: break;
    }
    return "of unknown type";
}

// Every declared name with its type: after a type word, each name that follows it or a ','.
std::map<std::string_view, Type> declaredTypes(const LexemeHistory& lexemes) {
    std::map<std::string_view, Type> types;
    Type current = Type::UNKNOWN;
    for (int k = 0; k < lexemes.size(); ++k) {
        const Token& t = lexemes.at(k);
        if (t.is("int") || t.is("real") || t.is("string")) {
            current = t.is("int") ? Type::INT : t.is("real") ? Type::REAL : Type::STRING;
        } else if (t.is(";")) {
            current = Type::UNKNOWN;
        } else if (current != Type::UNKNOWN && t.kind == IDENT && k > 0) {
            const Token& before = lexemes.at(k - 1);
            if (before.is(",") || before.is("int") || before.is("real") || before.is("string"))
                types[t.text] = current;
        }
    }
    return types;
}

Type typeOf(const Token& t, const std::map<std::string_view, Type>& types) {
    if (t.kind == NUMBER) return Type::INT;
    if (t.kind == REAL) return Type::REAL;
    if (t.kind == STRINGC) return Type::STRING;
    if (t.kind != IDENT) return Type::UNKNOWN;
    const auto found = types.find(t.text);
    return found == types.end() ? Type::UNKNOWN : found->second;
}

// The index of the first lexeme of the expression that the last lexeme ends: after the
// nearest unmatched '(', '=', ',', ';' or brace.
int expressionStart(const LexemeHistory& lexemes) {
    int depth = 0;
    for (int k = lexemes.size() - 2; k >= 0; --k) {
        const Token& t = lexemes.at(k);
        if (t.is(")")) ++depth;
        if (t.is("(") && depth-- == 0) return k + 1;
        if (depth == 0 && (t.is("=") || t.is(",") || t.is(";") || t.is("{") || t.is("}") || t.isComparison()))
            return k + 1;
    }
    return 0;
}

// The operands of the sum or product between `from` and the last lexeme, at the outermost
// level: an operand in parentheses counts as one of unknown type.
struct Term {
    const Token* sign;  // the operator before it, null for the first
    const Token* operand;
    Type type;
};
std::vector<Term> termsOf(const LexemeHistory& lexemes, int from,
                          const std::map<std::string_view, Type>& types) {
    std::vector<Term> terms;
    const Token* sign = nullptr;
    int depth = 0;
    // The last lexeme belongs to the expression when it is an operand right after a sign: some
    // checks are made as soon as the right operand is read.
    const Token* last = lexemes.back(0);
    const Token* beforeLast = lexemes.back(1);
    const bool lastIsOperand = last->isOperand() || last->kind == STRINGC;
    const bool afterSign = beforeLast != nullptr && (beforeLast->is("+") || beforeLast->is("-") ||
                                                     beforeLast->is("*") || beforeLast->is("/"));
    const int end = lastIsOperand && afterSign ? lexemes.size() : lexemes.size() - 1;
    for (int k = from; k < end; ++k) {
        const Token& t = lexemes.at(k);
        if (t.is("(")) {
            if (depth++ == 0) terms.push_back({sign, &t, Type::UNKNOWN});
            continue;
        }
        if (t.is(")")) {
            --depth;
            continue;
        }
        if (depth != 0) continue;
        if (t.is("+") || t.is("-") || t.is("*") || t.is("/")) {
            sign = &t;
        } else if (t.kind == IDENT || t.kind == NUMBER || t.kind == REAL || t.kind == STRINGC) {
            terms.push_back({sign, &t, typeOf(t, types)});
            sign = nullptr;
        }
    }
    return terms;
}

// "write(a, b, c)" for a sum of strings and numbers that stands alone inside a write, read
// from the source line, or empty when it is not one.
std::string asWriteOperands(const LexemeHistory& lexemes, int from, const SourceText& source) {
    if (from < 2 || !lexemes.at(from - 1).is("(") || !lexemes.at(from - 2).is("write")) return {};
    const SourcePosition open = lexemes.at(from - 1).start;
    const std::string_view line = source.line(open.line);
    std::string call = "write(";
    int depth = 0;
    bool quoted = false;
    for (std::size_t k = static_cast<std::size_t>(open.column); k < line.size(); ++k) {
        const char c = line[k];
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '(') ++depth;
        if (!quoted && c == ')' && depth-- == 0) return call + ");";
        if (!quoted && c == ',' && depth == 0) return {};
        if (!quoted && c == '+' && depth == 0) {
            while (!call.empty() && call.back() == ' ') call.pop_back();
            call += ",";
        } else {
            call += c;
        }
    }
    return {};
}

Hint mixedSumHint(const LexemeHistory& lexemes, const SourceText& source) {
    const auto types = declaredTypes(lexemes);
    const int from = expressionStart(lexemes);
    const std::vector<Term> terms = termsOf(lexemes, from, types);
    Type sum = Type::UNKNOWN;
    const Token* lastString = nullptr;
    for (const Term& term : terms) {
        const bool product = term.sign != nullptr && (term.sign->is("*") || term.sign->is("/"));
        if (product && (term.type == Type::STRING || sum == Type::STRING)) {
            const Token& string =
                term.type == Type::STRING || lastString == nullptr ? *term.operand : *lastString;
            return {string.start,
                    "'*' and '/' take numbers only, and " + std::string(string.text) + " is a string"};
        }
        if (term.sign != nullptr && sum != Type::UNKNOWN && term.type != Type::UNKNOWN &&
            isNumber(sum) != isNumber(term.type)) {
            const Token& at = *term.operand;
            if (term.sign->is("-"))
                return {term.sign->start,
                        "'-' takes numbers only, and " +
                            (term.type == Type::STRING ? std::string(at.text)
                                                       : std::string("what comes before it")) +
                            " is a string"};
            const std::string what = std::string(at.text) + " is " + nameOf(term.type);
            const std::string call = asWriteOperands(lexemes, from, source);
            if (!call.empty())
                return {at.start,
                        what + ": '+' joins a string only to a string, but write takes several operands: " +
                            call};
            return {at.start,
                    what + ": '+' joins a string only to a string, and adds a number only to a number"};
        }
        if (term.type == Type::STRING) lastString = term.operand;
        if (term.type != Type::UNKNOWN && (sum == Type::UNKNOWN || term.sign == nullptr)) sum = term.type;
        if (term.type == Type::UNKNOWN) sum = Type::UNKNOWN;
    }
    return {};
}

// `name = value;` with a value of the other kind: the caret goes under the value.
Hint assignedValueHint(const LexemeHistory& lexemes) {
    const auto types = declaredTypes(lexemes);
    int depth = 0;
    for (int k = lexemes.size() - 2; k >= 1; --k) {
        const Token& t = lexemes.at(k);
        if (t.is(")")) ++depth;
        if (t.is("(")) --depth;
        if (t.is(";") || t.is("{") || t.is("}") || depth < 0) return {};
        if (depth != 0 || !t.is("=") || k + 1 >= lexemes.size()) continue;
        const Token& target = lexemes.at(k - 1);
        const Token& value = lexemes.at(k + 1);
        const Type type = typeOf(target, types);
        const std::string name(target.text);
        if (type == Type::UNKNOWN || target.kind != IDENT) return {value.start, {}};
        if (type != Type::STRING) {
            std::string hint = name + " is " + nameOf(type) + " and takes no string: ";
            const std::string_view inner = value.inner();
            const bool numeric = value.kind == STRINGC && !inner.empty() &&
                                 inner.find_first_not_of("0123456789.-+") == std::string_view::npos;
            if (numeric) hint += "drop the quotes (" + name + " = " + std::string(inner) + ";), or ";
            return {value.start, hint + "declare " + name + " a string (string " + name + ";)"};
        }
        return {value.start, name + " is a string and takes no number: put the text in quotes (" + name +
                                 " = \"" + std::string(value.text) + "\";), or declare " + name +
                                 " a number (int " + name + "; or real " + name + ";)"};
    }
    return {};
}

}  // namespace

Hint typeHint(const std::string& message, const LexemeHistory& lexemes, const SourceText& source) {
    if (message == msg::kStringInSum || message == msg::kNumberInConcatenation ||
        message == msg::kStringInProduct)
        return mixedSumHint(lexemes, source);
    if (message == msg::kStringToNumber) return assignedValueHint(lexemes);
    return {};
}
