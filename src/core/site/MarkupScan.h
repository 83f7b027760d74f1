#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

// What a quick pass over a page's bytes finds before the HTML parser is given them.
//
// The pass follows HTML's tokenizer only as far as finding tags needs (comments, the doctype
// and the raw text of scripts, styles and the like are skipped, quoted attribute values may hold
// '>'), and keeps the elements the tags open in a stack: an end tag closes its element and
// everything opened after it, and the ends that pages most often leave out are implied (a list
// item by the next one, a paragraph by a block, a table cell by the next cell). It estimates; it
// is no parser, and whatever it finds is read by the parser afterwards. Linear in the bytes.
struct MarkupOutline
{
    // The sum, over all start tags, of the elements open at the tag. The parser looks through
    // its stack of open elements for most tags, so its time grows with this: pages nested tens
    // of thousands of levels deep take it minutes or hours.
    std::uint64_t work = 0;
    // Where the first element that belongs in a page's body starts (the page's size when none):
    // what comes before is the head, with the page's declared encoding and base address.
    std::size_t headEnd = 0;

    // An outermost navigation (<nav>, or an element whose role is navigation) or an outermost
    // list (<ul>, <ol>, <menu>) outside navigations: the bytes from its start tag to the end of
    // its end tag, or to the tag that ends it implicitly, or to the end of the page.
    struct Region
    {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::uint32_t links = 0; // <a href> start tags within
        bool list = false;
    };
    std::vector<Region> regions;
};

MarkupOutline ScanMarkup(std::string_view bytes);

} // namespace qv
