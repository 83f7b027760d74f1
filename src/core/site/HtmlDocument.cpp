#include "core/site/HtmlDocument.h"

#include "core/support/Encoding.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qv {

// Memory for one parse, taken in blocks and given back all at once. The parser frees many small
// pieces while it works (a buffer that grows is copied and the old one freed); those stay in the
// arena until the document goes, which costs a small multiple of the page's size. The blocks
// start small and double up to 64 KB, so that a short page or fragment takes little.
struct HtmlDocument::Arena
{
    static constexpr std::size_t kBlock = std::size_t{64} << 10;
    static constexpr std::size_t kAlign = alignof(std::max_align_t);

    std::vector<std::unique_ptr<std::byte[]>> blocks;
    std::byte* next = nullptr;
    std::size_t left = 0;
    std::size_t blockSize = std::size_t{4} << 10;

    void* Allocate(std::size_t size)
    {
        size = (std::max<std::size_t>(size, 1) + kAlign - 1) / kAlign * kAlign;
        if (size > left) {
            if (size > kBlock / 4) {
                // A large piece gets a block of its own, so the current block's rest stays in
                // use.
                blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
                return blocks.back().get();
            }
            const std::size_t block = std::max(blockSize, size);
            blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(block));
            next = blocks.back().get();
            left = block;
            blockSize = std::min(blockSize * 2, kBlock);
        }
        void* piece = next;
        next += size;
        left -= size;
        return piece;
    }

    static void* AllocateFor(void* arena, std::size_t size)
    {
        return static_cast<Arena*>(arena)->Allocate(size);
    }
    static void Free(void*, void*) {}
};

HtmlDocument::HtmlDocument(std::string_view bytes) : HtmlDocument(bytes, GUMBO_TAG_LAST) {}

HtmlDocument HtmlDocument::Fragment(std::string_view bytes)
{
    return HtmlDocument(bytes, GUMBO_TAG_DIV);
}

HtmlDocument::HtmlDocument(std::string_view bytes, GumboTag fragmentContext)
    : m_arena(std::make_unique<Arena>())
{
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &Arena::AllocateFor;
    options.deallocator = &Arena::Free;
    options.userdata = m_arena.get();
    // The parse errors are not used; recording them would only cost time and memory.
    options.max_errors = 0;
    options.fragment_context = fragmentContext;
    m_output = gumbo_parse_with_options(&options, bytes.data(), bytes.size());
    if (!m_output)
        throw std::bad_alloc();
}

// The output lives in the arena: nothing to free node by node.
HtmlDocument::~HtmlDocument() = default;
HtmlDocument::HtmlDocument(HtmlDocument&&) noexcept = default;
HtmlDocument& HtmlDocument::operator=(HtmlDocument&&) noexcept = default;

const GumboNode* HtmlDocument::Find(GumboTag tag) const
{
    const GumboNode* found = nullptr;
    WalkNodes(Root(), [&](const GumboNode* node) {
        if (!found && IsElement(node, tag))
            found = node;
        return !found;
    });
    return found;
}

const GumboVector& ChildrenOf(const GumboNode* node)
{
    switch (node->type) {
    case GUMBO_NODE_DOCUMENT:
        return node->v.document.children;
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
        return node->v.element.children;
    default:
        return kGumboEmptyVector;
    }
}

bool IsElement(const GumboNode* node)
{
    return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE;
}

bool IsElement(const GumboNode* node, GumboTag tag)
{
    return IsElement(node) && node->v.element.tag == tag;
}

std::string ElementName(const GumboNode* node)
{
    if (!IsElement(node))
        return {};
    const GumboElement& element = node->v.element;
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(element.tag);
    // The parser keeps an unknown tag's name only in the source text of its start tag.
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    std::string name(piece.data ? piece.data : "", piece.data ? piece.length : 0);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

const char* AttributeValue(const GumboNode* node, const char* name)
{
    if (!IsElement(node))
        return nullptr;
    const GumboAttribute* attribute = gumbo_get_attribute(&node->v.element.attributes, name);
    return attribute ? attribute->value : nullptr;
}

namespace {

bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

} // namespace

std::string CollapseWhiteSpace(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool space = false;
    for (char c : text) {
        if (IsHtmlSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space)
            out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    return out;
}

std::string VisibleText(const GumboNode* node)
{
    std::string text;
    WalkNodes(node, [&](const GumboNode* n) {
        switch (n->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            text += n->v.text.text;
            return false;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            switch (n->v.element.tag) {
            case GUMBO_TAG_SCRIPT:
            case GUMBO_TAG_STYLE:
            case GUMBO_TAG_TEMPLATE:
            case GUMBO_TAG_NOSCRIPT:
                return false;
            case GUMBO_TAG_BR:
                text += ' ';
                return false;
            case GUMBO_TAG_IMG:
                if (const char* alt = AttributeValue(n, "alt")) {
                    text += ' ';
                    text += alt;
                }
                text += ' ';
                return false;
            default:
                return true;
            }
        default:
            return n->type == GUMBO_NODE_DOCUMENT;
        }
    });
    return CollapseWhiteSpace(text);
}

void AppendHtmlText(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out.push_back(c);
        }
    }
}

void AppendHtmlAttribute(std::string& out, std::string_view text)
{
    for (char c : text) {
        if (c == '"')
            out += "&quot;";
        else
            AppendHtmlText(out, std::string_view(&c, 1));
    }
}

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The charset named in a Content-Type value ("text/html; charset=iso-8859-1"), as browsers
// read it from <meta http-equiv>: after "charset", optional spaces, "=", an optionally quoted
// name.
std::string CharsetOfContentType(std::string_view content)
{
    const std::string lower = Lower(content);
    std::size_t at = 0;
    while ((at = lower.find("charset", at)) != std::string::npos) {
        std::size_t i = at + 7;
        while (i < lower.size() && IsHtmlSpace(lower[i]))
            ++i;
        if (i >= lower.size() || lower[i] != '=') {
            at = i;
            continue;
        }
        ++i;
        while (i < lower.size() && IsHtmlSpace(lower[i]))
            ++i;
        if (i < lower.size() && (lower[i] == '"' || lower[i] == '\'')) {
            const char quote = lower[i];
            const std::size_t end = lower.find(quote, i + 1);
            if (end == std::string::npos)
                return {};
            return std::string(content.substr(i + 1, end - i - 1));
        }
        std::size_t end = i;
        while (end < lower.size() && !IsHtmlSpace(lower[end]) && lower[end] != ';')
            ++end;
        return std::string(content.substr(i, end - i));
    }
    return {};
}

} // namespace

PageCharset CharsetForLabel(std::string_view label)
{
    const std::string name = Lower(Trimmed(label));
    static constexpr std::string_view kUtf8[] = {
        "utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8"};
    // The labels that browsers read as Windows-1252 (Latin-1 and ASCII among them).
    static constexpr std::string_view kWindows1252[] = {
        "ansi_x3.4-1968", "ascii",           "cp1252",     "cp819",     "csisolatin1",
        "ibm819",         "iso-8859-1",      "iso-ir-100", "iso8859-1", "iso88591",
        "iso_8859-1",     "iso_8859-1:1987", "l1",         "latin1",    "us-ascii",
        "windows-1252",   "x-cp1252"};
    if (std::find(std::begin(kUtf8), std::end(kUtf8), name) != std::end(kUtf8))
        return PageCharset::Utf8;
    if (std::find(std::begin(kWindows1252), std::end(kWindows1252), name) != std::end(kWindows1252))
        return PageCharset::Windows1252;
    return PageCharset::Unsupported;
}

PageEncoding DetectPageEncoding(std::string_view bytes, const HtmlDocument& parsed)
{
    PageEncoding encoding;
    if (bytes.starts_with(kUtf8Bom)) {
        encoding.bomLength = kUtf8Bom.size();
        return encoding;
    }
    WalkNodes(parsed.Root(), [&](const GumboNode* node) {
        if (!encoding.declared.empty())
            return false;
        if (!IsElement(node, GUMBO_TAG_META))
            return true;
        if (const char* charset = AttributeValue(node, "charset")) {
            encoding.declared = std::string(Trimmed(charset));
        } else if (const char* equiv = AttributeValue(node, "http-equiv");
                   equiv && Lower(Trimmed(equiv)) == "content-type") {
            if (const char* content = AttributeValue(node, "content"))
                encoding.declared = std::string(Trimmed(CharsetOfContentType(content)));
        }
        return false;
    });
    if (!encoding.declared.empty())
        encoding.charset = CharsetForLabel(encoding.declared);
    else
        encoding.charset = IsValidUtf8(bytes) ? PageCharset::Utf8 : PageCharset::Windows1252;
    return encoding;
}

std::string DecodePage(std::string_view bytes, const PageEncoding& encoding)
{
    bytes.remove_prefix(std::min(encoding.bomLength, bytes.size()));
    // Ill-formed sequences in a UTF-8 page stay: the parser reads them as U+FFFD, as a browser
    // shows them.
    if (encoding.charset == PageCharset::Utf8)
        return std::string(bytes);
    return Windows1252ToUtf8(bytes);
}

std::string EncodeForPage(std::string_view utf8, PageCharset charset)
{
    if (charset == PageCharset::Windows1252)
        return Utf8ToWindows1252WithReferences(utf8);
    if (IsValidUtf8(utf8))
        return std::string(utf8);
    return Windows1252ToUtf8(utf8);
}

} // namespace qv
