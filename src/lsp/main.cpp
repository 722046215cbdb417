// poliz-lsp: the language server for .ppp programs, speaking the Language Server Protocol on
// standard input and output. It translates every text the editor shows it, never runs one.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "lsp/Framing.h"
#include "lsp/Server.h"

int main(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--version") {
            std::cout << "poliz-lsp 1.0.0\n";
            return 0;
        }
        if (arg == "--help") {
            std::cout
                << "Usage: poliz-lsp\nA language server for .ppp programs on standard input and output; an "
                   "editor starts it (see man poliz-lsp).\n";
            return 0;
        }
        // Editors pass --stdio; that is the only way this server talks.
        if (arg != "--stdio") {
            std::cerr << "poliz-lsp: unknown option " << arg << "\nTry 'poliz-lsp --help' for usage.\n";
            return 64;
        }
    }
    std::ios::sync_with_stdio(false);
    // Reading must not flush the output, as a tied stream does: the analysing threads write to
    // it too, and only under the lock below.
    std::cin.tie(nullptr);
    std::mutex writing;
    const auto send = [&](const nlohmann::json& message) {
        // Invalid UTF-8 in a source (allowed inside comments) must not stop an answer.
        const std::string text =
            framed(message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        const std::lock_guard guard(writing);
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cout.flush();
    };
    Server server(send, Server::Settings{});
    while (!server.exited()) {
        const FramedMessage message = readFramedMessage(std::cin);
        if (message.status == FramedMessage::Status::END_OF_INPUT) break;
        server.receive(message);
    }
    const int status = server.exited() ? server.exitStatus() : 1;
    // An analysis still at work on a huge text is not waited for: the editor asked to end.
    {
        const std::lock_guard guard(writing);
        std::cout.flush();
    }
    std::_Exit(status);
}
