// Pages scanned as publishing scans them: where a menu's region is to be taken out, and where it
// is or goes to be published (an existing region recognised by the bytes the program would
// write, a placeholder, the <body> tag or where the body begins), each by the program's quick
// way. Only that the place found lies in the page is checked; the publish target holds the
// quick way against parsing the whole page and checks what publishing writes.

#include "FuzzCheck.h"
#include "PublishedRegion.h"
#include "SmallStack.h"

#include "core/site/PageRegion.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void CheckPlace(const qv::PageScan& scan, std::size_t size)
{
    if (scan.place != qv::RegionPlace::None)
        FUZZ_CHECK(scan.begin <= scan.end && scan.end <= size, "the place lies in the page");
    else
        FUZZ_CHECK(scan.begin == 0 && scan.end == 0, "no place, no bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] {
        const std::string_view page(reinterpret_cast<const char*>(data), size);
        CheckPlace(qv::ScanPage(page, quorvane_fuzz::kMenuName, qv::ScanPurpose::TakeOut), size);
        CheckPlace(qv::ScanPage(page, quorvane_fuzz::kMenuName, qv::ScanPurpose::Publish,
                                quorvane_fuzz::PublishedRegion),
                   size);
    };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
