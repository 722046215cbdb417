// The functions the playground's page calls in the WebAssembly module. Each takes and returns
// text; a reply is JSON, valid until the next call.
#include <emscripten/emscripten.h>

#include <fstream>
#include <memory>
#include <string>

#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "poliz/PolizItemText.h"
#include "web/CapturedReport.h"
#include "web/Json.h"
#include "web/PageRun.h"
#include "web/StepSession.h"

namespace {

// The one source file, in the module's in-memory file system, which the parser reads.
constexpr const char* kSourceFile = "/program.ppp";

std::string reply;
std::unique_ptr<StepSession> session;

const char* writeSourceFile(const std::string& source) {
    std::ofstream(kSourceFile, std::ios::binary | std::ios::trunc) << source;
    return kSourceFile;
}

const char* answer(std::string json) {
    reply = std::move(json);
    return reply.c_str();
}

// Every item with its address, source line, kind, text, type and, for a label, its target.
void appendListing(Json& json, const Poliz& poliz) {
    const PolizItemText names(poliz);
    json.key("items").beginArray();
    for (int address = 0; address < poliz.size(); ++address) {
        const Lex* item = poliz.at(address);
        json.beginObject();
        json.key("line").value(poliz.lineOf(address));
        json.key("kind").value(PolizItemText::kindName(item));
        json.key("text").value(names.text(item, PolizItemText::Strings::ESCAPED));
        json.key("type").value(item->typeName());
        json.endObject();
    }
    json.endArray();
}

}  // namespace

extern "C" {

// Translates and runs `source` as poliz does, "read" taking `input`: {status, output, error,
// errorLine, errorColumn, hint}.
EMSCRIPTEN_KEEPALIVE const char* playgroundRun(const char* source, const char* input) {
    session.reset();
    const CapturedReport report = runForPage(writeSourceFile(source), input);
    Json json;
    json.beginObject();
    report.writeMembers(json);
    json.endObject();
    return answer(json.str());
}

// Translates `source` only: the error as in playgroundRun, or the POLIZ listing as "items".
EMSCRIPTEN_KEEPALIVE const char* playgroundTranslate(const char* source) {
    Poliz poliz;
    std::unique_ptr<Parser> parser;
    const CapturedReport report = translateForPage(writeSourceFile(source), poliz, parser);
    Json json;
    json.beginObject();
    report.writeMembers(json);
    if (report.status == 0) appendListing(json, poliz);
    json.endObject();
    return answer(json.str());
}

// Starts step mode on `source` with `input`; replies with the machine's state (or the
// translation error, with no "pc").
EMSCRIPTEN_KEEPALIVE const char* playgroundStepStart(const char* source, const char* input) {
    session = std::make_unique<StepSession>(writeSourceFile(source), input);
    return answer(session->stateJson());
}

// One move in step mode: 0 an item, 1 a source line, 2 back, 3 run to `line`.
EMSCRIPTEN_KEEPALIVE const char* playgroundStep(int move, int line) {
    if (!session) return answer("{}");
    switch (move) {
        case 0: session->stepItem(); break;
        case 1: session->stepLine(); break;
        case 2: session->back(); break;
        case 3: session->runToLine(line); break;
        default: break;
    }
    return answer(session->stateJson());
}

}  // extern "C"
