// String values of the JSON writer (see Json.h).
#include "web/Json.h"

// Bytes that are not valid UTF-8 cannot reach the page intact anyway; they pass through as they
// are and the page's decoder replaces them.
Json& Json::value(std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    separate();
    text += '"';
    for (const char c : s) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': text += "\\\""; break;
            case '\\': text += "\\\\"; break;
            case '\n': text += "\\n"; break;
            case '\r': text += "\\r"; break;
            case '\t': text += "\\t"; break;
            default:
                if (byte < 0x20) {
                    text += "\\u00";
                    text += kHex[byte >> 4];
                    text += kHex[byte & 0xf];
                } else {
                    text += c;
                }
        }
    }
    text += '"';
    needComma = true;
    return *this;
}
