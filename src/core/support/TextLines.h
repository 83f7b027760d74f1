#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Splits a text into lines at every CR LF pair, lone CR and lone LF. A final line break adds no
// empty line, and a NUL character ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF, the last one included; no lines give the empty text.
std::string JoinLines(const std::vector<std::string>& lines);

// JoinLines(SplitLines(text)) in one pass: every line break becomes CR LF, a non-empty text ends
// with CR LF, and the text stops at the first NUL.
std::string NormaliseLineBreaks(std::string_view text);

} // namespace qv
