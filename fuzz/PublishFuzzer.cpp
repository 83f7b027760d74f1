// Publishing into arbitrary pages. The input is a page; the region goes where the scan puts it,
// and then:
//  - the quick scan (byte search and a parse of the part before the place) and the parse of the
//    whole page agree, for publishing and for taking out;
//  - the published page holds the region exactly where it was put, as real comments, and
//    publishing it again changes nothing;
//  - taking it out gives the input back byte for byte.

#include "FuzzCheck.h"
#include "PublishedRegion.h"

#include "core/site/PageRegion.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using quorvane_fuzz::kMenuName;
using quorvane_fuzz::PublishedRegion;
using qv::PageScan;
using qv::RegionPlace;
using qv::ScanPage;
using qv::ScanPurpose;

PageScan Scan(std::string_view page, ScanPurpose purpose, const qv::ExpectedRegion& expected = {})
{
    const PageScan quick = ScanPage(page, kMenuName, purpose, expected);
    const PageScan whole = ScanPage(page, kMenuName, purpose, {}, false);
    FUZZ_CHECK(quick.place == whole.place, "both ways find the same place");
    FUZZ_CHECK(quick.problem == whole.problem, "both ways find the same problem");
    if (quick.place != RegionPlace::None) {
        FUZZ_CHECK(quick.begin == whole.begin && quick.end == whole.end,
                   "both ways find the same bytes");
        FUZZ_CHECK(quick.begin <= quick.end && quick.end <= page.size(),
                   "the bytes are the page's");
    }
    if (purpose == ScanPurpose::Publish && quick.problem.empty())
        FUZZ_CHECK(quick.encoding.charset == whole.encoding.charset,
                   "both ways find the same encoding");
    return quick;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    Scan(page, ScanPurpose::TakeOut);
    const PageScan scan = Scan(page, ScanPurpose::Publish);
    if (scan.place == RegionPlace::None)
        return 0;

    const std::string region = PublishedRegion(scan.encoding, scan.eol);
    const std::string published = qv::SplicePage(page, scan.begin, scan.end, region);
    const PageScan again = Scan(published, ScanPurpose::Publish, PublishedRegion);
    FUZZ_CHECK(again.place == RegionPlace::Region, "the published page holds the region");
    FUZZ_CHECK(again.begin == scan.begin && again.end == scan.begin + region.size(),
               "the region is where it was put");
    FUZZ_CHECK(qv::SplicePage(published, again.begin, again.end,
                              PublishedRegion(again.encoding, again.eol)) == published,
               "publishing again changes nothing");

    const PageScan out = Scan(published, ScanPurpose::TakeOut);
    FUZZ_CHECK(out.place == RegionPlace::Region && out.begin == again.begin && out.end == again.end,
               "taking out finds the region");
    const std::string back = qv::SplicePage(published, out.begin, out.end, "");
    if (scan.place != RegionPlace::Region)
        FUZZ_CHECK(back == page, "taking out gives the page back");
    return 0;
}
