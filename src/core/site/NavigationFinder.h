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

// Reads a page's bytes as stored: its encoding is the byte-order mark's, else `declaredCharset`
// (the server's, for a page from the network) when it names one, else the page's own
// declaration, else UTF-8 when the bytes are UTF-8 and Windows-1252 when not.
PageNavigation ReadPageNavigation(std::string_view bytes, std::string_view baseAddress,
                                  std::string_view declaredCharset = {});

} // namespace qv
