#include "core/site/SiteImport.h"

#include "core/codegen/MenuList.h"
#include "core/model/TreeCommands.h"
#include "core/site/SiteAddress.h"
#include "core/site/Sitemap.h"

#include "CoreTestSupport.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>

namespace qv {
namespace {

using test::Outline;

std::string Gzip(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string Urlset(const std::vector<std::string>& locations)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<urlset "
                      "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const std::string& loc : locations)
        xml += "  <url><loc>" + loc + "</loc><lastmod>2024-05-01</lastmod></url>\n";
    return xml + "</urlset>\n";
}

std::string Index(const std::vector<std::string>& locations)
{
    std::string xml = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (const std::string& loc : locations)
        xml += "<sitemap><loc>" + loc + "</loc></sitemap>";
    return xml + "</sitemapindex>";
}

// The message of the ImportError that reading `source` gives; empty when it gives none.
std::string FailureOf(const std::string& source, const ImportOptions& options = {})
{
    try {
        ReadImportSource(source, options);
    } catch (const ImportError& error) {
        return error.what();
    }
    return {};
}

std::string ProposedTree(const ImportOffer& offer)
{
    return Outline(offer.candidates.at(offer.preselected).items);
}

TEST(SiteAddress, ReferencesResolveAsBrowsersResolveThem)
{
    const std::string base = "http://a.example/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g", "http://a.example/b/c/g"},
        {"./g/", "http://a.example/b/c/g/"},
        {"/g", "http://a.example/g"},
        {"//g.example", "http://g.example/"},
        {"?y", "http://a.example/b/c/d;p?y"},
        {"#s", "http://a.example/b/c/d;p?q#s"},
        {"", "http://a.example/b/c/d;p?q"},
        {"../../../g", "http://a.example/g"},
        {"g/../h/./i", "http://a.example/b/c/h/i"},
        {"..\\x\\y z", "http://a.example/b/x/y%20z"},
        {" \t https://Other.example/a b\n", "https://Other.example/a%20b"},
        {"mailto:me@example.org", "mailto:me@example.org"},
    };
    for (const auto& [reference, expected] : cases)
        EXPECT_EQ(ResolveAddress(base, reference), expected) << reference;
    EXPECT_EQ(ResolveAddress("https://example.org", "a"), "https://example.org/a");
    EXPECT_EQ(ResolveAddress("relative/base.html", "a.html"), "a.html");

    EXPECT_TRUE(IsScriptLink(" JavaScript:x()"));
    EXPECT_TRUE(IsScriptLink("java\tscript:x()"));
    EXPECT_TRUE(IsScriptLink("\x01vbscript:x"));
    EXPECT_FALSE(IsScriptLink("javascript.html"));
    EXPECT_FALSE(IsScriptLink("/javascript:x"));
    EXPECT_TRUE(IsWebAddress(" HTTPS://example.org"));
    EXPECT_FALSE(IsWebAddress("http:/example.org"));
    EXPECT_FALSE(IsWebAddress("ftp://example.org"));
}

TEST(Sitemap, AddressesBecomeATreeByTheirPaths)
{
    const std::vector<std::string> addresses = {
        "https://example.org/",
        "https://example.org/about-us.html",
        "https://example.org/products/tools/hammer_2.php",
        "https://example.org/products/tools/saw.HTML",
        "https://example.org/blog/2024/post?id=3",
        "https://example.org/about-us.html",
        "https://example.org/blog/",
        "https://example.org/caf%C3%A9-%26-more/release-1.2",
    };
    EXPECT_EQ(Outline(SitemapTree(addresses)),
              "Home -> https://example.org/\n"
              "About us -> https://example.org/about-us.html\n"
              "Products\n"
              "  Tools\n"
              "    Hammer 2 -> https://example.org/products/tools/hammer_2.php\n"
              "    Saw -> https://example.org/products/tools/saw.HTML\n"
              "Blog -> https://example.org/blog/\n"
              "  2024\n"
              "    Post?id=3 -> https://example.org/blog/2024/post?id=3\n"
              "Caf\xC3\xA9 & more\n"
              "  Release 1.2 -> https://example.org/caf%C3%A9-%26-more/release-1.2\n");
    // Below a shared folder without a page of its own; several sites; paths without a site.
    EXPECT_EQ(Outline(SitemapTree({"https://e.org/docs/a", "https://e.org/docs/b/c"})),
              "A -> https://e.org/docs/a\nB\n  C -> https://e.org/docs/b/c\n");
    EXPECT_EQ(Outline(SitemapTree({"https://one.org/x", "http://two.org/"})),
              "one.org\n  X -> https://one.org/x\ntwo.org -> http://two.org/\n");
    EXPECT_EQ(Outline(SitemapTree({"docs/index.html"})), "Index -> docs/index.html\n");
}

TEST(Sitemap, ExternalEntitiesAndDtdsAreNeverLoaded)
{
    test::LocalHttpServer server;
    server.Set("/evil.dtd", "application/xml-dtd", "<!ENTITY leak 'LEAKED'>");
    const std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE urlset SYSTEM \"" +
                            server.Address("/evil.dtd") +
                            "\" [\n<!ENTITY file SYSTEM \"file:///etc/hostname\">\n"
                            "<!ENTITY % remote SYSTEM \"" +
                            server.Address("/evil.dtd") +
                            "\">\n%remote;\n<!ENTITY a \"aaaaaaaaaa\">\n]>\n"
                            "<urlset><url><loc>https://e.org/&file;&leak;x&amp;y</loc></url>"
                            "<url><loc> <![CDATA[https://e.org/z]]> </loc></url></urlset>";
    const SitemapDocument sitemap = ReadSitemapXml(xml, "s.xml");
    EXPECT_EQ(sitemap.locations,
              (std::vector<std::string>{"https://e.org/x&y", "https://e.org/z"}));
    EXPECT_EQ(server.Requests("/evil.dtd"), 0);

    const std::pair<std::string, std::string> bad[] = {
        {"<urlset><url><loc>x</url></urlset>", "s.xml cannot be read as a sitemap: it is not "
                                               "well-formed XML (line 1: "},
        {"<rss><channel/></rss>", "s.xml is not a sitemap"},
        {"<urlset><url><lastmod>2024</lastmod></url></urlset>", "s.xml is a sitemap without any"},
        // A byte that the declared encoding cannot hold.
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><urlset><url><loc>\x81</loc></url>"
         "</urlset>",
         "s.xml cannot be read as a sitemap: it is not well-formed XML (line 1: "},
    };
    for (const auto& [text, message] : bad) {
        // The reason is in the message and nothing is printed on the standard error.
        testing::internal::CaptureStderr();
        try {
            ReadSitemapXml(text, "s.xml");
            ADD_FAILURE() << text;
        } catch (const ImportError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, message.size()), message);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << text;
    }
}

class SiteImport : public test::FolderTest
{
protected:
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        test::WriteAll(m_dir / name, bytes);
        return PathOf(name);
    }
};

TEST_F(SiteImport, SitemapsLargeAndIndexedAndCompressed)
{
    std::vector<std::string> many;
    for (int i = 0; i < 50000; ++i)
        many.push_back("https://example.org/s" + std::to_string(i % 10) + "/p" + std::to_string(i) +
                       ".html");
    const std::string big = Write("big.xml.gz", Gzip(Urlset(many)));
    const ImportOffer offer = ReadImportSource(big);
    ASSERT_EQ(offer.candidates.size(), 1u);
    const NavCandidate& sitemap = offer.candidates[0];
    EXPECT_EQ(sitemap.kind, NavCandidate::Kind::Sitemap);
    EXPECT_EQ(sitemap.label, "50000 addresses");
    EXPECT_EQ(sitemap.linkCount, 50000u);
    EXPECT_EQ(sitemap.items.size(), 50010u);
    EXPECT_EQ(sitemap.depth, 2);
    EXPECT_EQ(sitemap.items[0], (ImportedItem{"S0", "", 0}));
    EXPECT_EQ(sitemap.items[1], (ImportedItem{"P0", "https://example.org/s0/p0.html", 1}));

    // An index, one level deep: its sitemaps beside it (one compressed), one missing, one an
    // index itself.
    Write("one.xml", Urlset({"https://example.org/a", "https://example.org/b"}));
    Write("two.xml.gz", Gzip(Urlset({"https://example.org/c/d"})));
    const std::string index =
        Write("index.xml", Index({"one.xml", "two.xml.gz", "gone.xml", "index.xml"}));
    const ImportOffer indexed = ReadImportSource("file://" + index);
    EXPECT_EQ(ProposedTree(indexed), "A -> https://example.org/a\nB -> https://example.org/b\nC\n"
                                     "  D -> https://example.org/c/d\n");
    ASSERT_EQ(indexed.notes.size(), 2u);
    EXPECT_EQ(indexed.notes[0], "The file " + PathOf("gone.xml") + " does not exist.");
    EXPECT_EQ(indexed.notes[1],
              PathOf("index.xml") + " is a sitemap index itself; it was left out.");
    EXPECT_EQ(FailureOf(Write("lost.xml", Index({"gone.xml"}))),
              "None of the sitemaps that " + PathOf("lost.xml") +
                  " lists could be read.\n\n"
                  "The file " +
                  PathOf("gone.xml") + " does not exist.");
}

// What cannot be imported says why, and nothing else happens.
TEST_F(SiteImport, SourcesWithoutNavigationAreRefusedWithAReason)
{
    std::filesystem::create_directory(m_dir / "folder");
    const std::string page = Write("page.html", "<p>Nothing to see, <a>nowhere</a> to go.");
    const std::string binary = Write("logo.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const std::string cut = Write("cut.xml.gz", Gzip(Urlset({"https://e.org/"})).substr(0, 20));
    const std::string large = Write("large.html", std::string(2000, 'x'));
    ImportOptions small;
    small.limits.bytes = 1000;
    EXPECT_EQ(FailureOf(PathOf("none.html")),
              "The file " + PathOf("none.html") + " does not exist.");
    EXPECT_EQ(FailureOf(PathOf("folder")), PathOf("folder") + " is not a file.");
    EXPECT_EQ(FailureOf(page), "No links were found in " + page + ".");
    EXPECT_EQ(FailureOf(binary), binary + " is not an HTML page or a sitemap.");
    EXPECT_EQ(FailureOf(cut), cut + " is cut short: its gzip data ends too early.");
    EXPECT_EQ(FailureOf(large, small), large + " is larger than 1000 bytes, more than can be "
                                               "imported.");
    EXPECT_EQ(FailureOf(Write("bomb.xml.gz", Gzip(std::string(5000, ' '))), small),
              PathOf("bomb.xml.gz") + " unpacks to more than 1000 bytes, more than can be "
                                      "imported.");
    EXPECT_EQ(FailureOf("  "), "Give a file or an http or https address to import from.");
}

TEST_F(SiteImport, AddressesAreFetchedWithinTheirLimits)
{
    test::LocalHttpServer server;
    server.Set("/docs/page.html", "text/html; charset=ISO-8859-1",
               "<nav><ul><li><a href='../'>Start</a></li><li><a href='a%20b.html'>Caf\xE9</a>"
               "</li></ul></nav>");
    server.Redirect("/start", "/docs/page.html");
    server.Redirect("/loop", "/loop");
    server.Redirect("/ftp", "ftp://127.0.0.1/x");
    server.Set("/image.png", "image/png", "\x89PNG");
    server.Set("/feed", "application/rss+xml; charset=utf-8", "<rss/>");
    server.Set("/sitemap.xml.gz", "application/x-gzip",
               Gzip(Urlset({server.Address("/docs/page.html"), "/rel"})));
    server.Set("/index.xml", "text/xml", Index({"/sitemap.xml.gz"}));
    test::LocalHttpServer::Response big;
    big.body = std::string(5000, 'x');
    server.Set("/big", big);
    big.sendLength = false;
    server.Set("/stream", big);
    test::LocalHttpServer::Response slow;
    slow.delay = std::chrono::milliseconds(3000);
    server.Set("/slow", slow);

    const ImportOffer offer = ReadImportSource(server.Address("/start"));
    EXPECT_EQ(offer.source, server.Address("/docs/page.html"));
    EXPECT_TRUE(offer.fromNetwork);
    EXPECT_EQ(ProposedTree(offer), "Start -> " + server.Address("/") + "\nCaf\xC3\xA9 -> " +
                                       server.Address("/docs/a%20b.html") + "\n");
    EXPECT_EQ(ProposedTree(ReadImportSource(server.Address("/index.xml"))),
              "Docs\n  Page -> " + server.Address("/docs/page.html") + "\nRel -> " +
                  server.Address("/rel") + "\n");

    ImportOptions limited;
    limited.limits.bytes = 1000;
    limited.limits.timeout = std::chrono::milliseconds(400);
    const std::pair<std::string, std::string> failures[] = {
        {"/missing", "The server answered 404 Not Found for " + server.Address("/missing") + "."},
        {"/loop", server.Address("/loop") + " is redirected more than 5 times."},
        {"/ftp", server.Address("/ftp") + " is redirected to an address that is not http or "
                                          "https."},
        {"/image.png", server.Address("/image.png") +
                           " is not an HTML page or a sitemap: the server sends it as image/png."},
        {"/feed", server.Address("/feed") + " is XML but not a sitemap."},
        {"/big", server.Address("/big") + " is larger than 1000 bytes, more than can be "
                                          "imported."},
        {"/stream", server.Address("/stream") + " is larger than 1000 bytes, more than can be "
                                                "imported."},
        {"/slow", server.Address("/slow") + " did not answer in time: it took more than 0.4 "
                                            "seconds."},
    };
    for (const auto& [path, message] : failures)
        EXPECT_EQ(FailureOf(server.Address(path), limited), message) << path;

    // Nothing listens on a port just given up.
    std::string closed;
    {
        test::LocalHttpServer gone;
        closed = gone.Address("/");
    }
    EXPECT_EQ(FailureOf(closed).substr(0, closed.size() + 20), closed + " cannot be reached: ");

    ImportOptions cancelling;
    cancelling.progress = [](std::uint64_t, std::uint64_t) { return false; };
    EXPECT_THROW(ReadImportSource(server.Address("/slow"), cancelling), ImportCancelled);
}

// A page published with the design's plain list gives back the design: its texts, its links
// and its shape, also beside the site's own navigation.
TEST_F(SiteImport, APublishedPageGivesBackTheDesign)
{
    MenuTree design;
    MenuItem* home = design.AppendRoot("Home", {"index.html", 20, 80, "", 0});
    design.AppendChild(home, "News &amp; <b>views</b>", {"news/?a=1&b=\"2\"", 20, 80, "", 0});
    MenuItem* heading = design.AppendRoot("Products");
    MenuItem* deep = design.AppendChild(heading, "Tools", {"#", 20, 80, "", 0});
    for (int level = 0; level < 30; ++level)
        deep = design.AppendChild(deep, "Level " + std::to_string(level),
                                  {"../l" + std::to_string(level) + ".html", 20, 80, "", 0});
    design.AppendChild(heading, "Empty heading", {"", 20, 80, "", 0});
    design.AppendRoot("Caf\xC3\xA9 \xE2\x82\xAC", {"https://example.org/", 20, 80, "", 0});

    MenuListOptions published;
    published.name = "site";
    published.lineBreak = "\n";
    const std::string page =
        "<!DOCTYPE html><html><body>\n<!--quorvane-menu site begin: made by Quorvane Wizard; "
        "publishing rewrites this part-->\n" +
        MenuListHtml(design, published) +
        "\n<script src=\"../menu/site.js?v=0\"></script>\n<!--quorvane-menu site end-->"
        "<nav><a href=a>A</a><a href=b>B</a><a href=c>C</a><a href=d>D</a><a href=e>E</a>"
        "<a href=f>F</a><a href=g>G</a><a href=h>H</a><a href=i>I</a><a href=j>J</a>"
        "<a href=k>K</a><a href=l>L</a><a href=m>M</a><a href=n>N</a><a href=o>O</a>"
        "<a href=p>P</a><a href=q>Q</a><a href=r>R</a><a href=s>S</a><a href=t>T</a>"
        "<a href=u>U</a><a href=v>V</a><a href=w>W</a><a href=x>X</a><a href=y>Y</a>"
        "<a href=z>Z</a><a href=0>0</a><a href=1>1</a><a href=2>2</a><a href=3>3</a>"
        "<a href=4>4</a><a href=5>5</a><a href=6>6</a><a href=7>7</a><a href=8>8</a></nav>";
    const ImportOffer offer = ReadImportSource(Write("published.html", page));
    ASSERT_EQ(offer.candidates.size(), 2u);
    const NavCandidate& own = offer.candidates[offer.preselected];
    EXPECT_EQ(own.kind, NavCandidate::Kind::OwnMenu);
    EXPECT_EQ(own.label, "site");

    std::int32_t counter = 0;
    MenuTree imported;
    for (auto& subtree : MakeImportedItems(own.items, counter))
        imported.Insert(nullptr, imported.RootCount(), std::move(subtree));
    ASSERT_EQ(imported.Count(), design.Count());
    for (std::size_t i = 0; i < design.Count(); ++i) {
        const MenuItem* want = design.At(i);
        const MenuItem* got = imported.At(i);
        EXPECT_EQ(got->Text(), CaptionText(want->Text())) << i;
        EXPECT_EQ(got->Rec().Link, IsHeadingLink(want->Rec().Link) ? "" : want->Rec().Link) << i;
        EXPECT_EQ(got->Level(), want->Level()) << i;
        EXPECT_EQ(got->Position(), want->Position()) << i;
    }
}

// Imported items enter the design as one step that Undo takes back whole, named by the item
// counter like any added item; what the design could then not hold is refused first.
TEST_F(SiteImport, ImportedItemsEnterTheDesignAsOneStep)
{
    const std::vector<ImportedItem> items = {
        {"Shop", "/shop", 0}, {"", "/cart", 1}, {"Help", "", 0}, {"FAQ", "/faq", 1}};
    MenuTree tree;
    EditHistory history;
    MenuItem* selected = tree.AppendRoot("Untitled1");
    tree.AppendChild(selected, "Untitled2");
    std::int32_t counter = 2;
    auto subtrees = MakeImportedItems(items, counter);
    EXPECT_EQ(counter, 6);
    ASSERT_EQ(subtrees.size(), 2u);
    EXPECT_EQ(subtrees[0]->Child(0)->Text(), "Untitled4");
    EXPECT_EQ(subtrees[0]->Child(0)->Rec(), (TMyRec{"/cart", 20, 80, "", 0}));
    EXPECT_EQ(subtrees[1]->Rec(), (TMyRec{"", 20, 80, "", 0}));
    CheckImportFits(tree, selected, subtrees);
    MenuItem* first = history.Do(tree, MakeAppendMany(selected, std::move(subtrees), "Import"));
    EXPECT_EQ(first->Text(), "Shop");
    EXPECT_EQ(first->Level(), 1);
    EXPECT_EQ(tree.Count(), 6u);
    EXPECT_EQ(history.UndoDescription(), "Import");
    EXPECT_EQ(history.Undo(tree), selected->Child(0));
    EXPECT_EQ(tree.Count(), 2u);

    // A chain 10,000 levels deep would make some 150 MB of code.
    std::vector<ImportedItem> chain;
    for (int level = 0; level < 10000; ++level)
        chain.push_back({"L", "/l", level});
    const auto deep = MakeImportedItems(chain, counter);
    try {
        CheckImportFits(tree, nullptr, deep);
        ADD_FAILURE() << "a chain of 10,000 levels fits";
    } catch (const ImportError& error) {
        EXPECT_NE(std::string(error.what()).find("the code for the menu would then take"),
                  std::string::npos);
    }
}

} // namespace
} // namespace qv
