#pragma once

#include <string>
#include <string_view>

namespace qv {

// How a design's link is read when the design is published into a site. A relative link is
// relative to the site folder (the folder of the site's top page), wherever the page that shows
// it lies; the other kinds mean the same on every page.
enum class LinkKind {
    Relative,     // "about.html", "blog/", "../x.html"
    Absolute,     // with a scheme: "https://...", "mailto:..."
    RootRelative, // "/about.html", "//host/x" (a leading '\' reads as '/', as browsers read it)
    FragmentOnly, // "#top"
    QueryOnly,    // "?page=2"
};

// The kind of a link, read as browsers read it: blanks and control characters around it do not
// count.
LinkKind ClassifyLink(std::string_view link);

// "../" `depth` times: the way from a page `depth` folders below the site folder back to it.
std::string UpLevels(int depth);

// The number of folders in a path relative to the site folder ("blog/2024/post.html": 2).
int FolderDepth(std::string_view relativePath);

// What a page `depth` folders below the site folder writes for a design link: a relative link
// with UpLevels(depth) in front; every other kind as it is written.
std::string HrefForPage(std::string_view link, int depth);

// Whether a design link leads to the page at `pagePath` (relative to the site folder, '/'
// between folders): the same file, query and fragment ignored, a folder's address ("blog/", or
// "" for the site itself) being its index.html or index.htm. A fragment-only or query-only link
// leads to the page it stands in. Absolute and root-relative links are never taken for a page:
// where the site is served is not known here.
bool LinkLeadsToPage(std::string_view link, std::string_view pagePath);

// A relative file path as a URL path: every byte but letters, digits, "-._~/" percent-encoded.
std::string UrlPath(std::string_view path);

} // namespace qv
