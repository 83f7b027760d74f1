#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// The lines of a profile file (see IniDocument): how they read, by the rules of the desktop's
// profile-file service (what is trimmed, which lines are blank, comments, section headers or key
// lines, how a key's value is unquoted), what a written line must avoid, and where their bytes
// are kept. The reader applies the rules to millions of short lines, so the tests of single
// lines are inline.
namespace qv::ini {

inline constexpr std::string_view kCrLf = "\r\n";

inline bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// What the desktop's profile-file service trims from lines, names and values besides the line
// breaks: blanks, tabs, vertical tabs, form feeds, and the end-of-file mark 0x1A that old editors
// leave after the last line.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

inline bool IsTrimmed(char c)
{
    return IsBlank(c) || IsLineBreak(c);
}

// The trimming of lines, names and values, for the short pieces of lines this file trims by the
// million: a plain loop beats a search for a set of characters.
inline std::string_view Trim(std::string_view text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Whether every byte is ASCII, which makes the text valid UTF-8 as it is. Eight bytes at a time.
inline bool IsAscii(std::string_view text)
{
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        high |= word;
        if ((i & 1023) == 0 && (high & 0x8080808080808080ull) != 0)
            return false;
    }
    for (; i < n; ++i)
        high |= static_cast<unsigned char>(data[i]);
    return (high & 0x8080808080808080ull) == 0;
}

// The position of the first CR or LF from `i` on, or `n`. Lines are short and files long, so
// eight bytes are tested at a time: a byte equal to CR or LF makes a zero byte after the XOR, and
// the lowest zero byte of a word is found exactly.
inline std::size_t FindLineBreak(const char* s, std::size_t i, std::size_t n)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, sizeof word);
        const std::uint64_t lf = word ^ (kOnes * '\n');
        const std::uint64_t cr = word ^ (kOnes * '\r');
        const std::uint64_t found = ((lf - kOnes) & ~lf & kHigh) | ((cr - kOnes) & ~cr & kHigh);
        if (found != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return i + static_cast<std::size_t>(std::countr_zero(found)) / 8;
            else
                break;
        }
    }
    while (i < n && !IsLineBreak(s[i]))
        ++i;
    return i;
}

inline bool IsBlankLine(std::string_view trimmed)
{
    return trimmed.empty();
}

inline bool IsCommentLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == ';';
}

// Whether a trimmed line heads a section: it starts with '[' and holds a ']'. A line with '[' and
// no ']' (a hand-edit typo) is a key line, so it cannot hide the rest of its section.
inline bool IsHeaderLine(std::string_view trimmed)
{
    return !trimmed.empty() && trimmed.front() == '[' && trimmed.find(']', 1) != trimmed.npos;
}

// "[ name ] rest]" names "name ] rest": the name runs to the last ']'.
inline std::string_view HeaderName(std::string_view trimmed)
{
    std::string_view rest = trimmed.substr(1);
    return Trim(rest.substr(0, rest.rfind(']')));
}

// The key of a key line: everything before the first '=', or the whole line when it has none.
inline std::string_view KeyName(std::string_view trimmed)
{
    return Trim(trimmed.substr(0, trimmed.find('=')));
}

inline std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The value of a key line, trimmed and unquoted; nothing for a line without '='.
inline std::optional<std::string_view> LineValue(std::string_view trimmed)
{
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return Unquote(Trim(trimmed.substr(equals + 1)));
}

// Text that goes on one line of the file: UTF-8 (bytes that are not are taken as Windows-1252,
// as the file reader would) with every CR and LF turned into a blank. Returns `text` itself when
// nothing needs to change, else the cleaned copy held in `scratch`.
std::string_view OneLine(std::string_view text, std::string& scratch);

// A section or key name as the file holds it: on one line, without surrounding blanks.
std::string_view NormaliseName(std::string_view name, std::string& scratch);

// A value is written inside double quotes when reading it back would otherwise change it:
// surrounding blanks would be trimmed, or an enclosing quote pair of its own would be removed.
bool NeedsQuotes(std::string_view value);

// Throws std::invalid_argument for a key name that cannot be written as the start of a key line:
// one holding '=' would split early, one starting with '[' or ';' would become a section header
// or a comment.
void CheckWritableKey(std::string_view key);

// The bytes of a profile file's lines. The parsed file stays as it was read, in `source`; a line
// that is written, or rewritten, moves into blocks of `pool`. Lines refer to their bytes by
// position, so a document of any size holds each line in a few numbers.
struct LineStore
{
    // A line of the file: its text and the run of CR and LF characters that ends it, stored next
    // to each other in `source` (lines as parsed, block 0) or in a block of `pool` (lines written
    // since, block k in pool[k - 1]).
    struct Line
    {
        std::size_t begin = 0;
        std::size_t textSize = 0;
        std::size_t breakSize = 0;
        std::uint32_t block = 0;
    };

    std::string source; // the parsed file as UTF-8; a byte-order mark before the lines is unused
    // Text of written lines, in blocks that are never grown beyond what they have room for and
    // never move (a deque keeps its elements in place), so the text of every line stays where it
    // is while others are written. A rewritten line leaves its old text behind.
    std::deque<std::string> pool;

    const char* Data(const Line& line) const
    {
        return (line.block == 0 ? source.data() : pool[line.block - 1].data()) + line.begin;
    }

    std::string_view Text(const Line& line) const { return {Data(line), line.textSize}; }
    std::string_view Break(const Line& line) const
    {
        return {Data(line) + line.textSize, line.breakSize};
    }
    std::string_view Trimmed(const Line& line) const { return Trim(Text(line)); }

    // The line of `source` that starts at `begin` and ends before `end`.
    Line SourceLine(std::size_t begin, std::size_t end) const
    {
        const char* s = source.data();
        const std::size_t textEnd = FindLineBreak(s, begin, end);
        std::size_t breakEnd = textEnd;
        while (breakEnd < end && IsLineBreak(s[breakEnd]))
            ++breakEnd;
        return Line{begin, textEnd - begin, breakEnd - textEnd, 0};
    }

    // Moves a line into the pool with the pieces of `text` and `lineBreak` in place of its own.
    // The pieces may be taken from any line, this one included: no text moves while they are
    // copied.
    void Rewrite(Line& line, std::initializer_list<std::string_view> text,
                 std::initializer_list<std::string_view> lineBreak);
};

} // namespace qv::ini
