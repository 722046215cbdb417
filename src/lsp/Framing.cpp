// Reading and writing framed messages (see Framing.h).
#include "lsp/Framing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>

namespace {

// Header lines longer than this are not headers any client sends; they are cut there.
constexpr std::size_t kMaxHeaderLine = 4096;

// One header line without its CR LF; false at the end of the stream before any byte.
bool readHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c; (c = in.get()) != std::istream::traits_type::eof();) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kMaxHeaderLine) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool startsWithNoCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char want, char got) {
               return std::tolower(static_cast<unsigned char>(got)) == want;
           });
}

// The value of a "Content-Length:" line, or -1 when it is not a plain decimal number.
long long contentLength(const std::string& line) {
    std::size_t k = std::string_view("content-length:").size();
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    std::size_t end = line.size();
    while (end > k && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    long long value = -1;
    const auto [stop, error] = std::from_chars(line.data() + k, line.data() + end, value);
    return error == std::errc() && stop == line.data() + end && value >= 0 ? value : -1;
}

void skipBytes(std::istream& in, long long count) {
    char scrap[65536];
    while (count > 0 && in) {
        in.read(scrap, static_cast<std::streamsize>(std::min<long long>(count, sizeof scrap)));
        count -= in.gcount();
    }
}

}  // namespace

FramedMessage readFramedMessage(std::istream& in) {
    using Status = FramedMessage::Status;
    long long length = -1;
    bool lengthSeen = false;
    std::string line;
    // Blank lines before a header block are tolerated: some clients end a body with a line feed.
    bool inBlock = false;
    while (true) {
        if (!readHeaderLine(in, line)) return {};
        if (line.empty()) {
            if (inBlock) break;
            continue;
        }
        inBlock = true;
        if (startsWithNoCase(line, "content-length:")) {
            lengthSeen = true;
            length = contentLength(line);
        }
    }
    if (!lengthSeen || length < 0) return {Status::BAD_HEADER, {}};
    if (static_cast<unsigned long long>(length) > kMaxBodyBytes) {
        skipBytes(in, length);
        return {in ? Status::TOO_LARGE : Status::END_OF_INPUT, {}};
    }
    FramedMessage message{Status::BODY, std::string(static_cast<std::size_t>(length), '\0')};
    in.read(message.body.data(), length);
    if (in.gcount() != length) return {};
    return message;
}

std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
