// The check that every writer of the program's output makes after writing or flushing, so that
// output lost on the way out ends the run instead of being reported as success.
#pragma once

#include <ostream>

#include "common/Errors.h"

// Throws OutputError once the stream has failed to take something written to it.
inline void checkWritten(const std::ostream& out) {
    if (out.fail()) throw OutputError();
}
