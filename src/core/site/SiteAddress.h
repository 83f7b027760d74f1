#pragma once

#include <string>
#include <string_view>

namespace qv {

// Addresses as a page's links hold them, read as browsers read them.

// Whether `text` is an http or https address ("http://", "HTTPS://"; blanks around it ignored).
bool IsWebAddress(std::string_view text);

// A link attribute's value as browsers take it: ASCII white space and control characters at
// either end dropped, tabs and line breaks anywhere removed.
std::string CleanLink(std::string_view link);

// The scheme of a link (cleaned as above), lower case; empty when it has none.
std::string LinkScheme(std::string_view link);

// Whether following the link runs a script instead of opening a page (javascript:, vbscript:),
// however its letters and blanks are dressed up.
bool IsScriptLink(std::string_view link);

// `reference` made absolute against the absolute address `base`, by the rules of relative
// references (dot segments removed); with an http or https base, backslashes count as slashes
// as browsers count them. Blanks and control characters in the result are percent-encoded. A
// reference with a scheme of its own comes back cleaned; a base without a scheme gives the
// reference as it is.
std::string ResolveAddress(std::string_view base, std::string_view reference);

// The parts of an address: "https://example.org" (empty for a path without a scheme), the
// path, and the query with its '?' (the fragment dropped).
struct AddressParts
{
    std::string origin;
    std::string path;
    std::string query;
};
AddressParts SplitAddress(std::string_view address);

// A path segment percent-decoded, when what that gives is UTF-8 text; else as it is.
std::string DecodePercent(std::string_view text);

} // namespace qv
