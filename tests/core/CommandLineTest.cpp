#include "core/support/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

CommandLine Parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "/usr/bin/quorvane");
    return ParseCommandLine(arguments, "Tarnwick Quorvane Wizard", "1.2.3");
}

TEST(CommandLine, NamesOneDesignAsAnAbsolutePath)
{
    EXPECT_EQ(Parse({}).designFile, "");
    EXPECT_FALSE(Parse({}).exitCode.has_value());

    const fs::path before = fs::current_path();
    const fs::path dir = fs::temp_directory_path();
    fs::current_path(dir);
    const CommandLine relative = Parse({"sites/./site.mnu"});
    const CommandLine dashed = Parse({"--", "-odd name.mnu"});
    const CommandLine lone = Parse({"-"});
    fs::current_path(before);
    EXPECT_FALSE(relative.exitCode.has_value());
    EXPECT_EQ(relative.designFile, (dir / "sites/site.mnu").string());
    EXPECT_EQ(dashed.designFile, (dir / "-odd name.mnu").string());
    EXPECT_EQ(lone.designFile, (dir / "-").string());
    EXPECT_EQ(Parse({"/a/b.mnu"}).designFile, "/a/b.mnu");
}

TEST(CommandLine, HelpVersionAndMistakesEndTheProgram)
{
    const CommandLine help = Parse({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.text.starts_with("Usage: quorvane [options] [design]\n")) << help.text;
    EXPECT_NE(help.text.find("  -h, --help "), std::string::npos);
    EXPECT_NE(help.text.find("  -v, --version "), std::string::npos);
    // Help comes first, whatever else the line holds.
    EXPECT_EQ(Parse({"a.mnu", "b.mnu", "-h"}).exitCode, 0);
    for (const char* version : {"-v", "--version"}) {
        const CommandLine shown = Parse({version});
        EXPECT_EQ(shown.exitCode, 0);
        EXPECT_EQ(shown.text, "Tarnwick Quorvane Wizard 1.2.3\n");
    }

    // Wrong arguments: exit code 2 and the reason, then the usage.
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"a.mnu", "b.mnu"},
                                               {"--frobnicate"},
                                               {"-x", "a.mnu"},
                                               {""},
                                               {"-style", "fusion", "a.mnu", "b.mnu"}}) {
        const CommandLine result = Parse(wrong);
        EXPECT_EQ(result.exitCode, kUsageError) << wrong.front();
        EXPECT_NE(result.text.find("Usage:"), std::string::npos) << result.text;
        EXPECT_TRUE(result.designFile.empty());
    }
    EXPECT_EQ(Parse({"--frobnicate"}).text.substr(0, 30), "Unknown option '--frobnicate'.");
}

TEST(CommandLine, PassesOverTheToolkitsOwnOptions)
{
    // With their values, one dash or two, or the value after '='; the design is still found.
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
             {"-platform", "offscreen"},
             {"--platform", "xcb", "-style", "fusion", "-reverse"},
             {"-qwindowgeometry", "640x480+0+0", "-stylesheet=a.qss", "--widgetcount"},
             {"-display", ":1", "-name", "x", "-qwindowtitle", "t", "-qmljsdebugger=port:1"}}) {
        std::vector<std::string> arguments = options;
        arguments.push_back("/d/site.mnu");
        const CommandLine result = Parse(arguments);
        EXPECT_FALSE(result.exitCode.has_value()) << options.front() << result.text;
        EXPECT_EQ(result.designFile, "/d/site.mnu") << options.front();
    }
    // An option's value is never the design, and one left without its value asks for nothing.
    EXPECT_EQ(Parse({"-style", "site.mnu"}).designFile, "");
    EXPECT_FALSE(Parse({"-platform"}).exitCode.has_value());
    EXPECT_EQ(Parse({"-platform", "offscreen", "--version"}).exitCode, 0);
}

} // namespace
} // namespace qv
