// The replayable program input of the stepper (see ReplayInput.h).
#include "show/ReplayInput.h"

ReplayInput::ReplayInput(LineSource nextLine) : nextLine(std::move(nextLine)) {
    setg(taken.data(), taken.data(), taken.data());
}

void ReplayInput::rewind(std::size_t position) {
    setg(taken.data(), taken.data() + position, taken.data() + taken.size());
}

void ReplayInput::forget(std::size_t position) {
    taken.resize(position);
    setg(taken.data(), taken.data() + position, taken.data() + position);
}

ReplayInput::int_type ReplayInput::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    const std::size_t position = this->position();
    std::string line;
    if (!nextLine(line)) return traits_type::eof();
    // Every line ends in a line break, even a last one that lacked it in a file: a number read
    // stops before it, and a string read finds nothing more on that line either way.
    taken += line;
    taken += '\n';
    setg(taken.data(), taken.data() + position, taken.data() + taken.size());
    return traits_type::to_int_type(*gptr());
}
