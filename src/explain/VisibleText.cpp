// Making bytes visible (see VisibleText.h).
#include "explain/VisibleText.h"

#include <algorithm>

namespace {

std::string visibleByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t' || (byte >= 32 && byte < 127)) return std::string(1, c);
    switch (c) {
        case '\r': return "\\r";
        case '\n': return "\\n";
        default: break;
    }
    static const char kHex[] = "0123456789ABCDEF";
    return std::string{'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

}  // namespace

std::string visible(std::string_view text) {
    std::string shown;
    for (const char c : text) shown += visibleByte(c);
    return shown;
}

std::string caretUnder(std::string_view line, int column) {
    std::string caret;
    const std::size_t before = static_cast<std::size_t>(std::max(column, 1) - 1);
    for (std::size_t k = 0; k < before; ++k) {
        if (k < line.size() && line[k] == '\t')
            caret += '\t';
        else
            caret.append(k < line.size() ? visibleByte(line[k]).size() : 1, ' ');
    }
    return caret + '^';
}
