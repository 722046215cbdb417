// The functions the playground's page calls in the WebAssembly module. Text comes in as bytes
// and a size, so that it may be of any length and hold NUL bytes (the page copies it into the
// module's heap); a reply is JSON, valid until the next call. A run's output also goes to the
// page while the program runs, through Module.onOutput (see playground/src/moduleCalls.js).
#include <emscripten/emscripten.h>

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "parser/Parser.h"
#include "poliz/Poliz.h"
#include "poliz/PolizItemText.h"
#include "web/CapturedReport.h"
#include "web/PageOutput.h"
#include "web/PageRun.h"
#include "web/Reply.h"
#include "web/StepSession.h"

// Hands a piece of output to the page's handler, if it set one.
EM_JS(void, sendOutput, (const char* data, int size), {
    if (Module['onOutput']) Module['onOutput'](HEAPU8.slice(data, data + size));
});

namespace {

// The listing shows this many items at most: a huge program must not make a huge reply.
constexpr int kMaxListedItems = 20000;

std::string reply;
std::unique_ptr<StepSession> session;

std::string text(const char* data, int size) { return std::string(data, static_cast<std::size_t>(size)); }

const char* answer(const Reply& json) {
    reply = replyText(json);
    return reply.c_str();
}

// Whatever escapes a call (memory running out while the reply is made, say) is answered as a
// failure, so that the page never meets a bare WebAssembly exception.
template <class Body>
const char* answerSafely(Body body) {
    std::string message;
    try {
        return answer(body());
    } catch (const std::bad_alloc&) {
        message = "Error: out of memory!\n";
    } catch (const std::exception& e) {
        message = std::string("Error: ") + e.what() + "\n";
    }
    reply.clear();
    return answer({{"status", 5}, {"output", ""}, {"error", message}});
}

// Every item with its address, source line, kind, text, type and, for a label, its target;
// "itemCount" says how many there are when not all are listed.
void appendListing(Reply& json, const Poliz& poliz) {
    const PolizItemText names(poliz);
    json["itemCount"] = poliz.size();
    Reply& items = json["items"] = Reply::array();
    for (int address = 0; address < poliz.size() && address < kMaxListedItems; ++address) {
        const Lex* item = poliz.at(address);
        items.push_back({{"line", poliz.lineOf(address)},
                         {"kind", PolizItemText::kindName(item)},
                         {"text", names.text(item, PolizItemText::Strings::ESCAPED)},
                         {"type", item->typeName()}});
    }
}

}  // namespace

extern "C" {

// Translates and runs the source as poliz does, "read" taking the input: {status, output,
// error, errorLine, errorColumn, hint, errorItem, outputLimit, inputUsed}. The output is also
// streamed to the page as it is written.
EMSCRIPTEN_KEEPALIVE const char* playgroundRun(const char* source, int sourceSize, const char* input,
                                               int inputSize) {
    return answerSafely([&] {
        session.reset();
        PageOutput output;
        output.streamTo(
            [](std::string_view piece) { sendOutput(piece.data(), static_cast<int>(piece.size())); },
            [] { return emscripten_get_now(); });
        CapturedReport report =
            runForPage(text(source, sourceSize), text(input, inputSize), kRuntimeSearchSteps, &output);
        output.deliver();
        Reply json = Reply::object();
        report.writeMembers(json);
        return json;
    });
}

// Translates the source only: the error as in playgroundRun, or the POLIZ listing as "items".
EMSCRIPTEN_KEEPALIVE const char* playgroundTranslate(const char* source, int sourceSize) {
    return answerSafely([&] {
        Poliz poliz;
        std::unique_ptr<Parser> parser;
        const CapturedReport report = translateForPage(text(source, sourceSize), poliz, parser);
        Reply json = Reply::object();
        report.writeMembers(json);
        if (report.status == 0) appendListing(json, poliz);
        return json;
    });
}

// Starts step mode on the source with the input; replies with the machine's state (or the
// translation error, with no "pc").
EMSCRIPTEN_KEEPALIVE const char* playgroundStepStart(const char* source, int sourceSize, const char* input,
                                                     int inputSize) {
    return answerSafely([&] {
        session.reset();
        session = std::make_unique<StepSession>(text(source, sourceSize), text(input, inputSize));
        return session->state();
    });
}

// One move in step mode: 0 an item, 1 a source line, 2 back, 3 run to `line`.
EMSCRIPTEN_KEEPALIVE const char* playgroundStep(int move, int line) {
    return answerSafely([&] {
        if (!session) return Reply::object();
        switch (move) {
            case 0: session->stepItem(); break;
            case 1: session->stepLine(); break;
            case 2: session->back(); break;
            case 3: session->runToLine(line); break;
            default: break;
        }
        return session->state();
    });
}

}  // extern "C"
