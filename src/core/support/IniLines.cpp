#include "core/support/IniLines.h"

#include "core/support/Encoding.h"

#include <algorithm>
#include <stdexcept>

namespace qv::ini {

namespace {

bool HasLineBreak(std::string_view text)
{
    for (char c : text)
        if (IsLineBreak(c))
            return true;
    return false;
}

} // namespace

std::string_view OneLine(std::string_view text, std::string& scratch)
{
    // Most text is ASCII without a line break.
    if (IsAscii(text) && FindLineBreak(text.data(), 0, text.size()) == text.size())
        return text;
    const bool utf8 = IsValidUtf8(text);
    if (utf8 && !HasLineBreak(text))
        return text;
    scratch = utf8 ? std::string(text) : Windows1252ToUtf8(text);
    for (char& c : scratch)
        if (IsLineBreak(c))
            c = ' ';
    return scratch;
}

std::string_view NormaliseName(std::string_view name, std::string& scratch)
{
    return Trim(OneLine(name, scratch));
}

bool NeedsQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    return IsTrimmed(value.front()) || IsTrimmed(value.back()) ||
           Unquote(value).size() != value.size();
}

void CheckWritableKey(std::string_view key)
{
    if (key.find('=') != std::string_view::npos ||
        (!key.empty() && (key.front() == '[' || key.front() == ';')))
        throw std::invalid_argument("Unusable key name for a profile file: " + std::string(key));
}

void LineStore::Rewrite(Line& line, std::initializer_list<std::string_view> text,
                        std::initializer_list<std::string_view> lineBreak)
{
    std::size_t textSize = 0, breakSize = 0;
    for (std::string_view piece : text)
        textSize += piece.size();
    for (std::string_view piece : lineBreak)
        breakSize += piece.size();
    const std::size_t size = textSize + breakSize;
    if (pool.empty() || pool.back().capacity() - pool.back().size() < size) {
        // Blocks double up to a megabyte: few for a large file, small ones for a small one.
        constexpr std::size_t kFirstBlock = 4096, kLargestBlock = 1 << 20;
        const std::size_t room =
            pool.empty() ? kFirstBlock : std::min(2 * pool.back().capacity(), kLargestBlock);
        pool.emplace_back().reserve(std::max(room, size));
    }
    std::string& block = pool.back();
    const std::size_t begin = block.size();
    for (std::string_view piece : text)
        block.append(piece);
    for (std::string_view piece : lineBreak)
        block.append(piece);
    line = Line{begin, textSize, breakSize, static_cast<std::uint32_t>(pool.size())};
}

} // namespace qv::ini
