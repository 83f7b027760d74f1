// Pages from arbitrary bytes: the quick markup pass and the navigation finder, read as from a
// file or as from the network (with a base address), whole or cut down to the parts the pass
// finds. Each tree offered must be well formed (ImportFuzzCheck.h); from the network every
// link must be absolute. Runs on a thread with a small stack, so that any walk that recurses
// over the depth of a page fails here.

#include "ImportFuzzCheck.h"

#include "core/site/MarkupScan.h"
#include "core/site/NavigationFinder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::size_t kStackBytes = std::size_t{256} << 10;

struct Input
{
    const std::uint8_t* data;
    std::size_t size;
};

void* Run(void* argument)
{
    const auto& input = *static_cast<const Input*>(argument);
    if (input.size == 0)
        return nullptr;
    // The first byte chooses how the page is read.
    const std::uint8_t how = input.data[0];
    const std::string_view page(reinterpret_cast<const char*>(input.data) + 1, input.size - 1);

    const qv::MarkupOutline outline = qv::ScanMarkup(page);
    FUZZ_CHECK(outline.headEnd <= page.size(), "the head ends within the page");
    std::size_t previousEnd = 0;
    for (const qv::MarkupOutline::Region& region : outline.regions) {
        FUZZ_CHECK(region.begin >= previousEnd && region.begin < region.end &&
                       region.end <= page.size(),
                   "regions lie in the page, in order, apart");
        previousEnd = region.end;
    }

    qv::PageReadOptions options;
    options.cutAbove = (how & 1) != 0 ? 0 : page.size();
    const bool network = (how & 2) != 0;
    const char* base = (how & 4) != 0 ? "https://example.org/dir/page.html?q#f" : "http://h";
    qv::PageNavigation navigation;
    try {
        navigation = qv::ReadPageNavigation(page, network ? base : "",
                                            (how & 8) != 0 ? "windows-1252" : "", options);
    } catch (const qv::PageTooDeep&) {
        return nullptr;
    }
    FUZZ_CHECK(navigation.candidates.empty()
                   ? navigation.preselected == 0
                   : navigation.preselected < navigation.candidates.size(),
               "the proposed candidate is one of them");
    for (const qv::NavCandidate& candidate : navigation.candidates) {
        quorvane_fuzz::CheckCandidate(candidate);
        if (network)
            for (const qv::ImportedItem& item : candidate.items)
                FUZZ_CHECK(item.link.empty() || !qv::LinkScheme(item.link).empty(),
                           "links from the network are absolute");
    }
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input{data, size};
    quorvane_fuzz::RunOnSmallStack(Run, &input, kStackBytes);
    return 0;
}
