#include "core/support/CommandLine.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace qv {

namespace {

// The toolkit's options, without their leading dash: those followed by a value, those that stand
// alone, and those that carry their value after '='.
constexpr std::array<std::string_view, 16> kToolkitOptionsWithValue = {"platform",
                                                                       "platformpluginpath",
                                                                       "platformtheme",
                                                                       "plugin",
                                                                       "qwindowgeometry",
                                                                       "geometry",
                                                                       "qwindowtitle",
                                                                       "title",
                                                                       "qwindowicon",
                                                                       "icon",
                                                                       "session",
                                                                       "display",
                                                                       "name",
                                                                       "visual",
                                                                       "style",
                                                                       "stylesheet"};
constexpr std::array<std::string_view, 6> kToolkitFlags = {"reverse", "testability", "widgetcount",
                                                           "sync",    "nograb",      "dograb"};
constexpr std::array<std::string_view, 3> kToolkitOptionsWithEquals = {
    "style=", "stylesheet=", "qmljsdebugger="};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Usage(const std::vector<std::string>& arguments)
{
    std::string program = "quorvane";
    if (!arguments.empty() && !arguments.front().empty())
        program = std::filesystem::path(arguments.front()).filename().string();
    return "Usage: " + program +
           " [options] [design]\n"
           "Designs drop-down navigation menus for web pages.\n"
           "\n"
           "Options:\n"
           "  -h, --help     Shows this help.\n"
           "  -v, --version  Displays version information.\n"
           "\n"
           "Arguments:\n"
           "  [design]       A menu design (.mnu) to open at start; a name where no file is\n"
           "                 yet starts a new design that its first save creates.\n"
           "\n"
           "The toolkit's own options, such as -platform NAME and -style NAME, are accepted\n"
           "as well.\n";
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, std::string_view title,
                             std::string_view version)
{
    CommandLine result;
    const auto stop = [&](int code, std::string text) {
        result = CommandLine{};
        result.exitCode = code;
        result.text = std::move(text);
        return result;
    };
    const auto usageError = [&](const std::string& problem) {
        return stop(kUsageError, problem + "\n\n" + Usage(arguments));
    };

    std::vector<std::string_view> designs;
    bool help = false;
    bool showVersion = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
            designs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            help = true;
        } else if (arg == "-v" || arg == "--version") {
            showVersion = true;
        } else {
            // The toolkit takes its options with one dash or two.
            std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
            if (Among(kToolkitOptionsWithValue, name)) {
                ++i; // its value, if there is one
            } else if (!Among(kToolkitFlags, name) &&
                       std::none_of(
                           kToolkitOptionsWithEquals.begin(), kToolkitOptionsWithEquals.end(),
                           [&](std::string_view prefix) { return name.starts_with(prefix); })) {
                return usageError("Unknown option '" + std::string(arg) + "'.");
            }
        }
    }
    if (help)
        return stop(0, Usage(arguments));
    if (showVersion)
        return stop(0, std::string(title) + ' ' + std::string(version) + '\n');
    if (designs.size() > 1)
        return usageError("Only one design can be opened at a time.");
    if (!designs.empty()) {
        if (designs.front().empty())
            return usageError("An empty file name was given.");
        std::error_code error;
        std::filesystem::path path = std::filesystem::absolute(designs.front(), error);
        if (error)
            path = std::filesystem::path(designs.front());
        result.designFile = path.lexically_normal().string();
    }
    return result;
}

} // namespace qv
