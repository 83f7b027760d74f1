#include "core/codegen/Template.h"

#include "core/codegen/MenuArrays.h"
#include "core/codegen/MenuList.h"
#include "core/project/DesignSize.h"
#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/FlatHashTable.h"
#include "core/support/StringUtils.h"
#include "core/support/TextLines.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

namespace qv {

namespace {

std::string Flag(bool on)
{
    return on ? "1" : "0";
}

constexpr std::size_t kMenuToken = 0; // the position of %menu% in kTemplateTokens
constexpr std::size_t kMenuListToken = kTemplateTokens.size() - 1; // %menulist%

struct Span
{
    std::size_t begin;
    std::size_t end;
    std::size_t token;
};

} // namespace

namespace {

// The values of every token but the two that hold the items, %menu% and %menulist%, which are
// left empty.
std::vector<std::string> ValuesWithoutMenu(const MenuTree& tree, const MenuStyle& style,
                                           const SystemColorResolver& resolver)
{
    const auto hex = [&](TColor color) { return ColorToHex(color, resolver); };
    const auto number = [](auto value) { return std::to_string(value); };
    std::vector<std::string> values = {
        std::string(),
        number(CountItemsAtLevel(tree, 0)),
        hex(style.MainBG),
        hex(style.SubBG),
        hex(style.MainMOBG),
        hex(style.SubMOBG),
        hex(style.MainFont),
        hex(style.SubFont),
        hex(style.MainFontMO),
        hex(style.SubFontMO),
        hex(style.MainBorder),
        hex(style.SubBorder),
        number(style.BorderWidth),
        Flag(style.BorderBetween),
        // The font list lands inside a script string of the template, which may quote it either
        // way ('%FontFamily%' like the colours, or "%FontFamily%"): written as a string body
        // with both quotes escaped, no font name can end the string or the script element.
        QuotedEitherWayStringBody(style.MenuFont),
        number(style.FontSize),
        Flag(style.FontBold),
        Flag(style.FontItalic),
        AsciiLower(AlignmentCaption(kTextAlignCaptions, style.TextAlign)),
        AsciiLower(AlignmentCaption(kHorzAlignCaptions, style.HorzAlign)),
        AsciiLower(AlignmentCaption(kVertAlignCaptions, style.VertAlign)),
        ".2",
        ".2",
        number(style.MenuTop),
        number(style.MenuLeft),
        "0",
        "0",
        number(style.LeftPadding),
        number(style.TopPadding),
        Flag(IsHorizontal(style)),
        "1",
        "1000",
        "1",
        "navig",
        "space",
        "space",
        "",
        "0",
        "1",
        "0",
        Flag(UnfoldsOnClick(style)),
        "0",
        Flag(style.Arrows != kArrowsNone),
        std::string(style.Arrows == kArrowsLight ? kLightArrows : kDarkArrows),
        Flag(style.KeepHighlighted),
        std::string(),
    };
    return values;
}

std::uint64_t HashToken(std::string_view token)
{
    return std::hash<std::string_view>()(token);
}

// Tokens by their text: an entry is a token's position in the list plus one (0 is empty).
struct TokenIndexTraits
{
    std::span<const std::string_view> tokens;
    bool IsEmpty(std::size_t entry) const { return entry == 0; }
    std::uint64_t HashOf(std::size_t entry) const { return HashToken(tokens[entry - 1]); }
    auto Holds(std::string_view token) const
    {
        return [this, token](std::size_t entry) { return tokens[entry - 1] == token; };
    }
};
using TokenIndex = FlatHashTable<std::size_t, TokenIndexTraits>;

// The occurrences that the tokens take, in the order of the text: for each token in order its
// first occurrence that no earlier token took. A token is '%', a name without '%' and '%', so an
// occurrence starting at a '%' ends at the very next one, and one scan finds them all.
std::vector<Span> LocateTokens(std::string_view text, std::span<const std::string_view> tokens)
{
    // The first position of each token, in one array (nothing allocated per token).
    const TokenIndexTraits traits{tokens};
    TokenIndex tokenIndex(traits);
    tokenIndex.Reserve(tokens.size());
    std::vector<std::size_t> slot(tokens.size()); // where the occurrences of token k are listed
    std::size_t longest = 0;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const std::string_view token = tokens[k];
        if (token.size() < 2 || token.front() != '%' || token.back() != '%' ||
            token.substr(1, token.size() - 2).find('%') != std::string_view::npos)
            throw std::invalid_argument("ReplaceTokens: a token has the form %name%");
        // A repeated token shares the occurrences listed for its first position.
        std::size_t& first = tokenIndex.Place(HashToken(token), traits.Holds(token));
        if (first == 0)
            first = k + 1;
        slot[k] = first - 1;
        longest = std::max(longest, token.size());
    }

    // Each occurrence runs from a '%' to the next one: it is listed by the index of its first
    // '%' among all of them, and two occurrences overlap exactly when they share a '%'.
    std::vector<std::size_t> percents;
    std::vector<std::vector<std::size_t>> occurrences(tokens.size());
    for (std::size_t at = text.find('%'); at != std::string_view::npos;) {
        percents.push_back(at);
        const std::size_t close = text.find('%', at + 1);
        if (close == std::string_view::npos)
            break;
        const std::size_t length = close - at + 1;
        if (length <= longest) {
            const std::string_view candidate = text.substr(at, length);
            if (const std::size_t* found =
                    tokenIndex.Find(HashToken(candidate), traits.Holds(candidate)))
                occurrences[*found - 1].push_back(percents.size() - 1);
        }
        at = close;
    }

    // The earlier token wins a shared '%', and the later one takes its next occurrence that is
    // still whole.
    std::vector<bool> used(percents.size());
    std::vector<Span> taken;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        for (const std::size_t first : occurrences[slot[k]]) {
            if (used[first] || used[first + 1])
                continue;
            used[first] = used[first + 1] = true;
            taken.push_back({percents[first], percents[first + 1] + 1, k});
            break;
        }
    }
    std::sort(taken.begin(), taken.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    return taken;
}

// The text with each located token replaced: `appendValue(out, token)` appends its value.
template <typename AppendValue>
std::string Assemble(std::string_view text, const std::vector<Span>& spans, std::size_t size,
                     const AppendValue& appendValue)
{
    std::string out;
    out.reserve(size);
    std::size_t copied = 0;
    for (const Span& s : spans) {
        out.append(text.substr(copied, s.begin - copied));
        appendValue(out, s.token);
        copied = s.end;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace

std::vector<std::string> TemplateValues(MenuTree& tree, const MenuStyle& style,
                                        const SystemColorResolver& resolver)
{
    std::vector<std::string> values = ValuesWithoutMenu(tree, style, resolver);
    values[kMenuToken] = BuildMenuArrays(tree);
    values[kMenuListToken] = Utf8ToAsciiWithReferences(MenuListHtml(tree));
    return values;
}

std::string ReplaceTokens(std::string_view text, std::span<const std::string_view> tokens,
                          std::span<const std::string> values)
{
    if (tokens.size() != values.size())
        throw std::invalid_argument("ReplaceTokens: one value per token is needed");
    const std::vector<Span> spans = LocateTokens(text, tokens);
    std::size_t size = text.size();
    for (const Span& s : spans)
        size += values[s.token].size();
    return Assemble(text, spans, size,
                    [&](std::string& out, std::size_t token) { out += values[token]; });
}

std::string FillTemplate(std::string_view templateText, MenuTree& tree, const MenuStyle& style,
                         const SystemColorResolver& resolver)
{
    const std::string text = NormaliseLineBreaks(templateText);
    const std::vector<std::string> values = ValuesWithoutMenu(tree, style, resolver);
    const std::vector<Span> spans = LocateTokens(text, kTemplateTokens);
    // The menu arrays and the plain list, the large values, are written straight into the code
    // (the list, like the arrays, in ASCII for pages of any encoding). Every run names the items,
    // also with a template that has no place for the arrays.
    const bool hasMenu = std::any_of(spans.begin(), spans.end(),
                                     [](const Span& s) { return s.token == kMenuToken; });
    if (!hasMenu)
        NameMenuItems(tree);
    std::size_t size = text.size();
    for (const Span& s : spans)
        size += values[s.token].size();
    return Assemble(text, spans, size, [&](std::string& out, std::size_t token) {
        if (token == kMenuToken)
            AppendMenuArrays(out, tree);
        else if (token == kMenuListToken)
            out += Utf8ToAsciiWithReferences(MenuListHtml(tree));
        else
            out += values[token];
    });
}

std::string FillTemplate(std::string_view templateText, MenuTree& tree, const MenuStyle& style)
{
    return FillTemplate(templateText, tree, style, CurrentSystemColorResolver());
}

std::string PreviewPage(std::string_view code)
{
    // The page is built as the lines of the opening tags followed by the code, then the lines of
    // that text followed by the closing tags, so an empty code still gives two lines.
    std::string opened = "<html><head></head><body>";
    opened += code;
    std::string page = NormaliseLineBreaks(opened);
    page += "</body></html>";
    return NormaliseLineBreaks(page);
}

std::string DataFileNotFoundMessage(std::string_view templatePath)
{
    std::string message = "Data File not found\n\n";
    message += templatePath;
    return message;
}

std::string CodeTooLargeMessage(std::uint64_t bytes)
{
    return "The code for this menu would take " + DataSizeText(bytes) + ", more than the " +
           DataSizeText(kMaxCodeBytes) +
           " that can be made.\n\nMenus nested many levels deep make the longest code: each "
           "item's name repeats the names of all the items above it.";
}

TemplateNotFound::TemplateNotFound(std::string path)
    : std::runtime_error(DataFileNotFoundMessage(path)), m_path(std::move(path))
{
}

CodeTooLarge::CodeTooLarge(std::uint64_t bytes)
    : std::length_error(CodeTooLargeMessage(bytes)), m_bytes(bytes)
{
}

std::string GenerateCode(const std::string& templatePath, MenuTree& tree, const MenuStyle& style,
                         CodeForm form, const SystemColorResolver& resolver)
{
    if (!FileExists(templatePath))
        throw TemplateNotFound(templatePath);
    return GenerateCodeFromTemplate(ReadFileBytes(templatePath), tree, style, form, resolver);
}

std::string GenerateCodeFromTemplate(std::string_view templateBytes, MenuTree& tree,
                                     const MenuStyle& style, CodeForm form,
                                     const SystemColorResolver& resolver)
{
    const std::string templateText = DecodeFileText(templateBytes);
    // The arrays are the code's one large part; the template and the other values are small.
    const std::uint64_t arrays = MenuArraysSize(tree);
    const std::uint64_t size = arrays > kMaxCodeBytes ? arrays : arrays + templateText.size();
    if (size > kMaxCodeBytes)
        throw CodeTooLarge(size);
    std::string code = FillTemplate(templateText, tree, style, resolver);
    return form == CodeForm::PreviewPage ? PreviewPage(code) : code;
}

std::string GenerateCode(const std::string& templatePath, MenuTree& tree, const MenuStyle& style,
                         CodeForm form)
{
    return GenerateCode(templatePath, tree, style, form, CurrentSystemColorResolver());
}

} // namespace qv
