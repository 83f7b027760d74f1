#include "core/support/Encoding.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace qv {

namespace {

// The end of the run of ASCII bytes from `i` on, found eight bytes at a time: most of a page or
// a file is ASCII, and a run is copied or skipped in one go.
std::size_t AsciiRunEnd(const unsigned char* s, std::size_t i, std::size_t n)
{
    for (std::uint64_t word; i + 8 <= n; i += 8) {
        std::memcpy(&word, s + i, sizeof word);
        if ((word & 0x8080808080808080ull) != 0)
            break;
    }
    while (i < n && s[i] < 0x80)
        ++i;
    return i;
}

// Appends the run of ASCII bytes of `text` from `i` on to `out`; returns where the run ends.
std::size_t AppendAsciiRun(std::string& out, std::string_view text, std::size_t i)
{
    const std::size_t end =
        AsciiRunEnd(reinterpret_cast<const unsigned char*>(text.data()), i, text.size());
    out.append(text.substr(i, end - i));
    return end;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        i = AsciiRunEnd(s, i, n);
        if (i == n)
            break;
        const unsigned char c = s[i];
        std::size_t length;
        std::uint32_t min;
        std::uint32_t cp;
        if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, cp = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, cp = c & 0x0Fu;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, cp = c & 0x07u;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

namespace {

// Windows-1252 0x80..0x9F; the undefined bytes map to the C1 control of the same number.
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Well-formed UTF-8 text for an HTML page: ASCII stays, every other character becomes the byte
// `byteFor` gives it (0x80 to 0xFF) or, where it gives -1, a decimal character reference.
template <typename ByteFor>
std::string WithReferences(std::string_view utf8, const ByteFor& byteFor)
{
    std::string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t i = AppendAsciiRun(out, utf8, 0); i < utf8.size();
         i = AppendAsciiRun(out, utf8, i)) {
        const unsigned char lead = s[i];
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        std::uint32_t cp = lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        i += length;
        const int byte = byteFor(cp);
        if (byte >= 0)
            out.push_back(static_cast<char>(byte));
        else
            out += "&#" + std::to_string(cp) + ';';
    }
    return out;
}

} // namespace

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = AppendAsciiRun(out, bytes, 0); i < bytes.size();
         i = AppendAsciiRun(out, bytes, i + 1)) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        AppendUtf8(out, c < 0xA0 ? kHighControls[c - 0x80] : c);
    }
    return out;
}

std::string Utf8ToWindows1252WithReferences(std::string_view utf8)
{
    if (!IsValidUtf8(utf8))
        return std::string(utf8);
    return WithReferences(utf8, [](std::uint32_t cp) {
        if (cp >= 0xA0 && cp <= 0xFF)
            return static_cast<int>(cp);
        for (std::size_t k = 0; k < kHighControls.size(); ++k)
            if (kHighControls[k] == cp)
                return static_cast<int>(0x80 + k);
        return -1;
    });
}

std::string Utf8ToAsciiWithReferences(std::string_view text)
{
    const std::string utf8 = IsValidUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
    return WithReferences(utf8, [](std::uint32_t) { return -1; });
}

std::string DecodeFileText(std::string_view bytes, bool* hadBom)
{
    const bool bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (hadBom)
        *hadBom = false;
    if (IsValidUtf8(bytes)) {
        if (bom) {
            if (hadBom)
                *hadBom = true;
            bytes.remove_prefix(kUtf8Bom.size());
        }
        return std::string(bytes);
    }
    return Windows1252ToUtf8(bytes);
}

} // namespace qv
