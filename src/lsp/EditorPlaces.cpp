// Converting places between the editor and the translator (see EditorPlaces.h).
#include "lsp/EditorPlaces.h"

#include <algorithm>
#include <cstdint>

using nlohmann::json;

json EditorPlaces::position(SourcePosition at) const {
    const int line = std::max(at.line, 1);
    return {{"line", line - 1}, {"character", editorCharacter(source.line(line), at.column, encoding)}};
}

json EditorPlaces::range(SourcePosition from, SourcePosition to) const {
    return {{"start", position(from)}, {"end", position(to)}};
}

json EditorPlaces::location(const std::string& uri, SourcePosition from, SourcePosition to) const {
    return {{"uri", uri}, {"range", range(from, to)}};
}

long long protocolInteger(const json& value) {
    constexpr long long kLimit = 1LL << 31;
    if (value.is_number_unsigned())
        return static_cast<long long>(std::min<std::uint64_t>(value.get<std::uint64_t>(), kLimit));
    if (value.is_number_integer()) return std::clamp(value.get<long long>(), -kLimit, kLimit);
    return value.get_ref<const json::number_integer_t&>();  // throws: not an integer
}

SourcePosition EditorPlaces::place(const json& at) const {
    const long long line = protocolInteger(at.at("line"));
    const long long character = protocolInteger(at.at("character"));
    if (line < 0 || character < 0 || line >= source.lineCount() || character > (1LL << 30))
        return {static_cast<int>(std::clamp<long long>(line + 1, 1, 1LL << 30)), 1 << 30};
    const int n = static_cast<int>(line) + 1;
    return {n, byteColumn(source.line(n), static_cast<int>(character), encoding)};
}
