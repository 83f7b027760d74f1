#pragma once

#include "core/model/MenuTree.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace qv {

// How large a design becomes once written out, found in one pass over the tree without naming
// its items or building any text. An item's array name holds the names of all its ancestors and
// its entry in the project file holds their names once more, so a design nested many levels
// deep makes code that grows with the square of its depth and a file that grows with the cube:
// a chain of 10,000 items would make some 150 MB of code and a file of hundreds of gigabytes.
// Callers ask first and refuse what they cannot hold. Sizes are in bytes and stop at the
// largest std::uint64_t rather than wrapping.

// The length of the menu arrays that BuildMenuArrays gives the design, exactly.
std::uint64_t MenuArraysSize(const MenuTree& tree);

// The bytes that WriteMenuDocument gives the design's sections "Menus" and "MenuData" (headers,
// the count and every item's keys). Exact but for texts and links with blanks or quotes at
// their ends, which the file holds in quotes: two bytes more for each. The style sections and
// whatever else the file holds come on top.
std::uint64_t MenuSectionsSize(const MenuTree& tree);

// The largest menu file that Save writes.
inline constexpr std::uint64_t kMaxMenuFileBytes = std::uint64_t{256} << 20;

// What MenuArraysSize and MenuSectionsSize would give the design once `subtrees` (items in no
// tree) were appended as the last sub items of `parent` (the last roots when null), found without
// changing the tree, in one pass over the design and the subtrees.
struct DesignSizes
{
    std::uint64_t arrays = 0;
    std::uint64_t sections = 0;
};
DesignSizes DesignSizesWithAppended(const MenuTree& tree, const MenuItem* parent,
                                    const std::vector<std::unique_ptr<MenuItem>>& subtrees);

} // namespace qv
