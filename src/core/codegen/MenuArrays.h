#pragma once

#include "core/model/MenuTree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Gives every item its array name: roots are Menu1, Menu2, ... in order, a sub item is its
// parent's name, "_" and its 1-based position among its siblings (Menu3_2_1). Each item's
// ChildSeq ends up holding the number of its sub items. One pass in tree order.
void NameMenuItems(MenuTree& tree);

// Names every item (as NameMenuItems) and returns the array lines of the menu script: per item,
// in tree order, an empty line before each root, then
//   <indent>MenuName=new Array("<caption>","<link>","",<sub items>,<height>,<width>);
// with depth + 1 blanks of indent for a sub item and none for a root, every line ending in CR LF.
// Caption and link are written as script string literals (see ScriptStringLiteralBody).
std::string BuildMenuArrays(MenuTree& tree);
// The same, appended to `out`.
void AppendMenuArrays(std::string& out, MenuTree& tree);

// The number of items at a depth (0 for the roots).
std::size_t CountItemsAtLevel(const MenuTree& tree, int level);

// The body of a double-quoted script string literal whose value is exactly `text` (UTF-8),
// safe inside an HTML <script> element of a page in any encoding:
//  - `\` and `"` are escaped, control characters become \n, \r, \t or \uXXXX;
//  - every character above U+007E becomes \uXXXX (a surrogate pair above U+FFFF), so the
//    script is plain ASCII; this covers U+2028 and U+2029 as well;
//  - `<` becomes \u003C where it starts "</" or "<!--", so no text can end the script element
//    or open an HTML comment inside it.
// Plain ASCII text without these characters comes back unchanged. Text that is not valid UTF-8
// is read as Windows-1252, as the project file reader reads such text.
std::string ScriptStringLiteralBody(std::string_view text);
void AppendScriptStringLiteralBody(std::string& out, std::string_view text);
// Its length, found without making it.
std::uint64_t ScriptStringLiteralSize(std::string_view text);

// The same with `'` escaped as well, so that the body is safe between single quotes too: for
// values that a template may quote either way (the font list).
std::string QuotedEitherWayStringBody(std::string_view text);

} // namespace qv
