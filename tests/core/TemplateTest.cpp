#include "core/codegen/Template.h"

#include "core/codegen/MenuArrays.h"
#include "core/codegen/MenuList.h"
#include "core/project/DesignSize.h"
#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/StringUtils.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qv {
namespace {

// Every token on a line of its own, behind its name; lone LF breaks and no final break.
const std::string kAllTokens = "menu:%menu%\n"
                               "roots:%NoOffFirstLineMenus%\n"
                               "LowBg:%LowBgColor% LowSubBg:%LowSubBgColor%\n"
                               "HighBg:%HighBgColor% HighSubBg:%HighSubBgColor%\n"
                               "FontLow:%FontLowColor% FontSubLow:%FontSubLowColor%\n"
                               "FontHigh:%FontHighColor% FontSubHigh:%FontSubHighColor%\n"
                               "Border:%BorderColor% BorderSub:%BorderSubColor%\n"
                               "BorderWidth:%BorderWidth% Btwn:%BorderBtwnElmnts%\n"
                               "Family:%FontFamily% Size:%FontSize%\n"
                               "Bold:%FontBold% Italic:%FontItalic%\n"
                               "Text:%MenuTextCentered% Horz:%MenuCentered%"
                               " Vert:%MenuVerticalCentered%\n"
                               "Overlap:%ChildOverlap% VOverlap:%ChildVerticalOverlap%\n"
                               "Top:%StartTop% Left:%StartLeft%\n"
                               "VerCorrect:%VerCorrect% HorCorrect:%HorCorrect%\n"
                               "LeftPad:%LeftPaddng% TopPad:%TopPaddng%\n"
                               "Horizontal:%FirstLineHorizontal% FramesV:%MenuFramesVertical%\n"
                               "Delay:%DissapearDelay% TakeOver:%TakeOverBgColor%\n"
                               "Frames:%FirstLineFrame%/%SecLineFrame%/%DocTargetFrame%\n"
                               "Target:[%TargetLoc%] HideTop:%HideTop%\n"
                               "Wrap:%MenuWrap% RTL:%RightToLeft% Click:%UnfoldsOnClick%\n"
                               "Check:%WebMasterCheck% ShowArrow:%ShowArrow%\n"
                               "%arrows%\n"
                               "Hilite:%KeepHilite%";

TColor Resolver(int index)
{
    return index == kWindow ? RgbColor(0xAB, 0xCD, 0xEF) : RgbColor(0xEE, 0xEE, 0xEE);
}

using test::DistinctStyle;

void AddDesign(MenuTree& tree)
{
    TMyRec home;
    home.Link = "index.html";
    MenuItem* root = tree.AppendRoot("Home", home);
    TMyRec news;
    news.Link = "news.html";
    news.Height = 18;
    tree.AppendChild(root, "News", news);
}

TEST(Template, EveryTokenInItsOrderWithItsValueForm)
{
    MenuTree tree;
    AddDesign(tree);
    const std::string code = FillTemplate(kAllTokens, tree, DistinctStyle(), Resolver);
    EXPECT_EQ(code, "menu:\r\n"
                    "Menu1=new Array(\"Home\",\"index.html\",\"\",1,20,80);\r\n"
                    "  Menu1_1=new Array(\"News\",\"news.html\",\"\",0,18,80);\r\n"
                    "\r\n"
                    "roots:1\r\n"
                    "LowBg:010203 LowSubBg:101112\r\n"
                    "HighBg:040506 HighSubBg:131415\r\n"
                    "FontLow:070809 FontSubLow:161718\r\n"
                    "FontHigh:0A0B0C FontSubHigh:191A1B\r\n"
                    "Border:0D0E0F BorderSub:ABCDEF\r\n"
                    "BorderWidth:5 Btwn:1\r\n"
                    "Family:Verdana, sans-serif Size:12\r\n"
                    "Bold:1 Italic:0\r\n"
                    "Text:center Horz:right Vert:static\r\n"
                    "Overlap:.2 VOverlap:.2\r\n"
                    "Top:-40 Left:7\r\n"
                    "VerCorrect:0 HorCorrect:0\r\n"
                    "LeftPad:4 TopPad:6\r\n"
                    "Horizontal:1 FramesV:1\r\n"
                    "Delay:1000 TakeOver:1\r\n"
                    "Frames:navig/space/space\r\n"
                    "Target:[] HideTop:0\r\n"
                    "Wrap:1 RTL:0 Click:1\r\n"
                    "Check:0 ShowArrow:1\r\n"
                    "var Arrws=['tri.gif',5,10,'tridown.gif',10,5,'trileft.gif',5,10];\r\n"
                    "Hilite:0\r\n");
    EXPECT_EQ(tree.Root(0)->Rec().MenuName, "Menu1"); // generation names the items

    // Also when the template has no place for the arrays.
    MenuTree unnamed;
    AddDesign(unnamed);
    EXPECT_EQ(FillTemplate("%NoOffFirstLineMenus%", unnamed, MenuStyle{}, Resolver), "1\r\n");
    EXPECT_EQ(unnamed.At(1)->Rec().MenuName, "Menu1_1");
}

// The values that depend on the choice fields, including the state without a choice.
TEST(Template, ChoiceValues)
{
    const auto valueOf = [](const std::vector<std::string>& values, std::string_view token) {
        for (std::size_t k = 0; k < kTemplateTokens.size(); ++k)
            if (kTemplateTokens[k] == token)
                return values[k];
        ADD_FAILURE() << "no token " << token;
        return std::string();
    };
    struct Case
    {
        const char* what;
        void (*change)(MenuStyle&);
        std::vector<std::pair<std::string_view, std::string>> expected;
    };
    const std::vector<Case> cases = {
        {"start-up",
         [](MenuStyle&) {},
         {{"%LowBgColor%", "0080FF"},
          {"%HighBgColor%", "009CE8"},
          {"%FontLowColor%", "FFFFFF"},
          {"%FontHighColor%", "0000FF"},
          {"%BorderColor%", "000000"},
          {"%FontFamily%", "Tahoma, Verdana, Arial"},
          {"%FontBold%", "0"},
          {"%MenuTextCentered%", "left"},
          {"%MenuCentered%", "left"},
          {"%MenuVerticalCentered%", "top"},
          {"%FirstLineHorizontal%", "1"},
          {"%UnfoldsOnClick%", "0"},
          {"%ShowArrow%", "1"},
          {"%arrows%", std::string(kDarkArrows)},
          {"%KeepHilite%", "1"},
          {"%BorderBtwnElmnts%", "1"}}},
        {"no arrows still names the dark images",
         [](MenuStyle& s) { s.Arrows = kArrowsNone; },
         {{"%ShowArrow%", "0"}, {"%arrows%", std::string(kDarkArrows)}}},
        {"no arrow choice",
         [](MenuStyle& s) { s.Arrows = kNoChoice; },
         {{"%ShowArrow%", "1"}, {"%arrows%", std::string(kDarkArrows)}}},
        {"alignments without an entry",
         [](MenuStyle& s) { s.TextAlign = s.HorzAlign = s.VertAlign = kNoChoice; },
         {{"%MenuTextCentered%", ""}, {"%MenuCentered%", ""}, {"%MenuVerticalCentered%", ""}}},
        {"middle, bottom",
         [](MenuStyle& s) {
             s.VertAlign = 1;
             s.TextAlign = 2;
         },
         {{"%MenuVerticalCentered%", "middle"}, {"%MenuTextCentered%", "right"}}},
        {"vertical, and a menu type without a choice",
         [](MenuStyle& s) { s.MenuType = 7; },
         {{"%FirstLineHorizontal%", "0"}}},
        {"unfold without a choice",
         [](MenuStyle& s) { s.OnMouseOver = -3; },
         {{"%UnfoldsOnClick%", "1"}}},
        {"numbers as they are",
         [](MenuStyle& s) {
             s.FontSize = 0;
             s.BorderWidth = 25;
             s.LeftPadding = -2147483647 - 1;
         },
         {{"%FontSize%", "0"}, {"%BorderWidth%", "25"}, {"%LeftPaddng%", "-2147483648"}}},
        {"font name: written as a script string body, whatever it holds",
         [](MenuStyle& s) { s.MenuFont = std::string("a\nb\rc\r\nd\0e", 10); },
         {{"%FontFamily%", "a\\nb\\rc\\r\\nd\\u0000e"}}},
        {"font name that would end a script string of either quotes, or the script",
         [](MenuStyle& s) { s.MenuFont = "'Gill Sans' \"x\" `${y}` </script>"; },
         {{"%FontFamily%", "\\'Gill Sans\\' \\\"x\\\" `${y}` \\u003C/script>"}}},
    };
    for (const Case& c : cases) {
        MenuStyle style;
        c.change(style);
        MenuTree tree;
        const std::vector<std::string> values = TemplateValues(tree, style, ClassicSystemColor);
        ASSERT_EQ(values.size(), kTemplateTokens.size());
        for (const auto& [token, value] : c.expected)
            EXPECT_EQ(valueOf(values, token), value) << c.what << " " << token;
        EXPECT_EQ(valueOf(values, "%menu%"), "");
        EXPECT_EQ(valueOf(values, "%NoOffFirstLineMenus%"), "0");
    }
}

// Template in, code out: the line rules and the rules of replacement.
TEST(Template, ReplacementRules)
{
    struct Case
    {
        const char* what;
        std::string templateText;
        std::string code;
    };
    const std::vector<Case> cases = {
        {"empty template", "", ""},
        {"no tokens, mixed breaks", "a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"},
        {"final break adds no line; empty lines stay", "a\n\n\nb\r\n", "a\r\n\r\n\r\nb\r\n"},
        {"a NUL ends the text", std::string("a %FontSize%\n\0%FontBold%\n", 24), "a 10\r\n"},
        {"a token twice: only the first", "%FontSize% %FontSize%", "10 %FontSize%\r\n"},
        {"letter case counts", "%Menu% %MENU% %fontsize%", "%Menu% %MENU% %fontsize%\r\n"},
        {"unknown and broken tokens stay", "%Nothing% %FontSize %FontSize",
         "%Nothing% %FontSize %FontSize\r\n"},
        {"token deleted", "x=\"%TargetLoc%\";", "x=\"\";\r\n"},
        {"a later token sharing a '%' with an earlier one is not whole",
         "%FontSize%FontBold% %FontBold%", "10FontBold% 0\r\n"},
        {"the earlier token wins a shared '%' even standing later", "%MenuTop%FontSize% %FontSize%",
         "%MenuTop10 %FontSize%\r\n"},
        {"a deleted token does not join its neighbours into one", "%Font%TargetLoc%Size%",
         "%FontSize%\r\n"},
        {"percent signs around values", "%%FontSize%%", "%10%\r\n"},
        {"two tokens touching are both filled", "%FontSize%%FontBold%", "100\r\n"},
        {"touching in the other order", "%FontBold%%FontSize%", "010\r\n"},
        {"no tokens in an empty tree's code", "[%menu%] %NoOffFirstLineMenus%", "[] 0\r\n"},
    };
    for (const Case& c : cases) {
        MenuTree tree;
        EXPECT_EQ(FillTemplate(c.templateText, tree, MenuStyle{}, ClassicSystemColor), c.code)
            << c.what;
    }
}

// A caption holding a token's name must not take that token's value, and the template's own
// token must still be replaced.
TEST(Template, ValuesAreNeverSearchedForTokens)
{
    MenuTree tree;
    tree.AppendRoot("%FontSize% and %arrows% and %KeepHilite%");
    MenuStyle style;
    style.MenuFont = "%FontSize%";
    const std::string code = FillTemplate("%menu%\n%FontFamily% size %FontSize%;\n%KeepHilite%",
                                          tree, style, ClassicSystemColor);
    EXPECT_EQ(code, "\r\n"
                    "Menu1=new Array(\"%FontSize% and %arrows% and %KeepHilite%\",\"http://\","
                    "\"\",0,20,80);\r\n"
                    "\r\n"
                    "%FontSize% size 10;\r\n"
                    "1\r\n");
}

// The plain list of links, the last token, goes where the template has it, with the code's line
// breaks; texts that hold a token's name stay as they are. (A template without it is filled as
// before: the tests above.)
TEST(Template, PlainMenuList)
{
    MenuTree tree;
    AddDesign(tree);
    tree.AppendRoot("Q&amp;A <b>%menulist%");
    tree.AppendRoot("Caf\xC3\xA9 \xE2\x99\xA5");
    const std::string code = FillTemplate("%menulist%\n<script>%menu%</script>\n%menulist%", tree,
                                          MenuStyle{}, Resolver);
    EXPECT_EQ(code, "<nav class=\"quorvane-menu\" data-quorvane-menu=\"menu\"><ul>\r\n"
                    "<li><a href=\"index.html\">Home</a><ul>\r\n"
                    "<li><a href=\"news.html\">News</a></li>\r\n"
                    "</ul></li>\r\n"
                    "<li><span>Q&amp;A %menulist%</span></li>\r\n"
                    "<li><span>Caf&#233; &#9829;</span></li>\r\n"
                    "</ul></nav>\r\n"
                    "<script>\r\n"
                    "Menu1=new Array(\"Home\",\"index.html\",\"\",1,20,80);\r\n"
                    "  Menu1_1=new Array(\"News\",\"news.html\",\"\",0,18,80);\r\n"
                    "\r\n"
                    "Menu2=new Array(\"Q&amp;A <b>%menulist%\",\"http://\",\"\",0,20,80);\r\n"
                    "\r\n"
                    "Menu3=new Array(\"Caf\\u00E9 \\u2665\",\"http://\",\"\",0,20,80);\r\n"
                    "</script>\r\n"
                    "%menulist%\r\n");
    const std::vector<std::string> values = TemplateValues(tree, MenuStyle{}, Resolver);
    ASSERT_EQ(kTemplateTokens.back(), "%menulist%");
    EXPECT_EQ(values.back(), Utf8ToAsciiWithReferences(MenuListHtml(tree)));

    MenuTree empty;
    EXPECT_EQ(FillTemplate("[%menulist%]", empty, MenuStyle{}, Resolver), "[]\r\n");
}

// Tokens of any %name% form, in the order given; the first token wins a shared '%'.
TEST(Template, ReplaceTokensWithOtherTokens)
{
    const std::vector<std::string_view> tokens = {"%a%", "%b%"};
    const std::vector<std::string> values = {"1", "22"};
    EXPECT_EQ(ReplaceTokens("%b%a%b% %a% %b%", tokens, values), "%b1b% %a% 22");
    // A token whose every occurrence shares a '%' with a taken one is not replaced; two
    // occurrences side by side, each with '%' of its own, both are.
    EXPECT_EQ(ReplaceTokens("%a%b%a%", tokens, values), "1b%a%");
    EXPECT_EQ(ReplaceTokens("%b%a%b%", tokens, values), "%b1b%");
    EXPECT_EQ(ReplaceTokens("%%a%%b%%", tokens, values), "%122%");
}

TEST(Template, ReplaceTokensWithARepeatedToken)
{
    // A token listed again takes its next occurrence, as a second replacement of the token in
    // the working text would.
    const std::vector<std::string_view> tokens = {"%a%", "%b%", "%a%", "%a%"};
    const std::vector<std::string> values = {"1", "%a%", "3", "4"};
    EXPECT_EQ(ReplaceTokens("%a% %b% %a%a% %a%", tokens, values), "1 %a% 3a% 4");
    EXPECT_EQ(ReplaceTokens("%a%", tokens, values), "1");
}

TEST(Template, PreviewPage)
{
    EXPECT_EQ(PreviewPage("A\r\nmiddle\r\nZ\r\n"),
              "<html><head></head><body>A\r\nmiddle\r\nZ\r\n</body></html>\r\n");
    EXPECT_EQ(PreviewPage(""), "<html><head></head><body>\r\n</body></html>\r\n");

    MenuTree tree;
    const std::string page =
        PreviewPage(FillTemplate("A %FontSize%\nZ", tree, MenuStyle{}, ClassicSystemColor));
    EXPECT_EQ(page, "<html><head></head><body>A 10\r\nZ\r\n</body></html>\r\n");

    EXPECT_EQ(DataFileNotFoundMessage("/opt/q/dhtml.dat"),
              "Data File not found\n\n/opt/q/dhtml.dat");
}

// The one function behind Get Code, Preview and quorvane-gen: the template read from its file
// and decoded, the design measured before anything is built.
TEST(GenerateCode, ReadsDecodesMeasuresAndFillsTheTemplateFile)
{
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "qv_generate_XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string path = folder + "/dhtml.dat";
    MenuTree tree;
    tree.AppendRoot("Caf\xC3\xA9");
    MenuStyle style;
    style.MenuFont = "Tahoma, 'Segoe UI'";

    try {
        GenerateCode(path, tree, style);
        ADD_FAILURE() << "no template, no code";
    } catch (const TemplateNotFound& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(std::string(e.what()), DataFileNotFoundMessage(path));
    }
    EXPECT_EQ(tree.At(0)->Rec().MenuName, "") << "nothing is named";

    // UTF-8 with a byte-order mark, Windows-1252, lone LF breaks: all come out as UTF-8 with
    // CR LF, as FillTemplate gives for the decoded text.
    const std::string arrays = "\r\nMenu1=new Array(\"Caf\\u00E9\",\"http://\",\"\",0,20,80);\r\n";
    const std::string tail = "\r\nf='Tahoma, \\'Segoe UI\\''\r\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"\xEF\xBB\xBF\xC2\xA9 %menu%\r\nf='%FontFamily%'", "\xC2\xA9 " + arrays + tail},
        {"\xA9 %menu%\nf='%FontFamily%'\n", "\xC2\xA9 " + arrays + tail},
        {"\xEF\xBB\xBF\xEF\xBB\xBF%menu%\rf='%FontFamily%'", "\xEF\xBB\xBF" + arrays + tail},
    };
    for (const auto& [bytes, code] : files) {
        WriteFileAtomically(path, bytes);
        EXPECT_EQ(GenerateCode(path, tree, style, CodeForm::Code, ClassicSystemColor), code);
        EXPECT_EQ(GenerateCode(path, tree, style, CodeForm::PreviewPage, ClassicSystemColor),
                  PreviewPage(code));
        EXPECT_EQ(GenerateCodeFromTemplate(bytes, tree, style, CodeForm::Code, ClassicSystemColor),
                  code);
    }
    fs::create_directory(folder + "/folder.dat");
    EXPECT_THROW(GenerateCode(folder + "/folder.dat", tree, style), TemplateNotFound)
        << "a folder is no template file";

    // A chain 8,000 levels deep would make about 100 MB of code: refused with its size, before
    // any item is named.
    MenuTree chain;
    MenuItem* item = chain.AppendRoot("Level 0");
    for (int level = 1; level < 8000; ++level)
        item = chain.AppendChild(item, "Level " + std::to_string(level));
    try {
        GenerateCode(path, chain, style);
        ADD_FAILURE() << "the chain's code is too large to make";
    } catch (const CodeTooLarge& e) {
        EXPECT_EQ(e.Bytes(), MenuArraysSize(chain));
        EXPECT_GT(e.Bytes(), kMaxCodeBytes);
        EXPECT_EQ(std::string(e.what()), CodeTooLargeMessage(e.Bytes()));
        EXPECT_TRUE(std::string(e.what()).starts_with("The code for this menu would take " +
                                                      DataSizeText(e.Bytes()) +
                                                      ", more than "
                                                      "the 64.0 MB that can be made.\n\n"))
            << e.what();
    }
    EXPECT_EQ(chain.At(0)->Rec().MenuName, "");
    fs::remove_all(folder);
}

} // namespace
} // namespace qv
