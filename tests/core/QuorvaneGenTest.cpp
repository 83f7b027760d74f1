// Runs the built quorvane-gen as a build script would and compares what it writes with what the
// core gives for the same design.

#include "core/codegen/Template.h"
#include "core/project/MenuFile.h"
#include "core/support/FileIo.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string kTemplate = "<script>\n%menu%var n=%NoOffFirstLineMenus%, c='%LowBgColor%';\n"
                              "var f=\"%FontFamily%\", s=%FontSize%, a='%MenuTextCentered%';\n"
                              "%arrows%\n</script>";

using test::ReadAll;

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

class QuorvaneGen : public test::FolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(FolderTest::SetUp());
        // The three-item example design with the start-up style.
        MenuTree tree;
        MenuItem* home = tree.AppendRoot("Home");
        tree.AppendChild(home, "News");
        TMyRec contact;
        contact.Width = 120;
        tree.AppendRoot("Contact", contact);
        WriteMenuFile(PathOf("design.mnu"), tree, MenuStyle{});
        Write("template.dat", kTemplate);
    }
    void Write(const std::string& name, const std::string& bytes) const
    {
        test::WriteAll(m_dir / name, bytes);
    }

    // Runs the tool with arguments already quoted for the shell.
    Result Run(const std::string& arguments, const std::string& program = QUORVANE_GEN) const
    {
        const std::string out = PathOf("stdout.txt"), err = PathOf("stderr.txt");
        const std::string command =
            "'" + program + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadAll(out);
        result.err = ReadAll(err);
        return result;
    }

    // What Get Code gives after opening the design in the window.
    std::string CoreCode(const std::string& design, const std::string& templateText) const
    {
        MenuTree tree;
        const MenuStyle style = StyleAsShown(ReadMenuFile(PathOf(design), tree));
        return FillTemplate(templateText, tree, style);
    }
};

TEST_F(QuorvaneGen, WritesTheCodeOfTheDesign)
{
    const std::string expected = CoreCode("design.mnu", kTemplate);
    ASSERT_NE(expected.find("Menu1_1=new Array(\"News\""), std::string::npos);

    const std::string design = "'" + PathOf("design.mnu") + "'";
    const std::string templ = " --template '" + PathOf("template.dat") + "'";
    Result r = Run(design + templ + " -o '" + PathOf("out.js") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadAll(m_dir / "out.js"), expected);

    r = Run(design + templ);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);

    r = Run("--preview -o - --template='" + PathOf("template.dat") + "' " + design);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, PreviewPage(expected));
    EXPECT_TRUE(r.out.starts_with("<html><head></head><body><script>\r\n"));
}

TEST_F(QuorvaneGen, UsesTheStyleAsTheWindowShowsIt)
{
    Write("odd.mnu", "[Options]\r\nTextAlign=3\r\nFontSize=150\r\nArrows=5\r\n"
                     "[Menus]\r\nMenuCount=1\r\nMenu_0=Menu1\r\n"
                     "[MenuData]\r\nMenuName_0=Menu1\r\nMenuText_0=Caf\xE9\r\n");
    Write("small.dat", "%menu%[%MenuTextCentered%] %FontSize% %ShowArrow% %arrows%");
    const Result r = Run("'" + PathOf("odd.mnu") + "' --template '" + PathOf("small.dat") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\r\nMenu1=new Array(\"Caf\\u00E9\",\"\",\"\",0,0,0);\r\n[] 100 1 " +
                         std::string(kDarkArrows) + "\r\n");
}

TEST_F(QuorvaneGen, FindsTheTemplateBesideItself)
{
    // The template of the build, beside the built tool.
    const fs::path built = fs::path(QUORVANE_GEN).parent_path() / "dhtml.dat";
    ASSERT_TRUE(fs::exists(built)) << "the build puts the template beside the tool";
    {
        const Result r = Run("'" + PathOf("design.mnu") + "'");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, CoreCode("design.mnu", ReadFileBytes(built.string())));
        EXPECT_NE(r.out.find("Menu1_1=new Array(\"News\""), std::string::npos);
    }

    // A copy of the tool in a folder of its own reads the template it finds there.
    const fs::path folder = m_dir / "bin";
    fs::create_directories(folder);
    fs::copy_file(QUORVANE_GEN, folder / "quorvane-gen");
    Result r = Run("'" + PathOf("design.mnu") + "'", (folder / "quorvane-gen").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "quorvane-gen: Data File not found: " + (folder / "dhtml.dat").string() + "\n");
    EXPECT_EQ(r.out, "");

    Write("bin/dhtml.dat", "roots=%NoOffFirstLineMenus%\n");
    r = Run("'" + PathOf("design.mnu") + "'", (folder / "quorvane-gen").string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "roots=2\r\n");
}

TEST_F(QuorvaneGen, FailuresExitWithTwoAndSayWhy)
{
    const std::string templ = " --template '" + PathOf("template.dat") + "'";
    const std::string design = "'" + PathOf("design.mnu") + "'";
    struct Case
    {
        const char* what;
        std::string arguments;
        std::string message; // the start of the first line on the error output
    };
    const std::vector<Case> cases = {
        {"no arguments", "", "quorvane-gen: no design file given"},
        {"missing design", "'" + PathOf("none.mnu") + "'" + templ,
         "quorvane-gen: Design file not found: " + PathOf("none.mnu")},
        {"a folder as design", "'" + m_dir.string() + "'" + templ,
         "quorvane-gen: Cannot open file " + m_dir.string()},
        {"missing template", design + " --template '" + PathOf("none.dat") + "'",
         "quorvane-gen: Data File not found: " + PathOf("none.dat")},
        {"a folder as template: no file, as the window finds",
         design + " --template '" + m_dir.string() + "'",
         "quorvane-gen: Data File not found: " + m_dir.string()},
        {"output into a missing folder", design + templ + " -o '" + PathOf("no/out.js") + "'",
         "quorvane-gen: Unable to write to " + PathOf("no/out.js")},
        {"unknown option", design + " --frobnicate", "quorvane-gen: unknown option --frobnicate"},
        {"option without its value", design + " --template", "quorvane-gen: option --template"},
        {"two designs", design + " " + design + templ, "quorvane-gen: more than one design"},
        {"empty output name", design + templ + " -o ''", "quorvane-gen: an empty file name"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.arguments);
        EXPECT_EQ(r.status, 2) << c.what;
        EXPECT_TRUE(r.err.starts_with(c.message)) << c.what << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.what;
    }
    EXPECT_FALSE(fs::exists(m_dir / "no"));

    // A design nested 8,000 levels deep, a few kilobytes of file, would make about 100 MB of
    // code: refused as the window refuses it, nothing written.
    std::string chain = "[Menus]\r\nMenuCount=1\r\nMenu_0=a";
    for (int level = 1; level < 8000; ++level)
        chain += "\\a";
    Write("chain.mnu", chain + "\r\n");
    const Result refused =
        Run("'" + PathOf("chain.mnu") + "'" + templ + " -o '" + PathOf("chain.js") + "'");
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.starts_with("quorvane-gen: The code for this menu would take "))
        << refused.err;
    EXPECT_NE(refused.err.find("more than the 64.0 MB that can be made.\nMenus nested"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(m_dir / "chain.js"));

    const Result help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: quorvane-gen DESIGN.mnu")) << help.out;
    EXPECT_EQ(help.err, "");
}

// --import writes a new design with the start-up style from what a page offers; --list shows
// the offers; what cannot be imported writes nothing.
TEST_F(QuorvaneGen, ImportsASiteNavigationIntoANewDesign)
{
    Write("site.html", "<nav aria-label=Top><a href=/>Home</a><a href=/help>Help</a></nav>"
                       "<nav><ul><li><a href=shop.html>Shop</a><ul><li><a href=a.html>A</a>"
                       "<li><a href='javascript:buy()'>Buy</a></ul><li><a href=b.html>B</a>"
                       "</ul></nav>");
    const std::string site = " --import '" + PathOf("site.html") + "'";
    const Result list = Run(site + " --list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, PathOf("site.html") + "\n  1. navigation: Top (2 links, 1 level)\n"
                                              "* 2. navigation: Shop, A, B (3 links, 2 levels)\n");

    const Result made = Run(site + " -o '" + PathOf("new.mnu") + "'");
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(made.err, "quorvane-gen: left out 1 link that runs a script: Buy\n");
    MenuTree tree;
    EXPECT_EQ(ReadMenuFile(PathOf("new.mnu"), tree), MenuStyle{});
    ASSERT_EQ(tree.Count(), 3u);
    EXPECT_EQ(tree.At(1)->Text(), "A");
    EXPECT_EQ(tree.At(1)->Rec(), (TMyRec{"a.html", 20, 80, "Menu1_1", 0}));
    EXPECT_EQ(tree.At(2)->Text(), "B");

    EXPECT_EQ(Run(site + " --pick 1 -o '" + PathOf("top.mnu") + "'").status, 0);
    MenuTree top;
    ReadMenuFile(PathOf("top.mnu"), top);
    EXPECT_EQ(top.RootCount(), 2u);
    EXPECT_EQ(top.Root(1)->Rec().Link, "/help");

    const std::pair<std::string, std::string> failures[] = {
        {site + " --pick 3 -o '" + PathOf("x.mnu") + "'",
         "quorvane-gen: There is no candidate 3: " + PathOf("site.html") + " offers 2"},
        {" --import '" + PathOf("none.html") + "' -o '" + PathOf("x.mnu") + "'",
         "quorvane-gen: The file " + PathOf("none.html") + " does not exist."},
        {site, "quorvane-gen: --import needs -o DESIGN.mnu (or --list)"},
        {site + " --pick two -o x.mnu", "quorvane-gen: --pick needs the number of a candidate"},
    };
    for (const auto& [arguments, message] : failures) {
        const Result r = Run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_TRUE(r.err.starts_with(message)) << r.err;
    }
    EXPECT_FALSE(fs::exists(m_dir / "x.mnu"));
}

// Publishing from a build script: the per-page lines, the exit status, --page and taking out.
TEST_F(QuorvaneGen, PublishesIntoASiteAndTakesTheMenuOut)
{
    fs::create_directories(m_dir / "site" / "blog");
    const std::string page = "<html><body>\n<p>x</p></body></html>\n";
    for (const char* name : {"index.html", "about.html", "blog/post.html"})
        Write(std::string("site/") + name, page);
    const std::string args = "'" + PathOf("design.mnu") + "' --template '" +
                             PathOf("template.dat") + "' --publish '" + PathOf("site") + "'";

    const Result dry = Run(args + " --dry-run --name main");
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("write      menu/main.js\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("insert     blog/post.html\n"), std::string::npos) << dry.out;
    EXPECT_TRUE(dry.out.ends_with(
        "Dry run, nothing written: 3 pages: 3 to insert, 0 to update, 0 unchanged, 0 to skip.\n"))
        << dry.out;
    EXPECT_FALSE(fs::exists(m_dir / "site" / "menu"));

    // Only the chosen pages; the name defaults to the design file's.
    const Result some = Run(args + " --page 'blog/*'");
    EXPECT_EQ(some.status, 0) << some.err;
    EXPECT_NE(ReadAll(m_dir / "site" / "blog" / "post.html").find("../menu/design.js?v="),
              std::string::npos);
    EXPECT_EQ(ReadAll(m_dir / "site" / "index.html"), page);

    // A read-only page is skipped: exit 1.
    fs::permissions(m_dir / "site" / "about.html", fs::perms::owner_read);
    const Result all = Run(args);
    EXPECT_EQ(all.status, 1) << all.out;
    EXPECT_NE(all.out.find("unchanged  blog/post.html\n"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("skip       about.html: the page is read-only\n"), std::string::npos);
    fs::permissions(m_dir / "site" / "about.html", fs::perms::owner_all);

    const Result out = Run(args + " --unpublish");
    EXPECT_EQ(out.status, 0) << out.out << out.err;
    for (const char* name : {"index.html", "about.html", "blog/post.html"})
        EXPECT_EQ(ReadAll(m_dir / "site" / name), page) << name;
    EXPECT_FALSE(fs::exists(m_dir / "site" / "menu"));

    for (const std::string& wrong :
         {args + " --page 'nothing*'", args + " --folder ../out", args + " --name 'a b'",
          "'" + PathOf("design.mnu") + "' --dry-run", args + " --preview"}) {
        const Result r = Run(wrong);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_TRUE(r.err.starts_with("quorvane-gen: ")) << r.err;
    }
}

} // namespace
} // namespace qv
