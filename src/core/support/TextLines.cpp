#include "core/support/TextLines.h"

#include "core/support/IniLines.h"

namespace qv {

namespace {

// Calls `onLine` with each line of the text, by the rules of SplitLines.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine onLine)
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = ini::FindLineBreak(text.data(), start, text.size());
        if (end == text.size()) {
            onLine(text.substr(start));
            return;
        }
        onLine(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

} // namespace

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

std::string NormaliseLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    ForEachLine(text, [&](std::string_view line) {
        out.append(line);
        out.append("\r\n");
    });
    return out;
}

} // namespace qv
