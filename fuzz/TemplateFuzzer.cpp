// Template filling with arbitrary templates and designs. The input is the template up to its
// first NUL; the bytes after it choose the design: items with their captions and links, the
// font name, the codes and colours of the style, and values for replacing tokens directly.
//
// The code must equal a plain replacement: each token, in order, replaces its first occurrence in
// the template's own text that no earlier token took; later occurrences stay and inserted values
// are never searched. Every line ends in CR LF, and the menu arrays and the font list hold every
// caption, link and font name as a script string that gives the exact text back.

#include "FuzzCheck.h"
#include "TemplateInput.h"

#include "core/codegen/MenuArrays.h"
#include "core/codegen/Template.h"
#include "core/model/Colors.h"
#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/support/Encoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using qv::MenuItem;
using qv::MenuStyle;
using qv::MenuTree;

// Every line followed by CR LF: lines end at CR LF, a lone CR or a lone LF, and a NUL ends the
// text.
std::string PlainLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        out.append(text.substr(i, end - i));
        out += "\r\n";
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    return out;
}

struct Taken
{
    std::size_t begin;
    std::size_t end;
    std::size_t token;
};

// Token by token, in order: its first occurrence in the text that overlaps none taken before.
std::string PlainReplace(std::string_view text, std::span<const std::string_view> tokens,
                         std::span<const std::string> values)
{
    std::vector<Taken> taken;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        for (std::size_t at = text.find(tokens[k]); at != std::string_view::npos;
             at = text.find(tokens[k], at + 1)) {
            const std::size_t end = at + tokens[k].size();
            const bool free = std::none_of(taken.begin(), taken.end(), [&](const Taken& t) {
                return at < t.end && t.begin < end;
            });
            if (free) {
                taken.push_back({at, end, k});
                break;
            }
        }
    }
    std::sort(taken.begin(), taken.end(),
              [](const Taken& a, const Taken& b) { return a.begin < b.begin; });
    std::string out;
    std::size_t copied = 0;
    for (const Taken& t : taken) {
        out.append(text.substr(copied, t.begin - copied));
        out += values[t.token];
        copied = t.end;
    }
    out.append(text.substr(copied));
    return out;
}

bool IsTokenForm(std::string_view token)
{
    return token.size() >= 2 && token.front() == '%' && token.back() == '%' &&
           token.substr(1, token.size() - 2).find('%') == std::string_view::npos;
}

void CheckCrLf(std::string_view code)
{
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\r')
            FUZZ_CHECK(i + 1 < code.size() && code[i + 1] == '\n', "a CR starts a CR LF");
        if (code[i] == '\n')
            FUZZ_CHECK(i > 0 && code[i - 1] == '\r', "an LF ends a CR LF");
    }
    FUZZ_CHECK(code.empty() || code.ends_with("\r\n"), "the last line ends in CR LF");
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a double-quoted script string from `at` (just after its opening quote) to its closing
// quote, which `at` is left on; the literal must be printable ASCII, safe inside a script
// element, and use only the escapes \\ \" \n \r \t \uXXXX. A body meant for either kind of
// quotes has every ' escaped as well.
std::string ReadLiteral(std::string_view line, std::size_t& at, bool eitherQuotes = false)
{
    std::string text;
    std::uint32_t high = 0; // a high surrogate waiting for its low half
    const auto codePoint = [&](std::uint32_t unit) {
        if (high != 0) {
            FUZZ_CHECK(unit >= 0xDC00 && unit <= 0xDFFF, "a surrogate pair is whole");
            AppendUtf8(text, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            high = 0;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            high = unit;
        } else {
            FUZZ_CHECK(unit < 0xDC00 || unit > 0xDFFF, "no lone surrogate");
            AppendUtf8(text, unit);
        }
    };
    while (true) {
        FUZZ_CHECK(at < line.size(), "a script string ends on its line");
        const char c = line[at];
        FUZZ_CHECK(c >= 0x20 && c <= 0x7E, "a script string is printable ASCII");
        FUZZ_CHECK(!line.substr(at).starts_with("</") && !line.substr(at).starts_with("<!--"),
                   "no text ends the script element or opens a comment");
        if (c == '"') {
            FUZZ_CHECK(high == 0, "a surrogate pair is whole");
            return text;
        }
        FUZZ_CHECK(!eitherQuotes || c != '\'', "a body for either quotes has no bare '");
        ++at;
        if (c != '\\') {
            codePoint(static_cast<unsigned char>(c));
            continue;
        }
        FUZZ_CHECK(at < line.size(), "an escape is whole");
        const char e = line[at++];
        switch (e) {
        case '\\':
        case '"':
            codePoint(static_cast<unsigned char>(e));
            break;
        case '\'':
            FUZZ_CHECK(eitherQuotes, "only the escapes the script needs");
            codePoint('\'');
            break;
        case 'n':
            codePoint('\n');
            break;
        case 'r':
            codePoint('\r');
            break;
        case 't':
            codePoint('\t');
            break;
        case 'u': {
            FUZZ_CHECK(at + 4 <= line.size(), "a \\u escape has four digits");
            std::uint32_t unit = 0;
            for (int k = 0; k < 4; ++k) {
                const int digit = HexValue(line[at++]);
                FUZZ_CHECK(digit >= 0, "a \\u escape has four hex digits");
                unit = unit * 16 + static_cast<std::uint32_t>(digit);
            }
            codePoint(unit);
            break;
        }
        default:
            FUZZ_CHECK(false, "only the escapes the script needs");
        }
    }
}

void Expect(std::string_view line, std::size_t& at, std::string_view expected, const char* what)
{
    FUZZ_CHECK(line.substr(at, expected.size()) == expected, what);
    at += expected.size();
}

std::string AsReadText(std::string_view text)
{
    return qv::IsValidUtf8(text) ? std::string(text) : qv::Windows1252ToUtf8(text);
}

// The menu arrays: per item in tree order an empty line before each root, then its line with
// its name by the naming rules, caption, link, sub item count, height and width.
void CheckMenuArrays(const MenuTree& tree, std::string_view arrays)
{
    std::size_t pos = 0;
    const auto nextLine = [&]() {
        const std::size_t end = arrays.find("\r\n", pos);
        FUZZ_CHECK(end != std::string_view::npos, "every array line ends in CR LF");
        const std::string_view line = arrays.substr(pos, end - pos);
        pos = end + 2;
        return line;
    };
    std::size_t roots = 0;
    for (const MenuItem* item : tree.PreOrder()) {
        const qv::TMyRec& rec = item->Rec();
        std::string name;
        if (item->Parent() == nullptr) {
            FUZZ_CHECK(nextLine().empty(), "an empty line before each root");
            name = "Menu" + std::to_string(++roots);
        } else {
            name = item->Parent()->Rec().MenuName + "_" + std::to_string(item->Position() + 1);
        }
        FUZZ_CHECK(rec.MenuName == name, "items are named by their place");
        const std::string_view line = nextLine();
        std::size_t at = 0;
        const std::string indent(item->Level() == 0 ? 0 : item->Level() + 1, ' ');
        Expect(line, at, indent + name + "=new Array(\"", "the array's name");
        FUZZ_CHECK(ReadLiteral(line, at) == AsReadText(item->Text()), "the caption comes back");
        Expect(line, at, "\",\"", "caption and link");
        FUZZ_CHECK(ReadLiteral(line, at) == AsReadText(rec.Link), "the link comes back");
        const std::string rest = "\",\"\"," + std::to_string(item->ChildCount()) + "," +
                                 std::to_string(rec.Height) + "," + std::to_string(rec.Width) +
                                 ");";
        Expect(line, at, rest, "the sub item count and the size");
        FUZZ_CHECK(at == line.size(), "nothing after the array");
    }
    FUZZ_CHECK(pos == arrays.size(), "one line per item");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quorvane_fuzz::TemplateInput input(data, size);
    std::string& templateText = input.templateText;
    FuzzedDataProvider& provider = input.provider;
    MenuTree& tree = input.tree;
    const MenuStyle& style = input.style;
    const qv::SystemColorResolver& resolver = input.resolver;

    // Filling the template.
    const std::vector<std::string> values = qv::TemplateValues(tree, style, resolver);
    FUZZ_CHECK(values.size() == qv::kTemplateTokens.size(), "a value per token");
    CheckMenuArrays(tree, values[0]);
    // The font list goes in as the body of a script string, for either kind of quotes, that
    // gives the exact name back.
    const std::string fontLiteral = values[14] + '"';
    std::size_t fontEnd = 0;
    FUZZ_CHECK(ReadLiteral(fontLiteral, fontEnd, true) == AsReadText(style.MenuFont) &&
                   fontEnd + 1 == fontLiteral.size(),
               "the font name comes back");
    for (std::size_t k = 2; k < 12; ++k) {
        FUZZ_CHECK(values[k].size() == 6 && std::all_of(values[k].begin(), values[k].end(),
                                                        [](char c) {
                                                            return (c >= '0' && c <= '9') ||
                                                                   (c >= 'A' && c <= 'F');
                                                        }),
                   "colours are six upper-case hex digits");
    }

    const std::string code = qv::FillTemplate(templateText, tree, style, resolver);
    const std::string lines = PlainLines(templateText);
    FUZZ_CHECK(code == PlainReplace(lines, qv::kTemplateTokens, values),
               "each token replaces its first occurrence in the template's own text");
    CheckCrLf(code);
    const std::string page = qv::PreviewPage(code);
    FUZZ_CHECK(page ==
                   PlainLines(PlainLines("<html><head></head><body>" + code) + "</body></html>"),
               "the preview page wraps the code");
    CheckCrLf(page);

    // Replacing tokens by values that hold tokens of their own.
    std::vector<std::string> ownValues;
    for (std::size_t k = 0; k < qv::kTemplateTokens.size(); ++k)
        ownValues.push_back(quorvane_fuzz::SomeText(provider, 12));
    FUZZ_CHECK(qv::ReplaceTokens(templateText, qv::kTemplateTokens, ownValues) ==
                   PlainReplace(templateText, qv::kTemplateTokens, ownValues),
               "values are inserted and never searched");

    // Tokens of the fuzzer's own, repeated ones and malformed ones included.
    std::vector<std::string> ownTokenTexts;
    const int tokenCount = provider.ConsumeIntegralInRange(0, 6);
    for (int k = 0; k < tokenCount; ++k) {
        switch (provider.ConsumeIntegralInRange(0, 3)) {
        case 0:
            ownTokenTexts.push_back(
                std::string(qv::kTemplateTokens[provider.ConsumeIntegralInRange<std::size_t>(
                    0, qv::kTemplateTokens.size() - 1)]));
            break;
        case 1:
            ownTokenTexts.push_back(ownTokenTexts.empty() ? "%%" : ownTokenTexts.front());
            break;
        case 2:
            ownTokenTexts.push_back("%" + provider.ConsumeRandomLengthString(6) + "%");
            break;
        default:
            ownTokenTexts.push_back(provider.ConsumeRandomLengthString(6));
            break;
        }
    }
    const std::vector<std::string_view> ownTokens(ownTokenTexts.begin(), ownTokenTexts.end());
    std::vector<std::string> tokenValues;
    for (std::size_t k = 0; k < ownTokens.size(); ++k)
        tokenValues.push_back(quorvane_fuzz::SomeText(provider, 8));
    const bool wellFormed = std::all_of(ownTokens.begin(), ownTokens.end(), IsTokenForm);
    try {
        const std::string replaced = qv::ReplaceTokens(templateText, ownTokens, tokenValues);
        FUZZ_CHECK(wellFormed, "a token without the form %name% is refused");
        FUZZ_CHECK(replaced == PlainReplace(templateText, ownTokens, tokenValues),
                   "each token replaces its first free occurrence");
    } catch (const std::invalid_argument&) {
        FUZZ_CHECK(!wellFormed, "tokens of the form %name% are taken");
    }
    tokenValues.emplace_back();
    try {
        (void)qv::ReplaceTokens(templateText, ownTokens, tokenValues);
        FUZZ_CHECK(false, "a value per token is required");
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
