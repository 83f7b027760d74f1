// Sitemaps from arbitrary bytes, gzip-compressed ones too: the XML reader either refuses them
// with a message or gives addresses without blanks around them, and the tree of those addresses
// links each distinct one at most once and never one that is not among them.

#include "ImportFuzzCheck.h"

#include "core/site/Sitemap.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        if (qv::IsGzip(bytes)) {
            constexpr std::size_t kLimit = std::size_t{1} << 20;
            bytes = qv::Gunzip(bytes, kLimit, "fuzz.xml.gz");
            FUZZ_CHECK(bytes.size() <= kLimit, "nothing unpacked beyond the limit");
        }
        qv::LooksLikeSitemap(bytes);
        const qv::SitemapDocument sitemap = qv::ReadSitemapXml(bytes, "fuzz.xml");
        FUZZ_CHECK(!sitemap.locations.empty(), "a sitemap read lists addresses");
        for (const std::string& location : sitemap.locations)
            FUZZ_CHECK(!location.empty() && !IsBlank(location.front()) && !IsBlank(location.back()),
                       "addresses without blanks around them");

        qv::NavCandidate candidate;
        candidate.items = qv::SitemapTree(sitemap.locations);
        qv::FinishCandidate(candidate, false);
        quorvane_fuzz::CheckCandidate(candidate);
        const std::set<std::string> listed(sitemap.locations.begin(), sitemap.locations.end());
        std::set<std::string> linked;
        for (const qv::ImportedItem& item : candidate.items) {
            if (item.link.empty())
                continue;
            FUZZ_CHECK(listed.count(item.link) == 1, "only listed addresses are linked");
            FUZZ_CHECK(linked.insert(item.link).second, "each address linked once");
        }
    } catch (const qv::ImportError&) {
        // Refused with a message: what the user would see.
    }
    return 0;
}
