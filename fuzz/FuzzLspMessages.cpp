// libFuzzer entry for poliz-lsp's message handling: arbitrary bytes as what an editor sends.
// An input that starts with "Content-Length" is read as the raw stream, framing and all; any
// other is a session already initialised, with a document open, each line of the input one
// message body, so that the fuzzer reaches the requests without first guessing a handshake.
// Every answer must be a JSON object that can be written out.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "lsp/Framing.h"
#include "lsp/Server.h"

namespace {

constexpr std::string_view kOpening[] = {
    R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{}}})",
    R"({"jsonrpc":"2.0","method":"initialized","params":{}})",
    R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///f.ppp",)"
    R"("version":1,"text":"program {\n  int n = 5, i;\n  string s = \"x\";\n  for (i = 0; i < n; i = i + 1)\n)"
    R"(    write(s, i);\n  i++;\n}\n"}}})",
};

void answered(const nlohmann::json& message) {
    if (!message.is_object()) __builtin_trap();
    (void)message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Server::Settings settings;
    settings.analyseInBackground = false;
    Server server(answered, settings);
    std::string stream;
    if (input.rfind("Content-Length", 0) == 0) {
        stream = input;
    } else {
        for (const std::string_view body : kOpening) stream += framed(std::string(body));
        for (std::size_t start = 0; start <= input.size();) {
            const std::size_t end = std::min(input.find('\n', start), input.size());
            stream += framed(std::string(input.substr(start, end - start)));
            start = end + 1;
        }
    }
    std::istringstream in(stream);
    while (!server.exited()) {
        const FramedMessage message = readFramedMessage(in);
        if (message.status == FramedMessage::Status::END_OF_INPUT) break;
        server.receive(message);
    }
    return 0;
}
