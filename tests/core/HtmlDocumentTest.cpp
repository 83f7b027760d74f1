#include "core/site/HtmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

std::string_view SourceOf(const GumboStringPiece& piece)
{
    return {piece.data, piece.length};
}

// Positions point into the bytes as stored: the real <body> start tag is found whatever comes
// before it, and a page in Windows-1252 keeps its markup's positions.
TEST(HtmlDocument, StartTagsAreFoundAtTheirSourcePositions)
{
    const std::string page = "<!DOCTYPE html><HTML><head><title>Caf\xE9 <body></title>"
                             "<!-- <body class=no> --><script>var s='<body>';</script>"
                             "<meta name=x content='<body>'></head>\r\n<BODY Class=\"x\">\r\n"
                             "<P>text<my-menu data-a=1></my-menu></BODY></HTML>";
    const HtmlDocument document(page);
    const GumboNode* body = document.Find(GUMBO_TAG_BODY);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(SourceOf(body->v.element.original_tag), "<BODY Class=\"x\">");
    EXPECT_EQ(body->v.element.start_pos.offset, page.find("<BODY"));
    EXPECT_STREQ(AttributeValue(body, "class"), "x");

    const GumboNode* custom = nullptr;
    WalkNodes(document.Root(), [&](const GumboNode* node) {
        if (ElementName(node) == "my-menu")
            custom = node;
        return true;
    });
    ASSERT_NE(custom, nullptr);
    EXPECT_STREQ(AttributeValue(custom, "data-a"), "1");
    EXPECT_EQ(VisibleText(document.Find(GUMBO_TAG_TITLE)), "Caf\xEF\xBF\xBD <body>");

    // Without a body tag the parser implies one, with no source text of its own.
    const HtmlDocument bare("<p>Hello");
    EXPECT_EQ(bare.Find(GUMBO_TAG_BODY)->v.element.original_tag.length, 0u);
}

TEST(HtmlDocument, EncodingsAreDetectedAsBrowsersDo)
{
    struct Case
    {
        std::string page;
        PageCharset charset;
        std::size_t bom;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF<meta charset=windows-1252><p>\xC3\xA9", PageCharset::Utf8, 3},
        {"<meta charset=' ISO-8859-1 '><p>\xE9", PageCharset::Windows1252, 0},
        {"<meta http-equiv=Content-Type content='text/html; charset = \"latin1\"'>",
         PageCharset::Windows1252, 0},
        {"<meta http-equiv=content-type content='text/html;charset=UTF-8'><p>\xE9",
         PageCharset::Utf8, 0},
        {"<meta charset=shift_jis>", PageCharset::Unsupported, 0},
        {"<p>caf\xC3\xA9", PageCharset::Utf8, 0},
        {"<p>caf\xE9", PageCharset::Windows1252, 0},
    };
    for (const Case& c : cases) {
        const std::string_view stored = std::string_view(c.page).substr(c.bom);
        const PageEncoding encoding = DetectPageEncoding(c.page, HtmlDocument(stored));
        EXPECT_EQ(encoding.charset, c.charset) << c.page;
        EXPECT_EQ(encoding.bomLength, c.bom) << c.page;
    }
    const std::string latin = "<meta charset=latin1><p>Caf\xE9 \x80";
    const PageEncoding encoding = DetectPageEncoding(latin, HtmlDocument(latin));
    EXPECT_EQ(encoding.declared, "latin1");
    EXPECT_EQ(VisibleText(HtmlDocument(DecodePage(latin, encoding)).Find(GUMBO_TAG_P)),
              "Caf\xC3\xA9 \xE2\x82\xAC");

    // Back into a page: what Windows-1252 holds as bytes, the rest as references.
    EXPECT_EQ(
        EncodeForPage("\xE2\x82\xAC \xC3\xA9 \xD7\x90 \xF0\x9F\x98\x80", PageCharset::Windows1252),
        "\x80 \xE9 &#1488; &#128512;");
    EXPECT_EQ(EncodeForPage("caf\xE9", PageCharset::Utf8), "caf\xC3\xA9");
}

// Deep nesting is parsed, walked and freed without recursion.
TEST(HtmlDocument, DeepNestingIsSafe)
{
    std::string page;
    for (int i = 0; i < 20000; ++i)
        page += "<span>";
    page += "deep";
    const HtmlDocument document(page);
    EXPECT_EQ(VisibleText(document.Root()), "deep");
}

} // namespace
} // namespace qv
