// Placeholder run loop until the stack machine lands.
#include <iostream>

#include "poliz/Poliz.h"

void Poliz::go() { go(std::cin, std::cout); }

void Poliz::go(std::istream&, std::ostream&) {}
