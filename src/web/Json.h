// A small writer of JSON text: the playground's WebAssembly module answers the page in JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Json {
    std::string text;
    bool needComma = false;

    void separate() {
        if (needComma) text += ',';
        needComma = false;
    }

public:
    Json& beginObject() {
        separate();
        text += '{';
        return *this;
    }
    Json& endObject() {
        text += '}';
        needComma = true;
        return *this;
    }
    Json& beginArray() {
        separate();
        text += '[';
        return *this;
    }
    Json& endArray() {
        text += ']';
        needComma = true;
        return *this;
    }
    // The name of the next member of an object; its value follows.
    Json& key(std::string_view name) {
        value(name);
        text += ':';
        needComma = false;
        return *this;
    }
    Json& value(std::string_view s);
    Json& value(const char* s) { return value(std::string_view(s)); }
    Json& value(const std::string& s) { return value(std::string_view(s)); }
    Json& value(std::int64_t n) {
        separate();
        text += std::to_string(n);
        needComma = true;
        return *this;
    }
    Json& value(int n) { return value(static_cast<std::int64_t>(n)); }
    Json& value(bool b) {
        separate();
        text += b ? "true" : "false";
        needComma = true;
        return *this;
    }
    Json& null() {
        separate();
        text += "null";
        needComma = true;
        return *this;
    }

    const std::string& str() const { return text; }
};
