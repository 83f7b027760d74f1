#include "core/site/Sitemap.h"

#include "core/site/SiteAddress.h"
#include "core/support/Encoding.h"
#include "core/support/StringUtils.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <zlib.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace qv {

namespace {

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Every external entity, DTD or other resource the parser would load is refused.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void PrepareXmlParser()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(&RefuseExternalEntity);
    });
}

// libxml2 prints what its character conversion finds wrong (a byte that the declared encoding
// cannot hold) to the standard error through its generic handler, whatever the parse options
// say. While a sitemap is read, this thread's handler drops those messages; the parse's own
// error still tells the reason.
class QuietXmlErrors
{
public:
    QuietXmlErrors() : m_handler(xmlGenericError), m_context(xmlGenericErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, &Drop);
    }
    ~QuietXmlErrors() { xmlSetGenericErrorFunc(m_context, m_handler); }
    QuietXmlErrors(const QuietXmlErrors&) = delete;
    QuietXmlErrors& operator=(const QuietXmlErrors&) = delete;

private:
    static void Drop(void*, const char*, ...) {}

    xmlGenericErrorFunc m_handler;
    void* m_context;
};

std::string_view LocalName(const xmlNode* node)
{
    return node->name != nullptr ? reinterpret_cast<const char*>(node->name) : "";
}

bool SameNamespace(const xmlNode* a, const xmlNode* b)
{
    const xmlChar* ha = a->ns != nullptr ? a->ns->href : nullptr;
    const xmlChar* hb = b->ns != nullptr ? b->ns->href : nullptr;
    if (ha == nullptr || hb == nullptr)
        return ha == hb;
    return xmlStrEqual(ha, hb) != 0;
}

// The text directly in an element (its text and CDATA children; references to entities, which
// the parser leaves unexpanded, give nothing), blanks at either end dropped.
std::string ElementText(const xmlNode* element)
{
    std::string text;
    for (const xmlNode* child = element->children; child != nullptr; child = child->next)
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
            child->content != nullptr)
            text += reinterpret_cast<const char*>(child->content);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsXmlSpace(text[begin]))
        ++begin;
    while (end > begin && IsXmlSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

struct DocumentFree
{
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree
{
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

} // namespace

bool LooksLikeSitemap(std::string_view bytes)
{
    std::string_view rest = bytes;
    if (rest.starts_with(kUtf8Bom))
        rest.remove_prefix(kUtf8Bom.size());
    while (true) {
        while (!rest.empty() && IsXmlSpace(rest.front()))
            rest.remove_prefix(1);
        if (rest.starts_with("<?") || rest.starts_with("<!--") || rest.starts_with("<!")) {
            const std::string_view end = rest.starts_with("<?")     ? "?>"
                                         : rest.starts_with("<!--") ? "-->"
                                                                    : ">";
            const std::size_t at = rest.find(end, 2);
            if (at == std::string_view::npos)
                return false;
            rest.remove_prefix(at + end.size());
            continue;
        }
        break;
    }
    if (!rest.starts_with('<'))
        return false;
    std::size_t end = 1;
    while (end < rest.size() && !IsXmlSpace(rest[end]) && rest[end] != '>' && rest[end] != '/')
        ++end;
    std::string_view name = rest.substr(1, end - 1);
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    return name == "urlset" || name == "sitemapindex";
}

SitemapDocument ReadSitemapXml(std::string_view xml, std::string_view name)
{
    PrepareXmlParser();
    const std::string what(name);
    if (xml.size() > static_cast<std::size_t>(INT_MAX))
        throw ImportError(what + " is too large to be read as a sitemap.");
    std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context)
        throw std::bad_alloc();
    // No DTD loaded, no entity substituted, no network; errors are collected, not printed.
    const QuietXmlErrors quiet;
    const int options =
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, DocumentFree> doc(xmlCtxtReadMemory(
        context.get(), xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, options));
    if (!doc) {
        std::string reason = "it is not well-formed XML";
        if (const xmlError* error = xmlCtxtGetLastError(context.get());
            error != nullptr && error->message != nullptr) {
            std::string message = error->message;
            while (!message.empty() && IsXmlSpace(message.back()))
                message.pop_back();
            reason += " (line " + std::to_string(error->line) + ": " + message + ")";
        }
        throw ImportError(what + " cannot be read as a sitemap: " + reason + ".");
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    SitemapDocument sitemap;
    const std::string_view rootName = root != nullptr ? LocalName(root) : "";
    if (rootName != "urlset" && rootName != "sitemapindex")
        throw ImportError(what + " is not a sitemap: it holds no <urlset> or <sitemapindex>.");
    sitemap.isIndex = rootName == "sitemapindex";
    const std::string_view entryName = sitemap.isIndex ? "sitemap" : "url";
    for (const xmlNode* entry = root->children; entry != nullptr; entry = entry->next) {
        if (entry->type != XML_ELEMENT_NODE || LocalName(entry) != entryName ||
            !SameNamespace(entry, root))
            continue;
        for (const xmlNode* field = entry->children; field != nullptr; field = field->next) {
            if (field->type != XML_ELEMENT_NODE || LocalName(field) != "loc" ||
                !SameNamespace(field, root))
                continue;
            if (std::string loc = ElementText(field); !loc.empty())
                sitemap.locations.push_back(std::move(loc));
            break;
        }
    }
    if (sitemap.locations.empty())
        throw ImportError(what + " is a sitemap without any address (<loc>).");
    return sitemap;
}

bool IsGzip(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

std::string Gunzip(std::string_view bytes, std::size_t limit, std::string_view name)
{
    const std::string what(name);
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        throw std::bad_alloc();
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, &inflateEnd);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    std::string out;
    std::size_t inputLeft = bytes.size();
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    while (true) {
        const uInt feed = static_cast<uInt>(std::min<std::size_t>(inputLeft, UINT_MAX));
        stream.avail_in = feed;
        const std::size_t had = out.size();
        out.resize(had + kChunk);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + had);
        stream.avail_out = static_cast<uInt>(kChunk);
        const int result = inflate(&stream, Z_NO_FLUSH);
        out.resize(had + kChunk - stream.avail_out);
        inputLeft -= feed - stream.avail_in;
        if (out.size() > limit)
            throw ImportError(what + " unpacks to more than " + DataSizeText(limit) +
                              ", more than can be imported.");
        if (result == Z_STREAM_END) {
            // Another gzip member may follow; anything else after the data is ignored.
            if (inputLeft < 2 ||
                !IsGzip(std::string_view(reinterpret_cast<const char*>(stream.next_in), inputLeft)))
                return out;
            inflateReset(&stream);
            continue;
        }
        if (result == Z_BUF_ERROR && inputLeft == 0)
            throw ImportError(what + " is cut short: its gzip data ends too early.");
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw ImportError(what + " is not readable gzip data.");
    }
}

std::string ReadableSegment(std::string_view segment)
{
    std::string text = DecodePercent(segment);
    // An extension: a dot, then up to five letters and digits with at least one letter.
    if (const std::size_t dot = text.rfind('.'); dot != std::string::npos && dot > 0) {
        const std::string_view extension = std::string_view(text).substr(dot + 1);
        bool letter = false;
        bool plain = !extension.empty() && extension.size() <= 5;
        for (char c : extension) {
            const bool isLetter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            letter = letter || isLetter;
            plain = plain && (isLetter || (c >= '0' && c <= '9'));
        }
        if (plain && letter)
            text.resize(dot);
    }
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == '-' || c == '_' || IsXmlSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    if (out.empty())
        return std::string(segment);
    if (out[0] >= 'a' && out[0] <= 'z')
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

std::vector<ImportedItem> SitemapTree(const std::vector<std::string>& addresses)
{
    struct Node
    {
        std::string text;    // the segment, or the site for a site's node
        std::string address; // empty when no address ends here
        bool site = false;
        std::vector<std::uint32_t> children;
    };
    std::vector<Node> nodes(1); // node 0 stands above everything
    nodes.reserve(addresses.size() + 1);
    std::unordered_map<std::string, std::uint32_t> index;
    index.reserve(addresses.size() * 2);
    std::string key;
    std::vector<std::string_view> segments;
    const auto child = [&](std::uint32_t parent, std::string_view segment, bool site) {
        key.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
        key += segment;
        const auto [at, added] = index.try_emplace(key, static_cast<std::uint32_t>(nodes.size()));
        if (added) {
            nodes[parent].children.push_back(at->second);
            nodes.push_back({std::string(segment), {}, site, {}});
        }
        return at->second;
    };

    for (const std::string& address : addresses) {
        const AddressParts parts = SplitAddress(address);
        std::uint32_t node = 0;
        if (!parts.origin.empty())
            node = child(node, parts.origin, true);
        // The path's non-empty segments; the query belongs to the last one.
        segments.clear();
        std::string_view path = parts.path;
        while (!path.empty()) {
            const std::size_t slash = path.find('/');
            if (slash != 0)
                segments.push_back(path.substr(0, slash));
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        }
        for (std::size_t i = 0; i < segments.size(); ++i)
            node = child(node,
                         i + 1 < segments.size() ? std::string(segments[i])
                                                 : std::string(segments[i]) + parts.query,
                         false);
        if (segments.empty() && !parts.query.empty())
            node = child(node, parts.query, false);
        if (nodes[node].address.empty())
            nodes[node].address = address;
    }

    // Down the segments every address shares, as long as no address ends there.
    std::uint32_t top = 0;
    while (nodes[top].children.size() == 1 && nodes[top].address.empty())
        top = nodes[top].children[0];

    const auto textOf = [&](const Node& node) {
        if (!node.site)
            return ReadableSegment(node.text);
        const std::size_t slashes = node.text.find("//");
        return slashes == std::string::npos ? node.text : node.text.substr(slashes + 2);
    };
    std::vector<ImportedItem> items;
    items.reserve(nodes.size());
    if (!nodes[top].address.empty())
        items.push_back(
            {nodes[top].site ? std::string("Home") : textOf(nodes[top]), nodes[top].address, 0});
    std::vector<std::pair<std::uint32_t, int>> stack;
    const std::vector<std::uint32_t>& roots = nodes[top].children;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.emplace_back(*it, 0);
    while (!stack.empty()) {
        const auto [id, level] = stack.back();
        stack.pop_back();
        const Node& node = nodes[id];
        items.push_back({textOf(node), node.address, level});
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it)
            stack.emplace_back(*it, level + 1);
    }
    return items;
}

} // namespace qv
