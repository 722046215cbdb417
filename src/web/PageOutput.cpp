// The playground's bounded, streamed output (see PageOutput.h).
#include "web/PageOutput.h"

#include <algorithm>

void PageOutput::streamTo(Sink to, Clock now, double interval) {
    sink = std::move(to);
    clock = std::move(now);
    intervalMs = interval;
    lastDelivery = clock() - interval;  // the first write goes out at once
    delivered = text_.size();
}

void PageOutput::deliver() {
    if (!sink || delivered >= text_.size()) return;
    sink(std::string_view(text_).substr(delivered));
    delivered = text_.size();
    lastDelivery = clock();
}

void PageOutput::deliverWhenDue() {
    if (sink && clock() - lastDelivery >= intervalMs) deliver();
}

void PageOutput::truncate(std::size_t size) {
    if (size >= text_.size()) return;
    text_.resize(size);
    delivered = std::min(delivered, size);
    limitReached_ = false;
}

int PageOutput::overflow(int c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (text_.size() >= limit) {
        limitReached_ = true;
        return traits_type::eof();
    }
    text_ += traits_type::to_char_type(c);
    deliverWhenDue();
    return c;
}

// Takes what fits below the limit; taking less than all fails the stream.
std::streamsize PageOutput::xsputn(const char* s, std::streamsize count) {
    const std::size_t room = limit - std::min(limit, text_.size());
    const std::size_t taken = std::min(room, static_cast<std::size_t>(count));
    text_.append(s, taken);
    if (taken < static_cast<std::size_t>(count)) limitReached_ = true;
    deliverWhenDue();
    return static_cast<std::streamsize>(taken);
}
