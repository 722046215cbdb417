// Source text made safe to print on one terminal line: tabs stay, control characters and
// bytes above 127 become escapes (\r, \x1B, \xC3), so nothing invisible or half a character
// reaches the screen. The caret line keeps the same widths, so the caret stands under its byte.
#pragma once

#include <string>
#include <string_view>

std::string visible(std::string_view text);
// Blanks (a tab under each tab) as wide as the visible form of the bytes before `column`
// (counted from 1), then a caret.
std::string caretUnder(std::string_view line, int column);
