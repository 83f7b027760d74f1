#include "core/site/MarkupScan.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace qv {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What the pass needs to know of an element by its name.
enum Flag : std::uint16_t {
    kVoid = 1 << 0,        // has no content and no end tag
    kRawText = 1 << 1,     // its content is text up to its end tag
    kClosesP = 1 << 2,     // its start tag ends an open paragraph
    kHead = 1 << 3,        // belongs in the head
    kList = 1 << 4,        // ul, ol, menu
    kSpecial = 1 << 5,     // stops the search for a list item to end
    kListItem = 1 << 6,    // li
    kDefItem = 1 << 7,     // dt, dd
    kCell = 1 << 8,        // td, th
    kForeign = 1 << 9,     // svg, math: their self-closing tags close
    kKeepOpen = 1 << 10,   // body, html: their end tags end nothing the parser keeps open
    kFormatting = 1 << 11, // a, b, i, ...: kept in the parser's list of formatting elements
};

// The flags of every element name the pass knows; a name that is not here has none.
std::unordered_map<std::string_view, std::uint16_t> MakeFlagTable()
{
    struct Entry
    {
        std::string_view name;
        std::uint16_t flags;
    };
    static constexpr Entry kTable[] = {
        {"area", kVoid | kSpecial},
        {"base", kVoid | kHead | kSpecial},
        {"br", kVoid | kSpecial},
        {"col", kVoid | kSpecial},
        {"embed", kVoid | kSpecial},
        {"hr", kVoid | kClosesP | kSpecial},
        {"img", kVoid | kSpecial},
        {"input", kVoid | kSpecial},
        {"link", kVoid | kHead | kSpecial},
        {"meta", kVoid | kHead | kSpecial},
        {"param", kVoid | kSpecial},
        {"source", kVoid | kSpecial},
        {"track", kVoid | kSpecial},
        {"wbr", kVoid | kSpecial},
        {"keygen", kVoid | kSpecial},
        {"basefont", kVoid | kHead | kSpecial},
        {"bgsound", kVoid | kHead | kSpecial},
        {"frame", kVoid | kSpecial},
        {"script", kRawText | kHead | kSpecial},
        {"style", kRawText | kHead | kSpecial},
        {"title", kRawText | kHead | kSpecial},
        {"textarea", kRawText | kSpecial},
        {"xmp", kRawText | kClosesP | kSpecial},
        {"iframe", kRawText | kSpecial},
        {"noembed", kRawText | kSpecial},
        {"noframes", kRawText | kSpecial},
        {"html", kHead | kSpecial | kKeepOpen},
        {"head", kHead | kSpecial},
        {"noscript", kHead | kSpecial},
        {"template", kHead | kSpecial},
        {"body", kSpecial | kKeepOpen},
        {"ul", kList | kClosesP | kSpecial},
        {"ol", kList | kClosesP | kSpecial},
        {"menu", kList | kClosesP | kSpecial},
        {"li", kListItem | kClosesP | kSpecial},
        {"dt", kDefItem | kClosesP | kSpecial},
        {"dd", kDefItem | kClosesP | kSpecial},
        {"td", kCell | kSpecial},
        {"th", kCell | kSpecial},
        {"svg", kForeign},
        {"math", kForeign},
        {"address", kClosesP},
        {"div", kClosesP},
        {"p", kClosesP},
    };
    static constexpr std::string_view kBlocks[] = {
        "article",  "aside",      "blockquote", "center", "details",  "dialog", "dir",  "dl",
        "fieldset", "figcaption", "figure",     "footer", "header",   "hgroup", "main", "nav",
        "section",  "summary",    "h1",         "h2",     "h3",       "h4",     "h5",   "h6",
        "pre",      "listing",    "form",       "table",  "plaintext"};
    static constexpr std::string_view kFormattingNames[] = {
        "a",    "b", "big",   "code",   "em",     "font", "i",
        "nobr", "s", "small", "strike", "strong", "tt",   "u"};
    static constexpr std::string_view kOtherSpecial[] = {
        "applet", "button", "caption", "colgroup", "frameset", "marquee",
        "object", "select", "tbody",   "tfoot",    "thead",    "tr"};
    // A name listed twice keeps its first flags: the table above goes first.
    std::unordered_map<std::string_view, std::uint16_t> flags;
    for (const Entry& entry : kTable)
        flags.emplace(entry.name, entry.flags);
    for (const std::string_view name : kBlocks)
        flags.emplace(name, kClosesP | kSpecial);
    for (const std::string_view name : kFormattingNames)
        flags.emplace(name, kFormatting);
    for (const std::string_view name : kOtherSpecial)
        flags.emplace(name, kSpecial);
    return flags;
}

// Looked up once per distinct name of a page: a hash, where a walk through the lists would
// compare the name with a hundred others.
std::uint16_t FlagsOf(std::string_view name)
{
    static const std::unordered_map<std::string_view, std::uint16_t> kFlags = MakeFlagTable();
    const auto found = kFlags.find(name);
    return found == kFlags.end() ? 0 : found->second;
}

class Scanner
{
public:
    explicit Scanner(std::string_view bytes) : m_bytes(bytes) { m_outline.headEnd = bytes.size(); }

    MarkupOutline Run()
    {
        m_p = Id("p");
        m_a = Id("a");
        m_tr = Id("tr");
        m_td = Id("td");
        m_th = Id("th");
        m_nav = Id("nav");
        const std::size_t n = m_bytes.size();
        std::size_t pos = 0;
        while (pos < n) {
            const void* found = std::memchr(m_bytes.data() + pos, '<', n - pos);
            if (found == nullptr)
                break;
            const std::size_t lt =
                static_cast<std::size_t>(static_cast<const char*>(found) - m_bytes.data());
            pos = Markup(lt);
        }
        return std::move(m_outline);
    }

private:
    struct Open
    {
        std::uint32_t id;
    };

    char At(std::size_t i) const { return i < m_bytes.size() ? m_bytes[i] : '\0'; }

    std::uint32_t Id(std::string_view name)
    {
        const auto [at, added] =
            m_ids.try_emplace(std::string(name), static_cast<std::uint32_t>(m_flags.size()));
        if (added) {
            m_flags.push_back(FlagsOf(name));
            m_counts.push_back(0);
        }
        return at->second;
    }

    // The position after the next '>' from `from`; the end when there is none.
    std::size_t PastGreaterThan(std::size_t from) const
    {
        const std::size_t at = m_bytes.find('>', from);
        return at == std::string_view::npos ? m_bytes.size() : at + 1;
    }

    // Whatever starts with '<' at `lt`; returns where the pass goes on.
    std::size_t Markup(std::size_t lt)
    {
        const char c = At(lt + 1);
        if (c == '!') {
            if (m_bytes.substr(lt + 2, 2) == "--") {
                // "<!-->" and "<!--->" are whole comments; others end at "-->" or "--!>".
                if (At(lt + 4) == '>')
                    return lt + 5;
                if (At(lt + 4) == '-' && At(lt + 5) == '>')
                    return lt + 6;
                for (std::size_t at = m_bytes.find("--", lt + 4); at != std::string_view::npos;
                     at = m_bytes.find("--", at + 1)) {
                    if (At(at + 2) == '>')
                        return at + 3;
                    if (At(at + 2) == '!' && At(at + 3) == '>')
                        return at + 4;
                }
                return m_bytes.size();
            }
            return PastGreaterThan(lt + 2); // a doctype, or a bogus comment
        }
        if (c == '?')
            return PastGreaterThan(lt + 2);
        if (c == '/') {
            if (IsAlpha(At(lt + 2)))
                return Tag(lt, true);
            return At(lt + 2) == '>' ? lt + 3 : PastGreaterThan(lt + 2);
        }
        if (IsAlpha(c))
            return Tag(lt, false);
        return lt + 1;
    }

    // A start or end tag at `lt`: its name, its attributes (skipped as the tokenizer reads them,
    // keeping href's presence and role's value), then what it does to the open elements.
    std::size_t Tag(std::size_t lt, bool end)
    {
        const std::size_t n = m_bytes.size();
        std::size_t i = lt + (end ? 2 : 1);
        m_name.clear();
        while (i < n && !IsSpace(m_bytes[i]) && m_bytes[i] != '/' && m_bytes[i] != '>') {
            if (m_name.size() < 64)
                m_name += Lower(m_bytes[i]);
            ++i;
        }
        bool href = false;
        bool navigationRole = false;
        bool selfClosing = false;
        while (true) {
            while (i < n && (IsSpace(m_bytes[i]) || m_bytes[i] == '/')) {
                selfClosing = m_bytes[i] == '/' && At(i + 1) == '>';
                ++i;
            }
            if (i >= n)
                return n; // a tag cut off by the end of the page is dropped
            if (m_bytes[i] == '>') {
                ++i;
                break;
            }
            selfClosing = false;
            const std::size_t nameStart = i++;
            while (i < n && !IsSpace(m_bytes[i]) && m_bytes[i] != '/' && m_bytes[i] != '>' &&
                   m_bytes[i] != '=')
                ++i;
            const std::string_view attribute = m_bytes.substr(nameStart, i - nameStart);
            while (i < n && IsSpace(m_bytes[i]))
                ++i;
            std::string_view value;
            if (i < n && m_bytes[i] == '=') {
                ++i;
                while (i < n && IsSpace(m_bytes[i]))
                    ++i;
                if (i < n && (m_bytes[i] == '"' || m_bytes[i] == '\'')) {
                    const std::size_t close = m_bytes.find(m_bytes[i], i + 1);
                    if (close == std::string_view::npos)
                        return n;
                    value = m_bytes.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const std::size_t start = i;
                    while (i < n && !IsSpace(m_bytes[i]) && m_bytes[i] != '>')
                        ++i;
                    value = m_bytes.substr(start, i - start);
                }
            }
            if (attribute.size() == 4 && Lower(attribute[0]) == 'h' && Lower(attribute[1]) == 'r' &&
                Lower(attribute[2]) == 'e' && Lower(attribute[3]) == 'f')
                href = true;
            else if (attribute.size() == 4 && Lower(attribute[0]) == 'r' &&
                     Lower(attribute[1]) == 'o' && Lower(attribute[2]) == 'l' &&
                     Lower(attribute[3]) == 'e')
                navigationRole = HasNavigationToken(value);
        }
        const std::uint32_t id = Id(m_name);
        if (end) {
            EndTag(id, i);
            return i;
        }
        StartTag(id, lt, href, navigationRole, selfClosing);
        const std::uint16_t flags = m_flags[id];
        if (m_name == "plaintext")
            return n;
        if ((flags & kRawText) != 0)
            return RawTextEnd(i);
        return i;
    }

    static bool HasNavigationToken(std::string_view value)
    {
        constexpr std::string_view kToken = "navigation";
        for (std::size_t at = 0; at + kToken.size() <= value.size(); ++at) {
            if ((at > 0 && !IsSpace(value[at - 1])) ||
                (at + kToken.size() < value.size() && !IsSpace(value[at + kToken.size()])))
                continue;
            bool same = true;
            for (std::size_t k = 0; k < kToken.size() && same; ++k)
                same = Lower(value[at + k]) == kToken[k];
            if (same)
                return true;
        }
        return false;
    }

    // Where the raw text of the element just opened ends: at its end tag ("</script" followed by
    // a blank, '/' or '>', letter case ignored), which the pass then reads as a tag.
    std::size_t RawTextEnd(std::size_t from) const
    {
        for (std::size_t at = m_bytes.find("</", from); at != std::string_view::npos;
             at = m_bytes.find("</", at + 2)) {
            const std::size_t after = at + 2 + m_name.size();
            if (after > m_bytes.size())
                break;
            bool same = true;
            for (std::size_t k = 0; k < m_name.size() && same; ++k)
                same = Lower(m_bytes[at + 2 + k]) == m_name[k];
            const char next = At(after);
            if (same && (after == m_bytes.size() || IsSpace(next) || next == '/' || next == '>'))
                return at;
        }
        return m_bytes.size();
    }

    void Pop(std::size_t at)
    {
        if (m_stack.size() - 1 == m_regionDepth) {
            m_outline.regions.back().end = at;
            m_regionDepth = kNone;
        }
        const std::uint32_t id = m_stack.back().id;
        --m_counts[id];
        if ((m_flags[id] & kForeign) != 0)
            --m_foreign;
        m_stack.pop_back();
    }

    // Closes the open element with this name that was opened last, and everything after it.
    void PopThrough(std::uint32_t id, std::size_t at)
    {
        while (!m_stack.empty()) {
            const bool last = m_stack.back().id == id;
            Pop(at);
            if (last)
                break;
        }
    }

    // The open element of one of the kinds in `target` nearest the top, when no element of the
    // kinds in `barrier` comes first; only a few elements down are looked at, so a page of
    // unclosed inline elements costs no more than any other.
    std::size_t FindOpen(std::uint16_t target, std::uint16_t barrier) const
    {
        constexpr std::size_t kLook = 64;
        for (std::size_t k = 0; k < m_stack.size() && k < kLook; ++k) {
            const std::size_t index = m_stack.size() - 1 - k;
            const std::uint16_t flags = m_flags[m_stack[index].id];
            if ((flags & target) != 0)
                return index;
            if ((flags & barrier) != 0)
                return kNone;
        }
        return kNone;
    }

    void StartTag(std::uint32_t id, std::size_t lt, bool href, bool navigationRole,
                  bool selfClosing)
    {
        const std::uint16_t flags = m_flags[id];
        if ((flags & kHead) == 0 && m_outline.headEnd == m_bytes.size())
            m_outline.headEnd = lt;
        // The ends that the parser implies.
        if ((flags & (kListItem | kDefItem)) != 0) {
            const std::uint16_t target = (flags & kListItem) != 0 ? kListItem : kDefItem;
            // Paragraphs and divisions do not stop the search; other special elements do.
            const std::size_t open = FindOpen(target, kSpecial & ~kClosesP);
            if (open != kNone)
                while (m_stack.size() > open)
                    Pop(lt);
        }
        if ((flags & kCell) != 0 && m_counts[m_td] + m_counts[m_th] > 0) {
            const std::size_t open = FindOpen(kCell, 0);
            if (open != kNone)
                while (m_stack.size() > open)
                    Pop(lt);
        }
        if (id == m_tr && m_counts[id] > 0)
            PopThrough(id, lt);
        if ((flags & kClosesP) != 0 && m_counts[m_p] > 0)
            PopThrough(m_p, lt);
        if (id == m_a && m_counts[m_a] > 0)
            PopThrough(m_a, lt);

        // What the parser does for a start tag: a block looks through the whole stack for a
        // paragraph to end; a formatting element through the list of those open (a fraction of
        // the stack in practice); anything else takes it a fixed time.
        if ((flags & (kClosesP | kListItem | kDefItem | kCell)) != 0)
            m_outline.work += m_stack.size() + 1;
        else if ((flags & kFormatting) != 0)
            m_outline.work += m_stack.size() / 4 + 1;
        else
            ++m_outline.work;
        if (href && id == m_a && m_regionDepth != kNone)
            ++m_outline.regions.back().links;
        if ((flags & kVoid) != 0 || (selfClosing && m_foreign > 0))
            return;
        if (m_regionDepth == kNone && (id == m_nav || navigationRole || (flags & kList) != 0)) {
            MarkupOutline::Region region;
            region.begin = lt;
            region.end = m_bytes.size();
            region.list = id != m_nav && !navigationRole;
            m_outline.regions.push_back(region);
            m_regionDepth = m_stack.size();
        }
        m_stack.push_back({id});
        ++m_counts[id];
        if ((flags & kForeign) != 0)
            ++m_foreign;
    }

    void EndTag(std::uint32_t id, std::size_t after)
    {
        // The parser looks down its stack for the element: as far as it is, or, when it is not
        // there, through the whole stack.
        const std::size_t depth = m_stack.size();
        if ((m_flags[id] & kKeepOpen) != 0 || m_counts[id] == 0) {
            m_outline.work += depth + 1;
            return;
        }
        PopThrough(id, after);
        m_outline.work += depth - m_stack.size();
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::string_view m_bytes;
    MarkupOutline m_outline;
    std::unordered_map<std::string, std::uint32_t> m_ids;
    std::vector<std::uint16_t> m_flags;  // by id
    std::vector<std::uint32_t> m_counts; // by id: how many are open
    std::vector<Open> m_stack;
    std::size_t m_regionDepth = kNone; // the stack index of the open region's element
    int m_foreign = 0;
    std::string m_name;
    std::uint32_t m_p = 0;
    std::uint32_t m_a = 0;
    std::uint32_t m_tr = 0;
    std::uint32_t m_td = 0;
    std::uint32_t m_th = 0;
    std::uint32_t m_nav = 0;
};

} // namespace

MarkupOutline ScanMarkup(std::string_view bytes)
{
    return Scanner(bytes).Run();
}

} // namespace qv
