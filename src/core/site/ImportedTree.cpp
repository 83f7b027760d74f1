#include "core/site/ImportedTree.h"

#include "core/site/SiteAddress.h"

#include <algorithm>

namespace qv {

const char* KindName(NavCandidate::Kind kind)
{
    switch (kind) {
    case NavCandidate::Kind::OwnMenu:
        return "published menu";
    case NavCandidate::Kind::Landmark:
        return "navigation";
    case NavCandidate::Kind::List:
        return "list of links";
    case NavCandidate::Kind::WholePage:
        return "all links";
    case NavCandidate::Kind::Sitemap:
        return "sitemap";
    }
    return "";
}

void FinishCandidate(NavCandidate& candidate, bool dropBareItems)
{
    std::vector<ImportedItem>& items = candidate.items;
    // From the last item to the first, so an item's sub items are settled before the item:
    // `kept[level]` says whether an item of that level was kept since the last item one level
    // up, which is then the parent that reads it.
    std::vector<char> keep(items.size(), 1);
    std::vector<char> kept;
    for (std::size_t i = items.size(); i-- > 0;) {
        ImportedItem& item = items[i];
        const auto level = static_cast<std::size_t>(item.level);
        if (kept.size() < level + 2)
            kept.resize(level + 2, 0);
        const bool hasSubItems = i + 1 < items.size() && items[i + 1].level > item.level;
        const bool subItemKept = kept[level + 1] != 0;
        kept[level + 1] = 0;
        if (IsScriptLink(item.link)) {
            candidate.scriptLinks.push_back(item.text);
            item.link.clear();
            // Without sub items the item only ran the script.
            if (!hasSubItems)
                keep[i] = 0;
        }
        if (keep[i] && dropBareItems && item.link.empty() && !subItemKept)
            keep[i] = 0;
        if (keep[i])
            kept[level] = 1;
    }
    std::reverse(candidate.scriptLinks.begin(), candidate.scriptLinks.end());

    std::size_t out = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!keep[i])
            continue;
        if (out != i)
            items[out] = std::move(items[i]);
        ++out;
    }
    items.resize(out);

    candidate.linkCount = 0;
    candidate.depth = 0;
    for (const ImportedItem& item : items) {
        candidate.linkCount += item.link.empty() ? 0 : 1;
        candidate.depth = std::max(candidate.depth, item.level + 1);
    }
}

std::string FirstLinksLabel(const std::vector<ImportedItem>& items)
{
    constexpr std::size_t kShown = 3;
    constexpr std::size_t kLongest = 24; // bytes of one text, cut at a character's start
    std::string label;
    std::size_t shown = 0;
    for (const ImportedItem& item : items) {
        if (item.link.empty() || item.text.empty())
            continue;
        if (shown == kShown) {
            label += ", ...";
            break;
        }
        if (shown > 0)
            label += ", ";
        std::string text = item.text;
        if (text.size() > kLongest) {
            std::size_t cut = kLongest;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
                --cut;
            text = text.substr(0, cut) + "...";
        }
        label += text;
        ++shown;
    }
    return label;
}

} // namespace qv
