#include "core/site/PageRegion.h"

#include "core/support/Encoding.h"
#include "core/support/StringUtils.h"

#include <algorithm>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view kMention = "quorvane-menu";
constexpr std::string_view kPlaceholderAttribute = "data-quorvane-menu";
constexpr std::size_t kBodyCandidates = 4;

bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Where `needle` (lower case) next occurs in `text` from `from`, in any letter case.
std::size_t FindFolded(std::string_view text, std::string_view needle, std::size_t from = 0)
{
    if (needle.empty() || text.size() < needle.size())
        return std::string_view::npos;
    const char first = needle.front();
    const char firstUpper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (text[i] != first && text[i] != firstUpper)
            continue;
        std::size_t k = 1;
        while (k < needle.size() && FoldAscii(text[i + k]) == needle[k])
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

std::vector<std::size_t> FindAll(std::string_view text, std::string_view needle)
{
    std::vector<std::size_t> found;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + 1))
        found.push_back(at);
    return found;
}

std::string BeginPrefix(std::string_view name)
{
    return "<!--quorvane-menu " + std::string(name) + " begin";
}

std::string EndPrefix(std::string_view name)
{
    return "<!--quorvane-menu " + std::string(name) + " end";
}

// Where a comment that starts at `at` ends: after its "-->" or "--!>", else at the end of the
// text.
std::size_t CommentEnd(std::string_view text, std::size_t at)
{
    const std::size_t a = text.find("-->", at + 4);
    const std::size_t b = text.find("--!>", at + 4);
    if (a == std::string_view::npos && b == std::string_view::npos)
        return text.size();
    return a < b ? a + 3 : b + 4;
}

std::size_t OffsetOf(const GumboNode* node)
{
    return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE
               ? node->v.element.start_pos.offset
               : node->v.text.start_pos.offset;
}

bool IsBeginMarker(std::string_view text, std::string_view name)
{
    const std::string prefix = "quorvane-menu " + std::string(name) + " begin";
    if (!text.starts_with(prefix))
        return false;
    return text.size() == prefix.size() || text[prefix.size()] == ':' ||
           IsHtmlSpace(text[prefix.size()]);
}

bool IsEndMarker(std::string_view text, std::string_view name)
{
    return text == "quorvane-menu " + std::string(name) + " end";
}

bool HasTemplateAncestor(const GumboNode* node)
{
    for (const GumboNode* at = node->parent; at != nullptr; at = at->parent)
        if (IsElement(at, GUMBO_TAG_TEMPLATE))
            return true;
    return false;
}

bool InBody(const GumboNode* node)
{
    for (const GumboNode* at = node->parent; at != nullptr; at = at->parent)
        if (IsElement(at, GUMBO_TAG_BODY))
            return true;
    return false;
}

// Elements whose content a list cannot be put in as it stands: those whose content is text,
// those that a <nav> or a link closes or moves out of, and those with no end tag.
bool CanHoldList(const GumboNode* element)
{
    if (element->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (element->v.element.tag) {
    case GUMBO_TAG_P:
    case GUMBO_TAG_A:
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_COLGROUP:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_OPTGROUP:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_DATALIST:
    case GUMBO_TAG_OBJECT:
        return false;
    default:
        return true;
    }
}

// What the parser found of a menu in a page, or in the part of it parsed so far.
struct Findings
{
    std::vector<const GumboNode*> begins;
    std::vector<const GumboNode*> ends;
    // Elements naming the menu in data-quorvane-menu with nothing between their tags.
    std::vector<const GumboNode*> placeholders;
    const GumboNode* body = nullptr;
    // The text browsers that run scripts read inside each <noscript>: from the end of its start
    // tag to the first "</noscript" or the end of the page, both ends counted (the parser reads
    // it as markup, as a browser without scripts does).
    std::vector<std::pair<std::size_t, std::size_t>> noscript;
};

Findings Examine(const HtmlDocument& document, std::string_view stored, std::string_view name)
{
    Findings found;
    WalkNodes(document.Document(), [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_COMMENT) {
            // Only a comment written as one counts, not a bogus one ("<!x>", "<?x>"): so every
            // marker holds the bytes the quick scan searches for.
            const std::string_view text = node->v.text.text;
            const GumboStringPiece& source = node->v.text.original_text;
            if (std::string_view(source.data, source.length).substr(0, 4) != "<!--")
                return false;
            if (IsBeginMarker(text, name))
                found.begins.push_back(node);
            else if (IsEndMarker(text, name))
                found.ends.push_back(node);
            return false;
        }
        if (!IsElement(node))
            return true;
        const GumboElement& element = node->v.element;
        if (element.tag == GUMBO_TAG_BODY && found.body == nullptr)
            found.body = node;
        if (element.tag == GUMBO_TAG_NOSCRIPT && element.original_tag.length > 0) {
            const std::size_t from = element.start_pos.offset + element.original_tag.length;
            const std::size_t to = FindFolded(stored, "</noscript", from);
            found.noscript.emplace_back(from, to == std::string_view::npos ? stored.size() : to);
        }
        const char* value = AttributeValue(node, kPlaceholderAttribute.data());
        if (value != nullptr && value == name && element.original_tag.length > 0 &&
            element.original_end_tag.length > 0 &&
            element.start_pos.offset + element.original_tag.length == element.end_pos.offset)
            found.placeholders.push_back(node);
        return true;
    });
    return found;
}

bool InNoscript(const Findings& found, std::size_t at)
{
    return std::any_of(found.noscript.begin(), found.noscript.end(),
                       [&](const auto& range) { return range.first <= at && at <= range.second; });
}

struct Place
{
    RegionPlace place = RegionPlace::None;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string problem;
};

Place Problem(std::string text)
{
    Place place;
    place.problem = std::move(text);
    return place;
}

// The menu's region by its markers; None without a problem when the page has no marker.
Place RegionByMarkers(const Findings& found, std::string_view name)
{
    const std::string menu = "the menu " + std::string(name);
    if (found.begins.empty() && found.ends.empty())
        return {};
    if (found.begins.size() > 1 || found.ends.size() > 1)
        return Problem("the page has more than one region of " + menu);
    if (found.ends.empty())
        return Problem("the page has a begin marker of " + menu + " without an end marker");
    if (found.begins.empty())
        return Problem("the page has an end marker of " + menu + " without a begin marker");
    const GumboNode* begin = found.begins.front();
    const GumboNode* end = found.ends.front();
    if (OffsetOf(end) < OffsetOf(begin))
        return Problem("the end marker of " + menu + " comes before its begin marker");
    Place place;
    place.place = RegionPlace::Region;
    place.begin = OffsetOf(begin);
    place.end = OffsetOf(end) + end->v.text.original_text.length;
    return place;
}

// Where the region goes in a page that has none: the placeholder, else after <body>, else where
// the implied body begins.
Place PlaceForInsertion(const Findings& found, std::string_view name)
{
    std::vector<const GumboNode*> placeholders;
    for (const GumboNode* node : found.placeholders)
        if (InBody(node))
            placeholders.push_back(node);
    if (placeholders.size() > 1)
        return Problem("the page has more than one empty placeholder for the menu " +
                       std::string(name));
    if (placeholders.size() == 1) {
        const GumboNode* node = placeholders.front();
        if (!CanHoldList(node) || HasTemplateAncestor(node))
            return Problem("the placeholder <" + ElementName(node) + "> cannot hold the menu");
        const GumboElement& element = node->v.element;
        Place place;
        place.place = RegionPlace::Placeholder;
        place.begin = place.end = element.start_pos.offset + element.original_tag.length;
        if (InNoscript(found, place.begin))
            return Problem("the placeholder lies inside a <noscript> element");
        return place;
    }
    if (found.body == nullptr)
        return Problem("the page has no body (it is a frame set)");
    const GumboElement& body = found.body->v.element;
    Place place;
    if (body.original_tag.length > 0) {
        place.place = RegionPlace::AfterBodyTag;
        place.begin = place.end = body.start_pos.offset + body.original_tag.length;
    } else {
        place.place = RegionPlace::BodyStart;
        place.begin = place.end = body.start_pos.offset;
    }
    if (InNoscript(found, body.start_pos.offset))
        return Problem("the page's body begins inside a <noscript> element");
    return place;
}

std::string EncodingProblem(const PageEncoding& encoding)
{
    if (encoding.charset != PageCharset::Unsupported)
        return {};
    return "the page's encoding (" + encoding.declared +
           ") is not one that publishing writes (UTF-8 or Windows-1252)";
}

class Scanner
{
public:
    Scanner(std::string_view bytes, std::string_view name, ScanPurpose purpose,
            const ExpectedRegion& expected)
        : m_bytes(bytes), m_name(name), m_purpose(purpose), m_expected(expected)
    {
        m_scan.eol = std::string(PageLineBreak(bytes));
        m_bom = bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
        m_stored = bytes.substr(m_bom);
    }

    PageScan Run(bool fast)
    {
        if (m_bytes.starts_with("\xFF\xFE") || m_bytes.starts_with("\xFE\xFF")) {
            if (m_purpose == ScanPurpose::Publish)
                m_scan.problem = "the page is in UTF-16, which publishing does not write";
            return m_scan;
        }
        if (!fast || !Quick())
            Whole();
        return m_scan;
    }

private:
    // The byte searches and the parse of the part before the place; false when the whole page
    // must be parsed.
    bool Quick()
    {
        const bool mentioned = FindFolded(m_stored, kMention) != std::string_view::npos;
        if (m_purpose == ScanPurpose::TakeOut && !mentioned)
            return true;
        const std::vector<std::size_t> begins = FindAll(m_stored, BeginPrefix(m_name));
        const std::vector<std::size_t> ends = FindAll(m_stored, EndPrefix(m_name));
        // Every marker comment holds its candidate's bytes, so with no candidate there is none.
        if (m_purpose == ScanPurpose::TakeOut && begins.empty() && ends.empty())
            return true;
        if (begins.size() == 1 && ends.size() == 1 && begins.front() < ends.front())
            return QuickRegion(begins.front(), ends.front());
        if (!mentioned)
            return QuickBody();
        return false;
    }

    bool QuickRegion(std::size_t begin, std::size_t end)
    {
        const std::size_t beginCut = CommentEnd(m_stored, begin);
        const std::size_t endCut = CommentEnd(m_stored, end);
        if (beginCut > end)
            return false;
        // A frame set further on takes the place of a body that the parser began by itself,
        // and the markers in that body go with it: only the whole page tells.
        if (FindFolded(m_stored, "<frameset", endCut) != std::string_view::npos)
            return false;
        const HtmlDocument head(m_stored.substr(0, beginCut));
        const Findings found = Examine(head, m_stored, m_name);
        if (found.begins.size() != 1 || OffsetOf(found.begins.front()) != begin ||
            !found.ends.empty() || HasTemplateAncestor(found.begins.front()))
            return false;
        if (m_purpose == ScanPurpose::Publish) {
            if (!TakeEncoding(head, beginCut))
                return false;
            if (InNoscript(found, begin))
                return false;
            if (m_expected && m_scan.problem.empty()) {
                // The page holds exactly the region this program would write: after the begin
                // marker, a real comment, its bytes read as they were written.
                const std::string region = m_expected(m_scan.encoding, m_scan.eol);
                if (region.size() == endCut - begin && m_stored.substr(begin).starts_with(region)) {
                    Found(RegionPlace::Region, begin, endCut, false);
                    return true;
                }
            }
        }
        const HtmlDocument upToEnd(m_stored.substr(0, endCut));
        const Findings both = Examine(upToEnd, m_stored, m_name);
        if (both.begins.size() != 1 || both.ends.size() != 1 ||
            OffsetOf(both.begins.front()) != begin || OffsetOf(both.ends.front()) != end)
            return false;
        const Place place = RegionByMarkers(both, m_name);
        Found(place.place, place.begin, place.end, false);
        return true;
    }

    bool QuickBody()
    {
        std::size_t tried = 0;
        for (std::size_t at = FindFolded(m_stored, "<body");
             at != std::string_view::npos && tried < kBodyCandidates;
             at = FindFolded(m_stored, "<body", at + 1)) {
            const std::size_t next = at + 5;
            if (next < m_stored.size() && !IsHtmlSpace(m_stored[next]) && m_stored[next] != '/' &&
                m_stored[next] != '>')
                continue;
            ++tried;
            const std::size_t close = m_stored.find('>', at);
            if (close == std::string_view::npos)
                return false;
            const std::size_t cut = close + 1;
            const HtmlDocument head(m_stored.substr(0, cut));
            const Findings found = Examine(head, m_stored, m_name);
            if (found.body == nullptr)
                continue;
            const GumboElement& body = found.body->v.element;
            if (body.original_tag.length == 0 || body.start_pos.offset != at)
                continue;
            if (!TakeEncoding(head, cut))
                return false;
            const Place place = PlaceForInsertion(found, m_name);
            if (!place.problem.empty())
                return false;
            Found(place.place, place.begin, place.end, false);
            return true;
        }
        return false;
    }

    // The page's encoding from the part parsed, unless the rest might still declare one.
    bool TakeEncoding(const HtmlDocument& part, std::size_t cut)
    {
        m_scan.encoding = DetectPageEncoding(m_bytes, part);
        if (m_bom == 0 && m_scan.encoding.declared.empty() &&
            FindFolded(m_stored, "<meta", cut) != std::string_view::npos)
            return false;
        m_scan.problem = EncodingProblem(m_scan.encoding);
        return true;
    }

    void Whole()
    {
        const HtmlDocument document(m_stored);
        const Findings found = Examine(document, m_stored, m_name);
        m_scan.encoding = DetectPageEncoding(m_bytes, document);
        if (m_purpose == ScanPurpose::Publish)
            m_scan.problem = EncodingProblem(m_scan.encoding);
        Place place = RegionByMarkers(found, m_name);
        if (place.place == RegionPlace::Region && m_purpose == ScanPurpose::Publish &&
            (InNoscript(found, place.begin) || HasTemplateAncestor(found.begins.front())))
            place = Problem("the region of the menu " + std::string(m_name) +
                            " lies inside a <noscript> or <template> element");
        if (place.place == RegionPlace::None && place.problem.empty() &&
            m_purpose == ScanPurpose::Publish)
            place = PlaceForInsertion(found, m_name);
        if (place.place == RegionPlace::BodyStart && !TakesComment(place.begin))
            place = Problem("the page has no <body> tag and no place where the menu can go "
                            "(it ends inside a comment or a text element)");
        if (m_scan.problem.empty())
            m_scan.problem = place.problem;
        Found(place.place, place.begin, place.end, true);
    }

    // Whether a comment put at `at` would be read as one. Where the parser begins an implied
    // body may be the end of a page that stops inside a comment or a text element.
    bool TakesComment(std::size_t at) const
    {
        const std::string probe = std::string(m_stored.substr(0, at)) + BeginMarker(m_name);
        const HtmlDocument document(probe);
        const Findings found = Examine(document, probe, m_name);
        return found.begins.size() == 1 && OffsetOf(found.begins.front()) == at &&
               !HasTemplateAncestor(found.begins.front());
    }

    void Found(RegionPlace place, std::size_t begin, std::size_t end, bool whole)
    {
        m_scan.place = m_scan.problem.empty() ? place : RegionPlace::None;
        m_scan.begin = m_scan.place == RegionPlace::None ? 0 : begin + m_bom;
        m_scan.end = m_scan.place == RegionPlace::None ? 0 : end + m_bom;
        m_scan.wholePageParsed = whole;
    }

    std::string_view m_bytes;
    std::string_view m_stored;
    std::size_t m_bom = 0;
    std::string_view m_name;
    ScanPurpose m_purpose;
    const ExpectedRegion& m_expected;
    PageScan m_scan;
};

} // namespace

std::string BeginMarker(std::string_view name)
{
    return BeginPrefix(name) + ": made by Quorvane Wizard; publishing rewrites this part-->";
}

std::string EndMarker(std::string_view name)
{
    return EndPrefix(name) + "-->";
}

std::string RegionHtml(std::string_view name, std::string_view list, std::string_view scriptSrc,
                       std::string_view eol)
{
    std::string out = BeginMarker(name);
    out += eol;
    out += list;
    out += eol;
    out += "<script src=\"";
    AppendHtmlAttribute(out, scriptSrc);
    out += "\"></script>";
    out += eol;
    out += EndMarker(name);
    return out;
}

std::string_view PageLineBreak(std::string_view bytes)
{
    const std::size_t at = bytes.find_first_of("\r\n");
    if (at == std::string_view::npos || bytes[at] == '\n')
        return "\n";
    return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? "\r\n" : "\r";
}

PageScan ScanPage(std::string_view bytes, std::string_view name, ScanPurpose purpose,
                  const ExpectedRegion& expected, bool fast)
{
    return Scanner(bytes, name, purpose, expected).Run(fast);
}

std::string SplicePage(std::string_view bytes, std::size_t begin, std::size_t end,
                       std::string_view replacement)
{
    std::string out;
    out.reserve(bytes.size() - (end - begin) + replacement.size());
    out.append(bytes.substr(0, begin));
    out.append(replacement);
    out.append(bytes.substr(end));
    return out;
}

} // namespace qv
