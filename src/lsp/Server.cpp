// Dispatching messages and answering them (see Server.h).
#include "lsp/Server.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <utility>

#include "lsp/CodeActions.h"
#include "lsp/Diagnostics.h"
#include "lsp/EditorPlaces.h"
#include "lsp/Hover.h"
#include "lsp/Navigation.h"
#include "lsp/Protocol.h"
#include "lsp/SemanticTokens.h"

using nlohmann::json;

namespace {

// An error the answer to a request reports, thrown from a handler.
struct RequestError {
    int code;
    std::string message;
};

std::shared_ptr<const Analysis> analyse(std::string text) {
    try {
        return std::make_shared<const Analysis>(std::move(text));
    } catch (const std::exception&) {
        return nullptr;  // no memory: the last analysis stays
    }
}

const std::string& uriOf(const json& params) {
    return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

bool validId(const json& id) { return id.is_string() || id.is_number_integer(); }

// The member `key` of an object, or null; found in place, never copied.
const json* member(const json* object, const char* key) {
    if (object == nullptr || !object->is_object()) return nullptr;
    const auto found = object->find(key);
    return found == object->end() ? nullptr : &*found;
}

}  // namespace

const std::map<std::string, Server::Handler> Server::kRequests = {
    {"initialize", &Server::initialize},
    {"shutdown", &Server::shutdown},
    {"textDocument/hover", &Server::hover},
    {"textDocument/definition", &Server::definition},
    {"textDocument/references", &Server::references},
    {"textDocument/documentHighlight", &Server::documentHighlight},
    {"textDocument/documentSymbol", &Server::documentSymbol},
    {"textDocument/semanticTokens/full", &Server::semanticTokens},
    {"textDocument/codeAction", &Server::codeAction},
};

const std::map<std::string, Server::Handler> Server::kNotifications = {
    {"initialized", &Server::initialized},        {"exit", &Server::exit},
    {"textDocument/didOpen", &Server::didOpen},   {"textDocument/didChange", &Server::didChange},
    {"textDocument/didClose", &Server::didClose},
};

Server::Server(Send sender, Settings chosen)
    : send(std::move(sender)),
      settings(chosen),
      documents(chosen.debounce, [this](const std::string& uri, int version, const Analysis& analysis) {
          publish(uri, version, analysis);
      }) {
    if (settings.analyseInBackground) dispatcher = std::thread([this] { dispatchAnalyses(); });
}

Server::~Server() {
    documents.stop();
    if (dispatcher.joinable()) dispatcher.join();
}

// One thread per document at work, so that a huge text delays only its own answers; the
// threads are joined before the next one starts, and all of them once the store stops.
void Server::dispatchAnalyses() {
    std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> running;
    const auto joinFinished = [&](bool all) {
        for (auto k = running.begin(); k != running.end();) {
            if (all || k->second->load()) {
                k->first.join();
                k = running.erase(k);
            } else {
                ++k;
            }
        }
    };
    while (std::optional<DocumentStore::Due> due = documents.nextDue()) {
        joinFinished(false);
        auto done = std::make_shared<std::atomic<bool>>(false);
        running.emplace_back(std::thread([this, done, taken = std::move(*due)] {
                                 documents.store(taken, analyse(taken.text));
                                 done->store(true);
                             }),
                             done);
    }
    joinFinished(true);
}

void Server::respond(const json& id, json result) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Server::fail(const json& id, int code, const std::string& message) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::log(const std::string& message) {
    send({{"jsonrpc", "2.0"},
          {"method", "window/logMessage"},
          {"params", {{"type", 2}, {"message", message}}}});
}

void Server::receive(const FramedMessage& message) {
    if (state == State::EXITED) return;
    switch (message.status) {
        case FramedMessage::Status::BODY: break;
        case FramedMessage::Status::BAD_HEADER:
            return fail(nullptr, rpc::kParseError, "a header without a valid Content-Length");
        case FramedMessage::Status::TOO_LARGE:
            return fail(nullptr, rpc::kInvalidRequest, "a message larger than the server takes, skipped");
        case FramedMessage::Status::END_OF_INPUT: return;
    }
    try {
        const json parsed = json::parse(message.body, nullptr, false);
        if (parsed.is_discarded()) return fail(nullptr, rpc::kParseError, "the message is not valid JSON");
        dispatch(parsed);
    } catch (const std::bad_alloc&) {
        // A message too big to hold twice: the server drops it and goes on.
        log("a message was dropped: out of memory");
    }
}

void Server::dispatch(const json& message) {
    if (!message.is_object()) return fail(nullptr, rpc::kInvalidRequest, "a message is a JSON object");
    const auto id = message.find("id");
    const bool hasId = id != message.end();
    const json answerId = hasId && validId(*id) ? *id : json(nullptr);
    const auto method = message.find("method");
    const auto version = message.find("jsonrpc");
    if (version == message.end() || *version != "2.0")
        return fail(answerId, rpc::kInvalidRequest, "\"jsonrpc\" must be \"2.0\"");
    if (method == message.end()) {
        // An answer to a request of ours; this server sends none.
        if (message.contains("result") || message.contains("error")) return;
        return fail(answerId, rpc::kInvalidRequest, "a request names its \"method\"");
    }
    if (!method->is_string()) return fail(answerId, rpc::kInvalidRequest, "\"method\" must be a string");
    if (hasId && !validId(*id))
        return fail(nullptr, rpc::kInvalidRequest, "\"id\" must be an integer or a string");
    const auto params = message.find("params");
    if (params != message.end() && !params->is_object() && !params->is_array())
        return fail(answerId, rpc::kInvalidRequest, "\"params\" must be an object or an array");
    // Both branches lvalues: a copy of the parameters would recurse as deep as they nest.
    static const json kNoParams = json::object();
    const json& given = params != message.end() ? *params : kNoParams;
    const std::string& name = method->get_ref<const std::string&>();

    if (!hasId) {
        const auto handler = kNotifications.find(name);
        if (handler == kNotifications.end()) return;  // unknown notifications are dropped
        if (name != "exit" && state != State::RUNNING) return;
        try {
            (this->*handler->second)(given);
        } catch (const std::exception& e) {
            log(name + " ignored: " + e.what());
        }
        return;
    }
    const auto handler = kRequests.find(name);
    if (handler == kRequests.end()) return fail(answerId, rpc::kMethodNotFound, "unknown method " + name);
    if (state == State::WAITING && name != "initialize")
        return fail(answerId, rpc::kServerNotInitialized, "the server is not initialised yet");
    if (state == State::SHUT_DOWN) return fail(answerId, rpc::kInvalidRequest, "the server has shut down");
    try {
        respond(answerId, (this->*handler->second)(given));
    } catch (const RequestError& e) {
        fail(answerId, e.code, e.message);
    } catch (const json::exception& e) {
        fail(answerId, rpc::kInvalidParams, std::string("invalid params: ") + e.what());
    } catch (const std::exception& e) {
        fail(answerId, rpc::kInternalError, e.what());
    }
}

void Server::analysePending() {
    if (settings.analyseInBackground) return;
    while (const std::optional<DocumentStore::Due> due = documents.takeAny())
        documents.store(*due, analyse(due->text));
}

void Server::publish(const std::string& uri, int version, const Analysis& analysis) {
    const EditorPlaces places{analysis.source(), encoding};
    send(
        {{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params", {{"uri", uri}, {"version", version}, {"diagnostics", diagnosticsOf(analysis, places)}}}});
}

void Server::publishNone(const std::string& uri) {
    send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
}

std::shared_ptr<const Analysis> Server::analysisOf(const json& params) {
    return documents.analysis(uriOf(params), settings.requestWait);
}

json Server::initialize(const json& params) {
    if (state != State::WAITING) throw RequestError{rpc::kInvalidRequest, "initialize came twice"};
    encoding = PositionEncoding::UTF16;
    const json* offered = member(member(member(&params, "capabilities"), "general"), "positionEncodings");
    if (offered != nullptr && offered->is_array())
        for (const json& e : *offered)
            if (e == "utf-8") encoding = PositionEncoding::UTF8;
    state = State::RUNNING;
    return {{"capabilities",
             {{"positionEncoding", encoding == PositionEncoding::UTF8 ? "utf-8" : "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", lsp::kSyncFull}}},
              {"hoverProvider", true},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"documentHighlightProvider", true},
              {"documentSymbolProvider", true},
              {"semanticTokensProvider", {{"legend", semanticTokensLegend()}, {"full", true}}},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
            {"serverInfo", {{"name", "poliz-lsp"}, {"version", "1.0.0"}}}};
}

json Server::initialized(const json&) { return nullptr; }

json Server::shutdown(const json&) {
    state = State::SHUT_DOWN;
    shutDownFirst = true;
    return nullptr;
}

json Server::exit(const json&) {
    state = State::EXITED;
    return nullptr;
}

json Server::didOpen(const json& params) {
    const json& document = params.at("textDocument");
    documents.open(document.at("uri").get<std::string>(), document.at("text").get<std::string>(),
                   document.value("version", 0));
    analysePending();
    return nullptr;
}

// Whole texts only: the server asked for full synchronisation, so the last change holds it.
json Server::didChange(const json& params) {
    const std::string& uri = uriOf(params);
    const json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) return nullptr;
    const int version = params.at("textDocument").value("version", 0);
    if (!documents.change(uri, changes.back().at("text").get<std::string>(), version))
        log("a change for " + uri + ", which is not open, ignored");
    analysePending();
    return nullptr;
}

json Server::didClose(const json& params) {
    const std::string& uri = uriOf(params);
    if (documents.close(uri)) publishNone(uri);
    return nullptr;
}

json Server::hover(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    const EditorPlaces places{analysis->source(), encoding};
    return hoverAt(*analysis, places.place(params.at("position")), places);
}

json Server::definition(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    const EditorPlaces places{analysis->source(), encoding};
    return definitionAt(*analysis, places.place(params.at("position")), places, uriOf(params));
}

json Server::references(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    const EditorPlaces places{analysis->source(), encoding};
    const bool withDeclaration = params.value("/context/includeDeclaration"_json_pointer, true);
    return referencesAt(*analysis, places.place(params.at("position")), places, uriOf(params),
                        withDeclaration);
}

json Server::documentHighlight(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    const EditorPlaces places{analysis->source(), encoding};
    return highlightsAt(*analysis, places.place(params.at("position")), places);
}

json Server::documentSymbol(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    return symbolsOf(*analysis, EditorPlaces{analysis->source(), encoding});
}

json Server::semanticTokens(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    return {{"data", semanticTokensOf(*analysis, EditorPlaces{analysis->source(), encoding})}};
}

json Server::codeAction(const json& params) {
    const auto analysis = analysisOf(params);
    if (!analysis) return nullptr;
    const EditorPlaces places{analysis->source(), encoding};
    const json& range = params.at("range");
    auto lineOf = [&](const char* end) {
        return static_cast<int>(
                   std::clamp<long long>(protocolInteger(range.at(end).at("line")), -1, 1 << 30)) +
               1;
    };
    const int first = lineOf("start");
    const int last = lineOf("end");
    return codeActionsFor(*analysis, places, uriOf(params), first, last);
}
