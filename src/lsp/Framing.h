// The base protocol's framing: each message is a header block ("Content-Length: N", other
// fields ignored, each line ending in CR LF) and then N bytes of JSON. poliz-lsp reads its
// requests and writes its answers through these two functions, and the fuzz target feeds them.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

// A body larger than this is skipped unread, so that a wrong header cannot make the server
// hold gigabytes; a 10 MB document, escaped as JSON, stays well below it.
inline constexpr std::size_t kMaxBodyBytes = std::size_t{128} << 20;

struct FramedMessage {
    enum class Status {
        BODY,         // `body` holds one message
        BAD_HEADER,   // a header block without a usable Content-Length; its body cannot be found
        TOO_LARGE,    // a body over kMaxBodyBytes, skipped
        END_OF_INPUT  // the stream ended, perhaps inside a message
    };
    Status status = Status::END_OF_INPUT;
    std::string body;
};

// Reads the next message from `in`.
FramedMessage readFramedMessage(std::istream& in);

// The header block and `body`, ready to be written.
std::string framed(const std::string& body);
