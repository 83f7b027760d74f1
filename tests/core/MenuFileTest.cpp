#include "core/project/MenuFile.h"

#include "core/codegen/MenuArrays.h"
#include "core/support/FileIo.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <pthread.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <utility>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string kWorkedExample = "[Main Colors]\r\n"
                                   "MainBG=16744448\r\n"
                                   "MainMOBG=15244288\r\n"
                                   "MainFont=16777215\r\n"
                                   "MainFontMO=16711680\r\n"
                                   "MainBorder=0\r\n"
                                   "[Sub Colors]\r\n"
                                   "SubBG=16744448\r\n"
                                   "SubMOBG=15244288\r\n"
                                   "SubFont=16777215\r\n"
                                   "SubFontMO=16711680\r\n"
                                   "SubBorder=0\r\n"
                                   "[Options]\r\n"
                                   "MenuType=0\r\n"
                                   "TextAlign=0\r\n"
                                   "HorzAlign=0\r\n"
                                   "VertAlign=0\r\n"
                                   "MenuTop=1\r\n"
                                   "MenuLeft=1\r\n"
                                   "LeftPadding=3\r\n"
                                   "TopPadding=2\r\n"
                                   "BorderWidth=1\r\n"
                                   "OnMouseOver=0\r\n"
                                   "MenuFont=Tahoma, Verdana, Arial\r\n"
                                   "FontSize=10\r\n"
                                   "FontBold=0\r\n"
                                   "FontItalic=0\r\n"
                                   "Arrows=2\r\n"
                                   "KeepHighlighted=1\r\n"
                                   "BorderBetween=1\r\n"
                                   "[Menus]\r\n"
                                   "MenuCount=3\r\n"
                                   "Menu_0=Menu1\r\n"
                                   "Menu_1=Menu1\\Menu1_1\r\n"
                                   "Menu_2=Menu2\r\n"
                                   "[MenuData]\r\n"
                                   "MenuName_0=Menu1\r\n"
                                   "MenuText_0=Home\r\n"
                                   "MenuLink_0=http://\r\n"
                                   "MenuHeight0=20\r\n"
                                   "MenuWidth0=80\r\n"
                                   "MenuName_1=Menu1_1\r\n"
                                   "MenuText_1=News\r\n"
                                   "MenuLink_1=http://\r\n"
                                   "MenuHeight1=20\r\n"
                                   "MenuWidth1=80\r\n"
                                   "MenuName_2=Menu2\r\n"
                                   "MenuText_2=Contact\r\n"
                                   "MenuLink_2=http://\r\n"
                                   "MenuHeight2=20\r\n"
                                   "MenuWidth2=120\r\n";

// The tree as text: one line per item in tree order, indented by level.
std::string Describe(const MenuTree& tree)
{
    std::string out;
    for (const MenuItem* item : tree.PreOrder()) {
        const TMyRec& rec = item->Rec();
        out += std::string(2 * static_cast<std::size_t>(item->Level()), ' ') + rec.MenuName + " " +
               item->Text() + " " + rec.Link + " " + std::to_string(rec.Height) + "x" +
               std::to_string(rec.Width) + "\n";
    }
    return out;
}

using test::ReadAll;

using MenuFileTest = test::FolderTest;

void AddWorkedExample(MenuTree& tree)
{
    MenuItem* home = tree.AppendRoot("Home");
    tree.AppendChild(home, "News");
    TMyRec contact;
    contact.Width = 120;
    tree.AppendRoot("Contact", contact);
}

TEST_F(MenuFileTest, WorkedExampleByteForByteAndBack)
{
    MenuTree tree;
    AddWorkedExample(tree);
    const std::string path = PathOf("example.mnu");
    WriteMenuFile(path, tree, MenuStyle{});
    EXPECT_EQ(ReadAll(path), kWorkedExample);
    EXPECT_EQ(ItemPath(*tree.At(1)), "Menu1\\Menu1_1");

    MenuTree back;
    EXPECT_EQ(ReadMenuFile(path, back), MenuStyle{});
    EXPECT_EQ(Describe(back), "Menu1 Home http:// 20x80\n"
                              "  Menu1_1 News http:// 20x80\n"
                              "Menu2 Contact http:// 20x120\n");
    // Saving what was read gives the same bytes again.
    WriteMenuFile(path, back, MenuStyle{});
    EXPECT_EQ(ReadAll(path), kWorkedExample);
}

// An entry's MenuData keys: name, text "T<i>", link "L<i>", height 1<i>, width 2<i>.
std::string Data(int i, const std::string& name)
{
    const std::string n = std::to_string(i);
    return "MenuName_" + n + "=" + name + "\r\nMenuText_" + n + "=T" + n + "\r\nMenuLink_" + n +
           "=L" + n + "\r\nMenuHeight" + n + "=1" + n + "\r\nMenuWidth" + n + "=2" + n + "\r\n";
}

// File in, tree out: the path rules of the reader, for files written by hand.
TEST(MenuFileRead, PathsOfHandEditedFiles)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::string tree;
    };
    const std::vector<Case> cases = {
        {"count larger than the entries",
         "[Menus]\r\nMenuCount=3\r\nMenu_0=Menu1\r\nMenu_1=Menu1\\Menu1_1\r\n[MenuData]\r\n" +
             Data(0, "Menu1") + Data(1, "Menu1_1") + Data(2, "Menu2"),
         "Menu1 T0 L0 10x20\n  Menu1_1 T1 L1 11x21\n"},
        {"a sub item's path alone makes its root from the same entry",
         "[Menus]\r\nMenuCount=1\r\nMenu_0=Menu1\\Menu1_1\r\n[MenuData]\r\n" + Data(0, "Top"),
         "Top T0 L0 10x20\n  Menu1_1 T0 L0 10x20\n"},
        {"the same path twice: the first entry's data",
         "[Menus]\r\nMenuCount=2\r\nMenu_0=Menu1\r\nMenu_1=Menu1\r\n[MenuData]\r\n" +
             Data(0, "Menu1") + Data(1, "Menu1"),
         "Menu1 T0 L0 10x20\n"},
        {"a first segment naming a sub item",
         "[Menus]\r\nMenuCount=3\r\nMenu_0=A\r\nMenu_1=A\\B\r\nMenu_2=B\\C\r\n[MenuData]\r\n" +
             Data(0, "A") + Data(1, "B") + Data(2, "C"),
         "A T0 L0 10x20\n  B T1 L1 11x21\n    C T2 L2 12x22\n"},
        {"a sub item that is not its parent's newest",
         "[Menus]\r\nMenuCount=5\r\nMenu_0=A\r\nMenu_1=A\\B\r\nMenu_2=A\\C\r\n"
         "Menu_3=A\\B\\D\r\nMenu_4=A\\B\r\n[MenuData]\r\n" +
             Data(0, "A") + Data(1, "-") + Data(2, "-") + Data(3, "-") + Data(4, "-"),
         "A T0 L0 10x20\n  B T1 L1 11x21\n    D T3 L3 13x23\n  C T2 L2 12x22\n"},
        {"names compare with letter case",
         "[Menus]\r\nMenuCount=2\r\nMenu_0=Menu1\r\nMenu_1=menu1\\X\r\n[MenuData]\r\n" +
             Data(0, "Menu1") + Data(1, "other"),
         "Menu1 T0 L0 10x20\nother T1 L1 11x21\n  X T1 L1 11x21\n"},
        {"the last in tree order, not the last added",
         "[Menus]\r\nMenuCount=4\r\nMenu_0=P\r\nMenu_1=Q\r\nMenu_2=P\\Q\r\nMenu_3=Q\\X\r\n"
         "[MenuData]\r\n" +
             Data(0, "P") + Data(1, "Q") + Data(2, "-") + Data(3, "-"),
         "P T0 L0 10x20\n  Q T2 L2 12x22\nQ T1 L1 11x21\n  X T3 L3 13x23\n"},
        {"the last sub item of that name",
         "[Menus]\r\nMenuCount=4\r\nMenu_0=A\r\nMenu_1=\\\r\nMenu_2=A\\\\B\r\nMenu_3=A\\\\C\r\n"
         "[MenuData]\r\n" +
             Data(0, "A") + Data(1, "") + Data(2, "-") + Data(3, "-"),
         // "\" is one empty segment: a root named by its entry (""); "A\\B" goes through an
         // empty-named sub item of A, which "A\\C" then finds.
         "A T0 L0 10x20\n   T2 L2 12x22\n    B T2 L2 12x22\n    C T3 L3 13x23\n T1 L1 11x21\n"},
        {"empty path, a path ending in '\\', a path starting with '\\'",
         "[Menus]\r\nMenuCount=3\r\nMenu_0=\r\nMenu_1=A\\\r\nMenu_2=\\B\r\n[MenuData]\r\n" +
             Data(0, "Z") + Data(1, "A") + Data(2, "R"),
         "A T1 L1 11x21\nR T2 L2 12x22\n  B T2 L2 12x22\n"},
        {"key names in any letter case",
         "[menus]\r\nMENUCOUNT=1\r\nmenu_0=Menu1\r\n[MENUDATA]\r\nmenuname_0=Menu1\r\n"
         "MENUTEXT_0=Home\r\nmenuwidth0=99\r\n",
         "Menu1 Home  0x99\n"},
        {"a count far beyond the file, sparse keys; leading zeros name no entry",
         "[Menus]\r\nMenuCount=2147483647\r\nMenu_0=A\r\nMenu_07=C\r\nMenu_5=B\r\n"
         "Menu_2147483646=E\r\nMenu_100000=D\r\nMenu_2147483647=F\r\n[MenuData]\r\n" +
             Data(0, "A") + Data(5, "B") + Data(7, "C") + Data(100000, "D") + Data(2147483646, "E"),
         "A T0 L0 10x20\nB T5 L5 15x25\nD T100000 L100000 1100000x2100000\n"
         "E T2147483646 L2147483646 0x0\n"},
        {"entries at or above the count are not read",
         "[Menus]\r\nMenuCount=1\r\nMenu_0=A\r\nMenu_1=B\r\n[MenuData]\r\n" + Data(0, "A") +
             Data(1, "B"),
         "A T0 L0 10x20\n"},
        {"no count", "[Menus]\r\nMenu_0=A\r\n[MenuData]\r\n" + Data(0, "A"), ""},
        {"negative count", "[Menus]\r\nMenuCount=-1\r\nMenu_0=A\r\n", ""},
        {"count not a number", "[Menus]\r\nMenuCount=three\r\nMenu_0=A\r\n", ""},
        {"not a project file at all", "\x89PNG\r\n\x1a\n\0\0\0", ""},
        {"of each name the first key line counts, in any letter case; one without '=' shadows",
         "[Menus]\r\nMenuCount=2\r\nMenu_1=B\r\nmenu_0=A\r\nMENU_0=Z\r\n[MenuData]\r\n"
         "MenuText_1=T1\r\nmenutext_1=no\r\nMenuName_0=A\r\nMenuText_0\r\n"
         "MenuText_0=shadowed\r\nMenuHeight0=0x10\r\nMENUHEIGHT0=5\r\nMenuWidth0\r\n"
         "MenuWidth0=7\r\n  menuname_1  = B \r\nMenuLink_1= \"x\" \r\n",
         "A   16x0\nB T1 x 0x0\n"},
        {"a path line without '=' hides a later one of its index",
         "[Menus]\r\nMenuCount=2\r\nMenu_0\r\nMenu_0=A\r\nMenu_1=B\r\n[MenuData]\r\n" +
             Data(0, "A") + Data(1, "B"),
         "B T1 L1 11x21\n"},
        {"a count line without '=' hides a later count",
         "[Menus]\r\nMenuCount\r\nMenuCount=1\r\nMenu_0=A\r\n", ""},
        {"leading zeros, other spellings and indexes past 32 bits name no entry",
         "[Menus]\r\nMenuCount=3\r\nMenu_4294967296=W\r\nMenu_1=B\r\nMenu_01=X\r\n"
         "Menu_+2=Y\r\nMenu_ 2=Y\r\n[MenuData]\r\nMenuName_1=B\r\nMenuText_01=wrong\r\n"
         "MenuText_4294967297=wrapped\r\nMenuText_1=right\r\nMenuWidth_1=9\r\nMenuWidth1=3\r\n"
         "MenuHeight01=4\r\n",
         "B right  0x3\n"},
        {"keys and sections in any order; only the first section of a name is read",
         "[MenuData]\r\nMenuName_2=C\r\nMenuText_1=T1\r\nMenuName_0=A\r\nMenuText_0=T0\r\n"
         "[Menus]\r\nMenu_2=C\r\nMenu_1=A\\B\r\nMenu_0=A\r\nMenuCount=0x3\r\n"
         "[MenuData]\r\nMenuText_2=ignored\r\nMenuName_1=ignored\r\n[menus]\r\nMenu_3=D\r\n",
         "A T0  0x0\n  B T1  0x0\nC   0x0\n"},
        {"numbers that are not numbers give 0; Windows-1252 text",
         "[Menus]\r\nMenuCount=1\r\nMenu_0=A\r\n[MenuData]\r\nMenuName_0=A\r\n"
         "MenuText_0=Caf\xE9\r\nMenuHeight0=tall\r\nMenuWidth0=0x10\r\n",
         "A Caf\xC3\xA9  0x16\n"},
    };
    for (const Case& c : cases) {
        MenuTree tree;
        ReadMenuDocument(IniDocument::Parse(c.file), tree);
        EXPECT_EQ(Describe(tree), c.tree) << c.what;
    }
}

// The item sections are written after everything else the file holds, as keys written one by
// one into missing sections would be; the document reads back before and after serialising.
TEST(MenuFileWrite, ItemSectionsGoAtTheEndOfAnyFile)
{
    MenuTree tree;
    AddWorkedExample(tree);
    const std::string style = kWorkedExample.substr(0, kWorkedExample.find("[Menus]"));
    const struct
    {
        std::string before, after;
    } cases[] = {
        {"; mine\r\n[Menus]\r\nMenuCount=9\r\n\r\n[Mine]\r\nk=1", "; mine\r\n[Mine]\r\nk=1\r\n"},
        {"[Mine]\r\nk=1\r\n\r\n\r\n[MenuData]\r\nMenuName_0=Old", "[Mine]\r\nk=1\r\n\r\n\r\n"},
        {"[menus]", ""},
    };
    for (const auto& c : cases) {
        IniDocument document = IniDocument::Parse(c.before);
        WriteMenuDocument(document, tree, MenuStyle{});
        EXPECT_EQ(document.Serialise(), c.after + kWorkedExample) << c.before;
        MenuTree direct, reparsed;
        ReadMenuDocument(document, direct);
        ReadMenuDocument(IniDocument::Parse(document.Serialise()), reparsed);
        EXPECT_EQ(Describe(direct), Describe(tree));
        EXPECT_EQ(Describe(reparsed), Describe(tree));
    }

    // An empty design has a count and no data section.
    MenuTree empty;
    IniDocument document = IniDocument::Parse("[Mine]\r\nk=1");
    WriteMenuDocument(document, empty, MenuStyle{});
    EXPECT_EQ(document.Serialise(), "[Mine]\r\nk=1\r\n" + style + "[Menus]\r\nMenuCount=0\r\n");
}

// A design of a few thousand items in three levels, with texts that need quotes, blanks kept,
// line breaks made blanks and letters beyond ASCII, comes back as it was.
TEST(MenuFileWrite, ALargeDesignComesBack)
{
    const std::string texts[] = {"plain",        "  padded ", "\"quoted\"",
                                 "'single'",     "a=b; [c]",  "Caf\xC3\xA9 \xE2\x82\xAC",
                                 "two\r\nlines", ""};
    MenuTree tree;
    int n = 0;
    for (int r = 0; r < 12; ++r) {
        TMyRec rec;
        rec.Width = r;
        MenuItem* root = tree.AppendRoot(texts[n++ % std::size(texts)], rec);
        for (int t = 0; t < 15; ++t) {
            rec.Link = "http://example.com/" + std::to_string(n) + "?x=" + texts[n % 8];
            rec.Height = -n;
            MenuItem* topic = tree.AppendChild(root, texts[n++ % std::size(texts)], rec);
            for (int p = 0; p < 15; ++p, ++n)
                tree.AppendChild(topic, texts[n % std::size(texts)] + std::to_string(n), rec);
        }
    }
    IniDocument document;
    WriteMenuDocument(document, tree, MenuStyle{});
    std::string expected = Describe(tree);
    for (std::size_t at = expected.find("two\r\nlines"); at != std::string::npos;
         at = expected.find("two\r\nlines", at))
        expected.replace(at, 10, "two  lines");

    MenuTree direct, reparsed;
    ReadMenuDocument(document, direct);
    ReadMenuDocument(IniDocument::Parse(document.Serialise()), reparsed);
    EXPECT_EQ(direct.Count(), tree.Count());
    EXPECT_EQ(Describe(direct), expected);
    EXPECT_EQ(Describe(reparsed), expected);
}

// The reader's path rules done the slow way, each lookup a search of the whole tree: a first
// segment names the last item in tree order with that name (else a new root named by the entry),
// a further one the last sub item of that name (else a new one).
std::string ReadTheSlowWay(const std::vector<std::pair<std::string, std::string>>& entries)
{
    MenuTree tree;
    for (const auto& [path, rootName] : entries) {
        MenuItem* current = nullptr;
        std::stringstream segments(path);
        for (std::string segment; std::getline(segments, segment, '\\');) {
            MenuItem* found = nullptr;
            if (current == nullptr) {
                for (MenuItem* item : tree.PreOrder())
                    if (item->Rec().MenuName == segment)
                        found = item;
            } else {
                for (std::size_t k = current->ChildCount(); k-- > 0 && found == nullptr;)
                    if (current->Child(k)->Rec().MenuName == segment)
                        found = current->Child(k);
            }
            if (found == nullptr) {
                TMyRec rec;
                rec.MenuName = current == nullptr ? rootName : segment;
                found = current == nullptr ? tree.AppendRoot("", rec)
                                           : tree.AppendChild(current, "", rec);
            }
            current = found;
        }
    }
    std::string out;
    for (const MenuItem* item : tree.PreOrder())
        out +=
            std::string(static_cast<std::size_t>(item->Level()), ' ') + item->Rec().MenuName + "\n";
    return out;
}

// Hand-edited files whose paths reuse a few names everywhere, so that sub items are added in
// the middle of the tree again and again and items of one name must be told apart by their
// place in it; the reader must agree with the slow way.
TEST(MenuFileRead, FewNamesUsedAllOverTheTree)
{
    const char* names[] = {"A", "B", "C", "D"};
    std::uint32_t random = 12345;
    const auto next = [&](std::uint32_t below) {
        random = random * 1103515245u + 12345u;
        return (random >> 16) % below;
    };
    for (int round = 0; round < 4; ++round) {
        std::vector<std::pair<std::string, std::string>> entries;
        std::string file = "[Menus]\r\nMenuCount=3000\r\n";
        std::string data = "[MenuData]\r\n";
        for (int i = 0; i < 3000; ++i) {
            std::string path = names[next(4)];
            for (std::uint32_t depth = next(2 + round); depth > 0; --depth)
                path += std::string("\\") + names[next(4)];
            const std::string rootName = names[next(4)];
            entries.emplace_back(path, rootName);
            file += "Menu_" + std::to_string(i) + "=" + path + "\r\n";
            data += "MenuName_" + std::to_string(i) + "=" + rootName + "\r\n";
        }
        MenuTree tree;
        ReadMenuDocument(IniDocument::Parse(file + data), tree);
        std::string read;
        for (const MenuItem* item : tree.PreOrder())
            read += std::string(static_cast<std::size_t>(item->Level()), ' ') +
                    item->Rec().MenuName + "\n";
        ASSERT_EQ(read, ReadTheSlowWay(entries)) << "round " << round;
    }
}

TEST(MenuFileRead, StyleDefaultsAndStoredCodes)
{
    MenuTree tree;
    const MenuStyle defaults = ReadMenuDocument(IniDocument(), tree);
    EXPECT_TRUE(tree.Empty());
    MenuStyle expected;
    for (auto field : kStyleColors)
        expected.*field = 0;
    expected.MenuType = expected.TextAlign = expected.HorzAlign = expected.VertAlign = 0;
    expected.MenuTop = expected.MenuLeft = expected.LeftPadding = expected.TopPadding = 0;
    expected.BorderWidth = expected.OnMouseOver = 0;
    expected.MenuFont = "";
    expected.FontSize = 10;
    expected.FontBold = expected.FontItalic = true;
    expected.Arrows = kArrowsNone;
    expected.KeepHighlighted = expected.BorderBetween = true;
    EXPECT_EQ(defaults, expected);

    const std::string file = "[Main Colors]\r\nMainBG=-2147483643\r\nMainFont=0x1F\r\n"
                             "[Sub Colors]\r\nSubBG=16744448\r\n"
                             "[Options]\r\nMenuType=7\r\nTextAlign=3\r\nVertAlign=-1\r\n"
                             "MenuTop=-300\r\nBorderWidth=50\r\nFontSize=-1\r\nOnMouseOver=1\r\n"
                             "FontBold=2\r\nFontItalic=1\r\nKeepHighlighted=0\r\n"
                             "BorderBetween=\r\nArrows=5\r\nMenuFont=  Georgia  \r\n";
    const MenuStyle read = ReadMenuDocument(IniDocument::Parse(file), tree);
    EXPECT_EQ(read.MainBG, SystemColorRef(5));
    EXPECT_EQ(read.MainFont, 31u);
    EXPECT_EQ(read.SubBG, 16744448u);
    EXPECT_EQ(read.MainMOBG, 0u);
    EXPECT_EQ(read.MenuType, 7);
    EXPECT_EQ(read.TextAlign, 3);
    EXPECT_EQ(read.VertAlign, -1);
    EXPECT_EQ(read.MenuTop, -300);
    EXPECT_EQ(read.BorderWidth, 50);
    EXPECT_EQ(read.FontSize, -1);
    EXPECT_EQ(read.OnMouseOver, 1);
    EXPECT_FALSE(read.FontBold); // on only for exactly 1
    EXPECT_TRUE(read.FontItalic);
    EXPECT_FALSE(read.KeepHighlighted);
    EXPECT_TRUE(read.BorderBetween); // an empty value is no number: the default 1 is on
    EXPECT_EQ(read.Arrows, 5);
    EXPECT_EQ(read.MenuFont, "Georgia");

    const MenuStyle shown = StyleAsShown(read);
    EXPECT_EQ(shown.MenuType, kMenuVertical);
    EXPECT_EQ(shown.TextAlign, kNoChoice);
    EXPECT_EQ(shown.Arrows, kNoChoice);
    EXPECT_EQ(shown.BorderWidth, 20);
    EXPECT_EQ(shown.FontSize, 0);
    EXPECT_EQ(shown.MenuTop, -300);
}

// Each of the 27 settings is written under its own key and read back into its own field: a
// style whose settings all differ comes back whole. A code without an arrow choice leaves the
// Arrows key as the file has it.
TEST(MenuFileWrite, EveryStyleSettingHasItsOwnKey)
{
    MenuStyle style = test::DistinctStyle();
    // Codes outside their lists, which the file keeps as they are, make every number differ.
    style.MenuType = 21;
    style.TextAlign = 22;
    style.HorzAlign = 23;
    style.VertAlign = 24;
    style.OnMouseOver = 25;
    style.Arrows = kArrowsDark;
    IniDocument document;
    MenuTree tree;
    WriteMenuDocument(document, tree, style);

    const auto number = [](auto value) { return std::to_string(static_cast<std::int32_t>(value)); };
    const std::vector<std::tuple<std::string, std::string, std::string>> keys = {
        {"Main Colors", "MainBG", number(style.MainBG)},
        {"Main Colors", "MainMOBG", number(style.MainMOBG)},
        {"Main Colors", "MainFont", number(style.MainFont)},
        {"Main Colors", "MainFontMO", number(style.MainFontMO)},
        {"Main Colors", "MainBorder", number(style.MainBorder)},
        {"Sub Colors", "SubBG", number(style.SubBG)},
        {"Sub Colors", "SubMOBG", number(style.SubMOBG)},
        {"Sub Colors", "SubFont", number(style.SubFont)},
        {"Sub Colors", "SubFontMO", number(style.SubFontMO)},
        {"Sub Colors", "SubBorder", number(style.SubBorder)},
        {"Options", "MenuType", "21"},
        {"Options", "TextAlign", "22"},
        {"Options", "HorzAlign", "23"},
        {"Options", "VertAlign", "24"},
        {"Options", "MenuTop", "-40"},
        {"Options", "MenuLeft", "7"},
        {"Options", "LeftPadding", "4"},
        {"Options", "TopPadding", "6"},
        {"Options", "BorderWidth", "5"},
        {"Options", "OnMouseOver", "25"},
        {"Options", "MenuFont", "Verdana, sans-serif"},
        {"Options", "FontSize", "12"},
        {"Options", "FontBold", "1"},
        {"Options", "FontItalic", "0"},
        {"Options", "Arrows", "2"},
        {"Options", "KeepHighlighted", "0"},
        {"Options", "BorderBetween", "1"},
    };
    for (const auto& [section, key, value] : keys)
        EXPECT_EQ(document.Value(section, key), value) << section << "/" << key;
    MenuTree back;
    EXPECT_EQ(ReadMenuDocument(document, back), style);

    style.Arrows = kNoChoice;
    WriteMenuDocument(document, tree, style);
    EXPECT_EQ(document.Value("Options", "Arrows"), "2");
}

TEST_F(MenuFileTest, SavingOverAnExistingFile)
{
    const std::string path = PathOf("site.mnu");
    {
        std::ofstream out(path, std::ios::binary);
        out << "; my notes\r\n[Mine]\r\nkeep=this\r\n[Options]\r\nArrows=5\r\nExtra=1\r\n"
               "[Menus]\r\nstray=1\r\n";
    }
    MenuStyle noArrowChoice;
    noArrowChoice.Arrows = kNoChoice; // leaves the file's own key as it is
    noArrowChoice.MainBG = SystemColorRef(kButtonFace);
    MenuTree five;
    for (int i = 0; i < 5; ++i)
        five.AppendRoot("Item" + std::to_string(i));
    WriteMenuFile(path, five, noArrowChoice);

    MenuTree two;
    two.AppendRoot("One");
    two.AppendChild(two.Root(0), "Two");
    WriteMenuFile(path, two, noArrowChoice);

    const std::string text = ReadAll(path);
    EXPECT_TRUE(text.starts_with("; my notes\r\n[Mine]\r\nkeep=this\r\n[Options]\r\nArrows=5\r\n"
                                 "Extra=1\r\nMenuType=0\r\n"))
        << text;
    EXPECT_NE(text.find("MainBG=-2147483633\r\n"), std::string::npos);
    EXPECT_EQ(text.find("stray"), std::string::npos);
    for (const std::string key : {"Menu_2", "MenuName_2", "MenuText_4", "MenuHeight3", "Item"})
        EXPECT_EQ(text.find(key), std::string::npos) << key;
    EXPECT_NE(text.find("[Menus]\r\nMenuCount=2\r\nMenu_0=Menu1\r\nMenu_1=Menu1\\Menu1_1\r\n"
                        "[MenuData]\r\n"),
              std::string::npos);

    MenuTree back;
    EXPECT_EQ(ReadMenuFile(path, back).Arrows, 5);
    EXPECT_EQ(Describe(back), "Menu1 One http:// 20x80\n  Menu1_1 Two http:// 20x80\n");

    // Every section of the item names goes, also a second one written by hand.
    IniDocument twice = IniDocument::Parse("[Menus]\r\nMenu_9=X\r\n[MenuData]\r\nMenuName_9=X\r\n"
                                           "[Menus]\r\nMenu_8=Y\r\n[menudata]\r\nMenuText_8=Y\r\n");
    WriteMenuDocument(twice, two, MenuStyle{});
    const std::string serialised = twice.Serialise();
    EXPECT_EQ(serialised.find("Menu_9"), std::string::npos);
    EXPECT_EQ(serialised.find("Menu_8"), std::string::npos);
    EXPECT_EQ(serialised.find("MenuText_8"), std::string::npos);
}

TEST_F(MenuFileTest, TextsComeBackWhole)
{
    MenuTree tree;
    TMyRec rec;
    rec.Link = "http://example.com/?q=" + std::string(3000, 'x');
    rec.Height = -7;
    rec.Width = 2147483647;
    tree.AppendRoot("  padded  ", rec);
    rec.Link = "";
    tree.AppendRoot("\"quoted\"", rec);
    tree.AppendRoot("a=b; [c] \\d \xC3\xA9\xE2\x82\xAC", rec);
    tree.AppendRoot("", rec);
    MenuStyle style;
    style.MenuFont = " 'Segoe UI', Arial ";
    const std::string path = PathOf("texts.mnu");
    WriteMenuFile(path, tree, style);

    MenuTree back;
    EXPECT_EQ(ReadMenuFile(path, back), style);
    EXPECT_EQ(Describe(back), Describe(tree));
    EXPECT_EQ(back.Root(0)->Rec().Link.size(), 3022u);
}

TEST_F(MenuFileTest, AFailedSaveLeavesTheFileAsItWas)
{
    MenuTree tree;
    AddWorkedExample(tree);
    const std::string original = "[Mine]\r\nkeep=1\r\n";

    const std::string readOnly = PathOf("readonly.mnu");
    std::ofstream(readOnly, std::ios::binary) << original;
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    try {
        WriteMenuFile(readOnly, tree, MenuStyle{});
        ADD_FAILURE() << "a read-only file was written";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + readOnly);
    }
    EXPECT_EQ(ReadAll(readOnly), original);

    // A failure at the last step, with the new file complete beside the old one.
    const std::string failing = PathOf("failing.mnu");
    std::ofstream(failing, std::ios::binary) << original;
    SetWriteFaultHook([](WriteStep step) { return step == WriteStep::Rename; });
    EXPECT_THROW(WriteMenuFile(failing, tree, MenuStyle{}), FileError);
    SetWriteFaultHook({});
    EXPECT_EQ(ReadAll(failing), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2);

    const std::string noFolder = PathOf("missing/design.mnu");
    EXPECT_THROW(WriteMenuFile(noFolder, tree, MenuStyle{}), FileError);
}

TEST_F(MenuFileTest, OpeningWhatIsNotAFile)
{
    MenuTree tree;
    tree.AppendRoot("kept");
    try {
        ReadMenuFile(m_dir.string(), tree);
        ADD_FAILURE() << "a folder was read as a design";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + m_dir.string());
    }
    EXPECT_EQ(tree.Count(), 1u);

    MenuTree empty;
    const MenuStyle style = ReadMenuFile(PathOf("nothing-here.mnu"), empty);
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(style.FontSize, 10);
    EXPECT_TRUE(style.FontBold);
    EXPECT_EQ(style.MainBG, 0u);
}

TEST_F(MenuFileTest, ANameWhereNothingIsIsANewDesign)
{
    EXPECT_TRUE(IsNewDesignFile(PathOf("new.mnu")));
    EXPECT_TRUE(IsNewDesignFile(PathOf("missing/new.mnu")));
    MenuTree tree;
    tree.AppendRoot("Home");
    WriteMenuFile(PathOf("site.mnu"), tree, MenuStyle{});
    EXPECT_FALSE(IsNewDesignFile(PathOf("site.mnu")));
    EXPECT_FALSE(IsNewDesignFile(m_dir.string()));
    // Something there that cannot be read is not new: opening it tells why.
    std::filesystem::permissions(PathOf("site.mnu"), std::filesystem::perms::none);
    EXPECT_FALSE(IsNewDesignFile(PathOf("site.mnu")));
}

// Runs `work` on a thread with a small stack: anything recursive in the depth of the tree would
// overflow it.
template <class Work>
void OnSmallStack(Work work)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    const auto run = [](void* w) -> void* {
        (*static_cast<Work*>(w))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

MenuItem* Chain(MenuTree& tree, int depth)
{
    MenuItem* item = tree.AppendRoot("0");
    for (int level = 1; level < depth; ++level)
        item = tree.AppendChild(item, std::to_string(level));
    return item;
}

// Names grow with the depth, so the code of a chain grows with its square and its file with the
// cube; each step is taken as deep as stays small, the read of a hand-made path to 100,000.
TEST(MenuFileDeep, ChainsAreEmittedWrittenAndReadWithoutRecursion)
{
    std::size_t readCount = 0, readDepth = 0;
    bool pathMatches = false;
    std::string lastLine;
    std::size_t codeSize = 0;
    std::string roundTrip, original;
    OnSmallStack([&] {
        std::string path = "top";
        for (int i = 1; i < 100000; ++i)
            path += "\\s";
        MenuTree tree;
        ReadMenuDocument(IniDocument::Parse("[Menus]\r\nMenuCount=1\r\nMenu_0=" + path +
                                            "\r\n[MenuData]\r\nMenuName_0=top\r\n"),
                         tree);
        readCount = tree.Count();
        const MenuItem* deepest = tree.At(tree.Count() - 1);
        readDepth = static_cast<std::size_t>(deepest->Level());
        pathMatches = ItemPath(*deepest) == path;

        MenuTree emitted;
        Chain(emitted, 3000);
        const std::string code = BuildMenuArrays(emitted);
        codeSize = code.size();
        lastLine = code.substr(code.rfind("\r\n", code.size() - 3) + 2);

        MenuTree written;
        Chain(written, 200);
        IniDocument document;
        WriteMenuDocument(document, written, MenuStyle{});
        MenuTree read;
        ReadMenuDocument(IniDocument::Parse(document.Serialise()), read);
        original = Describe(written);
        roundTrip = Describe(read);
    });
    EXPECT_EQ(readCount, 100000u);
    EXPECT_EQ(readDepth, 99999u);
    EXPECT_TRUE(pathMatches);

    std::string name = "Menu1";
    for (int i = 1; i < 3000; ++i)
        name += "_1";
    EXPECT_EQ(lastLine,
              std::string(3000, ' ') + name + "=new Array(\"2999\",\"http://\",\"\",0,20,80);\r\n");
    EXPECT_GT(codeSize, 3000u * 3000u);

    EXPECT_EQ(roundTrip, original);
    EXPECT_EQ(std::count(original.begin(), original.end(), '\n'), 200);
}

// The publishing settings travel in their own section, the site folder relative to the file, and
// change nothing else of the file.
TEST_F(MenuFileTest, PublishSettingsHaveTheirOwnSection)
{
    MenuTree tree;
    AddWorkedExample(tree);
    const std::string path = PathOf("example.mnu");
    WriteMenuFile(path, tree, MenuStyle{});
    EXPECT_FALSE(ReadPublishSettings(LoadMenuDocument(path), path));

    PublishSettings settings;
    settings.siteFolder = (m_dir / "www" / "." / "").string();
    settings.menuFolder = "assets/menu";
    settings.menuName = "main";
    settings.leftOut = {"drafts/old page.html", "x.htm"};
    SavePublishSettings(path, settings);
    EXPECT_EQ(ReadAll(path), std::string(kWorkedExample) +
                                 "[Publish]\r\nSiteFolder=www\r\nMenuFolder=assets/menu\r\n"
                                 "MenuName=main\r\nLeftOutCount=2\r\n"
                                 "LeftOut_0=drafts/old page.html\r\nLeftOut_1=x.htm\r\n");
    settings.siteFolder = (m_dir / "www").string();
    EXPECT_EQ(ReadPublishSettings(LoadMenuDocument(path), path), settings);

    // The same settings again leave the file as it is; saving the design keeps them (the item
    // sections go to the end of the file, as they always do).
    const auto time = std::filesystem::last_write_time(path);
    SavePublishSettings(path, settings);
    EXPECT_EQ(std::filesystem::last_write_time(path), time);
    WriteMenuFile(path, tree, MenuStyle{});
    EXPECT_EQ(ReadPublishSettings(LoadMenuDocument(path), path), settings);
    // Older readers see the design alone.
    MenuTree back;
    EXPECT_EQ(ReadMenuFile(path, back), MenuStyle{});
    EXPECT_EQ(back.Count(), 3u);

    // A site beside the project's folder; fewer pages left out.
    settings.siteFolder = (m_dir.parent_path() / "site").string();
    settings.leftOut.pop_back();
    SavePublishSettings(path, settings);
    const std::string text = ReadAll(path);
    EXPECT_NE(text.find("SiteFolder=../site\r\n"), std::string::npos);
    EXPECT_EQ(text.find("LeftOut_1"), std::string::npos);
    EXPECT_EQ(ReadPublishSettings(LoadMenuDocument(path), path), settings);
}

} // namespace
} // namespace qv
