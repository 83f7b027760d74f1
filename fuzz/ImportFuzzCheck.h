#pragma once

#include "FuzzCheck.h"

#include "core/model/MenuTree.h"
#include "core/site/ImportedTree.h"
#include "core/site/SiteAddress.h"
#include "core/site/SiteImport.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane_fuzz {

// What every tree an import offers keeps to: levels that start at 0 and go down one at a time,
// counts that match the items, no link that runs a script; and the design it gives holds the
// same items, in the same places, whatever the counter's number.
inline void CheckCandidate(const qv::NavCandidate& candidate)
{
    int depth = 0;
    std::size_t links = 0;
    int previous = -1;
    for (const qv::ImportedItem& item : candidate.items) {
        FUZZ_CHECK(item.level >= 0 && item.level <= previous + 1, "levels go down one at a time");
        FUZZ_CHECK(!qv::IsScriptLink(item.link), "no link that runs a script");
        previous = item.level;
        depth = std::max(depth, item.level + 1);
        links += item.link.empty() ? 0 : 1;
    }
    FUZZ_CHECK(candidate.depth == depth, "the depth counts the levels");
    FUZZ_CHECK(candidate.linkCount == links, "the link count counts the links");

    std::int32_t counter = 2147483640; // the counter wraps as it does in a long run
    const auto subtrees = qv::MakeImportedItems(candidate.items, counter);
    std::size_t index = 0;
    std::vector<const qv::MenuItem*> stack;
    for (auto it = subtrees.rbegin(); it != subtrees.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        const qv::MenuItem* item = stack.back();
        stack.pop_back();
        FUZZ_CHECK(index < candidate.items.size(), "no more items than imported");
        const qv::ImportedItem& imported = candidate.items[index++];
        FUZZ_CHECK(item->Level() == imported.level, "each item at its level");
        FUZZ_CHECK(item->Rec().Link == imported.link, "each item with its link");
        FUZZ_CHECK(imported.text.empty() ? item->Text().starts_with("Untitled")
                                         : item->Text() == imported.text,
                   "each item with its text, or named by the counter");
        for (std::size_t c = item->ChildCount(); c-- > 0;)
            stack.push_back(item->Child(c));
    }
    FUZZ_CHECK(index == candidate.items.size(), "every item imported");
}

} // namespace quorvane_fuzz
