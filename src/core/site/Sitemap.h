#pragma once

#include "core/site/ImportedTree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The addresses a sitemap lists: the pages of a <urlset>, or the sitemaps of a <sitemapindex>.
struct SitemapDocument
{
    bool isIndex = false;
    std::vector<std::string> locations; // the <loc> texts, blanks around them dropped
};

// Whether the bytes are XML whose first element is <urlset> or <sitemapindex> (with or without
// a namespace prefix), looking past a byte-order mark, the XML declaration, comments and a
// document type declaration.
bool LooksLikeSitemap(std::string_view bytes);

// Reads a sitemap with an XML parser that loads no DTD, substitutes no external entity and
// reaches no network (any external entity it meets is refused). Throws ImportError when the
// bytes are not well-formed XML, not a sitemap, or list no address; `name` names the sitemap in
// the message.
SitemapDocument ReadSitemapXml(std::string_view xml, std::string_view name);

// Whether the bytes start as gzip data does.
bool IsGzip(std::string_view bytes);

// The data a gzip file holds (all its members). Throws ImportError when it is damaged or would
// unpack to more than `limit` bytes; unpacking stops there.
std::string Gunzip(std::string_view bytes, std::size_t limit, std::string_view name);

// The tree of a site's addresses by their path segments, below the segments all of them share:
// each segment is an item, in the order the addresses first reach it; a segment with an address
// of its own links to it, one without only opens its sub items. An address that is the shared
// part itself (the home page) comes first, as a root item. Addresses of several sites give one
// root item per site. Linear in the total length of the addresses.
std::vector<ImportedItem> SitemapTree(const std::vector<std::string>& addresses);

// A path segment as a menu text: percent-decoded, its extension dropped (".html"), hyphens and
// underscores as spaces, the first letter upper case ("about-us.html" gives "About us").
std::string ReadableSegment(std::string_view segment);

} // namespace qv
