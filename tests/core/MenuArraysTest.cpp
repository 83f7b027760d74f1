#include "core/codegen/MenuArrays.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

TMyRec Rec(std::string link, std::int32_t height, std::int32_t width)
{
    TMyRec rec;
    rec.Link = std::move(link);
    rec.Height = height;
    rec.Width = width;
    rec.MenuName = "stale";
    rec.ChildSeq = 99;
    return rec;
}

TEST(MenuArrays, ExampleDesignByteForByte)
{
    MenuTree tree;
    MenuItem* home = tree.AppendRoot("Home", Rec("index.html", 20, 80));
    MenuItem* products = tree.AppendRoot("Products", Rec("http://", 20, 120));
    MenuItem* tools = tree.AppendChild(products, "Tools", Rec("tools.html", 20, 80));
    MenuItem* parts = tree.AppendChild(products, "Parts", Rec("parts.html", 20, 80));
    MenuItem* bolts = tree.AppendChild(parts, "Bolts", Rec("bolts.html", 18, 100));

    EXPECT_EQ(BuildMenuArrays(tree),
              "\r\n"
              "Menu1=new Array(\"Home\",\"index.html\",\"\",0,20,80);\r\n"
              "\r\n"
              "Menu2=new Array(\"Products\",\"http://\",\"\",2,20,120);\r\n"
              "  Menu2_1=new Array(\"Tools\",\"tools.html\",\"\",0,20,80);\r\n"
              "  Menu2_2=new Array(\"Parts\",\"parts.html\",\"\",1,20,80);\r\n"
              "   Menu2_2_1=new Array(\"Bolts\",\"bolts.html\",\"\",0,18,100);\r\n");

    // The names stay in the records; the counters end up as the number of sub items.
    const std::vector<std::pair<MenuItem*, std::string>> names = {{home, "Menu1"},
                                                                  {products, "Menu2"},
                                                                  {tools, "Menu2_1"},
                                                                  {parts, "Menu2_2"},
                                                                  {bolts, "Menu2_2_1"}};
    for (const auto& [item, name] : names) {
        EXPECT_EQ(item->Rec().MenuName, name);
        EXPECT_EQ(item->Rec().ChildSeq, static_cast<std::int32_t>(item->ChildCount()));
    }
    EXPECT_EQ(CountItemsAtLevel(tree, 0), 2u);
    EXPECT_EQ(CountItemsAtLevel(tree, 1), 2u);
    EXPECT_EQ(CountItemsAtLevel(tree, 2), 1u);
    EXPECT_EQ(CountItemsAtLevel(tree, 3), 0u);
}

TEST(MenuArrays, NamingAndLayoutCases)
{
    {
        MenuTree empty;
        EXPECT_EQ(BuildMenuArrays(empty), "");
        EXPECT_EQ(CountItemsAtLevel(empty, 0), 0u);
    }
    {
        // Only roots: an empty line before each, no indentation; empty link and negative sizes.
        MenuTree tree;
        tree.AppendRoot("A", Rec("", -5, 0));
        tree.AppendRoot("B", Rec("b.html", 20, 80));
        EXPECT_EQ(BuildMenuArrays(tree), "\r\nMenu1=new Array(\"A\",\"\",\"\",0,-5,0);\r\n"
                                         "\r\nMenu2=new Array(\"B\",\"b.html\",\"\",0,20,80);\r\n");
    }
    {
        // Numbering restarts under every parent, a tenth child has no padding and keeps the
        // indentation of its depth, and the count is of direct sub items only.
        MenuTree tree;
        MenuItem* first = tree.AppendRoot("First");
        for (int i = 1; i <= 10; ++i) {
            std::string text = "C";
            text += std::to_string(i);
            tree.AppendChild(first, text);
        }
        MenuItem* second = tree.AppendRoot("Second");
        MenuItem* only = tree.AppendChild(second, "Only");
        for (int i = 0; i < 3; ++i)
            tree.AppendChild(only, "G");
        const std::string out = BuildMenuArrays(tree);
        EXPECT_NE(out.find("\r\nMenu1=new Array(\"First\",\"http://\",\"\",10,20,80);\r\n"),
                  std::string::npos);
        EXPECT_NE(out.find("\r\n  Menu1_10=new Array(\"C10\","), std::string::npos);
        EXPECT_NE(out.find("\r\nMenu2=new Array(\"Second\",\"http://\",\"\",1,"),
                  std::string::npos);
        EXPECT_NE(out.find("\r\n  Menu2_1=new Array(\"Only\",\"http://\",\"\",3,"),
                  std::string::npos);
        EXPECT_NE(out.find("\r\n   Menu2_1_3=new Array(\"G\""), std::string::npos);
    }
    {
        // Names are recomputed from scratch: after the second of three roots goes, the third is
        // Menu2 and its sub items follow it.
        MenuTree tree;
        tree.AppendRoot("A");
        MenuItem* b = tree.AppendRoot("B");
        MenuItem* c = tree.AppendRoot("C");
        MenuItem* c1 = tree.AppendChild(c, "C1");
        BuildMenuArrays(tree);
        EXPECT_EQ(c1->Rec().MenuName, "Menu3_1");
        tree.Remove(b);
        BuildMenuArrays(tree);
        EXPECT_EQ(c->Rec().MenuName, "Menu2");
        EXPECT_EQ(c1->Rec().MenuName, "Menu2_1");
        // A sub item appended under an earlier root is named by its own place, not by order of
        // creation.
        MenuItem* a2 = tree.AppendChild(tree.Root(0), "A1");
        EXPECT_EQ(BuildMenuArrays(tree),
                  "\r\nMenu1=new Array(\"A\",\"http://\",\"\",1,20,80);\r\n"
                  "  Menu1_1=new Array(\"A1\",\"http://\",\"\",0,20,80);\r\n"
                  "\r\nMenu2=new Array(\"C\",\"http://\",\"\",1,20,80);\r\n"
                  "  Menu2_1=new Array(\"C1\",\"http://\",\"\",0,20,80);\r\n");
        EXPECT_EQ(a2->Rec().MenuName, "Menu1_1");
    }
}

TEST(MenuArrays, ScriptStringEscapes)
{
    struct Case
    {
        std::string text;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"Plain text, <b>bold<br> 100% & 'co'.", "Plain text, <b>bold<br> 100% & 'co'."},
        {"<b>bold</b>", "<b>bold\\u003C/b>"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\dir\\", "C:\\\\dir\\\\"},
        {"</script><script>x()", "\\u003C/script><script>x()"},
        {"a <!-- b --> c", "a \\u003C!-- b --> c"},
        {"<!- <", "<!- <"},
        {"<", "<"},
        {"line1\r\nline2\tend\n", "line1\\r\\nline2\\tend\\n"},
        {std::string("nul\0bell\x07", 9), "nul\\u0000bell\\u0007"},
        {"\x7F", "\\u007F"},
        {"caf\xC3\xA9", "caf\\u00E9"},
        {"\xE2\x80\xA8|\xE2\x80\xA9", "\\u2028|\\u2029"},
        {"\xE2\x82\xAC", "\\u20AC"},
        {"\xEF\xBF\xBF", "\\uFFFF"},
        {"\xF0\x9F\x98\x80", "\\uD83D\\uDE00"},
        {"\xF4\x8F\xBF\xBF", "\\uDBFF\\uDFFF"},
        // Not UTF-8: read as Windows-1252, as the project file reader reads such text.
        {"caf\xE9 \x80", "caf\\u00E9 \\u20AC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScriptStringLiteralBody(c.text), c.body) << c.text;
        EXPECT_EQ(ScriptStringLiteralSize(c.text), c.body.size()) << c.text;
        std::string appended = "x";
        AppendScriptStringLiteralBody(appended, c.text);
        EXPECT_EQ(appended, "x" + c.body);
    }

    MenuTree tree;
    tree.AppendRoot("\"Quoted\"", Rec("a\\b.html", 20, 80));
    EXPECT_EQ(BuildMenuArrays(tree),
              "\r\nMenu1=new Array(\"\\\"Quoted\\\"\",\"a\\\\b.html\",\"\",0,20,80);\r\n");
}

std::string HexOf(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

// The first executable file called `name` in the folders of PATH, or "" when there is none.
std::string FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        // Built by appending: GCC 12 at -O3 takes an assignment of "." for an overlapping copy.
        std::string candidate(dir.empty() ? std::string_view(".") : dir);
        candidate += '/';
        candidate += name;
        if (access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return "";
        rest.remove_prefix(colon + 1);
    }
}

// The generated arrays must be a valid script whose strings are the stored texts exactly, and
// must not end the script element they stand in.
TEST(MenuArrays, TrickyTextsMakeAScriptThatEvaluatesToTheStoredText)
{
    // Node is looked up on PATH, as the set-up script does; the test command installs it, so a
    // machine without it is a broken set-up, not a reason to skip.
    const std::string node = FindOnPath("node");
    ASSERT_FALSE(node.empty()) << "node is not on PATH; scripts/setup.sh --test installs it";

    const std::vector<std::string> texts = {
        "say \"hi\" \\ back",
        "</script><script>alert(1)</script>",
        "<!-- not a comment --> </SCRIPT",
        "two\r\nlines\nand\rmore\ttab",
        "Caf\xC3\xA9 \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80",
        "\xE2\x80\xA8 and \xE2\x80\xA9",
        "%FontSize% 'single' `back` ${x}",
        "",
    };
    MenuTree tree;
    MenuItem* root = tree.AppendRoot(texts[0], Rec(texts[1], 20, 80));
    for (std::size_t i = 2; i + 1 < texts.size(); i += 2)
        tree.AppendChild(root, texts[i], Rec(texts[i + 1], 20, 80));
    const std::string arrays = BuildMenuArrays(tree);

    EXPECT_EQ(arrays.find("</"), std::string::npos);
    EXPECT_EQ(arrays.find("<!--"), std::string::npos);
    for (unsigned char c : arrays)
        ASSERT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);

    std::string script = arrays;
    script += "var all = [Menu1";
    for (std::size_t k = 1; k <= root->ChildCount(); ++k)
        script += ", Menu1_" + std::to_string(k);
    script += "];\nfor (const a of all) {\n"
              "  console.log(Buffer.from(a[0], 'utf8').toString('hex'));\n"
              "  console.log(Buffer.from(a[1], 'utf8').toString('hex'));\n"
              "}\n";

    const fs::path dir = fs::temp_directory_path() / ("qv_arrays_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path js = dir / "menu.js";
    const fs::path out = dir / "out.txt";
    std::ofstream(js, std::ios::binary) << script;
    const std::string check = node + " --check '" + js.string() + "' 2>'" + out.string() + "'";
    EXPECT_EQ(std::system(check.c_str()), 0) << "node --check rejected:\n" << script;
    const std::string run = node + " '" + js.string() + "' >'" + out.string() + "' 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0);

    std::ifstream in(out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::vector<std::string> expected;
    for (const std::string& text : texts)
        expected.push_back(HexOf(text));
    EXPECT_EQ(lines, expected);
    fs::remove_all(dir);
}

} // namespace
} // namespace qv
