#include "core/codegen/MenuArrays.h"

#include "core/support/Encoding.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace qv {

namespace {

template <typename Integer>
void AppendDecimal(std::string& out, Integer value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Where escaped text goes: a string, or only the count of its bytes, for measuring a design's
// code without making it.
struct ByteCount
{
    std::uint64_t size = 0;
    void append(std::string_view text) { size += text.size(); }
    ByteCount& operator+=(std::string_view text)
    {
        size += text.size();
        return *this;
    }
};

template <typename Out>
void AppendUnicodeEscape(Out& out, std::uint32_t unit)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const char escape[6] = {'\\',
                            'u',
                            kHex[(unit >> 12) & 0xF],
                            kHex[(unit >> 8) & 0xF],
                            kHex[(unit >> 4) & 0xF],
                            kHex[unit & 0xF]};
    out.append(std::string_view(escape, sizeof escape));
}

// The code point of the well-formed UTF-8 sequence at `text[i]`; advances `i` past it.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    std::uint32_t cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    i += length;
    return cp;
}

// Which quotes the literal's body is written for.
enum class Quotes { Double, Either };

// How a byte stands in a literal: as it is, escaped, or ('<') as it is unless it starts "</"
// or "<!--". One table look-up a byte: the run of bytes that need nothing is most of a text.
enum class Kind : std::uint8_t { Plain, Escaped, Angle };

constexpr std::array<Kind, 256> KindsFor(Quotes quotes)
{
    std::array<Kind, 256> kinds{};
    for (std::size_t c = 0; c < kinds.size(); ++c) {
        const bool escaped = c < 0x20 || c > 0x7E || c == '"' || c == '\\' ||
                             (c == '\'' && quotes == Quotes::Either);
        kinds[c] = escaped ? Kind::Escaped : c == '<' ? Kind::Angle : Kind::Plain;
    }
    return kinds;
}

constexpr std::array<Kind, 256> kDoubleQuotedKinds = KindsFor(Quotes::Double);
constexpr std::array<Kind, 256> kEitherQuotedKinds = KindsFor(Quotes::Either);

// The end of the run of characters from `i` on that may stand in the literal as they are.
std::size_t PlainRunEnd(std::string_view text, std::size_t i, Quotes quotes)
{
    const std::array<Kind, 256>& kinds =
        quotes == Quotes::Double ? kDoubleQuotedKinds : kEitherQuotedKinds;
    for (; i < text.size(); ++i) {
        const Kind kind = kinds[static_cast<unsigned char>(text[i])];
        if (kind == Kind::Plain)
            continue;
        if (kind == Kind::Escaped)
            break;
        const std::string_view rest = text.substr(i + 1);
        if (rest.starts_with('/') || rest.starts_with("!--"))
            break;
    }
    return i;
}

template <typename Out>
void AppendEscaped(Out& out, std::string_view text, Quotes quotes)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing in one go.
        const std::size_t run = PlainRunEnd(text, i, quotes);
        out.append(text.substr(i, run - i));
        i = run;
        if (i == text.size())
            break;
        const std::uint32_t cp = NextCodePoint(text, i);
        switch (cp) {
        case '"':
            out += "\\\"";
            break;
        case '\'':
            out += "\\'";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (cp > 0xFFFF) {
                const std::uint32_t v = cp - 0x10000;
                AppendUnicodeEscape(out, 0xD800 + (v >> 10));
                AppendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
            } else {
                AppendUnicodeEscape(out, cp); // controls, '<', and U+007F..U+FFFF
            }
        }
    }
}

void AppendItemLine(std::string& out, const MenuItem& item)
{
    const TMyRec& rec = item.Rec();
    if (item.Parent() == nullptr)
        out += "\r\n";
    else
        out.append(static_cast<std::size_t>(item.Level()) + 1, ' ');
    out += rec.MenuName;
    out += "=new Array(\"";
    AppendScriptStringLiteralBody(out, item.Text());
    out += "\",\"";
    AppendScriptStringLiteralBody(out, rec.Link);
    out += "\",\"\",";
    AppendDecimal(out, item.ChildCount());
    out += ',';
    AppendDecimal(out, rec.Height);
    out += ',';
    AppendDecimal(out, rec.Width);
    out += ");\r\n";
}

// Gives an item its name; in tree order its parent, and every earlier sibling, has been named
// before it, and the parent's counter was reset when the parent was named.
void NameItem(MenuItem& item, std::size_t& roots)
{
    TMyRec& rec = item.Rec();
    rec.ChildSeq = 0;
    if (MenuItem* parent = item.Parent()) {
        TMyRec& parentRec = parent->Rec();
        ++parentRec.ChildSeq;
        rec.MenuName = parentRec.MenuName;
        rec.MenuName += '_';
        AppendDecimal(rec.MenuName, parentRec.ChildSeq);
    } else {
        rec.MenuName = "Menu";
        AppendDecimal(rec.MenuName, ++roots);
    }
}

} // namespace

void NameMenuItems(MenuTree& tree)
{
    std::size_t roots = 0;
    for (MenuItem* item : tree.PreOrder())
        NameItem(*item, roots);
}

void AppendMenuArrays(std::string& out, MenuTree& tree)
{
    // Naming and emitting go together in one walk: an item's line needs only its own name.
    out.reserve(out.size() + tree.Count() * 96);
    std::size_t roots = 0;
    for (MenuItem* item : tree.PreOrder()) {
        NameItem(*item, roots);
        AppendItemLine(out, *item);
    }
}

std::string BuildMenuArrays(MenuTree& tree)
{
    std::string out;
    AppendMenuArrays(out, tree);
    return out;
}

std::size_t CountItemsAtLevel(const MenuTree& tree, int level)
{
    return tree.CountItemsAtLevel(level);
}

namespace {

template <typename Out>
void AppendBody(Out& out, std::string_view text, Quotes quotes)
{
    if (IsValidUtf8(text))
        AppendEscaped(out, text, quotes);
    else
        AppendEscaped(out, Windows1252ToUtf8(text), quotes);
}

} // namespace

void AppendScriptStringLiteralBody(std::string& out, std::string_view text)
{
    AppendBody(out, text, Quotes::Double);
}

std::uint64_t ScriptStringLiteralSize(std::string_view text)
{
    ByteCount count;
    AppendBody(count, text, Quotes::Double);
    return count.size;
}

std::string ScriptStringLiteralBody(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendBody(out, text, Quotes::Double);
    return out;
}

std::string QuotedEitherWayStringBody(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendBody(out, text, Quotes::Either);
    return out;
}

} // namespace qv
