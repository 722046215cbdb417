// The output of a program run in the playground: kept for the page's reply, bounded in size so
// that an endless writing loop ends with a plain message, and handed to the page in pieces while
// the program runs. PageRun and StepSession write through it; PlaygroundApi streams it.
#pragma once

#include <cstddef>
#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

// The most output the page keeps of one run.
inline constexpr std::size_t kPageOutputLimit = std::size_t{1} << 20;
// Said instead of poliz's message when a run passes that limit (poliz itself has none).
inline constexpr const char* kOutputLimitMessage =
    "Stopped: the program wrote more than 1 MB, the most the playground keeps of a run.\n";
// New output reaches the page at most this long after the piece before it.
inline constexpr double kStreamIntervalMs = 50;

class PageOutput : public std::streambuf {
public:
    using Sink = std::function<void(std::string_view)>;
    using Clock = std::function<double()>;  // milliseconds, from any start

    explicit PageOutput(std::size_t limit = kPageOutputLimit) : limit(limit) {}

    // From now on, what is written goes on to `sink` as well: at once when the last piece went
    // `intervalMs` ago or more, else with the next write after that (and in deliver()).
    void streamTo(Sink sink, Clock clock, double intervalMs = kStreamIntervalMs);
    // Hands everything not yet handed on to the sink.
    void deliver();

    const std::string& text() const { return text_; }
    // Whether a write was refused for passing the limit; the stream then fails, which ends the
    // run as any failure to write does.
    bool limitReached() const { return limitReached_; }
    // Drops what was written after the first `size` bytes (a step undone).
    void truncate(std::size_t size);

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* s, std::streamsize count) override;

private:
    std::size_t limit;
    std::string text_;
    bool limitReached_ = false;
    Sink sink;
    Clock clock;
    double intervalMs = kStreamIntervalMs;
    double lastDelivery = 0;
    std::size_t delivered = 0;

    void deliverWhenDue();
};
