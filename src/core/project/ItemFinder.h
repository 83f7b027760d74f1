#pragma once

#include "core/model/MenuTree.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// Finds items by name while a project file's entries are added, by the reader's two rules: a
// path's first segment names the last item in tree order with that name, at any level; a further
// segment names the last sub item of the current item with that name. Names are looked up as
// views of the items' own names, which stay in place while the file is read.
//
// A file the program wrote has unique names in tree order, and every lookup is O(1). A
// hand-edited file may repeat names and append sub items under earlier items, which then land
// before later items in tree order; items of one name are then compared in tree order, which an
// order-maintenance list answers in O(1) instead of renumbering the tree after every such append.
class ItemFinder final
{
public:
    // `expected`: how many items the file may add, to size the indexes once.
    ItemFinder(MenuTree& tree, std::size_t expected);
    ~ItemFinder();
    ItemFinder(const ItemFinder&) = delete;
    ItemFinder& operator=(const ItemFinder&) = delete;

    // A large design's index of names is too large for the cache, and each new item's name is
    // looked up once where nothing has been before: the reader names the items it will meet a few
    // entries ahead, so that their cells are loaded by then.
    void Prefetch(std::string_view name) const;

    // The last item in tree order with that name, or null.
    MenuItem* LastNamed(std::string_view name);
    // The last sub item of `parent` with that name, or null.
    MenuItem* LastChildNamed(MenuItem* parent, std::string_view name);
    // Appends as the last sub item of `parent` (a root when null); `rec.MenuName` is its name.
    MenuItem* Append(MenuItem* parent, std::string text, TMyRec rec);

private:
    struct Indexes;
    MenuTree& m_tree;
    std::unique_ptr<Indexes> m_indexes;
};

} // namespace qv
