// The language server's dispatch: takes each message, checks it is a JSON-RPC 2.0 request or
// notification the server may take in its state (not initialised, running, shut down), and
// answers it or reports the protocol's error. Texts are analysed on threads of their own,
// debounced, so that answering never waits on a long translation for more than a moment; a
// server made for fuzzing analyses at once instead, on the caller's thread.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/DocumentStore.h"
#include "lsp/Framing.h"
#include "lsp/PositionEncoding.h"

class Server {
public:
    // Writes one message; called from the server's thread and from the analysing thread.
    using Send = std::function<void(const nlohmann::json& message)>;

    struct Settings {
        bool analyseInBackground = true;
        // A change is analysed once the text has been quiet this long.
        std::chrono::milliseconds debounce{150};
        // A request waits this long for the analysis of the newest text, then takes the last one.
        std::chrono::milliseconds requestWait{2000};
    };

private:
    enum class State { WAITING, RUNNING, SHUT_DOWN, EXITED };
    using Handler = nlohmann::json (Server::*)(const nlohmann::json& params);

    Send send;
    Settings settings;
    State state = State::WAITING;
    bool shutDownFirst = false;
    PositionEncoding encoding = PositionEncoding::UTF16;
    DocumentStore documents;
    std::thread dispatcher;  // hands each due text to a thread of its own
    static const std::map<std::string, Handler> kRequests;
    static const std::map<std::string, Handler> kNotifications;

    void respond(const nlohmann::json& id, nlohmann::json result);
    void fail(const nlohmann::json& id, int code, const std::string& message);
    void log(const std::string& message);
    void dispatch(const nlohmann::json& message);
    void analysePending();
    void dispatchAnalyses();
    void publish(const std::string& uri, int version, const Analysis& analysis);
    void publishNone(const std::string& uri);
    std::shared_ptr<const Analysis> analysisOf(const nlohmann::json& params);

    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json initialized(const nlohmann::json& params);
    nlohmann::json shutdown(const nlohmann::json& params);
    nlohmann::json exit(const nlohmann::json& params);
    nlohmann::json didOpen(const nlohmann::json& params);
    nlohmann::json didChange(const nlohmann::json& params);
    nlohmann::json didClose(const nlohmann::json& params);
    nlohmann::json hover(const nlohmann::json& params);
    nlohmann::json definition(const nlohmann::json& params);
    nlohmann::json references(const nlohmann::json& params);
    nlohmann::json documentHighlight(const nlohmann::json& params);
    nlohmann::json documentSymbol(const nlohmann::json& params);
    nlohmann::json semanticTokens(const nlohmann::json& params);
    nlohmann::json codeAction(const nlohmann::json& params);

public:
    Server(Send send, Settings settings);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // One message as framed; a framing failure is answered as a parse error.
    void receive(const FramedMessage& message);
    // True once "exit" came; the process then ends with exitStatus(): 0 after "shutdown", 1 else.
    bool exited() const { return state == State::EXITED; }
    int exitStatus() const { return shutDownFirst ? 0 : 1; }
};
