// Pages read as import reads them: the quick markup pass, the encoding found (byte-order mark,
// the server's charset or the page's own declaration) and the page decoded, the HTML5 parse and
// the navigation finder, with the program's limit on parsing work. The first byte chooses how,
// as for the navigation target, so the two share their corpus: whether the page is cut down to
// its navigations first (as a large one is), whether it comes from the network (with a base
// address) and whether the server names its encoding. Crashes, leaks and undefined behaviour
// only; the navigation target checks the trees offered.

#include "SmallStack.h"

#include "core/site/NavigationFinder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto work = [&] {
        const std::uint8_t how = data[0];
        const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
        qv::PageReadOptions options;
        if ((how & 1) != 0)
            options.cutAbove = 0;
        const std::string_view base = (how & 2) == 0   ? ""
                                      : (how & 4) != 0 ? "https://example.org/dir/page.html?q#f"
                                                       : "http://h";
        try {
            (void)qv::ReadPageNavigation(page, base, (how & 8) != 0 ? "windows-1252" : "", options);
        } catch (const qv::PageTooDeep&) {
        }
    };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
