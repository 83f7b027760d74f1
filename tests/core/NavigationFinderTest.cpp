#include "core/site/NavigationFinder.h"

#include "core/site/MarkupScan.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using test::Outline;

// Every candidate of a page read from a file, the proposed one marked; `cut` reads it as a large
// page is read, cut down to its navigations first.
std::string Candidates(const std::string& page, bool cut = false)
{
    PageReadOptions options;
    if (cut)
        options.cutAbove = 0;
    const PageNavigation navigation = ReadPageNavigation(page, {}, {}, options);
    std::string all;
    for (std::size_t i = 0; i < navigation.candidates.size(); ++i) {
        const NavCandidate& c = navigation.candidates[i];
        all += (i == navigation.preselected ? "* " : "- ") + std::string(KindName(c.kind)) + " " +
               c.label + " (" + std::to_string(c.linkCount) + ", " + std::to_string(c.depth) +
               ")\n" + Outline(c.items);
    }
    return all;
}

// The tree of the proposed candidate of a page read from a file.
std::string ProposedTree(const std::string& page)
{
    const PageNavigation navigation = ReadPageNavigation(page, {});
    if (navigation.candidates.empty())
        return "<none>";
    return Outline(navigation.candidates[navigation.preselected].items);
}

// Pages in the markup of the usual site generators, frameworks and content systems, each with
// the tree it must give.
TEST(NavigationFinder, TheMarkupOfCommonSitesGivesTheirTrees)
{
    struct Case
    {
        const char* style;
        std::string page;
        std::string tree;
    };
    const Case cases[] = {
        {"nested lists of a static site",
         R"P(<!doctype html><header><a href="/" class="logo"><img src=l.png alt="Logo"></a>
            <nav aria-label="Main"><ul>
              <li><a href="/">Home</a></li>
              <li><a href="/docs/">Docs</a>
                <ul><li><a href="/docs/install/">Install</a></li>
                    <li><a href="/docs/usage/">Usage &amp; more</a>
                      <ol><li><a href="/docs/usage/cli/">  Command
                          line </a></li></ol></li></ul></li>
              <li><a href="/blog/"><img src="b.svg" alt="Blog"></a></li>
              <li><a href="/search/" aria-label="Search"><svg><path d=""/></svg></a></li>
            </ul></nav></header><main><p>Text <a href="/x">x</a></p></main>)P",
         "Home -> /\nDocs -> /docs/\n  Install -> /docs/install/\n"
         "  Usage & more -> /docs/usage/\n    Command line -> /docs/usage/cli/\n"
         "Blog -> /blog/\nSearch -> /search/\n"},

        {"navbar with drop-downs",
         R"P(<nav class="navbar navbar-expand-lg"><div class="container-fluid">
            <a class="navbar-brand" href="#">Brand</a>
            <button class="navbar-toggler" type="button" aria-label="Toggle navigation">
              <span class="navbar-toggler-icon"></span></button>
            <div class="collapse navbar-collapse"><ul class="navbar-nav">
              <li class="nav-item"><a class="nav-link active" aria-current="page" href="/">Home</a></li>
              <li class="nav-item dropdown">
                <a class="nav-link dropdown-toggle" href="#" role="button" data-bs-toggle="dropdown"
                   aria-expanded="false">Products</a>
                <ul class="dropdown-menu">
                  <li><a class="dropdown-item" href="/tools">Tools</a></li>
                  <li><hr class="dropdown-divider"></li>
                  <li><a class="dropdown-item" href="/parts">Parts</a></li></ul></li>
              <li class="nav-item dropdown"><button class="btn dropdown-toggle">More</button>
                <div class="dropdown-menu"><a class="dropdown-item" href="/about">About</a>
                  <a class="dropdown-item" href="/contact">Contact</a></div></li>
              <li class="nav-item"><a class="nav-link disabled" aria-disabled="true">Soon</a></li>
            </ul></div></div></nav>)P",
         "Home -> /\nProducts\n  Tools -> /tools\n  Parts -> /parts\nMore\n  About -> /about\n"
         "  Contact -> /contact\n"},

        {"navbar of divs and links",
         R"P(<nav class="navbar" role="navigation" aria-label="main navigation">
            <div class="navbar-brand"><a class="navbar-item" href="/">Start</a></div>
            <div class="navbar-menu"><div class="navbar-start">
              <a class="navbar-item" href="/docs">Docs</a>
              <div class="navbar-item has-dropdown is-hoverable">
                <a class="navbar-link">More</a>
                <div class="navbar-dropdown"><a class="navbar-item" href="/about">About</a>
                  <hr class="navbar-divider"><a class="navbar-item" href="/jobs">Jobs</a></div>
              </div>
              <div class="navbar-item has-dropdown"><a class="navbar-link" href="/blog">Blog</a>
                <div class="navbar-dropdown"><a class="navbar-item" href="/blog/2024">2024</a>
                </div></div></div></div></nav>)P",
         "Start -> /\nDocs -> /docs\nMore\n  About -> /about\n  Jobs -> /jobs\n"
         "Blog -> /blog\n  2024 -> /blog/2024\n"},

        {"content system menu with classes on every item",
         R"P(<nav id="site-navigation" class="main-navigation"><div class="menu-primary-container">
            <ul id="primary-menu" class="menu">
            <li id="menu-item-10" class="menu-item menu-item-type-post_type menu-item-object-page
                menu-item-home current-menu-item page_item page-item-2 current_page_item
                menu-item-10"><a href="https://example.org/" aria-current="page">Home</a></li>
            <li id="menu-item-11" class="menu-item menu-item-type-post_type menu-item-has-children
                menu-item-11"><a href="https://example.org/services/">Services</a>
              <button class="sub-menu-toggle" aria-expanded="false"><span
                class="screen-reader-text">Show submenu for Services</span></button>
              <ul class="sub-menu">
                <li id="menu-item-12" class="menu-item menu-item-type-post_type menu-item-12"><a
                  href="https://example.org/services/design/">Design</a></li>
                <li id="menu-item-13" class="menu-item menu-item-type-custom menu-item-13"><a
                  href="javascript:void(0)">Chat with us</a></li>
              </ul></li>
            <li id="menu-item-14" class="menu-item menu-item-type-custom menu-item-14"><a
              href="https://example.org/contact/">Contact</a></li></ul></div></nav>)P",
         "Home -> https://example.org/\nServices -> https://example.org/services/\n"
         "  Design -> https://example.org/services/design/\n"
         "Contact -> https://example.org/contact/\n"},

        {"mega menu with headings",
         R"P(<nav class="mega"><ul class="top">
            <li class="has-mega"><a href="/products">Products</a>
              <div class="mega-panel"><p>All our products, by kind.</p>
                <div class="col"><h3>Hardware</h3><ul>
                  <li><a href="/hw/routers">Routers</a></li>
                  <li><a href="/hw/switches">Switches</a></li></ul></div>
                <div class="col"><h4>Software</h4>
                  <a href="/sw/os">OS</a><a href="/sw/tools">Tools</a></div>
                <div class="col"><h4>Soon</h4></div></div></li>
            <li><a href="/about">About</a></li></ul></nav>)P",
         "Products -> /products\n  Hardware\n    Routers -> /hw/routers\n"
         "    Switches -> /hw/switches\n  Software\n    OS -> /sw/os\n    Tools -> /sw/tools\n"
         "About -> /about\n"},

        {"documentation sidebar",
         R"P(<nav class="wy-nav-side" aria-label="Navigation menu"><div class="wy-menu">
            <p class="caption" role="heading"><span class="caption-text">User Guide</span></p>
            <ul class="current"><li class="toctree-l1 current"><a class="reference internal"
                href="install.html">Installation</a><ul><li class="toctree-l2"><a
                class="reference internal" href="install.html#linux">Linux</a></li></ul></li>
              <li class="toctree-l1"><a class="reference internal" href="usage.html">Usage</a>
              </li></ul>
            <p class="caption" role="heading"><span class="caption-text">Guides</span></p>
            <ul class="menu__list"><li class="menu__list-item"><div
                class="menu__list-item-collapsible"><a class="menu__link menu__link--sublist"
                href="tutorial/">Tutorial</a><button aria-label="Toggle the category"
                class="menu__caret" type="button"></button></div><ul class="menu__list">
                <li class="menu__list-item"><a class="menu__link" href="tutorial/basics">Basics</a>
                </li></ul></li>
              <li class="menu__list-item"><div class="menu__list-item-collapsible"><span
                class="menu__link">Recipes</span></div><ul><li><a href="recipes/bread">Bread</a>
                </li></ul></li></ul></div></nav>)P",
         "User Guide\n  Installation -> install.html\n    Linux -> install.html#linux\n"
         "  Usage -> usage.html\nGuides\n  Tutorial -> tutorial/\n"
         "    Basics -> tutorial/basics\n  Recipes\n    Bread -> recipes/bread\n"},

        {"list items never closed",
         "<body><ul class=nav><li><a href=a.html>A</a><li><a href=b.html>B</a><ul><li><a "
         "href=b1.html>B1</a><li><a href=b2.html>B2</a></ul><li>Section<ul><li><a "
         "href=c.html>C</a></ul><li>New: <a href=n.html>N</a></ul>",
         "A -> a.html\nB -> b.html\n  B1 -> b1.html\n  B2 -> b2.html\nSection\n  C -> c.html\n"
         "N -> n.html\n"},

        {"page in Windows-1252",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=iso-8859-1\"></head><body><div role=\"navigation\"><ul>"
         "<li><a href=\"caf\xE9.html\">Caf\xE9</a></li><li><a href=\"p.html\">\x80 Preise "
         "&amp; &Uuml;bersicht</a></li></ul></div>",
         "Caf\xC3\xA9 -> caf\xC3\xA9.html\n\xE2\x82\xAC Preise & \xC3\x9C"
         "bersicht -> p.html\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProposedTree(c.page), c.tree) << c.style;
        // Cut down to its navigations, as a large page is, it offers the very same.
        EXPECT_EQ(Candidates(c.page, true), Candidates(c.page)) << c.style;
    }
}

TEST(NavigationFinder, EveryNavigationIsOfferedAndTheLargestProposed)
{
    const std::string page = R"P(<body>
        <header><nav aria-label="Primary"><a href="/">Home</a> | <a href="/shop">Shop</a> |
          <a href="/help">Help</a></nav></header>
        <main><h2 id="more">More to read</h2><ul class="articles">
          <li><a href="/a1">One</a></li><li><a href="/a2">Two</a></li>
          <li><a href="/a3">Three</a></li><li><a href="/a4">Four</a></li></ul>
          <ul><li><a href="/only">Alone</a></li></ul></main>
        <footer><nav aria-labelledby="fh x"><h2 id="fh">Footer   links</h2><ul>
          <li><a href="/privacy">Privacy</a></li><li><a href="/terms">Terms of a much longer name</a></li>
          <li><a href="/imprint">Imprint</a></li><li><a href="/jobs">Jobs</a></li>
          <li><a href="/press">Press</a></li></ul></nav></footer>)P";
    const PageNavigation navigation = ReadPageNavigation(page, {});
    EXPECT_EQ(Candidates(page, true), Candidates(page));
    ASSERT_EQ(navigation.candidates.size(), 3u);
    const NavCandidate& primary = navigation.candidates[0];
    EXPECT_EQ(primary.kind, NavCandidate::Kind::Landmark);
    EXPECT_EQ(primary.label, "Primary");
    EXPECT_EQ(Outline(primary.items), "Home -> /\nShop -> /shop\nHelp -> /help\n");
    const NavCandidate& footer = navigation.candidates[1];
    EXPECT_EQ(footer.label, "Footer links");
    EXPECT_EQ(footer.linkCount, 5u);
    EXPECT_EQ(footer.depth, 2);
    EXPECT_EQ(Outline(footer.items).substr(0, 30), "Footer links\n  Privacy -> /pri");
    const NavCandidate& list = navigation.candidates[2];
    EXPECT_EQ(list.kind, NavCandidate::Kind::List);
    EXPECT_EQ(list.label, "One, Two, Three, ...");
    EXPECT_EQ(list.linkCount, 4u);
    EXPECT_EQ(list.depth, 1);
    EXPECT_EQ(navigation.preselected, 1u);

    // Without navigation or lists, every link of the page; without links, nothing.
    const PageNavigation loose = ReadPageNavigation("<p><a href=a>A</a> and <a href=b>B</a>", {});
    ASSERT_EQ(loose.candidates.size(), 1u);
    EXPECT_EQ(loose.candidates[0].kind, NavCandidate::Kind::WholePage);
    EXPECT_EQ(Outline(loose.candidates[0].items), "A -> a\nB -> b\n");
    EXPECT_TRUE(ReadPageNavigation("<p>No links<a name=x>here</a>", {}).candidates.empty());
    EXPECT_TRUE(ReadPageNavigation("<nav><a href='#'>Top</a></nav>", {}).candidates.empty());
}

// From the network, links are made absolute against the page's address or its <base>; links
// that run a script are left out and reported; a parent keeps its sub items without its link.
TEST(NavigationFinder, LinksAreResolvedAndScriptLinksReported)
{
    const std::string page = R"P(<head><base href="/site/"></head><nav><ul>
        <li><a href="about.html">About</a></li>
        <li><a href="JavaScript&#58;open()">Tools</a><ul>
          <li><a href=" ../x/../up.html?a=1&amp;b=2#top ">Up</a></li>
          <li><a href="//cdn.example.net/f">CDN</a></li>
          <li><a href="mailto:me@example.org">Mail</a></li></ul></li>
        <li><a href="java&#x0A;script:alert(1)">Alert</a></li>
        <li><a href="#section">Section</a></li></ul></nav>)P";
    const PageNavigation navigation =
        ReadPageNavigation(page, "https://example.org/dir/page.html?q=1");
    ASSERT_EQ(navigation.candidates.size(), 1u);
    const NavCandidate& nav = navigation.candidates[0];
    EXPECT_EQ(Outline(nav.items), "About -> https://example.org/site/about.html\n"
                                  "Tools\n"
                                  "  Up -> https://example.org/up.html?a=1&b=2#top\n"
                                  "  CDN -> https://cdn.example.net/f\n"
                                  "  Mail -> mailto:me@example.org\n"
                                  "Section -> https://example.org/site/#section\n");
    EXPECT_EQ(nav.scriptLinks, (std::vector<std::string>{"Tools", "Alert"}));
    EXPECT_EQ(nav.linkCount, 5u);

    // From a file, the same links stay as written.
    const NavCandidate local = ReadPageNavigation(page, {}).candidates.at(0);
    EXPECT_EQ(local.items[0].link, "about.html");
    EXPECT_EQ(local.items[2].link, "../x/../up.html?a=1&b=2#top");
}

// Lists nested far deeper than any stack could recurse are read, and the time stays linear.
TEST(NavigationFinder, DeeplyNestedListsAreReadWithoutRecursion)
{
    constexpr int kDepth = 3000;
    std::string page = "<nav>";
    for (int i = 0; i < kDepth; ++i)
        page += "<ul><li><a href=\"/" + std::to_string(i) + "\">L" + std::to_string(i) + "</a>";
    const PageNavigation navigation = ReadPageNavigation(page, {});
    ASSERT_EQ(navigation.candidates.size(), 1u);
    const NavCandidate& nav = navigation.candidates[0];
    ASSERT_EQ(nav.items.size(), static_cast<std::size_t>(kDepth));
    EXPECT_EQ(nav.depth, kDepth);
    EXPECT_EQ(nav.items.back().level, kDepth - 1);
    EXPECT_EQ(nav.items.back().text, "L" + std::to_string(kDepth - 1));

    // Empty wrappers nested deep before a list item's link, and many navigations named by
    // other elements: each element is read a bounded number of times.
    std::string wrapped = "<ul><li>";
    for (int i = 0; i < 20000; ++i)
        wrapped += "<span>";
    wrapped += "<a href=deep>Deep</a><li><a href=two>Two</a></ul>";
    EXPECT_EQ(Outline(ReadPageNavigation(wrapped, {}).candidates.at(0).items),
              "Deep -> deep\nTwo -> two\n");
    std::string named;
    for (int i = 0; i < 3000; ++i)
        named += "<h2 id=h" + std::to_string(i) + ">Part " + std::to_string(i) +
                 "</h2><nav aria-labelledby=h" + std::to_string(i) + "><a href=a>A</a></nav>";
    const PageNavigation parts = ReadPageNavigation(named, {});
    ASSERT_EQ(parts.candidates.size(), 3000u);
    EXPECT_EQ(parts.candidates[2999].label, "Part 2999");
}

// The quick pass finds the navigations and lists where the parser does, whatever comments,
// scripts, attribute values and left-out end tags say, and sees how deep a page is nested.
TEST(MarkupScan, RegionsAndNestingAreFoundAsTheParserFindsThem)
{
    const std::string page =
        "<!DOCTYPE html><html><head><title><nav></title><meta charset=utf-8>"
        "<script>if (a<b) document.write('<nav><a href=x>')</script><!-- <ul> --></head>"
        "<body><div class='a>b'><NAV Class=x><ul><li><a href=1>1<li><a href=2>2</ul>"
        "<div role='main navigation'><a href=3>3</a></div></nav></div>"
        "<ul><li><a title='>' href=4>4<li><ul><li><a href=5>5</a></ul></ul>"
        "<p>x<div role=navigation><a href=6>6</a><textarea></div></textarea></div>"
        "<table><tr><td><ol><li><a href=7>7</ol><td>after</table>"
        "<div><menu><li><a href=8>8</div><svg><a/><a/></svg><ul><li><a href=9>9";
    const MarkupOutline outline = ScanMarkup(page);
    EXPECT_EQ(outline.headEnd, page.find("<body>"));
    std::vector<std::string> regions;
    for (const MarkupOutline::Region& region : outline.regions)
        regions.push_back(std::string(region.list ? "list " : "nav ") +
                          std::to_string(region.links) + " " +
                          page.substr(region.begin, region.end - region.begin));
    const std::vector<std::string> expected = {
        "nav 3 <NAV Class=x><ul><li><a href=1>1<li><a href=2>2</ul><div role='main navigation'>"
        "<a href=3>3</a></div></nav>",
        "list 2 <ul><li><a title='>' href=4>4<li><ul><li><a href=5>5</a></ul></ul>",
        "nav 1 <div role=navigation><a href=6>6</a><textarea></div></textarea></div>",
        "list 1 <ol><li><a href=7>7</ol>",
        "list 1 <menu><li><a href=8>8</div>",
        "list 1 <ul><li><a href=9>9",
    };
    EXPECT_EQ(regions, expected);

    // The work grows with the square of the nesting, not with the length.
    std::string flat = "<ul>";
    std::string deep;
    for (int i = 0; i < 20000; ++i) {
        flat += "<li><a href=x>x</a>";
        deep += "<div>";
    }
    EXPECT_LT(ScanMarkup(flat).work, 10u * 20000);
    EXPECT_GT(ScanMarkup(deep).work, 150'000'000u);
    EXPECT_THROW(ReadPageNavigation(deep, {}), PageTooDeep);
}

} // namespace
} // namespace qv
