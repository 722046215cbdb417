// The program's output in the stepper: kept whole, so that it can be shown as it grows and
// taken back when the stepper steps back over a "write".
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>

class RecordedOutput : public std::streambuf {
    std::string written;

public:
    const std::string& text() const { return written; }
    // Forgets everything written after the first `length` characters.
    void takeBack(std::size_t length) { written.resize(length); }

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) written += traits_type::to_char_type(c);
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        written.append(s, static_cast<std::size_t>(n));
        return n;
    }
};
