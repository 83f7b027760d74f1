#include "core/codegen/MenuList.h"
#include "core/site/HtmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

TMyRec Link(std::string link)
{
    TMyRec rec;
    rec.Link = std::move(link);
    return rec;
}

TEST(MenuList, NestsItemsAndClosesEveryLevel)
{
    MenuTree tree;
    MenuItem* products = tree.AppendRoot("Products", Link("http://"));
    MenuItem* laptops = tree.AppendChild(products, "Laptops", Link("laptops.html"));
    tree.AppendChild(laptops, "Small & light", Link("small.html?a=1&b=\"2\""));
    tree.AppendRoot("About", Link(""));
    MenuListOptions options;
    options.name = "site main!";
    options.lineBreak = "\n";
    EXPECT_EQ(MenuListHtml(tree, options),
              "<nav class=\"quorvane-menu\" data-quorvane-menu=\"sitemain\"><ul>\n"
              "<li><span>Products</span><ul>\n"
              "<li><a href=\"laptops.html\">Laptops</a><ul>\n"
              "<li><a href=\"small.html?a=1&amp;b=&quot;2&quot;\">Small &amp; light</a></li>\n"
              "</ul></li>\n"
              "</ul></li>\n"
              "<li><span>About</span></li>\n"
              "</ul></nav>");

    options.href = [](std::string_view link) { return "../" + std::string(link); };
    options.isCurrent = [](std::string_view link) { return link == "laptops.html"; };
    const std::string page = MenuListHtml(tree, options);
    EXPECT_NE(page.find("<a href=\"../laptops.html\" aria-current=\"page\">Laptops</a>"),
              std::string::npos);
    EXPECT_EQ(page.find("aria-current", page.find("Small")), std::string::npos);

    EXPECT_EQ(MenuListHtml(MenuTree{}), "");
}

// Whatever an item holds, a browser reads the list back as exactly the tree's shape, texts and
// links: nothing can end the list, the nav or a comment around it early.
TEST(MenuList, HostileCaptionsAndLinksStayInsideTheirItems)
{
    const std::vector<std::pair<std::string, std::string>> items = {
        {"<b>Hot</b> &amp; new", "a.html"},
        {"</ul></nav><script>alert(1)</script>", "\"><script>x</script>"},
        {"-->", "b.html#--!>"},
        {"<img src=x alt=\"Home\">", "c.html"},
        {"Line<br>break\t\r\ntabs \x01", "d&e.html"},
        {"Caf\xE9", "caf\xE9.html"}, // Windows-1252, as an old project file holds it
        {"<title>x</title><textarea>y", "e.html"},
        {"Split", "\tf.html\r\n?x=\r1"}, // a URL's parser drops tabs and line breaks
    };
    const std::vector<std::string> texts = {"Hot & new",   "",   "-->",  "Home", "Line break tabs",
                                            "Caf\xC3\xA9", "xy", "Split"};
    MenuTree tree;
    MenuItem* parent = tree.AppendRoot("Top", Link("top.html"));
    for (const auto& [caption, link] : items)
        tree.AppendChild(parent, caption, Link(link));

    const std::string html = "<!--before-->" + MenuListHtml(tree) + "<!--after--><p id=end>";
    const HtmlDocument page(html);
    std::vector<const GumboNode*> anchors;
    int navs = 0;
    int comments = 0;
    WalkNodes(page.Document(), [&](const GumboNode* node) {
        navs += IsElement(node, GUMBO_TAG_NAV);
        comments += node->type == GUMBO_NODE_COMMENT;
        if (IsElement(node, GUMBO_TAG_A))
            anchors.push_back(node);
        return true;
    });
    EXPECT_EQ(navs, 1);
    EXPECT_EQ(comments, 2);
    ASSERT_EQ(anchors.size(), items.size() + 1);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const GumboNode* a = anchors[i + 1];
        EXPECT_EQ(VisibleText(a), texts[i]) << i;
        const std::string href = i == 5   ? "caf\xC3\xA9.html"
                                 : i == 7 ? "f.html?x=1"
                                          : items[i].second;
        EXPECT_EQ(AttributeValue(a, "href"), href) << i;
        // Every link sits in a list item of the one sub list under "Top".
        EXPECT_TRUE(IsElement(a->parent, GUMBO_TAG_LI));
        EXPECT_EQ(a->parent->parent, anchors[0]->parent->v.element.children.data[1]);
    }
    EXPECT_NE(page.Find(GUMBO_TAG_P), nullptr);
    // The list's own CR LF breaks are its only line breaks.
    for (std::size_t at = html.find_first_of("\r\n"); at != std::string::npos;
         at = html.find_first_of("\r\n", at + 2))
        ASSERT_EQ(html.substr(at, 2), "\r\n") << at;
}

// A chain a hundred thousand levels deep is written without recursion and closed at every level.
TEST(MenuList, DeepChainIsWrittenIteratively)
{
    MenuTree tree;
    MenuItem* item = tree.AppendRoot("0", Link("0.html"));
    for (int level = 1; level < 100000; ++level)
        item = tree.AppendChild(item, std::to_string(level), Link("x.html"));
    const std::string html = MenuListHtml(tree);
    std::size_t opened = 0;
    std::size_t closed = 0;
    for (std::size_t at = 0; (at = html.find("<ul>", at)) != std::string::npos; ++at)
        ++opened;
    for (std::size_t at = 0; (at = html.find("</ul>", at)) != std::string::npos; ++at)
        ++closed;
    EXPECT_EQ(opened, 100000u);
    EXPECT_EQ(closed, 100000u);
    EXPECT_TRUE(html.ends_with("</li>\r\n</ul></nav>"));
}

} // namespace
} // namespace qv
