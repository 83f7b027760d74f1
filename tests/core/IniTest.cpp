#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"
#include "core/support/Ini_Unit.h"
#include "core/support/StringUtils.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

// A file full of what other programs and hand edits leave behind: text before the first header,
// comments, blank lines made of blanks, every kind of line break run, a key with no '=', a header
// with two ']', duplicate sections, and no break after the last line.
const std::string kForeign = "leading text before any section\r\n"
                             "; a comment\n\r\n"
                             "[First]\r"
                             "  Key1 = value one  \n\r"
                             "novalue\r\r\n"
                             "   \t \r\n"
                             "[ Second ]] trailing\n"
                             "k=\"quoted\"\n\n\n"
                             "[First]\r\n"
                             "dup=1";

TEST(IniDocumentTest, UntouchedLinesKeepTheirBytesAndBreaks)
{
    IniDocument doc = IniDocument::Parse(kForeign);
    EXPECT_EQ(doc.Serialise(), kForeign);

    EXPECT_EQ(doc.Value("first", "KEY1"), "value one");
    EXPECT_EQ(doc.Value("Second ]", "k"), "quoted");
    EXPECT_FALSE(doc.HasSection("Second"));
    EXPECT_EQ(doc.Value("First", "novalue"), std::nullopt);
    EXPECT_EQ(doc.Value("First", "dup"), std::nullopt) << "only the first [First] is searched";

    doc.WriteString("FIRST", "key1", "new");
    doc.WriteString("First", "added", "x");
    doc.WriteString("Second ]", "k2", "v");
    doc.WriteString("Third", "z", "1");
    EXPECT_EQ(doc.Serialise(), "leading text before any section\r\n"
                               "; a comment\n\r\n"
                               "[First]\r"
                               "Key1=new\n\r"
                               "novalue\r"
                               "added=x\r\n\r\n"
                               "   \t \r\n"
                               "[ Second ]] trailing\n"
                               "k=\"quoted\"\n"
                               "k2=v\r\n\n\n"
                               "[First]\r\n"
                               "dup=1\r\n"
                               "[Third]\r\n"
                               "z=1\r\n");
    // The written document parses to the same answers.
    const IniDocument again = IniDocument::Parse(doc.Serialise());
    EXPECT_EQ(again.Value("first", "key1"), "new");
    EXPECT_EQ(again.Value("first", "added"), "x");
    EXPECT_EQ(again.Value("second ]", "k2"), "v");
    EXPECT_EQ(again.Value("third", "Z"), "1");
}

TEST(IniDocumentTest, MatchingRules)
{
    const IniDocument doc = IniDocument::Parse("k=before any header\r\n"
                                               "[Main Colors]\r\n"
                                               ";MainBG=1\r\n"
                                               "MainBG = 16744448 \r\n"
                                               "mainbg=2\r\n"
                                               "flag\r\n"
                                               "flag=1\r\n"
                                               "url=http://a/?x=1&y=2\r\n"
                                               "[Open\r\n"
                                               "k=in open\r\n"
                                               "[main colors]\r\n"
                                               "other=3\r\n");
    EXPECT_EQ(doc.ReadInteger("MAIN COLORS", "mainBG", 0), 16744448);
    EXPECT_EQ(doc.ReadInteger(" Main Colors ", " MainBG ", 0), 16744448) << "names are trimmed";
    EXPECT_EQ(doc.Value("Main Colors", ";MainBG"), std::nullopt) << "a comment is no key";
    EXPECT_EQ(doc.Value("Main Colors", "flag"), std::nullopt) << "a key without '=' shadows";
    EXPECT_EQ(doc.ReadInteger("Main Colors", "flag", 7), 7);
    EXPECT_EQ(doc.Value("Main Colors", "url"), "http://a/?x=1&y=2");
    EXPECT_EQ(doc.Value("Main Colors", "k"), "in open") << "a line without ']' heads nothing";
    EXPECT_FALSE(doc.HasSection("Open"));
    EXPECT_EQ(doc.Value("Main Colors", "other"), std::nullopt);
    EXPECT_EQ(doc.Value("", "k"), std::nullopt);
    EXPECT_EQ(doc.Value("Nowhere", "k"), std::nullopt);
}

// Enough names to make the indexes grow many times, each name also present later in another
// letter case: the first of each name must win in parsed and in written documents alike.
TEST(IniDocumentTest, ManyNamesKeepTheFirstOfEach)
{
    std::string text;
    for (int s = 0; s < 2000; ++s)
        text += "[Sec" + std::to_string(s) + "]\nk=first" + std::to_string(s) + "\n";
    text += "[Big]\n";
    for (int k = 0; k < 20000; ++k)
        text += "Key" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    for (int k = 0; k < 20000; ++k)
        text += "KEY" + std::to_string(k) + "=dup\n";
    text += "[SEC7]\nk=second\n";

    IniDocument doc = IniDocument::Parse(text);
    for (int s = 0; s < 2000; s += 7)
        ASSERT_EQ(doc.Value("sec" + std::to_string(s), "K"), "first" + std::to_string(s));
    for (int k = 0; k < 20000; k += 13)
        ASSERT_EQ(doc.ReadInteger("big", "key" + std::to_string(k), -1), k);

    for (int k = 0; k < 20000; ++k)
        doc.WriteInteger("New", "n" + std::to_string(k), k);
    for (int k = 0; k < 20000; k += 2)
        doc.WriteInteger("NEW", "N" + std::to_string(k), -k);
    const IniDocument reread = IniDocument::Parse(doc.Serialise());
    for (int k = 0; k < 20000; k += 11)
        ASSERT_EQ(reread.ReadInteger("new", "n" + std::to_string(k), 1), k % 2 ? k : -k);
    EXPECT_TRUE(doc.EraseSection("Sec7"));
    EXPECT_EQ(doc.Value("sec7", "k"), "second");
}

TEST(IniDocumentTest, QuotesAndEmptyValues)
{
    const IniDocument doc = IniDocument::Parse("[Q]\n"
                                               "double=  \"  padded \"  \n"
                                               "single='x'\n"
                                               "mixed=\"x'\n"
                                               "lone=\"\n"
                                               "twice=\"\"x\"\"\n"
                                               "inner=a \"b\" c\n"
                                               "emptyquotes=''\n"
                                               "empty=   \n");
    EXPECT_EQ(doc.Value("Q", "double"), "  padded ");
    EXPECT_EQ(doc.Value("Q", "single"), "x");
    EXPECT_EQ(doc.Value("Q", "mixed"), "\"x'");
    EXPECT_EQ(doc.Value("Q", "lone"), "\"");
    EXPECT_EQ(doc.Value("Q", "twice"), "\"x\"") << "only one pair is removed";
    EXPECT_EQ(doc.Value("Q", "inner"), "a \"b\" c");
    EXPECT_EQ(doc.ReadString("Q", "emptyquotes", "dflt"), "dflt");
    EXPECT_EQ(doc.ReadString("Q", "empty", "dflt"), "dflt");
    EXPECT_EQ(doc.ReadString("Q", "missing", "dflt"), "dflt");
    EXPECT_EQ(doc.ReadInteger("Q", "empty", -4), -4);
}

TEST(IniDocumentTest, WrittenValuesReadBackAsWritten)
{
    const std::string longValue(100 * 1024, 'L');
    const std::string values[] = {"plain",    " lead",   "trail\t", "\"quoted\"", "'q'",
                                  "\"",       "'",       "\"x'",    "a=b=c",      "; not a comment",
                                  "[notsec]", longValue, "Café ✓"};
    IniDocument doc;
    int i = 0;
    for (const auto& value : values)
        doc.WriteString("V", std::string("k").append(std::to_string(i++)), value);
    const IniDocument reread = IniDocument::Parse(doc.Serialise());
    i = 0;
    for (const auto& value : values)
        EXPECT_EQ(reread.Value("V", std::string("k").append(std::to_string(i++))), value)
            << value.substr(0, 20);

    IniDocument one;
    one.WriteString("V", "k", "\"x\"");
    EXPECT_EQ(one.Serialise(), "[V]\r\nk=\"\"x\"\"\r\n");
    one.WriteString("V", "k", "");
    EXPECT_EQ(one.Serialise(), "[V]\r\nk=\r\n");
    EXPECT_EQ(one.ReadString("V", "k", "dflt"), "dflt");
}

TEST(IniDocumentTest, LineBreaksInTextCannotAddLines)
{
    IniDocument doc;
    doc.WriteString("Menus", "Menu_0", "Home\r\n[Options]\r\nFontSize=99");
    doc.WriteString("Menus\r\n[Evil]", "a\nb", "1");
    const IniDocument reread = IniDocument::Parse(doc.Serialise());
    EXPECT_FALSE(reread.HasSection("Options"));
    EXPECT_FALSE(reread.HasSection("Evil"));
    EXPECT_EQ(reread.Value("Menus", "Menu_0"), "Home  [Options]  FontSize=99");
    EXPECT_EQ(reread.Value("Menus  [Evil]", "a b"), "1");

    // Key names that no key line can hold are refused rather than written as something else.
    EXPECT_THROW(doc.WriteString("S", "a=b", "v"), std::invalid_argument);
    EXPECT_THROW(doc.WriteString("S", "[Evil]", "v"), std::invalid_argument);
    EXPECT_THROW(doc.WriteString("S", " ;c", "v"), std::invalid_argument);
    EXPECT_FALSE(doc.HasSection("S"));
}

TEST(IniDocumentTest, WhereWrittenLinesGo)
{
    // An existing key keeps its place, spelling and line break; a key without '=' gains one.
    IniDocument doc = IniDocument::Parse("[Opts]\n  FontSize = 10 \nflag\nflag=1\nK=1\nk=2\n");
    doc.WriteInteger("opts", "fontsize", -12);
    doc.WriteInteger("Opts", "FLAG", 2);
    doc.WriteInteger("Opts", "k", 3);
    EXPECT_EQ(doc.Serialise(), "[Opts]\nFontSize=-12\nflag=2\nflag=1\nK=3\nk=2\n");

    // A new key goes after the last non-blank line (comments count), before blank lines.
    doc = IniDocument::Parse("[A]\r\nx=1\r\n; about B\r\n  \r\n\t\r\n[B]\r\n");
    doc.WriteString("A", "y", "2");
    doc.WriteString("B", "z", "3");
    EXPECT_EQ(doc.Serialise(), "[A]\r\nx=1\r\n; about B\r\ny=2\r\n  \r\n\t\r\n[B]\r\nz=3\r\n");

    // Lines with no break of their own: the header, the last key, text before any header.
    doc = IniDocument::Parse("[A]");
    doc.WriteString("A", "k", "v");
    EXPECT_EQ(doc.Serialise(), "[A]\r\nk=v\r\n");
    doc = IniDocument::Parse("stray");
    doc.WriteString("S", "k", "v");
    EXPECT_EQ(doc.Serialise(), "stray\r\n[S]\r\nk=v\r\n");
    doc = IniDocument::Parse("");
    doc.WriteString("S", "k", "v");
    EXPECT_EQ(doc.Serialise(), "[S]\r\nk=v\r\n");

    // Keys written alternately into two sections each land in their own section, in order.
    doc = IniDocument::Parse("[Options]\r\nMenuType=0\r\n\r\n");
    for (int i = 0; i < 3; ++i) {
        doc.WriteString("Menus", "Menu_" + std::to_string(i), "Menu" + std::to_string(i + 1));
        doc.WriteInteger("MenuData", "MenuWidth" + std::to_string(i), 80 + i);
    }
    EXPECT_EQ(doc.Serialise(), "[Options]\r\nMenuType=0\r\n\r\n"
                               "[Menus]\r\nMenu_0=Menu1\r\nMenu_1=Menu2\r\nMenu_2=Menu3\r\n"
                               "[MenuData]\r\nMenuWidth0=80\r\nMenuWidth1=81\r\nMenuWidth2=82\r\n");
}

TEST(IniDocumentTest, EraseSection)
{
    IniDocument doc = IniDocument::Parse("[A]\r\nx=1\r\n; about B\r\n[B]\r\ny=1\r\n"
                                         "[a]\r\nx=2\r\n[B]\r\ny=2");
    EXPECT_FALSE(doc.EraseSection("Missing"));
    EXPECT_TRUE(doc.EraseSection("b"));
    EXPECT_EQ(doc.Serialise(), "[A]\r\nx=1\r\n; about B\r\n[a]\r\nx=2\r\n[B]\r\ny=2");
    EXPECT_EQ(doc.Value("B", "y"), "2") << "the next section of the name is searched now";
    EXPECT_EQ(doc.Value("A", "x"), "1");

    EXPECT_TRUE(doc.EraseSection("A"));
    EXPECT_EQ(doc.Value("A", "x"), "2");
    doc.WriteString("A", "x", "3");
    doc.WriteString("A", "new", "4");
    EXPECT_TRUE(doc.EraseSection("B"));
    doc.WriteString("C", "k", "v");
    EXPECT_EQ(doc.Serialise(), "[a]\r\nx=3\r\nnew=4\r\n[C]\r\nk=v\r\n");
    EXPECT_FALSE(doc.HasSection("B"));
}

TEST(IniDocumentTest, EncodingsAndByteOrderMark)
{
    // Not UTF-8: the whole file is Windows-1252 and is written back as UTF-8.
    IniDocument doc = IniDocument::Parse("[Caf\xE9]\r\nName=Ren\xE9"
                                         "e \x80 5\r\n");
    EXPECT_EQ(doc.Value("Café", "name"), "Renée € 5");
    EXPECT_EQ(doc.Serialise(), "[Café]\r\nName=Renée € 5\r\n");

    const std::string withBom = "\xEF\xBB\xBF[A]\r\nk=1\r\n";
    doc = IniDocument::Parse(withBom);
    EXPECT_EQ(doc.Value("A", "k"), "1");
    EXPECT_EQ(doc.Serialise(), withBom);
    doc.WriteString("A", "k", "2");
    EXPECT_EQ(doc.Serialise(), "\xEF\xBB\xBF[A]\r\nk=2\r\n");

    // Only the first mark is the file's; a second one is text of the first line and stays.
    const std::string twoMarks = "\xEF\xBB\xBF\xEF\xBB\xBF[A]\r\nk=1\r\n";
    EXPECT_EQ(IniDocument::Parse(twoMarks).Serialise(), twoMarks);
    EXPECT_EQ(IniDocument::Parse(std::string(twoMarks)).Serialise(), twoMarks);

    // A mark in front of a file that is otherwise Windows-1252 still does not hide the header.
    doc = IniDocument::Parse("\xEF\xBB\xBF[A]\r\nk=caf\xE9\r\n");
    EXPECT_EQ(doc.Value("A", "k"), "café");
    EXPECT_EQ(doc.Serialise(), "\xEF\xBB\xBF[A]\r\nk=café\r\n");

    // A value that is not UTF-8 is taken as Windows-1252 too, so the file stays UTF-8.
    doc = IniDocument::Parse("[A]\r\nother=é\r\n");
    doc.WriteString("A", "k", "na\xEFve");
    EXPECT_EQ(IniDocument::Parse(doc.Serialise()).Value("A", "other"), "é");
    EXPECT_EQ(IniDocument::Parse(doc.Serialise()).Value("A", "k"), "naïve");
}

TEST(IniDocumentTest, Integers)
{
    const IniDocument doc = IniDocument::Parse("[N]\nhex=0x1F\nHEX2=0XfF\ndollar=$ff\nabc=abc\n"
                                               "bare0x=0x\nbare$=$\nneg=-2147483648\n"
                                               "over=2147483648\nquoted=\"42\"\npadded=  7 \n"
                                               "tail=12abc\nall=0xFFFFFFFF\n");
    EXPECT_EQ(doc.ReadInteger("N", "hex", -1), 31);
    EXPECT_EQ(doc.ReadInteger("N", "hex2", -1), 255);
    EXPECT_EQ(doc.ReadInteger("N", "dollar", -1), 255);
    EXPECT_EQ(doc.ReadInteger("N", "abc", -1), -1);
    EXPECT_EQ(doc.ReadInteger("N", "bare0x", -1), -1);
    EXPECT_EQ(doc.ReadInteger("N", "bare$", -1), -1);
    EXPECT_EQ(doc.ReadInteger("N", "neg", -1), -2147483647 - 1);
    EXPECT_EQ(doc.ReadInteger("N", "over", -1), -1);
    EXPECT_EQ(doc.ReadInteger("N", "quoted", -1), 42);
    EXPECT_EQ(doc.ReadInteger("N", "padded", -1), 7);
    EXPECT_EQ(doc.ReadInteger("N", "tail", -1), -1);
    EXPECT_EQ(doc.ReadInteger("N", "all", 0), -1);
    EXPECT_EQ(doc.ReadInteger("N", "missing", 10), 10);
}

TEST(IniDocumentTest, CopiesAreIndependent)
{
    IniDocument a = IniDocument::Parse("[S]\r\nk=1\r\n");
    IniDocument b = a;
    b.WriteString("S", "k", "2");
    b.WriteString("S", "n", "3");
    EXPECT_EQ(a.Serialise(), "[S]\r\nk=1\r\n");
    a = b;
    b.WriteString("S", "k", "4");
    EXPECT_EQ(a.Value("S", "k"), "2");
    IniDocument c = std::move(a);
    EXPECT_EQ(c.Value("S", "n"), "3");
    a.WriteString("T", "k", "v"); // a moved-from document is empty and usable
    EXPECT_EQ(a.Serialise(), "[T]\r\nk=v\r\n");

    // A copy rewrites its written lines from its own copy of their text, also when that text is
    // short and the next line needs room elsewhere.
    IniDocument small;
    small.WriteString("S", "k", "v");
    IniDocument copy = small;
    for (std::size_t size = 100; size < 5000; size += 700)
        copy.WriteString("S", "k", std::string(size, 'x'));
    copy.WriteString("s", "K", "done");
    EXPECT_EQ(copy.Serialise(), "[S]\r\nk=done\r\n");
    EXPECT_EQ(small.Serialise(), "[S]\r\nk=v\r\n");
}

// Every key line of a section as the walk gives it: "name=value" or "name" for a line without '='.
std::vector<std::string> Walk(const IniDocument& doc, std::string_view section)
{
    std::vector<std::string> out;
    for (auto keys = doc.Keys(section); keys.Next();) {
        std::string line(keys.Name());
        if (const auto value = keys.Value())
            line.append("=").append(*value);
        out.push_back(line);
    }
    return out;
}

TEST(IniDocumentTest, KeyLinesWalkASectionInFileOrder)
{
    const IniDocument doc = IniDocument::Parse("k=before any header\r\n"
                                               "[Menus]\r\n"
                                               "; comment=1\r\n"
                                               "  Menu_1 =  ' x '  \r\n"
                                               "\r\n"
                                               "flag\r\n"
                                               "MENU_1=second\r\n"
                                               "empty=\r\n"
                                               "=no name\r\n"
                                               "url=a=b\r\n"
                                               "[Other]\r\n"
                                               "o=1\r\n"
                                               "[menus]\r\n"
                                               "later=1\r\n");
    EXPECT_EQ(Walk(doc, " MENUS "), (std::vector<std::string>{"Menu_1= x ", "flag", "MENU_1=second",
                                                              "empty=", "=no name", "url=a=b"}));
    EXPECT_TRUE(Walk(doc, "Missing").empty());
    EXPECT_TRUE(Walk(doc, "").empty()) << "the lines before the first header are no section";
    EXPECT_TRUE(Walk(IniDocument(), "Menus").empty());

    // The first line of each name answers as Value() does, in parsed and in written lines.
    IniDocument edited = IniDocument::Parse(kForeign);
    edited.WriteString("First", "Key1", "\"q\"");
    edited.WriteString("First", "added", " padded ");
    edited.AppendString("First", "ADDED", "shadowed");
    std::vector<std::string> seen;
    for (auto keys = edited.Keys("first"); keys.Next();) {
        if (std::find(seen.begin(), seen.end(), AsciiLower(keys.Name())) != seen.end())
            continue;
        seen.push_back(AsciiLower(keys.Name()));
        const auto value = keys.Value();
        EXPECT_EQ(value ? std::optional<std::string>(*value) : std::nullopt,
                  edited.Value("First", keys.Name()))
            << keys.Name();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"key1", "novalue", "added"}));
}

// A writer that knows its keys are new appends them: the bytes must be those that WriteString
// gives, wherever the section ends.
TEST(IniDocumentTest, AppendedKeysLandWhereWrittenKeysWould)
{
    const std::string files[] = {
        "",
        "stray",
        "[A]",
        "[A]\r\nx=1",
        "[A]\r\nx=1\r\n; about B\r\n  \r\n\t\r\n[B]\r\n",
        "[B]\r\ny=1\n\n\n[A]\n\n  \nx=1\r\r\n\n",
        "; notes\r\n\r\n",
    };
    for (const std::string& file : files) {
        IniDocument written = IniDocument::Parse(file);
        IniDocument appended = IniDocument::Parse(file);
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i);
            const std::string value = std::string(" v").append(n);
            written.WriteString("A", std::string("Key").append(n), value);
            written.WriteInteger("B", std::string("Num").append(n), -i);
            appended.AppendString("A", std::string("Key").append(n), value);
            appended.AppendInteger(" B ", std::string("Num").append(n), -i);
        }
        EXPECT_EQ(appended.Serialise(), written.Serialise()) << file;
    }

    // Appending does not look for the key: a second line of the name, which the first shadows
    // whether or not the section has been searched before.
    for (const bool searchedFirst : {false, true}) {
        IniDocument doc = IniDocument::Parse("[S]\r\nk=1\r\n");
        if (searchedFirst) {
            EXPECT_EQ(doc.Value("S", "k"), "1");
        }
        doc.AppendString("S", "K", "2");
        doc.AppendString("S", "new", "3");
        EXPECT_EQ(doc.Serialise(), "[S]\r\nk=1\r\nK=2\r\nnew=3\r\n");
        EXPECT_EQ(doc.Value("S", "k"), "1");
        EXPECT_EQ(doc.Value("S", "NEW"), "3");
        doc.WriteString("S", "new", "4");
        EXPECT_EQ(doc.Serialise(), "[S]\r\nk=1\r\nK=2\r\nnew=4\r\n");
    }

    // Appends go to the first section of the name as it is now, also after sections have gone.
    IniDocument runs = IniDocument::Parse("[S]\r\n[T]\r\n");
    runs.AppendString("T", "a", "1");
    runs.AppendString("S", "b", "2");
    runs.AppendString("T", "c", "3");
    EXPECT_TRUE(runs.EraseSection("T"));
    runs.AppendString("T", "d", "4");
    runs.AppendString("T", "e", "5");
    IniDocument copy = runs;
    EXPECT_EQ(runs.EraseSections("s"), 1u);
    runs.AppendString("T", "f", "6");
    copy.AppendString("T", "g", "7");
    EXPECT_EQ(runs.Serialise(), "[T]\r\nd=4\r\ne=5\r\nf=6\r\n");
    EXPECT_EQ(copy.Serialise(), "[S]\r\nb=2\r\n[T]\r\nd=4\r\ne=5\r\ng=7\r\n");

    // Names and values are cleaned and refused as WriteString does.
    IniDocument doc;
    doc.AppendString("S\r\n[T]", " a\nb ", "x\r\ny");
    doc.AppendString("S  [T]", "q", "\"quoted\"");
    EXPECT_EQ(doc.Serialise(), "[S  [T]]\r\na b=x  y\r\nq=\"\"quoted\"\"\r\n");
    EXPECT_THROW(doc.AppendString("S", "a=b", "v"), std::invalid_argument);
    EXPECT_THROW(doc.AppendInteger("S", ";c", 1), std::invalid_argument);
    EXPECT_FALSE(doc.HasSection("S"));
}

TEST(IniDocumentTest, EraseEverySectionOfAName)
{
    IniDocument doc = IniDocument::Parse("[Menus]\r\nleading=1\r\n"
                                         "[Menus]\r\nMenu_9=X\r\n"
                                         "; about data\r\n"
                                         "[MenuData]\r\nMenuName_9=X\r\n"
                                         "[Keep]\r\nk=1\r\n"
                                         "[ menus ]\r\nMenu_8=Y\r\n"
                                         "[menudata]\r\nMenuText_8=Y");
    EXPECT_EQ(doc.EraseSections("Nothing"), 0u);
    EXPECT_EQ(doc.EraseSections("MENUS"), 3u);
    EXPECT_EQ(doc.EraseSections("MenuData"), 2u);
    EXPECT_EQ(doc.Serialise(), "[Keep]\r\nk=1\r\n");
    EXPECT_FALSE(doc.HasSection("Menus"));
    EXPECT_EQ(doc.Value("keep", "k"), "1");
    doc.WriteString("Menus", "MenuCount", "0");
    EXPECT_EQ(doc.Serialise(), "[Keep]\r\nk=1\r\n[Menus]\r\nMenuCount=0\r\n");

    // Text before the first header is no section, whatever it looks like.
    doc = IniDocument::Parse("Menus\r\n[Menus]\r\n");
    EXPECT_EQ(doc.EraseSections("Menus"), 1u);
    EXPECT_EQ(doc.Serialise(), "Menus\r\n");
}

// A header is a line whose first character other than a blank is '[', whatever else holds one.
TEST(IniDocumentTest, HeadersAreLinesThatStartWithABracket)
{
    const std::string file = "k=[x]\r\n[A]\r\na=[B]\r\n  \t[ B ]\r\nb=1\r\nnot [C]\r\n"
                             "\r[C]\rc=1\n[[D]]\nd=1\n x[E]\n;[F]\n[";
    IniDocument doc = IniDocument::Parse(file);
    EXPECT_EQ(doc.Value("A", "a"), "[B]");
    EXPECT_EQ(doc.Value("B", "b"), "1");
    EXPECT_EQ(doc.Value("B", "not [C]"), std::nullopt);
    EXPECT_EQ(doc.Value("C", "c"), "1");
    EXPECT_EQ(doc.Value("[D]", "d"), "1");
    EXPECT_EQ(Walk(doc, "[D]"), (std::vector<std::string>{"d=1", "x[E]", "["}));
    for (const char* name : {"x", "E", "F", "not [C", ""})
        EXPECT_FALSE(doc.HasSection(name)) << name;
    EXPECT_EQ(doc.Serialise(), file);
    doc.WriteString("B", "b", "2");
    EXPECT_EQ(doc.Serialise(), "k=[x]\r\n[A]\r\na=[B]\r\n  \t[ B ]\r\nb=2\r\nnot [C]\r\n"
                               "\r[C]\rc=1\n[[D]]\nd=1\n x[E]\n;[F]\n[");
}

// Lines of every length up to a few words, ended by every kind of break run, with bytes around
// them whose low bits are those of CR or LF: each line must be found whole where it is, so the
// file reads every key and serialises to the same bytes.
TEST(IniDocumentTest, LinesOfEveryLengthAndBreak)
{
    const std::string breaks[] = {"\n", "\r", "\r\n", "\n\r", "\r\r\n\n", "\n\n\n"};
    const std::string fillers[] = {"x", "\xC4\x8A", "\xC4\x8D", "\x0B", "\x0C", "\t"};
    for (const std::string& lead : {std::string(), std::string(" \t ")}) {
        std::string file = lead + "[S]\n";
        std::vector<std::pair<std::string, std::string>> expected;
        int n = 0;
        for (std::size_t length = 0; length < 20; ++length) {
            for (const std::string& lineBreak : breaks) {
                const std::string key = std::string("k").append(std::to_string(n++));
                // Bars at both ends keep blanks among the fillers from being trimmed.
                std::string value = "|";
                while (value.size() < length)
                    value += fillers[(value.size() + length) % std::size(fillers)];
                value += "|";
                file += key + "=" + value + lineBreak;
                expected.emplace_back(key, value);
            }
        }
        file += "last=end";
        expected.emplace_back("last", "end");
        for (const bool owned : {false, true}) {
            const IniDocument doc =
                owned ? IniDocument::Parse(std::string(file)) : IniDocument::Parse(file);
            EXPECT_EQ(doc.Serialise(), file);
            for (const auto& [key, value] : expected)
                ASSERT_EQ(doc.Value("S", key), value) << key << (owned ? " owned" : "");
        }
    }
}

// Bytes the document may keep are parsed in place; the answers must be those of a copy, with and
// without a byte-order mark, also for text that has to be decoded.
TEST(IniDocumentTest, ParsingBytesItKeeps)
{
    const std::string files[] = {kForeign,
                                 "\xEF\xBB\xBF[A]\r\nk=1\r\n",
                                 "\xEF\xBB\xBF",
                                 "\xEF\xBB\xBFk=1\r\n[A]",
                                 "[Caf\xE9]\r\nName=Ren\xE9\r\n",
                                 "\xEF\xBB\xBF[A]\r\nk=caf\xE9\r\n",
                                 "[A]\r\nk=caf\xC3\xA9\r\n",
                                 ""};
    for (const std::string& file : files) {
        const IniDocument copied = IniDocument::Parse(std::string_view(file));
        IniDocument kept = IniDocument::Parse(std::string(file));
        EXPECT_EQ(kept.Serialise(), copied.Serialise()) << file;
        EXPECT_EQ(kept.Value("A", "k"), copied.Value("A", "k")) << file;
        kept.WriteString("A", "k", "2");
        EXPECT_EQ(kept.Value("A", "k"), "2");
        EXPECT_EQ(IniDocument::Parse(kept.Serialise()).Value("A", "k"), "2") << file;
    }
}

class IniFileTest : public test::FolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FolderTest::SetUp());
        m_path = PathOf("quorvane.ini");
    }

    std::string m_path;
};

TEST_F(IniFileTest, OneCallRoutinesOnAFile)
{
    EXPECT_EQ(IniReadInteger(m_path, "Prompts", "QuorvaneNote", 0), 0);
    EXPECT_EQ(IniReadString(m_path, "Prompts", "QuorvaneNote", "none"), "none");
    EXPECT_NO_THROW(IniEraseSection(m_path, "Menus"));
    EXPECT_FALSE(fs::exists(m_path)) << "erasing from a missing file writes nothing";

    EXPECT_TRUE(IniWriteInteger(m_path, "Prompts", "QuorvaneNote", 1));
    EXPECT_TRUE(IniWriteString(m_path, "Options", "MenuFont", "Tahoma, Verdana"));
    EXPECT_EQ(test::ReadAll(m_path), "[Prompts]\r\nQuorvaneNote=1\r\n[Options]\r\nMenuFont=Tahoma, "
                                     "Verdana\r\n");
    EXPECT_EQ(IniReadInteger(m_path, "prompts", "quorvanenote", 0), 1);
    EXPECT_EQ(IniReadString(m_path, "Options", "MenuFont", ""), "Tahoma, Verdana");

    IniEraseSection(m_path, "PROMPTS");
    EXPECT_EQ(test::ReadAll(m_path), "[Options]\r\nMenuFont=Tahoma, Verdana\r\n");

    EXPECT_FALSE(IniWriteString(m_path, "Options", "a=b", "v"));
    EXPECT_EQ(test::ReadAll(m_path), "[Options]\r\nMenuFont=Tahoma, Verdana\r\n");
}

TEST_F(IniFileTest, WritesThatCannotBeDoneFailAndKeepTheFile)
{
    const std::string original = "; hand-made\n[Menus]\nMenu_0=Menu1\n";
    test::WriteAll(m_path, original);
    ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);

    EXPECT_FALSE(IniWriteString(m_path, "Menus", "Menu_0", "x"));
    EXPECT_FALSE(IniWriteInteger(m_path, "Menus", "MenuCount", 1));
    EXPECT_NO_THROW(IniEraseSection(m_path, "MenuData")) << "nothing to erase, nothing to write";
    try {
        IniEraseSection(m_path, "Menus");
        ADD_FAILURE() << "erasing from a read-only file must fail";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + m_path);
    }
    EXPECT_EQ(test::ReadAll(m_path), original);
    EXPECT_EQ(IniReadString(m_path, "Menus", "Menu_0", ""), "Menu1");

    const std::string inMissingFolder = (m_dir / "missing" / "x.mnu").string();
    EXPECT_FALSE(IniWriteString(inMissingFolder, "Menus", "Menu_0", "x"));
    EXPECT_NO_THROW(IniEraseSection(inMissingFolder, "Menus"));
    EXPECT_FALSE(fs::exists(m_dir / "missing"));

    // A folder where the file should be: nothing to read, nothing written.
    const std::string folder = (m_dir / "folder.ini").string();
    fs::create_directory(folder);
    EXPECT_EQ(IniReadInteger(folder, "S", "k", 5), 5);
    EXPECT_FALSE(IniWriteInteger(folder, "S", "k", 1));
    EXPECT_THROW(IniEraseSection(folder, "S"), FileError);
}

// A file that is there but cannot be read must not be replaced by a file holding only the key
// written. Root reads anything, so the routines run in a child process as an unprivileged user.
TEST_F(IniFileTest, UnreadableFileIsNotReplaced)
{
    const std::string original = "[Menus]\r\nMenu_0=Menu1\r\n";
    test::WriteAll(m_path, original);
    ASSERT_EQ(chmod(m_path.c_str(), 0222), 0); // writable, not readable
    ASSERT_EQ(chmod(m_dir.c_str(), 0777), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(10);
        if (IniWriteString(m_path, "Menus", "Menu_1", "x"))
            _exit(11);
        try {
            IniEraseSection(m_path, "Menus");
            _exit(12);
        } catch (const FileError&) {
        }
        try {
            IniDocument::Load(m_path).Save(m_path);
            _exit(13);
        } catch (const FileError&) {
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadAll(m_path), original);
}

// The desktop's profile-file service, which wrote and read users' files before us, does four
// things that files in the wild rely on; each is checked on a file that holds its case.
TEST_F(IniFileTest, FilesOfTheDesktopServiceReadAndWriteAsThereAndBack)
{
    // Control characters around lines, names and values are trimmed like blanks: an old editor's
    // end-of-file mark after the last value, a form feed before a header, tabs and vertical tabs.
    test::WriteAll(m_path, "\f[Prompts]\v\r\n\tQuorvaneNote\f=\v3\x1A");
    EXPECT_EQ(IniReadInteger(m_path, "Prompts", "QuorvaneNote", 0), 3);
    const std::string menu = (m_dir / "old.mnu").string();
    test::WriteAll(menu,
                   "[Menus]\r\nMenuCount=1\r\nMenu_0=Menu1\r\n[MenuData]\r\nMenuName_0=Menu1\r\n"
                   "MenuText_0=\tHome\x0B\r\nMenuHeight0=24\r\nMenuWidth0=120\x1A");
    MenuTree tree;
    ReadMenuFile(menu, tree);
    ASSERT_EQ(tree.Count(), 1u);
    EXPECT_EQ(tree.At(0)->Text(), "Home");
    EXPECT_EQ(tree.At(0)->Rec().Height, 24);
    EXPECT_EQ(tree.At(0)->Rec().Width, 120) << "the value before the end-of-file mark";

    // A line with '[' and no ']' is a typo in a key line, not a header hiding what follows.
    test::WriteAll(m_path, "[Options]\r\nMenuFont=Arial\r\n[Options\r\nFontSize=12\r\n");
    EXPECT_EQ(IniReadInteger(m_path, "Options", "FontSize", 10), 12);
    EXPECT_TRUE(IniWriteInteger(m_path, "Options", "FontSize", 14));
    EXPECT_EQ(test::ReadAll(m_path), "[Options]\r\nMenuFont=Arial\r\n[Options\r\nFontSize=14\r\n");

    // Blanks before the digits inside the quotes: the number all the same.
    test::WriteAll(m_path, "[N]\r\na=\" 12\"\r\nb=' 0x1F'\r\nc=\"\t-7\"\r\nd=\"12 \"\r\n");
    EXPECT_EQ(IniReadInteger(m_path, "N", "a", 0), 12);
    EXPECT_EQ(IniReadInteger(m_path, "N", "b", 0), 31);
    EXPECT_EQ(IniReadInteger(m_path, "N", "c", 0), -7);
    EXPECT_EQ(IniReadInteger(m_path, "N", "d", 0), 0) << "what follows the digits still counts";

    // Writing the value a key already holds leaves the file as it is: its bytes (here LF breaks,
    // odd spacing and Windows-1252 text that a write turns into CR LF and UTF-8) and its time.
    const std::string old = "[prompts]\nquorvanenote = 1 \n[Options]\nMenuFont=\" Caf\xE9 \"\n";
    test::WriteAll(m_path, old);
    const struct timespec times[2] = {{978307200, 0}, {978307200, 0}}; // 1 January 2001
    ASSERT_EQ(utimensat(AT_FDCWD, m_path.c_str(), times, 0), 0);
    const auto modified = [&] {
        struct stat st
        {
        };
        EXPECT_EQ(stat(m_path.c_str(), &st), 0);
        return st.st_mtim.tv_sec;
    };
    EXPECT_TRUE(IniWriteInteger(m_path, "Prompts", "QuorvaneNote", 1));
    EXPECT_TRUE(IniWriteString(m_path, "OPTIONS", "menufont", " Caf\xC3\xA9 "));
    EXPECT_EQ(test::ReadAll(m_path), old);
    EXPECT_EQ(modified(), 978307200);
    EXPECT_TRUE(IniWriteString(m_path, "Options", "MenuFont", "Caf\xC3\xA9"));
    EXPECT_EQ(test::ReadAll(m_path),
              "[prompts]\nquorvanenote = 1 \n[Options]\nMenuFont=Caf\xC3\xA9\n");
    EXPECT_NE(modified(), 978307200);

    // The document says when a write changed nothing.
    IniDocument doc = IniDocument::Parse("[S]\nk = \"v\" \n");
    EXPECT_FALSE(doc.WriteString("s", "K", "v"));
    EXPECT_EQ(doc.Serialise(), "[S]\nk = \"v\" \n");
    EXPECT_TRUE(doc.WriteString("S", "k", " v"));
    EXPECT_EQ(doc.Serialise(), "[S]\nk=\" v\"\n");
    EXPECT_TRUE(doc.WriteInteger("T", "n", 0));
    EXPECT_FALSE(doc.WriteInteger("T", "n", 0));
}

} // namespace
} // namespace qv
