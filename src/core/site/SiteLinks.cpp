#include "core/site/SiteLinks.h"

#include "core/support/StringUtils.h"

#include <algorithm>
#include <vector>

namespace qv {

namespace {

bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What a URL parser strips from both ends of a link: C0 controls and spaces.
std::string_view Stripped(std::string_view link)
{
    const auto strip = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!link.empty() && strip(link.front()))
        link.remove_prefix(1);
    while (!link.empty() && strip(link.back()))
        link.remove_suffix(1);
    return link;
}

bool HasScheme(std::string_view link)
{
    if (link.empty() || !IsAsciiAlpha(link.front()))
        return false;
    for (std::size_t i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return true;
        if (!IsAsciiAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

// The bytes of a URL path segment: "%xx" decoded.
std::string PercentDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexDigitValue(text[i + 1]);
            const int low = HexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

} // namespace

LinkKind ClassifyLink(std::string_view link)
{
    link = Stripped(link);
    if (HasScheme(link))
        return LinkKind::Absolute;
    if (!link.empty() && (link.front() == '/' || link.front() == '\\'))
        return LinkKind::RootRelative;
    if (!link.empty() && link.front() == '#')
        return LinkKind::FragmentOnly;
    if (!link.empty() && link.front() == '?')
        return LinkKind::QueryOnly;
    return LinkKind::Relative;
}

std::string UpLevels(int depth)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(std::max(depth, 0)) * 3);
    for (int i = 0; i < depth; ++i)
        out += "../";
    return out;
}

int FolderDepth(std::string_view relativePath)
{
    return static_cast<int>(std::count(relativePath.begin(), relativePath.end(), '/'));
}

std::string HrefForPage(std::string_view link, int depth)
{
    if (depth <= 0 || ClassifyLink(link) != LinkKind::Relative)
        return std::string(link);
    link = Stripped(link);
    while (link.starts_with("./"))
        link.remove_prefix(2);
    return UpLevels(depth) + std::string(link);
}

bool LinkLeadsToPage(std::string_view link, std::string_view pagePath)
{
    link = Stripped(link);
    switch (ClassifyLink(link)) {
    case LinkKind::FragmentOnly:
    case LinkKind::QueryOnly:
        return true;
    case LinkKind::Absolute:
    case LinkKind::RootRelative:
        return false;
    case LinkKind::Relative:
        break;
    }
    link = link.substr(0, link.find_first_of("?#"));
    // The segments of the link resolved against the site folder: "." stays, ".." goes up but
    // never above the site folder, as a URL's path never goes above its root.
    std::vector<std::string> segments;
    bool folder = link.empty();
    std::size_t at = 0;
    while (at <= link.size()) {
        std::size_t end = link.find_first_of("/\\", at);
        if (end == std::string_view::npos)
            end = link.size();
        const std::string segment = PercentDecoded(link.substr(at, end - at));
        const bool last = end == link.size();
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            folder = last;
        } else if (segment == ".") {
            folder = last;
        } else if (!segment.empty() || last) {
            if (segment.empty())
                folder = true;
            else
                segments.push_back(segment);
        }
        at = end + 1;
    }
    std::string resolved;
    for (const std::string& segment : segments) {
        if (!resolved.empty())
            resolved += '/';
        resolved += segment;
    }
    if (!folder)
        return resolved == pagePath;
    const std::string prefix = resolved.empty() ? std::string() : resolved + "/";
    return pagePath == prefix + "index.html" || pagePath == prefix + "index.htm";
}

std::string UrlPath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        if (IsAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
            c == '~' || c == '/') {
            out.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

} // namespace qv
