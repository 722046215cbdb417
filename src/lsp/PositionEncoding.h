// The editor counts a position's character in UTF-16 code units unless both sides agree on
// UTF-8 bytes; poliz counts columns in bytes from 1. These convert between the two on one line.
// Bytes that are not valid UTF-8 count as one unit each, so any text converts both ways.
#pragma once

#include <string_view>

enum class PositionEncoding { UTF8, UTF16 };

// The editor's character offset of the byte column `column` (from 1) on `line`.
int editorCharacter(std::string_view line, int column, PositionEncoding encoding);
// The byte column (from 1) of the editor's character offset on `line`; past the end, the column
// just after the line's last byte.
int byteColumn(std::string_view line, int character, PositionEncoding encoding);
