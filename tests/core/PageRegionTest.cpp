#include "core/site/PageRegion.h"
#include "core/site/SharedScript.h"
#include "core/site/SiteLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

const std::string kRegion = RegionHtml("main", "<nav>x</nav>", "menu/main.js?v=1", "\n");
// A region without text: what follows it may still turn the page into a frame set.
const std::string kBareRegion = RegionHtml("main", "<nav></nav>", "menu/main.js?v=1", "\n");

// The page with the region where the scan puts it (or the problem), found both by the quick way
// and by parsing the page whole, which must agree.
std::string Published(const std::string& page, ScanPurpose purpose = ScanPurpose::Publish)
{
    const PageScan quick = ScanPage(page, "main", purpose);
    const PageScan whole = ScanPage(page, "main", purpose, {}, false);
    EXPECT_EQ(quick.place, whole.place) << page;
    EXPECT_EQ(quick.begin, whole.begin) << page;
    EXPECT_EQ(quick.end, whole.end) << page;
    EXPECT_EQ(quick.problem, whole.problem) << page;
    EXPECT_EQ(quick.encoding.charset, whole.encoding.charset) << page;
    if (!quick.problem.empty())
        return "problem: " + quick.problem;
    if (quick.place == RegionPlace::None)
        return page;
    return SplicePage(page, quick.begin, quick.end, purpose == ScanPurpose::Publish ? "[R]" : "");
}

TEST(PageRegion, TheRegionGoesWhereABrowserBeginsTheBody)
{
    struct Case
    {
        std::string page;
        std::string expected;
    };
    const Case cases[] = {
        {"<html><head></head><body>\n<p>x", "<html><head></head><body>[R]\n<p>x"},
        {"<HTML><BODY Class=a>x</BODY>", "<HTML><BODY Class=a>[R]x</BODY>"},
        // Look-alikes before the real tag: a comment, a script, an attribute, a title.
        {"<!-- <body> --><title><body></title><script>s='<body>'</script>"
         "<meta content='<body x>'><body>",
         "<!-- <body> --><title><body></title><script>s='<body>'</script>"
         "<meta content='<body x>'><body>[R]"},
        {"<body data-x='a>b'>t", "<body data-x='a>b'>[R]t"},
        {"<bodyx><body>", "[R]<bodyx><body>"},
        // Without a <body> tag: where the parser begins the body.
        {"<!DOCTYPE html><title>t</title>\n<p>Hello",
         "<!DOCTYPE html><title>t</title>\n[R]<p>Hello"},
        {"<title>t</title></html>", "<title>t</title>[R]</html>"},
        // An author's empty placeholder; one with content is not one.
        {"<body><header><div data-quorvane-menu=\"main\"></div></header>",
         "<body><header><div data-quorvane-menu=\"main\">[R]</div></header>"},
        {"<body><div data-quorvane-menu=main>old</div>",
         "<body>[R]<div data-quorvane-menu=main>old</div>"},
        {"<body><div data-quorvane-menu=other></div>",
         "<body>[R]<div data-quorvane-menu=other></div>"},
        // Markers that are no comments do not count.
        {"<body><script>'<!--quorvane-menu main begin-->'</script>",
         "<body>[R]<script>'<!--quorvane-menu main begin-->'</script>"},
        // An existing region, anywhere, is replaced whole.
        {"<body><p>a</p><!--quorvane-menu main begin: old-->\r\nold<!--quorvane-menu main end-->z",
         "<body><p>a</p>[R]z"},
        {"<body>" + kRegion + "\n<p>", "<body>[R]\n<p>"},
        // What cannot take the region.
        {"<frameset><frame src=a></frameset>", "problem: the page has no body (it is a frame set)"},
        // A frame set replaces a body the parser began by itself (no text in it yet), with the
        // region in it.
        {"<div>" + kBareRegion + "\n<frameset>",
         "problem: the page has no body (it is a frame set)"},
        {"<body><!--quorvane-menu main begin-->",
         "problem: the page has a begin marker of the menu main without an end marker"},
        {"<body><!--quorvane-menu main end-->",
         "problem: the page has an end marker of the menu main without a begin marker"},
        {"<body><!--quorvane-menu main end--><!--quorvane-menu main begin-->",
         "problem: the end marker of the menu main comes before its begin marker"},
        {"<body>" + kRegion + kRegion,
         "problem: the page has more than one region of the menu main"},
        {"<body><i data-quorvane-menu=main></i><b data-quorvane-menu=main></b>",
         "problem: the page has more than one empty placeholder for the menu main"},
        {"<body><p data-quorvane-menu=main></p>",
         "problem: the placeholder <p> cannot hold the menu"},
        {"<head><noscript><body></noscript></head><body>",
         "problem: the page's body begins inside a <noscript> element"},
        {"<meta charset=shift_jis><body>",
         "problem: the page's encoding (shift_jis) is not one that publishing writes (UTF-8 or "
         "Windows-1252)"},
        {std::string("\xFF\xFE<\0b\0", 6),
         "problem: the page is in UTF-16, which publishing does not write"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Published(c.page), c.expected) << c.page;

    // A byte-order mark counts in the offsets; the encoding comes from a <meta> wherever it is.
    EXPECT_EQ(Published("\xEF\xBB\xBF<body>x"), "\xEF\xBB\xBF<body>[R]x");
    EXPECT_EQ(
        ScanPage("<body><meta charset=latin1>", "main", ScanPurpose::Publish).encoding.charset,
        PageCharset::Windows1252);

    // Taking out: only the region counts; broken markers are still a problem.
    EXPECT_EQ(Published("<p>a" + kRegion + "b", ScanPurpose::TakeOut), "<p>ab");
    EXPECT_EQ(Published("<frameset>", ScanPurpose::TakeOut), "<frameset>");
    EXPECT_EQ(Published("<div>" + kBareRegion + "<frameset>", ScanPurpose::TakeOut),
              "<div>" + kBareRegion + "<frameset>");
    EXPECT_EQ(Published("<div data-quorvane-menu=main>" + kRegion + "</div>", ScanPurpose::TakeOut),
              "<div data-quorvane-menu=main></div>");
    EXPECT_EQ(Published("<!--quorvane-menu main end-->", ScanPurpose::TakeOut),
              "problem: the page has an end marker of the menu main without a begin marker");
}

TEST(PageRegion, PlainPagesAreNotParsedWhole)
{
    const std::string page =
        "<!DOCTYPE html>\r\n<html><head><title>t</title></head>\r\n<body>\r\n" +
        std::string(20000, 'x') + "</body></html>\r\n";
    const PageScan first = ScanPage(page, "main", ScanPurpose::Publish);
    EXPECT_EQ(first.place, RegionPlace::AfterBodyTag);
    EXPECT_FALSE(first.wholePageParsed);
    EXPECT_EQ(first.eol, "\r\n");

    const std::string region = RegionHtml("main", "<nav></nav>", "m/main.js", first.eol);
    const std::string published = SplicePage(page, first.begin, first.end, region);
    int asked = 0;
    const ExpectedRegion expected = [&](const PageEncoding& encoding, std::string_view eol) {
        ++asked;
        EXPECT_EQ(encoding.charset, PageCharset::Utf8);
        return RegionHtml("main", "<nav></nav>", "m/main.js", eol);
    };
    const PageScan again = ScanPage(published, "main", ScanPurpose::Publish, expected);
    EXPECT_EQ(again.place, RegionPlace::Region);
    EXPECT_EQ(published.substr(again.begin, again.end - again.begin), region);
    EXPECT_FALSE(again.wholePageParsed);
    EXPECT_EQ(asked, 1);

    // A later <meta> might still declare the encoding: then the page is parsed whole.
    EXPECT_TRUE(
        ScanPage("<body><meta charset=utf-8>", "main", ScanPurpose::Publish).wholePageParsed);
    // Taking out a page without the menu's markers needs no parse at all.
    EXPECT_FALSE(ScanPage(page, "main", ScanPurpose::TakeOut).wholePageParsed);
}

TEST(PageRegion, RegionAndLineBreaks)
{
    EXPECT_EQ(RegionHtml("m", "<nav>L</nav>", "../menu/m.js?v=1&x=\"", "\r\n"),
              "<!--quorvane-menu m begin: made by Quorvane Wizard; publishing rewrites this "
              "part-->\r\n<nav>L</nav>\r\n<script src=\"../menu/m.js?v=1&amp;x=&quot;\"></script>"
              "\r\n<!--quorvane-menu m end-->");
    EXPECT_EQ(PageLineBreak("a\r\nb\n"), "\r\n");
    EXPECT_EQ(PageLineBreak("a\nb\r\n"), "\n");
    EXPECT_EQ(PageLineBreak("a\rb"), "\r");
    EXPECT_EQ(PageLineBreak("ab"), "\n");
}

TEST(SiteLinks, RelativeLinksAreRelativeToTheSiteFolder)
{
    EXPECT_EQ(ClassifyLink(" about.html"), LinkKind::Relative);
    EXPECT_EQ(ClassifyLink("HTTPS://x.org/"), LinkKind::Absolute);
    EXPECT_EQ(ClassifyLink("mailto:a@b"), LinkKind::Absolute);
    EXPECT_EQ(ClassifyLink("/about.html"), LinkKind::RootRelative);
    EXPECT_EQ(ClassifyLink("\\about.html"), LinkKind::RootRelative);
    EXPECT_EQ(ClassifyLink("//cdn.example/x"), LinkKind::RootRelative);
    EXPECT_EQ(ClassifyLink("#top"), LinkKind::FragmentOnly);
    EXPECT_EQ(ClassifyLink("?p=2"), LinkKind::QueryOnly);
    EXPECT_EQ(ClassifyLink("a:b/c"), LinkKind::Absolute);
    EXPECT_EQ(ClassifyLink("a b:c"), LinkKind::Relative);

    EXPECT_EQ(HrefForPage("about.html", 2), "../../about.html");
    EXPECT_EQ(HrefForPage("about.html", 0), "about.html");
    EXPECT_EQ(HrefForPage("./blog/?q=1#x", 1), "../blog/?q=1#x");
    for (const char* kept : {"/about.html", "http://x/", "#top", "?p=2"})
        EXPECT_EQ(HrefForPage(kept, 3), kept);

    struct Case
    {
        const char* link;
        const char* page;
        bool leads;
    };
    const Case cases[] = {
        {"about.html", "about.html", true},
        {"about.html?x#y", "about.html", true},
        {"about.html", "blog/about.html", false},
        {"blog/", "blog/index.html", true},
        {"blog", "blog/index.html", false},
        {"blog/", "blog/index.htm", true},
        {"./", "index.html", true},
        {"../../index.html", "index.html", true},
        {"blog/../about.html", "about.html", true},
        {"blog/2024/..", "blog/index.html", true},
        {"my%20page.html", "my page.html", true},
        {"#top", "x/y.html", true},
        {"/about.html", "about.html", false},
        {"http://site/about.html", "about.html", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinkLeadsToPage(c.link, c.page), c.leads) << c.link << " " << c.page;
    EXPECT_EQ(FolderDepth("blog/2024/post.html"), 2);
    EXPECT_EQ(UrlPath("my menu/m\xC3\xA9.js"), "my%20menu/m%C3%A9.js");
}

TEST(SharedScript, HoldsTheInlineScriptsAfterTheLinkBase)
{
    const std::string code = "<!-- <script>no</script> -->\r\n<script>var a=1;</script>\r\n"
                             "<script src=x.js></script><script type=application/json>{}</script>"
                             "<script type=\"text/javascript\">\r\nvar b='</scr'+'ipt>';\r\n"
                             "</script>";
    const std::vector<std::string_view> bodies = InlineScriptBodies(code);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], "var a=1;");
    EXPECT_EQ(SharedScript(code, "../"),
              "var MenuLinkBase='../';\r\nvar a=1;\r\n\r\nvar b='</scr'+'ipt>';\r\n\r\n");
    // Only a script with more than ASCII carries the byte-order mark.
    EXPECT_TRUE(SharedScript("<script>'\xC3\xA9'</script>", "../").starts_with("\xEF\xBB\xBF"));

    EXPECT_EQ(ShortHash("abc").size(), 8u);
    EXPECT_EQ(ShortHash("abc"), ShortHash("abc"));
    EXPECT_NE(ShortHash("abc"), ShortHash("abd"));
}

} // namespace
} // namespace qv
