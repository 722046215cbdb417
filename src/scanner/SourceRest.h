// The rest of a source after the program, as a stream: the program's input when the source is
// standard input itself (poliz /dev/stdin). Used by the run pipeline (driver/RunProgram.cpp).
#pragma once

#include <streambuf>

#include "scanner/Source.h"

// Hands out what the source holds beyond the last character the scanner took, then whatever
// the source has still to give, chunk by chunk as "read" asks for it.
class SourceRestBuffer : public std::streambuf {
    Source& source;

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        // The characters stay in the source's window, untouched until the next takeRest.
        const std::span<char> rest = source.takeRest();
        if (rest.empty()) return traits_type::eof();
        setg(rest.data(), rest.data(), rest.data() + rest.size());
        return traits_type::to_int_type(*gptr());
    }

public:
    explicit SourceRestBuffer(Source& source) : source(source) {}
};
