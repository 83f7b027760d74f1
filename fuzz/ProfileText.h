#pragma once

#include "core/support/Encoding.h"

#include <string>
#include <string_view>

namespace quorvane_fuzz {

// What a profile document parsed from `bytes` serialises to while unchanged: the bytes as UTF-8
// (a file that is not UTF-8 read as Windows-1252), a byte-order mark at the start kept once.
inline std::string UnchangedProfileText(std::string_view bytes)
{
    std::string text;
    if (bytes.starts_with(qv::kUtf8Bom)) {
        text = qv::kUtf8Bom;
        bytes.remove_prefix(qv::kUtf8Bom.size());
    }
    text += qv::IsValidUtf8(bytes) ? std::string(bytes) : qv::Windows1252ToUtf8(bytes);
    return text;
}

} // namespace quorvane_fuzz
