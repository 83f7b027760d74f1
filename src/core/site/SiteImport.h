#pragma once

#include "core/model/MenuTree.h"
#include "core/site/ImportedTree.h"
#include "core/site/PageFetcher.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// Importing a site's navigation: read a page or a sitemap from a file or an address, offer the
// trees it holds, and turn the chosen one into items of the design.

struct ImportOptions
{
    FetchLimits limits;
    FetchProgress progress; // also asked between the sitemaps of an index
};

// What a source offers.
struct ImportOffer
{
    std::string source;       // the file's path, or the address after redirects
    bool fromNetwork = false; // links were made absolute against the address
    std::vector<NavCandidate> candidates;
    std::size_t preselected = 0;
    // What was left out on the way: sitemaps of an index that could not be read, or that are
    // indexes themselves.
    std::vector<std::string> notes;
};

// The most sitemaps read from one sitemap index.
inline constexpr std::size_t kMaxIndexedSitemaps = 100;

// Reads `source`: an http or https address, or the path of a file (a "file://" address too).
// A sitemap (<urlset>; a <sitemapindex>, whose sitemaps are read in turn, one level deep; either
// gzip-compressed) gives one candidate; an HTML page gives its navigations (FindNavigation):
// from a file with its links as written, from the network made absolute. Throws ImportError
// with a message for the user when the source cannot be read, is neither a page nor a sitemap,
// or holds no link; ImportCancelled when the progress function cancels.
ImportOffer ReadImportSource(const std::string& source, const ImportOptions& options = {});

// An import of more links than this asks first.
inline constexpr std::size_t kAskAboveLinks = 10000;

// The items of a tree as subtrees in no tree, for MakeAppendMany: texts as imported, each record
// as the add commands make it with the imported link (empty for an item that only opens its sub
// items). Each item takes the next number of `itemCounter`, as every added item does; one
// without a text is named by it ("Untitled12").
std::vector<std::unique_ptr<MenuItem>> MakeImportedItems(const std::vector<ImportedItem>& items,
                                                         std::int32_t& itemCounter);

// Throws ImportError when the design with `subtrees` appended under `parent` (the roots when
// null) would make more code than Get Code makes or a larger file than Save writes.
void CheckImportFits(const MenuTree& tree, const MenuItem* parent,
                     const std::vector<std::unique_ptr<MenuItem>>& subtrees);

} // namespace qv
