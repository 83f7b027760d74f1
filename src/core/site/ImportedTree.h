#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv {

// An import that cannot be made: a source that cannot be read or fetched, or holds nothing to
// import. The text is what the user sees; nothing has been changed.
class ImportError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One item of a tree read from a page or a sitemap. A tree is a list of items in tree order
// (each item before its sub items), an item's level one more than its parent's: the first item
// has level 0, and each item's level is at most one more than the level before it.
struct ImportedItem
{
    std::string text; // as the page shows it; may be empty
    std::string link; // empty for an item that only opens its sub items
    int level = 0;

    friend bool operator==(const ImportedItem&, const ImportedItem&) = default;
};

// A tree that an import offers: a navigation of a page, or the addresses of a sitemap.
struct NavCandidate
{
    enum class Kind {
        OwnMenu,   // the plain list of a page published by this program
        Landmark,  // a <nav> element, or an element whose role is navigation
        List,      // one of the largest lists of links outside those
        WholePage, // every link of a page that has no navigation and no list of links
        Sitemap,
    };

    Kind kind = Kind::Landmark;
    // The landmark's name, the menu's name, or the first links' texts.
    std::string label;
    std::vector<ImportedItem> items;
    std::size_t linkCount = 0; // items with a link
    int depth = 0;             // levels of the tree
    // The texts of the links that would run a script when followed: left out of the tree (an
    // item with sub items keeps them and loses only its link).
    std::vector<std::string> scriptLinks;
};

// What a kind of candidate is called in the lists that offer them.
const char* KindName(NavCandidate::Kind kind);

// Takes the links that run a script out of `candidate.items` into `scriptLinks`; with
// `dropBareItems`, also drops the items that have neither a link nor an item with a link below
// them. Then counts the links and levels. Linear in the items.
void FinishCandidate(NavCandidate& candidate, bool dropBareItems);

// "Home, About, Products, ...": the texts of the first links of a tree.
std::string FirstLinksLabel(const std::vector<ImportedItem>& items);

} // namespace qv
