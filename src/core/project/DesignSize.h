#pragma once

#include "core/model/MenuTree.h"

#include <cstdint>

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

} // namespace qv
