#pragma once

#include <gumbo.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// An HTML page or fragment parsed by the HTML5 parser, as a browser parses it: implied elements
// added, misnested tags mended, character references decoded. The nodes are the parser's own;
// every position in them (GumboSourcePosition::offset) and every piece of source text
// (original_tag, original_text) refers to the bytes given, which must outlive the document.
//
// The parser reads its input as UTF-8. A page in another encoding may still be parsed as it is
// stored when only its markup matters (tag names, attributes and comments that are ASCII keep
// their bytes and positions; other bytes read as U+FFFD); its texts need DecodePage first.
//
// All memory of one parse comes from an arena of the document's own and goes with it at once,
// so no part of the tree is freed node by node (a page nested a million levels deep is taken
// apart in constant stack).
class HtmlDocument final
{
public:
    // Parses a whole page.
    explicit HtmlDocument(std::string_view bytes);
    // Parses a fragment as the content of a <div> (a caption that may hold markup).
    static HtmlDocument Fragment(std::string_view bytes);

    ~HtmlDocument();
    HtmlDocument(HtmlDocument&&) noexcept;
    HtmlDocument& operator=(HtmlDocument&&) noexcept;

    // The document node; its children are the doctype, comments and the <html> element.
    const GumboNode* Document() const { return m_output->document; }
    // The <html> element (for a fragment, the element holding the fragment's nodes).
    const GumboNode* Root() const { return m_output->root; }
    // The first element with this tag below the root, in document order; null when none.
    const GumboNode* Find(GumboTag tag) const;

private:
    struct Arena;
    HtmlDocument(std::string_view bytes, GumboTag fragmentContext);

    std::unique_ptr<Arena> m_arena;
    GumboOutput* m_output = nullptr;
};

// The child nodes of a document, element or template node; empty for other nodes.
const GumboVector& ChildrenOf(const GumboNode* node);

// Whether `node` is an element (or template) with this tag.
bool IsElement(const GumboNode* node, GumboTag tag);
bool IsElement(const GumboNode* node);

// The lower-case name of an element, also of one the parser does not know (<my-menu>); empty for
// other nodes.
std::string ElementName(const GumboNode* node);

// The value of an attribute (names are lower case), or null when the element has none.
const char* AttributeValue(const GumboNode* node, const char* name);

// Calls `visit` for `top` and every node below it in document order (each node before its
// children). Iterative, so any depth is safe. `visit` returns false to skip the node's
// children.
template <typename Visit>
void WalkNodes(const GumboNode* top, Visit visit)
{
    std::vector<const GumboNode*> stack{top};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (!visit(node))
            continue;
        const GumboVector& children = ChildrenOf(node);
        for (unsigned i = children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
}

// The text that a reader sees in a node: its text nodes in order, without those of scripts,
// styles and templates, an image's alt text in the image's place, a line break or an image as a
// space; runs of white space collapsed to one space, none at either end.
std::string VisibleText(const GumboNode* node);

// HTML's white space (space, tab, line feed, form feed, carriage return) collapsed to single
// spaces, none at either end.
std::string CollapseWhiteSpace(std::string_view text);

// Escapes text for an element's content (&, <, >) or for a double-quoted attribute value
// (&, ", <, >), appending to `out`.
void AppendHtmlText(std::string& out, std::string_view text);
void AppendHtmlAttribute(std::string& out, std::string_view text);

// The character encodings that pages of a site are read and written in.
enum class PageCharset {
    Utf8,
    Windows1252, // also what pages that say ISO-8859-1, Latin-1 or US-ASCII are read as
    Unsupported, // a declared encoding this program does not write (UTF-16, Shift_JIS, ...)
};

struct PageEncoding
{
    PageCharset charset = PageCharset::Utf8;
    // The length of a UTF-8 byte-order mark at the start of the page (0 or 3).
    std::size_t bomLength = 0;
    // The encoding's name as the page declares it (<meta charset> or http-equiv); empty when it
    // declares none.
    std::string declared;
};

// The encoding of a page: a UTF-8 byte-order mark first, then the first <meta charset> or
// <meta http-equiv="Content-Type" content="...; charset=..."> of the parsed page; a page that
// declares nothing is UTF-8 when its bytes are valid UTF-8, else Windows-1252. `parsed` is the
// page parsed as it is stored (after its byte-order mark).
PageEncoding DetectPageEncoding(std::string_view bytes, const HtmlDocument& parsed);

// The encoding that a declared name stands for, by the names browsers accept (letter case and
// surrounding white space ignored).
PageCharset CharsetForLabel(std::string_view label);

// A page's text as UTF-8 for the parser: the byte-order mark dropped, Windows-1252 converted (an
// unsupported encoding too, which keeps every ASCII character).
std::string DecodePage(std::string_view bytes, const PageEncoding& encoding);

// UTF-8 text in a page's encoding: for Windows-1252, every character that code page cannot hold
// becomes a decimal character reference, the others their single bytes (the euro sign 0x80).
// For UTF-8, text that is not valid UTF-8 is read as Windows-1252 first.
std::string EncodeForPage(std::string_view utf8, PageCharset charset);

} // namespace qv
