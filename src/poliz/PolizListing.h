// A text listing of a POLIZ program, one item per line as "address item": operators by their
// bare word, string constants quoted, temporaries numbered $t1, $t2, ... in order of first
// appearance, labels as ->N. Tests compare translations with it; tools show it.
#pragma once

#include <string>

#include "poliz/Poliz.h"

std::string listing(const Poliz& poliz);

// The plain listing, for programs that compare translations: one item per line as "kind text",
// the kind as PolizItemText::kindName gives it and the text with strings escaped, so that every
// item keeps to one line; no addresses, types or source lines.
std::string plainListing(const Poliz& poliz);
