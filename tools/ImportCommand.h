#pragma once

#include <string_view>
#include <vector>

namespace qv::tool {

// The lines of the tool's usage text for --import.
extern const char* const kImportUsage;

// Whether the arguments ask for an import (--import SOURCE ...).
bool IsImportCommand(const std::vector<std::string_view>& args);

// Runs the import the arguments ask for; returns the exit status (0, or 2 with the reason on the
// standard error).
int RunImportCommand(const std::vector<std::string_view>& args);

} // namespace qv::tool
