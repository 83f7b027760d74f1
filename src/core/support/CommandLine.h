#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What the designer was asked to do on its command line: `quorvane [DESIGN.mnu]`.
struct CommandLine
{
    // The design to open at start, as an absolute path; empty for none.
    std::string designFile;
    // Set when the program ends at once (help, version, a wrong argument): its exit code, and
    // the text for the standard output (code 0) or the standard error.
    std::optional<int> exitCode;
    std::string text;
};

// The exit code of a wrong argument.
inline constexpr int kUsageError = 2;

// Reads the program's arguments (its name first) before any window system is started, so that
// help, version and mistakes are told without a display. The toolkit's own options (-platform
// NAME, -style NAME, -reverse, ...; with one dash or two) are passed over with their values and
// left for the toolkit to take; "--" ends the options. A relative design path is taken from the
// current folder. `title` and `version` make the version line.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, std::string_view title,
                             std::string_view version);

} // namespace qv
