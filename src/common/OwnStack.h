// Running a piece of work on a thread with a stack of a given size, whatever stack limit the
// process was started with: recursive descent gets the room its nesting bound was sized for.
#pragma once

#include <cstddef>
#include <functional>

// Runs `body` on a new thread with `stackBytes` of stack, waits for it and returns its result;
// an exception it throws is thrown again here. Throws std::bad_alloc if the thread cannot be
// made (no memory for its stack).
int runOnOwnStack(std::size_t stackBytes, const std::function<int()>& body);
