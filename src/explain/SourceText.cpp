// Lines and slices of a source text (see SourceText.h).
#include "explain/SourceText.h"

#include <algorithm>
#include <fstream>
#include <sstream>

SourceText::SourceText(std::string whole) : text(std::move(whole)) {
    lineStarts.push_back(0);
    for (std::size_t k = 0; k < text.size(); ++k)
        if (text[k] == '\n' && k + 1 < text.size()) lineStarts.push_back(k + 1);
}

SourceText SourceText::fromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream whole;
    if (in && in.peek() != std::ifstream::traits_type::eof()) whole << in.rdbuf();
    return SourceText(std::move(whole).str());
}

std::string_view SourceText::line(int n) const {
    if (n < 1 || n > lineCount()) return {};
    const std::size_t start = lineStarts[static_cast<std::size_t>(n - 1)];
    const std::size_t stop = text.find('\n', start);
    return std::string_view(text).substr(start, (stop == std::string::npos ? text.size() : stop) - start);
}

std::size_t SourceText::offsetOf(SourcePosition at) const {
    const std::size_t start = lineStarts[static_cast<std::size_t>(std::clamp(at.line, 1, lineCount()) - 1)];
    return std::min(text.size(), start + static_cast<std::size_t>(std::max(at.column, 1) - 1));
}

std::string_view SourceText::slice(SourcePosition from, SourcePosition to) const {
    if (!from.known() || !to.known()) return {};
    const std::size_t begin = offsetOf(from);
    const std::size_t end = offsetOf(to);
    return end > begin ? std::string_view(text).substr(begin, end - begin) : std::string_view();
}
