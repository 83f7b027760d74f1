// Sitemaps read as import reads them: gzip data unpacked up to the program's limit, the bytes
// recognised (or not) as a sitemap, read by the XML reader, and the tree of their addresses
// made and finished. Every input goes to the XML reader, also one the program would not offer
// it, so its refusals are explored too. Crashes, leaks and undefined behaviour only; the sitemap
// target checks the addresses and the tree.

#include "SmallStack.h"

#include "core/site/ImportedTree.h"
#include "core/site/PageFetcher.h"
#include "core/site/Sitemap.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] {
        std::string bytes(reinterpret_cast<const char*>(data), size);
        try {
            if (qv::IsGzip(bytes))
                bytes = qv::Gunzip(bytes, qv::kImportLimitBytes, "fuzz.xml.gz");
            (void)qv::LooksLikeSitemap(bytes);
            const qv::SitemapDocument sitemap = qv::ReadSitemapXml(bytes, "fuzz.xml");
            qv::NavCandidate candidate;
            candidate.items = qv::SitemapTree(sitemap.locations);
            qv::FinishCandidate(candidate, false);
        } catch (const qv::ImportError&) {
        }
    };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
