#include "core/codegen/MenuArrays.h"

#include "core/support/Encoding.h"

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

void AppendUnicodeEscape(std::string& out, std::uint32_t unit)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\u";
    out += kHex[(unit >> 12) & 0xF];
    out += kHex[(unit >> 8) & 0xF];
    out += kHex[(unit >> 4) & 0xF];
    out += kHex[unit & 0xF];
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

// Whether the character at `text[i]` may stand in the literal as it is.
bool IsPlain(std::string_view text, std::size_t i, Quotes quotes)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\' || (c == '\'' && quotes == Quotes::Either))
        return false;
    if (c == '<') {
        const std::string_view rest = text.substr(i + 1);
        return !(rest.starts_with('/') || rest.starts_with("!--"));
    }
    return true;
}

void AppendEscaped(std::string& out, std::string_view text, Quotes quotes)
{
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing in one go.
        std::size_t run = i;
        while (run < text.size() && IsPlain(text, run, quotes))
            ++run;
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

void AppendBody(std::string& out, std::string_view text, Quotes quotes)
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
