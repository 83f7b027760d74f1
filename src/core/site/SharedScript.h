#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The source text of every classic inline <script> of an HTML text (one with no src and a
// script type), in order, as the bytes stand between its tags. Found with the HTML5 parser, so a
// "<script>" inside a comment or a string is no script.
std::vector<std::string_view> InlineScriptBodies(std::string_view html);

// The menu script that every page of a published site links: the line
// "var MenuLinkBase='BASE';" (BASE being the way from the script's folder back to the site
// folder, such as "../"), then the bodies of the code's inline scripts in order, every part
// followed by CR LF. A script that holds more than ASCII starts with a UTF-8 byte-order mark,
// which tells every browser its encoding whatever the page's own is.
std::string SharedScript(std::string_view code, std::string_view linkBase);

// A short hash of the bytes as 8 lower-case hex digits, for the address that names a version of
// a file ("menu.js?v=1a2b3c4d"), so browsers load a changed script and cache an unchanged one.
std::string ShortHash(std::string_view bytes);

// A 64-bit hash of the bytes, for telling whether a file changed (not against an adversary).
std::uint64_t ContentHash(std::string_view bytes);

} // namespace qv
