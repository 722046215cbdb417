// Builds POLIZ programs by hand, item by item, and runs them on string streams: the interpreter's
// tests use it to reach sequences the translator would never produce.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include "Engines.h"
#include "common/Errors.h"
#include "fast/FastRun.h"
#include "lexemes/Ident.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "poliz/Poliz.h"

class HandPoliz {
public:
    Poliz poliz;
    Engine engine;  // the machine run() and output() run the program on

    explicit HandPoliz(Engine engine = Engine::FAST) : engine(engine) {}

    // An item: a lexeme, or an operator word that becomes a new Delim.
    struct Item {
        Lex* lex = nullptr;
        const char* word = nullptr;
        Item(Lex* x) : lex(x) {}
        Item(const char* w) : word(w) {}
    };

    Ident* var(const std::string& name, const char* type) {
        auto* v = poliz.store().make<Ident>(Buffer(name));
        v->declare(type);
        return v;
    }
    template <class V>
    Ident* var(const std::string& name, const char* type, V value) {
        Ident* v = var(name, type);
        v->assign(value);
        return v;
    }
    // The unnamed temporary of an expression: declared and assigned from the start.
    Ident* temp(const char* type) {
        auto* t = poliz.store().make<Ident>(std::string());
        t->declare(type);
        return t;
    }
    Lex* n(std::int32_t v) { return poliz.store().make<Number>(v); }
    Lex* r(float v) { return poliz.store().make<Real>(v); }
    Lex* s(const std::string& v) { return poliz.store().make<StringC>(v); }
    Lex* label(int address) { return poliz.store().make<Label>(address); }

    int emit(std::initializer_list<Item> items) {
        int first = poliz.size();
        for (const Item& item : items) poliz.push(item.lex ? item.lex : poliz.store().make<Delim>(item.word));
        return first;
    }
    // A jump-target marker or a placeholder; both are "empty" items. Returns the address.
    int mark() { return emit({"empty"}); }
    // Records, as the translator does, that a unit of code starts at the next item.
    void unit() { poliz.facts().startUnit(poliz.size()); }
    void patch(int placeholder, int marker) { poliz[placeholder] = label(marker); }

    // `T items "="` followed by `1 write`: the translation of write(expression).
    void writeExpr(const char* type, std::initializer_list<Item> items) {
        emit({temp(type)});
        emit(items);
        emit({"=", n(1), "write"});
    }

    struct Outcome {
        std::string out;
        std::string error;  // the RuntimeError's text, empty when the run ended normally
    };
    Outcome run(const std::string& input = "") {
        return outcome(input, [&](std::istream& in, std::ostream& out) { runOn(engine, poliz, in, out); });
    }
    // A run on the fast backend with the given options.
    Outcome run(const std::string& input, const RunOptions& how) {
        return outcome(input, [&](std::istream& in, std::ostream& out) { runFast(poliz, in, out, how); });
    }
    // Output of a run that must end normally; the error, if any, shows up in the comparison.
    std::string output(const std::string& input = "") {
        Outcome o = run(input);
        return o.error.empty() ? o.out : o.out + "<error: " + o.error + ">";
    }

private:
    template <class Run>
    static Outcome outcome(const std::string& input, const Run& run) {
        std::istringstream in(input);
        std::ostringstream out;
        Outcome result;
        try {
            run(in, out);
        } catch (const RuntimeError& e) {
            result.error = e.getText();
        }
        result.out = out.str();
        return result;
    }
};
