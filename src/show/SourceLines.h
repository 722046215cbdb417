// The lines of a source file as text, for the headers of a listing.
#pragma once

#include <string>
#include <vector>

// Element i is line i + 1 without its line break; empty when the file cannot be read (the
// translator has reported that already).
std::vector<std::string> readSourceLines(const std::string& fileName);
