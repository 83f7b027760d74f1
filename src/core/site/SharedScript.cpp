#include "core/site/SharedScript.h"

#include "core/site/HtmlDocument.h"
#include "core/support/Encoding.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qv {

namespace {

// Whether a type attribute names a classic script: none, empty, or a JavaScript type.
bool IsClassicScriptType(const char* type)
{
    if (type == nullptr)
        return true;
    const std::string lower = AsciiLower(TrimBlanks(type));
    return lower.empty() || lower.find("javascript") != std::string::npos ||
           lower.find("ecmascript") != std::string::npos ||
           lower.find("jscript") != std::string::npos;
}

} // namespace

std::vector<std::string_view> InlineScriptBodies(std::string_view html)
{
    std::vector<std::string_view> bodies;
    const HtmlDocument document(html);
    WalkNodes(document.Document(), [&](const GumboNode* node) {
        if (!IsElement(node, GUMBO_TAG_SCRIPT))
            return true;
        const GumboElement& element = node->v.element;
        if (AttributeValue(node, "src") != nullptr ||
            !IsClassicScriptType(AttributeValue(node, "type")) || element.original_tag.length == 0)
            return false;
        const std::size_t begin = element.start_pos.offset + element.original_tag.length;
        // A script left open runs to the end of the text.
        const std::size_t end =
            element.original_end_tag.length > 0 ? element.end_pos.offset : html.size();
        bodies.push_back(html.substr(begin, std::max(begin, end) - begin));
        return false;
    });
    return bodies;
}

std::string SharedScript(std::string_view code, std::string_view linkBase)
{
    std::string script = "var MenuLinkBase='";
    script += linkBase;
    script += "';\r\n";
    for (const std::string_view body : InlineScriptBodies(code)) {
        script += body;
        script += "\r\n";
    }
    const bool ascii = std::all_of(script.begin(), script.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        script.insert(0, kUtf8Bom);
    return script;
}

std::uint64_t ContentHash(std::string_view bytes)
{
    // Eight bytes at a time, each word mixed in by a multiplication and a shift; the length
    // counts too, so trailing zero bytes change the hash.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = 0xCBF29CE484222325ull ^ bytes.size();
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
    hash = (hash ^ tail) * kMultiplier;
    return hash ^ (hash >> 32);
}

std::string ShortHash(std::string_view bytes)
{
    const std::uint64_t hash = ContentHash(bytes);
    const auto folded = static_cast<std::uint32_t>(hash ^ (hash >> 32));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7, shift = 0; i >= 0; --i, shift += 4)
        out[static_cast<std::size_t>(i)] = kHex[(folded >> shift) & 15];
    return out;
}

} // namespace qv
