// The program's output on its way to standard output during a trace: passed on at once, and
// the text of the last "write" kept, so that the trace line of that write can show it.
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>

class WrittenText : public std::streambuf {
    std::streambuf& target;
    std::string recent;  // written since the last take(), its first kShown bytes
    std::size_t recentLength = 0;
    char last = '\n';  // the last byte written; a line break before anything

public:
    static constexpr std::size_t kShown = 200;

    explicit WrittenText(std::streambuf& target) : target(target) {}

    // What was written since the last call, shortened to kShown bytes, and its full length.
    std::string take(std::size_t& length) {
        length = recentLength;
        recentLength = 0;
        std::string taken;
        taken.swap(recent);
        return taken;
    }
    // Whether the output so far ends a line, so that text on the same terminal starts afresh.
    bool endsLine() const { return last == '\n'; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        if (traits_type::eq_int_type(target.sputc(ch), traits_type::eof())) return traits_type::eof();
        remember(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize written = target.sputn(s, n);
        remember(s, static_cast<std::size_t>(written));
        return written;
    }
    int sync() override { return target.pubsync(); }

private:
    void remember(const char* s, std::size_t n) {
        if (n == 0) return;
        recent.append(s, std::min(n, kShown - std::min(kShown, recent.size())));
        recentLength += n;
        last = s[n - 1];
    }
};
