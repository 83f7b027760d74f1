#pragma once

#include "core/site/HtmlDocument.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

// A published menu's part of a page, its region: exactly the bytes from the start of the begin
// marker to the end of the end marker. Publishing writes nothing outside it, so taking it out
// gives the page back byte for byte.
//
//   <!--quorvane-menu NAME begin: made by Quorvane Wizard; publishing rewrites this part-->EOL
//   <nav class="quorvane-menu" data-quorvane-menu="NAME">...</nav>EOL
//   <script src="../menu/NAME.js?v=HASH8"></script>EOL
//   <!--quorvane-menu NAME end-->
//
// A begin marker is a comment whose text starts with "quorvane-menu NAME begin" followed by its
// end, ':' or white space; an end marker one whose text is "quorvane-menu NAME end". Only real
// comments written with "<!--" count, as the HTML5 parser finds them: the same text in a script,
// a title or an attribute is none.

// The two marker comments of a menu's region.
std::string BeginMarker(std::string_view name);
std::string EndMarker(std::string_view name);

// The whole region (UTF-8), for a plain menu list (MenuListHtml with the page's line break) and
// the address of the shared script.
std::string RegionHtml(std::string_view name, std::string_view list, std::string_view scriptSrc,
                       std::string_view eol);

// The line break a page uses: its first one (CR LF, LF or a lone CR), LF when it has none.
std::string_view PageLineBreak(std::string_view bytes);

// Where a menu's region is, or goes, in a page.
enum class RegionPlace {
    None,         // nowhere: see `problem` (publishing), or the page has no region (taking out)
    Region,       // the page has the menu's region already: it is replaced
    Placeholder,  // inside an empty element the author marked with data-quorvane-menu="NAME"
    AfterBodyTag, // right after the <body> start tag
    BodyStart,    // where the body begins in a page without a <body> tag
};

struct PageScan
{
    RegionPlace place = RegionPlace::None;
    // The bytes of the page that the region replaces: the old region, or an empty range where it
    // goes. Offsets into the page as stored, its byte-order mark included.
    std::size_t begin = 0;
    std::size_t end = 0;
    PageEncoding encoding;
    std::string eol;
    // Why the page cannot take the region; empty when it can (or, taking out, when it simply
    // has none).
    std::string problem;
    // Whether the whole page was parsed (else only the part before the place, see ScanPage).
    bool wholePageParsed = false;
};

enum class ScanPurpose { Publish, TakeOut };

// The region the page would get, given its encoding and line break, when the caller knows it:
// a page that holds exactly this region is recognised with less parsing.
using ExpectedRegion = std::function<std::string(const PageEncoding&, std::string_view eol)>;

// Finds where the region of the menu `name` is or goes in a page, reading the page as a browser
// does. Publishing: the menu's region when the page has one, else an empty placeholder element,
// else right after the <body> start tag, else where the implied body begins. A page whose markers
// are broken (one without the other, two regions of the menu, the end before the begin), that
// has two placeholders, a placeholder that cannot hold a list, no body (a frame set) or an
// encoding this program does not write, or whose place lies inside a <noscript> (which browsers
// that run scripts read as text), has a `problem` instead. Taking out: only the region counts.
//
// Most pages are not parsed whole. The parser's reading of a position depends only on the bytes
// before it, so a place found by a byte search (the only "<body" or marker candidate, with no
// other mention of the menu's markers or placeholders after it) is confirmed by parsing the page
// only up to the end of that tag or comment; the whole page is parsed when a candidate is not
// confirmed, when there are several, or when the part not parsed might still declare the page's
// encoding. `fast` false parses every page whole (for tests that compare both ways).
PageScan ScanPage(std::string_view bytes, std::string_view name, ScanPurpose purpose,
                  const ExpectedRegion& expected = {}, bool fast = true);

// The page with the bytes [begin, end) replaced.
std::string SplicePage(std::string_view bytes, std::size_t begin, std::size_t end,
                       std::string_view replacement);

} // namespace qv
