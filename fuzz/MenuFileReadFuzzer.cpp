// Project files read as the program opens them: the document parsed from the file's bytes (in
// place when they are plain ASCII), the design read into an empty tree, the style as the window
// then shows it, and the tree released. Crashes, leaks and undefined behaviour only; the
// differential target checks what is read.

#include "SmallStack.h"

#include "core/model/MenuStyle.h"
#include "core/model/MenuTree.h"
#include "core/project/MenuFile.h"
#include "core/support/Ini_Unit.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto work = [&] {
        const qv::IniDocument document =
            qv::IniDocument::Parse(std::string(reinterpret_cast<const char*>(data), size));
        qv::MenuTree tree;
        const qv::MenuStyle shown = qv::StyleAsShown(qv::ReadMenuDocument(document, tree));
        (void)shown;
    };
    quorvane_fuzz::SmallStack::Run(work);
    return 0;
}
