// The listing that poliz-show prints: every item with its address, its kind, its text and, for
// an operand, its type, grouped under the source line of the statement it was translated from.
#pragma once

#include <string>
#include <vector>

#include "poliz/Poliz.h"

// sourceLines[i] is the text of source line i + 1; a line it lacks gets a header without text.
std::string annotatedListing(const Poliz& poliz, const std::vector<std::string>& sourceLines);
