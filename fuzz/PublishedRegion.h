#pragma once

#include "core/site/HtmlDocument.h"
#include "core/site/PageRegion.h"

#include <string>
#include <string_view>

namespace quorvane_fuzz {

// The name of the menu that the publishing targets publish.
inline constexpr std::string_view kMenuName = "main";

// The region that menu has in a page of this encoding and line break: a list of one link with a
// text that is not ASCII, and the shared script.
inline std::string PublishedRegion(const qv::PageEncoding& encoding, std::string_view eol)
{
    const std::string list =
        std::string("<nav class=\"quorvane-menu\" data-quorvane-menu=\"main\"><ul>") +
        std::string(eol) + "<li><a href=\"a.html\">Caf\xC3\xA9</a></li>" + std::string(eol) +
        "</ul></nav>";
    return qv::EncodeForPage(qv::RegionHtml(kMenuName, list, "menu/main.js?v=0", eol),
                             encoding.charset);
}

} // namespace quorvane_fuzz
