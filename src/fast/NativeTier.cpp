// The native tier's side in poliz: its trace, the POLIZ flattened for the plugin (which
// NativePlugin.cpp finds and loads), and the runtime hooks that its code calls: output, input,
// strings and errors go through the same runtime as the other machines, and an error is carried
// back as the exception the runtime made.
#include "fast/NativeTier.h"

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <istream>
#include <ostream>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/CheckedOutput.h"
#include "fast/Machine.h"
#include "fast/NativePlugin.h"
#include "lexemes/Label.h"
#include "lexemes/Number.h"
#include "lexemes/Real.h"
#include "lexemes/StringC.h"
#include "lexemes/Word.h"
#include "native/NativeAbi.h"
#include "poliz/Poliz.h"
#include "runtime/ProgramInput.h"
#include "runtime/RuntimeMessages.h"
#include "runtime/Vocabulary.h"

static_assert(offsetof(NumCell, i) == offsetof(PolizNativeCell, i) &&
                  offsetof(NumCell, r) == offsetof(PolizNativeCell, r) &&
                  offsetof(NumCell, assigned) == offsetof(PolizNativeCell, assigned) && sizeof(bool) == 1,
              "native code reaches a variable's cell by the plugin's layout of it");

void nativeTrace(const std::string& what) {
    if (const char* trace = std::getenv("POLIZ_NATIVE_TRACE"); trace && *trace == '1')
        std::fprintf(stderr, "native: %s\n", what.c_str());
}

NativeMode nativeMode() {
    const char* setting = std::getenv("POLIZ_NATIVE");
    if (setting == nullptr) return NativeMode::AUTO;
    const std::string_view text(setting);
    if (text == "off") return NativeMode::OFF;
    if (text == "always") return NativeMode::ALWAYS;
    return NativeMode::AUTO;
}

namespace {

// What the hooks work on while native code runs.
struct RunContext {
    std::istream& in;
    std::ostream& out;
    std::string outBuf;
    std::string lineBuf;
    std::vector<std::string> temps;  // the computed string at each stack depth
    std::exception_ptr error;

    void flush() {
        if (!outBuf.empty()) {
            out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
            outBuf.clear();
        }
        out.flush();
        checkWritten(out);
    }
    void written() {
        if (outBuf.size() >= kOutputChunk) {
            out.write(outBuf.data(), static_cast<std::streamsize>(outBuf.size()));
            outBuf.clear();
            checkWritten(out);
        }
    }
};

RunContext& contextOf(void* run) { return *static_cast<RunContext*>(run); }

// Runs a hook's work; an exception is kept for the run's caller and reported as 1.
template <class Work>
int guarded(void* run, Work work) {
    try {
        work(contextOf(run));
        return 0;
    } catch (...) {
        contextOf(run).error = std::current_exception();
        return 1;
    }
}

int writeInt(void* run, std::int32_t value) {
    return guarded(run, [&](RunContext& c) {
        appendIntText(c.outBuf, value);
        c.written();
    });
}

int writeReal(void* run, float value) {
    return guarded(run, [&](RunContext& c) {
        appendRealText(c.outBuf, value);
        c.written();
    });
}

int writeText(void* run, const void* text) {
    return guarded(run, [&](RunContext& c) {
        c.outBuf += *static_cast<const std::string*>(text);
        c.written();
    });
}

// "read": pending output is shown first, so a prompt is visible before the program waits.
int read(void* run, void* variable) {
    return guarded(run, [&](RunContext& c) {
        Ident& var = *static_cast<Ident*>(variable);
        c.flush();
        switch (var.valueType()) {
            case ValueType::INT: var.assign(readIntInput(c.in, var.getString())); break;
            case ValueType::REAL: var.assign(readRealInput(c.in, var.getString())); break;
            case ValueType::STRING:
                readLineInput(c.in, c.lineBuf, var.getString());
                std::swap(var.stringSlot(), c.lineBuf);
                var.markAssigned();
                break;
            case ValueType::NONE: break;
        }
    });
}

const void* join(void* run, std::int32_t depth, const void* left, const void* right) {
    RunContext& c = contextOf(run);
    std::string& dst = c.temps[static_cast<std::size_t>(depth)];
    const auto& l = *static_cast<const std::string*>(left);
    const auto& r = *static_cast<const std::string*>(right);
    if (&r == &dst) {
        std::string joined = l + r;
        dst.swap(joined);
    } else {
        if (&l != &dst) dst.assign(l);
        dst.append(r);
    }
    return &dst;
}

std::int32_t compare(const void* left, const void* right) {
    const std::string_view l = *static_cast<const std::string*>(left);
    const std::string_view r = *static_cast<const std::string*>(right);
    const int order = l.compare(r);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

void assignText(void* variable, const void* text, std::int32_t movable) {
    Ident& var = *static_cast<Ident*>(variable);
    auto* source = const_cast<std::string*>(static_cast<const std::string*>(text));
    if (movable)
        std::swap(var.stringSlot(), *source);
    else if (source != &var.stringSlot())
        var.stringSlot() = *source;
    var.markAssigned();
}

void appendText(void* variable, const void* text) {
    static_cast<Ident*>(variable)->stringSlot().append(*static_cast<const std::string*>(text));
}

void failUnassigned(void* run, void* variable) {
    guarded(run, [&](RunContext&) { static_cast<Ident*>(variable)->throwUnassigned(); });
}

void failDivision(void* run) {
    guarded(run, [&](RunContext&) { throw rtmsg::divisionByZero(); });
}

constexpr PolizNativeHooks kHooks = {writeInt, writeReal,  writeText,  read,           join,
                                     compare,  assignText, appendText, failUnassigned, failDivision};

std::uint8_t nativeType(ValueType type) {
    switch (type) {
        case ValueType::INT: return PN_TYPE_INT;
        case ValueType::REAL: return PN_TYPE_REAL;
        case ValueType::STRING: return PN_TYPE_STRING;
        case ValueType::NONE: break;
    }
    return PN_TYPE_NONE;
}

// The items as plain records, each with what native code needs to reach its value.
std::vector<PolizNativeItem> flatten(const Poliz& poliz) {
    std::vector<PolizNativeItem> items(static_cast<std::size_t>(poliz.size()));
    const std::vector<const Ident*>& shared = poliz.facts().sharedTemporaries();
    const std::unordered_set<const Ident*> pushedAgain(shared.begin(), shared.end());
    for (int address = 0; address < poliz.size(); ++address) {
        Lex* lex = poliz.at(address);
        PolizNativeItem& item = items[static_cast<std::size_t>(address)];
        item.line = poliz.lineOf(address);
        switch (lex->getKind()) {
            case IDENT: {
                auto* var = static_cast<Ident*>(lex);
                item.kind = PN_VARIABLE;
                item.type = nativeType(var->valueType());
                item.named = var->isLvalue() ? 1 : 0;
                item.privateTemp = !var->isLvalue() && !pushedAgain.count(var) ? 1 : 0;
                item.text = &var->stringSlot();
                item.variable = var;
                item.cell = &var->cell();
                break;
            }
            case NUMBER:
                item.kind = PN_INT;
                item.i = static_cast<Number*>(lex)->getIntVal();
                break;
            case REAL:
                item.kind = PN_REAL;
                item.r = static_cast<Real*>(lex)->getRealVal();
                break;
            case STRINGC:
                item.kind = PN_TEXT;
                item.text = &static_cast<StringC*>(lex)->text();
                break;
            case LABEL:
                item.kind = PN_LABEL;
                item.i = static_cast<Label*>(lex)->getAddress();
                break;
            case KEYWORD:
            case DELIM:
                item.kind = PN_OPERATOR;
                item.operation = static_cast<std::uint8_t>(operationOf(static_cast<Word*>(lex)->text()));
                break;
        }
    }
    return items;
}

PolizNativeProgram describe(const std::vector<PolizNativeItem>& items, int entry) {
    return PolizNativeProgram{items.data(), static_cast<std::int32_t>(items.size()), entry, kHooks};
}

std::string declinedProgram(const char* reason) {
    return std::string("declined the program: ") + (reason ? reason : "no reason given");
}

}  // namespace

struct NativeProgram::State {
    const PolizNativeApi* api;
    void* compiled;
};

NativeProgram::NativeProgram(std::unique_ptr<State> state) : state(std::move(state)) {}

NativeProgram::~NativeProgram() { state->api->release(state->compiled); }

std::unique_ptr<NativeProgram> NativeProgram::compile(const Poliz& poliz, int entry) {
    // Only a translated program carries the record the compiler relies on.
    if (!poliz.facts().known()) return nullptr;
    std::string why;
    const PolizNativeApi* api = nativePlugin(why);
    if (api == nullptr) {
        nativeTrace(why);
        return nullptr;
    }
    const std::vector<PolizNativeItem> items = flatten(poliz);
    const PolizNativeProgram program = describe(items, entry);
    const char* reason = nullptr;
    void* compiled = api->compile(&program, &reason);
    nativeTrace(compiled ? "compiled" : declinedProgram(reason));
    if (compiled == nullptr) return nullptr;
    return std::unique_ptr<NativeProgram>(new NativeProgram(std::make_unique<State>(State{api, compiled})));
}

void NativeProgram::run(std::istream& in, std::ostream& out) const {
    RunContext context{in, out, {}, {}, {}, {}};
    context.outBuf.reserve(kOutputChunk + 256);
    context.temps.resize(static_cast<std::size_t>(state->api->stackDepth(state->compiled)) + 1);
    const std::int32_t status = state->api->run(state->compiled, &context);
    // Output written before an error stays written, ahead of the driver's message.
    context.flush();
    if (status != 0) {
        assert(context.error);  // the hook that failed kept its error
        std::rethrow_exception(context.error);
    }
}

std::string nativeListing(const Poliz& poliz, std::string& why) {
    const PolizNativeApi* api = nativePlugin(why);
    if (api == nullptr) {
        why = "native tier " + why;
        return "";
    }
    const std::vector<PolizNativeItem> items = flatten(poliz);
    const PolizNativeProgram program = describe(items, 0);
    const char* reason = nullptr;
    char* text = api->disassemble(&program, &reason);
    if (text == nullptr) {
        why = "native tier " + declinedProgram(reason);
        return "";
    }
    std::string listing(text);
    api->releaseText(text);
    return listing;
}
