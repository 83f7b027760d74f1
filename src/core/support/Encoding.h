#pragma once

#include <string>
#include <string_view>

namespace qv {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes that code page leaves undefined become
// the C1 control characters of the same number, as the desktop's own conversion does.
std::string Windows1252ToUtf8(std::string_view bytes);

// Text read from a file: bytes that are valid UTF-8 are taken as they are (a leading byte-order
// mark removed and reported through `hadBom`); anything else is read whole as Windows-1252.
std::string DecodeFileText(std::string_view bytes, bool* hadBom = nullptr);

// UTF-8 text in Windows-1252 for an HTML page: every character the code page holds becomes its
// byte, every other one a decimal character reference ("&#1488;"). Text that is not valid UTF-8
// is taken as Windows-1252 already and comes back unchanged.
std::string Utf8ToWindows1252WithReferences(std::string_view utf8);

// Text for an HTML page of any encoding: every character beyond ASCII becomes a decimal
// character reference. Text that is not valid UTF-8 is read as Windows-1252.
std::string Utf8ToAsciiWithReferences(std::string_view text);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

} // namespace qv
