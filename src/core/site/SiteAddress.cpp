#include "core/site/SiteAddress.h"

#include "core/support/Encoding.h"

#include <optional>
#include <vector>

namespace qv {

namespace {

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of the scheme at the start of `text` ("http" of "http://..."), 0 when none.
std::size_t SchemeLength(std::string_view text)
{
    if (text.empty() || !IsAlpha(text[0]))
        return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':')
            return i;
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

// A reference split as relative references are: each part that is present has a value.
struct Reference
{
    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;
};

Reference Parse(std::string_view text)
{
    Reference ref;
    if (const std::size_t n = SchemeLength(text); n > 0) {
        ref.scheme = std::string(text.substr(0, n));
        text.remove_prefix(n + 1);
    }
    if (const std::size_t hash = text.find('#'); hash != std::string_view::npos) {
        ref.fragment = std::string(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    if (const std::size_t question = text.find('?'); question != std::string_view::npos) {
        ref.query = std::string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    if (text.starts_with("//")) {
        const std::size_t end = text.find('/', 2);
        ref.authority = std::string(text.substr(2, end == std::string_view::npos ? end : end - 2));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    ref.path = std::string(text);
    return ref;
}

// The path with its "." and ".." segments taken out.
std::string RemoveDotSegments(std::string_view path)
{
    std::vector<std::string_view> out;
    const bool absolute = path.starts_with('/');
    std::size_t start = absolute ? 1 : 0;
    bool endsWithSlash = false;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        const bool last = end == path.size();
        if (segment == ".") {
            endsWithSlash = true;
        } else if (segment == "..") {
            if (!out.empty())
                out.pop_back();
            endsWithSlash = true;
        } else {
            out.push_back(segment);
            endsWithSlash = false;
        }
        if (last)
            break;
        start = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i > 0)
            result += '/';
        result += out[i];
    }
    if (endsWithSlash && !result.empty() && result.back() != '/')
        result += '/';
    return result;
}

// Blanks, control characters and the characters that cannot stand in an address as %XX.
std::string EncodeUnsafe(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '"' || c == '<' || c == '>' || c == '`') {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string Compose(const Reference& ref)
{
    std::string out;
    if (ref.scheme) {
        out += *ref.scheme;
        out += ':';
    }
    if (ref.authority) {
        out += "//";
        out += *ref.authority;
    }
    out += ref.path;
    if (ref.query) {
        out += '?';
        out += *ref.query;
    }
    if (ref.fragment) {
        out += '#';
        out += *ref.fragment;
    }
    return out;
}

bool IsSpecial(const std::string& scheme)
{
    std::string lower;
    for (char c : scheme)
        lower += Lower(c);
    return lower == "http" || lower == "https";
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string CleanLink(std::string_view link)
{
    while (!link.empty() && static_cast<unsigned char>(link.front()) <= 0x20)
        link.remove_prefix(1);
    while (!link.empty() && static_cast<unsigned char>(link.back()) <= 0x20)
        link.remove_suffix(1);
    std::string out;
    out.reserve(link.size());
    for (char c : link)
        if (c != '\t' && c != '\n' && c != '\r')
            out += c;
    return out;
}

std::string LinkScheme(std::string_view link)
{
    const std::string clean = CleanLink(link);
    std::string scheme = clean.substr(0, SchemeLength(clean));
    for (char& c : scheme)
        c = Lower(c);
    return scheme;
}

bool IsWebAddress(std::string_view text)
{
    const std::string clean = CleanLink(text);
    const std::string scheme = LinkScheme(clean);
    return (scheme == "http" || scheme == "https") &&
           std::string_view(clean).substr(scheme.size()).starts_with("://");
}

bool IsScriptLink(std::string_view link)
{
    const std::string scheme = LinkScheme(link);
    return scheme == "javascript" || scheme == "vbscript";
}

std::string ResolveAddress(std::string_view base, std::string_view reference)
{
    std::string cleanRef = CleanLink(reference);
    Reference b = Parse(CleanLink(base));
    if (!b.scheme)
        return cleanRef;
    if (IsSpecial(*b.scheme)) {
        // Browsers read backslashes as slashes in the address part of http(s) links.
        const std::size_t end = cleanRef.find_first_of("?#");
        for (std::size_t i = 0; i < cleanRef.size() && i < end; ++i)
            if (cleanRef[i] == '\\')
                cleanRef[i] = '/';
    }
    Reference r = Parse(cleanRef);
    Reference t;
    if (r.scheme) {
        t = r;
        t.path = RemoveDotSegments(r.path);
    } else {
        t.scheme = b.scheme;
        if (r.authority) {
            t.authority = r.authority;
            t.path = RemoveDotSegments(r.path);
            t.query = r.query;
        } else {
            t.authority = b.authority;
            if (r.path.empty()) {
                t.path = b.path;
                t.query = r.query ? r.query : b.query;
            } else {
                if (r.path.starts_with('/')) {
                    t.path = RemoveDotSegments(r.path);
                } else {
                    std::string merged;
                    if (b.authority && b.path.empty()) {
                        merged = '/';
                        merged += r.path;
                    } else {
                        const std::size_t slash = b.path.rfind('/');
                        merged = slash == std::string::npos ? r.path
                                                            : b.path.substr(0, slash + 1) + r.path;
                    }
                    t.path = RemoveDotSegments(merged);
                }
                t.query = r.query;
            }
        }
        t.fragment = r.fragment;
    }
    // An http(s) address with a host and no path has the path "/".
    if (t.authority && t.path.empty() && IsSpecial(*t.scheme))
        t.path.push_back('/');
    return EncodeUnsafe(Compose(t));
}

AddressParts SplitAddress(std::string_view address)
{
    AddressParts parts;
    const Reference ref = Parse(address);
    if (ref.scheme) {
        parts.origin = *ref.scheme;
        parts.origin += ':';
    }
    if (ref.authority) {
        parts.origin += "//";
        parts.origin += *ref.authority;
    }
    parts.path = ref.path;
    if (ref.query) {
        parts.query = '?';
        parts.query += *ref.query;
    }
    return parts;
}

std::string DecodePercent(std::string_view text)
{
    if (text.find('%') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high = -1;
        int low = -1;
        if (text[i] == '%' && i + 2 < text.size()) {
            high = HexValue(text[i + 1]);
            low = HexValue(text[i + 2]);
        }
        if (high >= 0 && low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return IsValidUtf8(out) ? out : std::string(text);
}

} // namespace qv
