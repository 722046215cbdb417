// Converting columns between bytes and the editor's units (see PositionEncoding.h).
#include "lsp/PositionEncoding.h"

#include <algorithm>

namespace {

// The length in bytes of the UTF-8 sequence at `k` and the UTF-16 units it counts as: a
// malformed or cut sequence is one byte, one unit.
struct Step {
    int bytes;
    int units;
};

Step stepAt(std::string_view line, std::size_t k) {
    const auto lead = static_cast<unsigned char>(line[k]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length <= 1 || k + static_cast<std::size_t>(length) > line.size()) return {1, 1};
    for (int j = 1; j < length; ++j)
        if ((static_cast<unsigned char>(line[k + static_cast<std::size_t>(j)]) & 0xC0) != 0x80) return {1, 1};
    return {length, length == 4 ? 2 : 1};
}

}  // namespace

int editorCharacter(std::string_view line, int column, PositionEncoding encoding) {
    const auto bytes = static_cast<std::size_t>(std::max(column, 1) - 1);
    if (encoding == PositionEncoding::UTF8) return static_cast<int>(bytes);
    int units = 0;
    for (std::size_t k = 0; k < bytes && k < line.size();) {
        const Step step = stepAt(line, k);
        k += static_cast<std::size_t>(step.bytes);
        units += step.units;
    }
    // Columns past the line's end (a zero-width place after its last byte) count one each.
    if (bytes > line.size()) units += static_cast<int>(bytes - line.size());
    return units;
}

int byteColumn(std::string_view line, int character, PositionEncoding encoding) {
    const int wanted = std::max(character, 0);
    if (encoding == PositionEncoding::UTF8) return std::min(wanted, static_cast<int>(line.size())) + 1;
    std::size_t k = 0;
    for (int units = 0; k < line.size();) {
        const Step step = stepAt(line, k);
        if (units + step.units > wanted) break;
        units += step.units;
        k += static_cast<std::size_t>(step.bytes);
    }
    return static_cast<int>(k) + 1;
}
