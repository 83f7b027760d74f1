#pragma once

#include "core/model/MenuTree.h"

#include <functional>
#include <string>
#include <string_view>

namespace qv {

// The menu as a plain nested list of links, for visitors and crawlers that run no script and for
// print; the menu's script takes the list over when it runs:
//
//   <nav class="quorvane-menu" data-quorvane-menu="NAME"><ul>
//   <li><a href="LINK">TEXT</a></li>
//   <li><span>TEXT</span><ul>
//   <li><a href="LINK">TEXT</a></li>
//   </ul></li>
//   </ul></nav>
//
// One <li> per item in tree order. An item whose link is a heading's (IsHeadingLink) shows its
// text in a <span>. TEXT is the caption's visible text (CaptionText), LINK the link, both escaped,
// so nothing an item holds can end the list, the nav or a comment around it early. No line break
// follows the last line; an empty tree gives the empty text.
struct MenuListOptions
{
    // The list's name (data-quorvane-menu): letters, digits, '-', '_' and '.' only; anything else
    // is dropped.
    std::string name = "menu";
    std::string_view lineBreak = "\r\n";
    // The href written for an item's link; the link as it stands when empty.
    std::function<std::string(std::string_view link)> href;
    // Whether an item's link is the page the list stands in: its link gets aria-current="page".
    std::function<bool(std::string_view link)> isCurrent;
};

std::string MenuListHtml(const MenuTree& tree, const MenuListOptions& options = {});
void AppendMenuListHtml(std::string& out, const MenuTree& tree, const MenuListOptions& options);

// Whether a link makes its item a heading that only opens its sub menu: empty, or exactly
// "http://".
bool IsHeadingLink(std::string_view link);

// The text a reader sees of a caption, which may hold markup: tags dropped, character references
// decoded, an image's alt text kept, white space collapsed. Text that is not valid UTF-8 is read
// as Windows-1252.
std::string CaptionText(std::string_view caption);

// `name` with every character but letters, digits, '-', '_' and '.' dropped.
std::string MenuListName(std::string_view name);

} // namespace qv
