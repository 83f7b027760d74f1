#include "core/site/NavigationFinder.h"

#include "core/site/MarkupScan.h"
#include "core/site/SiteAddress.h"
#include "core/support/Encoding.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace qv {

namespace {

bool IsHtml(const GumboNode* node, GumboTag tag)
{
    return IsElement(node, tag) && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

bool IsLinkElement(const GumboNode* node)
{
    return IsHtml(node, GUMBO_TAG_A) && AttributeValue(node, "href") != nullptr;
}

bool IsListElement(const GumboNode* node)
{
    return IsHtml(node, GUMBO_TAG_UL) || IsHtml(node, GUMBO_TAG_OL) || IsHtml(node, GUMBO_TAG_MENU);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// The words of a space-separated attribute value, in order.
std::vector<std::string_view> Words(std::string_view value)
{
    std::vector<std::string_view> words;
    while (!value.empty()) {
        while (!value.empty() && IsSpace(value.front()))
            value.remove_prefix(1);
        std::size_t end = 0;
        while (end < value.size() && !IsSpace(value[end]))
            ++end;
        if (end > 0)
            words.push_back(value.substr(0, end));
        value.remove_prefix(end);
    }
    return words;
}

// Whether a space-separated attribute value holds `token` (letter case ignored).
bool HasToken(const GumboNode* node, const char* attribute, std::string_view token)
{
    const char* value = AttributeValue(node, attribute);
    if (value == nullptr)
        return false;
    for (const std::string_view word : Words(value))
        if (word.size() == token.size() &&
            std::equal(word.begin(), word.end(), token.begin(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
            }))
            return true;
    return false;
}

// Whether an attribute's value contains `part` (classes such as "nav-item dropdown").
bool AttributeContains(const GumboNode* node, const char* attribute, std::string_view part)
{
    const char* value = AttributeValue(node, attribute);
    return value != nullptr && std::string_view(value).find(part) != std::string_view::npos;
}

// Whether a text says something: a letter or a digit, of any script.
bool HasWords(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
               (c >= 'A' && c <= 'Z');
    });
}

bool IsTextNode(const GumboNode* node)
{
    return node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA;
}

// The number of links (<a href>) in every element that holds one, counted once for the whole
// page, walking it in one pass without recursion.
class LinkCounts
{
public:
    explicit LinkCounts(const GumboNode* root)
    {
        struct Frame
        {
            const GumboNode* node;
            unsigned next;
            std::uint32_t links;
        };
        std::vector<Frame> stack{{root, 0, 0}};
        while (!stack.empty()) {
            Frame& top = stack.back();
            const GumboVector& children = ChildrenOf(top.node);
            if (top.next < children.length) {
                const auto* child = static_cast<const GumboNode*>(children.data[top.next++]);
                // What a template holds is not part of the page until a script uses it.
                if (child->type == GUMBO_NODE_ELEMENT)
                    stack.push_back({child, 0, 0});
                continue;
            }
            const std::uint32_t links = top.links + (IsLinkElement(top.node) ? 1 : 0);
            const GumboNode* node = top.node;
            stack.pop_back();
            if (links > 0) {
                m_counts.emplace(node, links);
                if (!stack.empty())
                    stack.back().links += links;
            }
        }
    }

    std::uint32_t Of(const GumboNode* node) const
    {
        const auto found = m_counts.find(node);
        return found == m_counts.end() ? 0 : found->second;
    }

private:
    std::unordered_map<const GumboNode*, std::uint32_t> m_counts;
};

// The text of a link: what it shows (an image's alt text included), else its aria-label, else
// its title.
std::string LinkText(const GumboNode* link)
{
    std::string text = VisibleText(link);
    for (const char* attribute : {"aria-label", "title"}) {
        if (!text.empty())
            break;
        if (const char* value = AttributeValue(link, attribute))
            text = CollapseWhiteSpace(value);
    }
    return text;
}

// Elements whose text may head a list of links: a heading, or the text of a button, a span or a
// link without an address that opens a sub menu.
bool IsLabelTag(const GumboNode* node)
{
    if (!IsElement(node) || node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (node->v.element.tag) {
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_SPAN:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_B:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_LABEL:
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_A:
        return true;
    default:
        return HasToken(node, "role", "heading") || HasToken(node, "role", "button");
    }
}

// Whether a link followed by lists of links opens them as its drop-down, by the marks that
// menus of frameworks put on the link or on the element around both.
bool OpensDropDown(const GumboNode* group, const GumboNode* link)
{
    for (const char* attribute :
         {"aria-haspopup", "aria-expanded", "aria-controls", "data-toggle", "data-bs-toggle"})
        if (AttributeValue(link, attribute) != nullptr)
            return true;
    for (const GumboNode* node : {group, link})
        for (std::string_view part :
             {"dropdown", "drop-down", "submenu", "sub-menu", "has-children", "navbar-link"})
            if (AttributeContains(node, "class", part))
                return true;
    return false;
}

// Turns the markup of a navigation into a tree of items, with an explicit stack of work so that
// lists nested to any depth are safe. Every element is looked at a bounded number of times.
class TreeReader
{
public:
    TreeReader(const LinkCounts& counts, std::string_view baseAddress)
        : m_counts(counts), m_base(baseAddress)
    {
    }

    // The tree the element gives, as a navigation of any of the usual markups.
    std::vector<ImportedItem> Read(const GumboNode* top)
    {
        m_items.clear();
        m_work.push_back({Work::Items, top, 0});
        Run();
        return std::move(m_items);
    }

    // The tree of a list this program published: <ul> of <li>, each with an <a> or a <span>
    // and maybe a <ul> of its sub items; item for item, nothing left out.
    std::vector<ImportedItem> ReadOwnList(const GumboNode* nav)
    {
        m_items.clear();
        std::vector<std::pair<const GumboNode*, int>> lists;
        const GumboVector& top = ChildrenOf(nav);
        for (unsigned i = top.length; i-- > 0;)
            if (IsHtml(static_cast<const GumboNode*>(top.data[i]), GUMBO_TAG_UL))
                lists.emplace_back(static_cast<const GumboNode*>(top.data[i]), 0);
        // Entries are <li> elements (to be read) or <ul> elements (to be opened).
        while (!lists.empty()) {
            const auto [node, level] = lists.back();
            lists.pop_back();
            const GumboVector& children = ChildrenOf(node);
            if (IsHtml(node, GUMBO_TAG_UL)) {
                for (unsigned i = children.length; i-- > 0;)
                    if (IsHtml(static_cast<const GumboNode*>(children.data[i]), GUMBO_TAG_LI))
                        lists.emplace_back(static_cast<const GumboNode*>(children.data[i]), level);
                continue;
            }
            const GumboNode* label = nullptr;
            const GumboNode* sub = nullptr;
            for (unsigned i = 0; i < children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(children.data[i]);
                if (!label && (IsHtml(child, GUMBO_TAG_A) || IsHtml(child, GUMBO_TAG_SPAN)))
                    label = child;
                else if (!sub && IsHtml(child, GUMBO_TAG_UL))
                    sub = child;
            }
            ImportedItem item;
            item.level = level;
            if (label != nullptr) {
                item.text = VisibleText(label);
                if (const char* href = AttributeValue(label, "href");
                    href && IsHtml(label, GUMBO_TAG_A))
                    item.link = OwnLink(href);
            }
            m_items.push_back(std::move(item));
            if (sub != nullptr)
                lists.emplace_back(sub, level + 1);
        }
        return std::move(m_items);
    }

private:
    struct Work
    {
        // Items: the items of an element's children. Node: the items of one element (one item
        // for a link or a list item). Emit: one item from a label (a link, or a text).
        enum Kind { Items, Node, Emit } kind;
        const GumboNode* node;
        int level;
    };

    // The part of an element's content that can give items.
    enum class Part { Link, Holder, Label };
    struct Significant
    {
        const GumboNode* node;
        Part part;
    };

    void Run()
    {
        while (!m_work.empty()) {
            const Work work = m_work.back();
            m_work.pop_back();
            switch (work.kind) {
            case Work::Items:
                ItemsOf(work.node, work.level);
                break;
            case Work::Node:
                NodeItems(work.node, work.level);
                break;
            case Work::Emit:
                EmitLabel(work.node, work.level);
                break;
            }
        }
    }

    // Queues a batch of work to run in its order, before anything queued earlier.
    void Queue()
    {
        for (auto it = m_batch.rbegin(); it != m_batch.rend(); ++it)
            m_work.push_back(*it);
        m_batch.clear();
    }

    std::string Link(const char* href) const
    {
        std::string link = CleanLink(href);
        // "#" is the address of the toggles of drop-downs: it leads nowhere.
        if (link.empty() || link == "#" || link == "#!")
            return {};
        if (m_base.empty() || IsScriptLink(link))
            return link;
        return ResolveAddress(m_base, link);
    }

    // A published menu's links are the design's own, "#" included.
    std::string OwnLink(const char* href) const
    {
        if (m_base.empty() || IsScriptLink(href))
            return href;
        return ResolveAddress(m_base, href);
    }

    void EmitLabel(const GumboNode* label, int level)
    {
        ImportedItem item;
        item.level = level;
        if (IsTextNode(label)) {
            item.text = CollapseWhiteSpace(label->v.text.text);
        } else if (IsLinkElement(label)) {
            item.text = LinkText(label);
            item.link = Link(AttributeValue(label, "href"));
        } else {
            item.text = VisibleText(label);
        }
        m_items.push_back(std::move(item));
    }

    // An element with links: a link, a list item, or anything that holds them.
    void NodeItems(const GumboNode* node, int level)
    {
        if (IsLinkElement(node))
            EmitLabel(node, level);
        else if (IsHtml(node, GUMBO_TAG_LI))
            ListItem(node, level);
        else
            ItemsOf(node, level);
    }

    // The children of an element: links and holders of links give their items in order; a text
    // (a heading, a button's caption) followed by links heads them, up to the next text; a link
    // that opens a drop-down heads the lists that follow it.
    void ItemsOf(const GumboNode* element, int level)
    {
        m_parts.clear();
        const GumboVector& children = ChildrenOf(element);
        for (unsigned i = 0; i < children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children.data[i]);
            if (child->type != GUMBO_NODE_ELEMENT)
                continue;
            if (m_counts.Of(child) > 0)
                m_parts.push_back({child, IsLinkElement(child) ? Part::Link : Part::Holder});
            else if (IsLabelTag(child) && HasWords(VisibleText(child)))
                m_parts.push_back({child, Part::Label});
        }
        const std::size_t n = m_parts.size();
        if (n >= 2 && m_parts[0].part == Part::Link &&
            std::all_of(m_parts.begin() + 1, m_parts.end(),
                        [](const Significant& s) { return s.part == Part::Holder; }) &&
            OpensDropDown(element, m_parts[0].node)) {
            m_batch.push_back({Work::Emit, m_parts[0].node, level});
            for (std::size_t k = 1; k < n; ++k)
                m_batch.push_back({Work::Node, m_parts[k].node, level + 1});
            Queue();
            return;
        }
        for (std::size_t i = 0; i < n;) {
            if (m_parts[i].part != Part::Label) {
                m_batch.push_back({Work::Node, m_parts[i].node, level});
                ++i;
                continue;
            }
            std::size_t j = i + 1;
            while (j < n && m_parts[j].part != Part::Label)
                ++j;
            // A text with no links after it (a description, a disabled item) gives nothing.
            if (j > i + 1) {
                m_batch.push_back({Work::Emit, m_parts[i].node, level});
                for (std::size_t k = i + 1; k < j; ++k)
                    m_batch.push_back({Work::Node, m_parts[k].node, level + 1});
            }
            i = j;
        }
        Queue();
    }

    // A list item: its label is the first link in it, or the first text (a button, a span, the
    // item's own text) before its first list of links; what holds links after the label gives
    // the label's sub items. An item whose first link is inside a list (or a group of links)
    // has no label of its own, and its content counts at its own level.
    void ListItem(const GumboNode* item, int level)
    {
        const GumboNode* label = nullptr;
        bool labelIsText = false;
        bool anyHolder = false;
        m_holders.clear();
        m_stack.clear();
        const GumboVector& children = ChildrenOf(item);
        for (unsigned i = children.length; i-- > 0;)
            m_stack.push_back(static_cast<const GumboNode*>(children.data[i]));
        while (!m_stack.empty()) {
            const GumboNode* node = m_stack.back();
            m_stack.pop_back();
            if (label != nullptr) {
                if (node->type == GUMBO_NODE_ELEMENT && m_counts.Of(node) > 0) {
                    m_holders.push_back(node);
                    anyHolder = anyHolder || !IsLinkElement(node);
                }
                continue;
            }
            if (IsTextNode(node)) {
                // Only the item's own text names it; text deeper down is a description.
                if (node->parent == item && HasWords(node->v.text.text)) {
                    label = node;
                    labelIsText = true;
                }
                continue;
            }
            if (node->type != GUMBO_NODE_ELEMENT)
                continue;
            if (IsLinkElement(node)) {
                label = node;
                continue;
            }
            const std::uint32_t links = m_counts.Of(node);
            // A label element without words has none below it either: not looked into, so
            // that no text is read twice.
            if (links == 0 && IsLabelTag(node)) {
                if (HasWords(VisibleText(node))) {
                    label = node;
                    labelIsText = true;
                }
                continue;
            }
            if (links > 0 && (IsListElement(node) || links >= 2)) {
                m_stack.clear();
                ItemsOf(item, level);
                return;
            }
            const GumboVector& inner = ChildrenOf(node);
            for (unsigned i = inner.length; i-- > 0;)
                m_stack.push_back(static_cast<const GumboNode*>(inner.data[i]));
        }
        if (label == nullptr)
            return;
        // A text before single links only ("New: <a>...</a>") is prose, not a heading.
        const bool heads = !labelIsText || anyHolder;
        if (heads)
            m_batch.push_back({Work::Emit, label, level});
        for (const GumboNode* holder : m_holders)
            m_batch.push_back({Work::Node, holder, heads ? level + 1 : level});
        Queue();
    }

    const LinkCounts& m_counts;
    std::string m_base;
    std::vector<ImportedItem> m_items;
    std::vector<Work> m_work;
    std::vector<Work> m_batch;
    std::vector<Significant> m_parts;
    std::vector<const GumboNode*> m_holders;
    std::vector<const GumboNode*> m_stack;
};

// The names of landmarks: aria-label, else the texts of the elements aria-labelledby names,
// whose ids are gathered in one walk of the page when the first landmark needs them.
class LandmarkNames
{
public:
    explicit LandmarkNames(const GumboNode* root) : m_root(root) {}

    std::string Of(const GumboNode* landmark)
    {
        if (const char* label = AttributeValue(landmark, "aria-label"))
            if (std::string name = CollapseWhiteSpace(label); !name.empty())
                return name;
        const char* ids = AttributeValue(landmark, "aria-labelledby");
        if (ids == nullptr)
            return {};
        if (!m_indexed) {
            WalkNodes(m_root, [&](const GumboNode* node) {
                if (!IsElement(node))
                    return false;
                if (const char* id = AttributeValue(node, "id"))
                    m_ids.emplace(id, node); // the first of equal ids counts
                return true;
            });
            m_indexed = true;
        }
        std::string name;
        for (const std::string_view id : Words(ids)) {
            const auto found = m_ids.find(id);
            if (found == m_ids.end())
                continue;
            const std::string text = VisibleText(found->second);
            if (text.empty())
                continue;
            if (!name.empty())
                name += ' ';
            name += text;
        }
        return name;
    }

private:
    const GumboNode* m_root;
    bool m_indexed = false;
    std::unordered_map<std::string_view, const GumboNode*> m_ids;
};

// The page's <base href>, which relative links are relative to.
const char* BaseHref(const HtmlDocument& page)
{
    const GumboNode* base = nullptr;
    WalkNodes(page.Root(), [&](const GumboNode* node) {
        if (base != nullptr || !IsElement(node))
            return false;
        if (IsHtml(node, GUMBO_TAG_BASE) && AttributeValue(node, "href") != nullptr)
            base = node;
        return base == nullptr;
    });
    return base != nullptr ? AttributeValue(base, "href") : nullptr;
}

} // namespace

PageNavigation FindNavigation(const HtmlDocument& page, std::string_view baseAddress)
{
    std::string base(baseAddress);
    if (!base.empty())
        if (const char* href = BaseHref(page))
            base = ResolveAddress(base, href);

    const GumboNode* root = page.Root();
    const LinkCounts counts(root);
    std::vector<const GumboNode*> own;
    std::vector<const GumboNode*> landmarks;
    std::vector<const GumboNode*> lists;
    // Published menus wherever they are (an author may have put one inside a navigation of
    // his own); then the outermost navigations, and the outermost lists outside them. Elements
    // without links are not entered.
    WalkNodes(root, [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_ELEMENT || counts.Of(node) == 0)
            return false;
        if (IsHtml(node, GUMBO_TAG_NAV) && AttributeValue(node, "data-quorvane-menu") != nullptr) {
            own.push_back(node);
            return false;
        }
        return true;
    });
    WalkNodes(root, [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_ELEMENT)
            return false;
        const std::uint32_t links = counts.Of(node);
        if (links == 0)
            return false;
        if (IsHtml(node, GUMBO_TAG_NAV) || HasToken(node, "role", "navigation")) {
            if (AttributeValue(node, "data-quorvane-menu") == nullptr ||
                !IsHtml(node, GUMBO_TAG_NAV))
                landmarks.push_back(node);
            return false;
        }
        if (IsListElement(node)) {
            if (links >= 2)
                lists.push_back(node);
            return false;
        }
        return true;
    });
    // The largest lists, the first of equal ones first.
    constexpr std::size_t kLists = 5;
    std::stable_sort(lists.begin(), lists.end(), [&](const GumboNode* a, const GumboNode* b) {
        return counts.Of(a) > counts.Of(b);
    });
    if (lists.size() > kLists)
        lists.resize(kLists);

    PageNavigation navigation;
    TreeReader reader(counts, base);
    LandmarkNames names(root);
    for (const GumboNode* nav : own) {
        NavCandidate candidate;
        candidate.kind = NavCandidate::Kind::OwnMenu;
        candidate.items = reader.ReadOwnList(nav);
        FinishCandidate(candidate, false);
        candidate.label = AttributeValue(nav, "data-quorvane-menu");
        navigation.candidates.push_back(std::move(candidate));
    }
    const auto add = [&](const GumboNode* element, NavCandidate::Kind kind) {
        NavCandidate candidate;
        candidate.kind = kind;
        candidate.items = reader.Read(element);
        FinishCandidate(candidate, true);
        if (candidate.linkCount == 0)
            return;
        if (kind == NavCandidate::Kind::Landmark)
            candidate.label = names.Of(element);
        if (candidate.label.empty())
            candidate.label = FirstLinksLabel(candidate.items);
        navigation.candidates.push_back(std::move(candidate));
    };
    for (const GumboNode* landmark : landmarks)
        add(landmark, NavCandidate::Kind::Landmark);
    for (const GumboNode* list : lists)
        add(list, NavCandidate::Kind::List);
    if (navigation.candidates.empty() && counts.Of(root) > 0)
        add(root, NavCandidate::Kind::WholePage);

    if (own.empty()) {
        for (std::size_t i = 1; i < navigation.candidates.size(); ++i)
            if (navigation.candidates[i].linkCount >
                navigation.candidates[navigation.preselected].linkCount)
                navigation.preselected = i;
    }
    return navigation;
}

PageNavigation ReadPageNavigation(std::string_view bytes, std::string_view baseAddress,
                                  std::string_view declaredCharset, const PageReadOptions& options)
{
    // What the parser reads: the page, or the parts of a large one that can hold navigation.
    std::string cut;
    std::string_view input = bytes;
    const MarkupOutline outline = ScanMarkup(bytes);
    std::uint64_t work = outline.work;
    if (bytes.size() > options.cutAbove && !outline.regions.empty()) {
        cut = bytes.substr(0, std::min(outline.headEnd, outline.regions.front().begin));
        for (const MarkupOutline::Region& region : outline.regions) {
            cut += '\n';
            cut += bytes.substr(region.begin, region.end - region.begin);
        }
        input = cut;
        work = ScanMarkup(cut).work;
    }
    if (work > options.mostWork)
        throw PageTooDeep();

    const HtmlDocument stored(input);
    PageEncoding encoding;
    if (bytes.starts_with(kUtf8Bom)) {
        encoding.bomLength = kUtf8Bom.size();
    } else if (!CleanLink(declaredCharset).empty()) {
        encoding.declared = std::string(declaredCharset);
        encoding.charset = CharsetForLabel(declaredCharset);
    } else {
        // The whole page's bytes say whether it is UTF-8, also when only a part is parsed.
        encoding = DetectPageEncoding(bytes, stored);
    }
    if (encoding.charset == PageCharset::Utf8 && encoding.bomLength == 0)
        return FindNavigation(stored, baseAddress);
    const std::string text = DecodePage(input, encoding);
    return FindNavigation(HtmlDocument(text), baseAddress);
}

} // namespace qv
