#pragma once

#include "core/site/HtmlDocument.h"
#include "core/site/ImportedTree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The navigations a page offers, as trees of items, and the one to propose.
struct PageNavigation
{
    std::vector<NavCandidate> candidates;
    std::size_t preselected = 0; // an index into candidates; 0 when there is none
};

// Finds the navigations of a parsed page. The candidates are, in this order: the plain lists of
// menus this program published into the page (read back item for item), the <nav> elements and
// elements whose role is navigation (the outermost of nested ones), and the largest lists of
// links outside them; a page with none of these offers all its links. Candidates without a link
// are left out. The first published menu is proposed, else the candidate with the most links.
//
// `baseAddress` is the page's address when it came from the network (after redirects): links
// are made absolute against it, or against the page's <base> taken relative to it. Empty for a
// page from a file: links stay as written, so they stay relative to the site.
PageNavigation FindNavigation(const HtmlDocument& page, std::string_view baseAddress);

// How a page's bytes are read.
struct PageReadOptions
{
    // A page larger than this is first cut down to its head and the navigations and lists that
    // a quick pass over its bytes finds (ScanMarkup), which the parser then reads: the rest of
    // a large page can take it a second or more. A page without any is read whole.
    std::size_t cutAbove = std::size_t{512} << 10;
    // The most parsing work (MarkupOutline::work) a page may take; a page nested so deeply that
    // it would take more is refused with PageTooDeep.
    std::uint64_t mostWork = 150'000'000;
};

class PageTooDeep : public ImportError
{
public:
    PageTooDeep()
        : ImportError("Its markup is nested too deeply to be read (tens of thousands of levels).")
    {
    }
};

// Reads a page's bytes as stored: its encoding is the byte-order mark's, else `declaredCharset`
// (the server's, for a page from the network) when it names one, else the page's own
// declaration, else UTF-8 when the bytes are UTF-8 and Windows-1252 when not.
// Throws PageTooDeep for a page that the parser would take too long over.
PageNavigation ReadPageNavigation(std::string_view bytes, std::string_view baseAddress,
                                  std::string_view declaredCharset = {},
                                  const PageReadOptions& options = {});

} // namespace qv
