#include "core/codegen/MenuList.h"

#include "core/site/HtmlDocument.h"
#include "core/support/Encoding.h"

namespace qv {

bool IsHeadingLink(std::string_view link)
{
    return link.empty() || link == "http://";
}

std::string MenuListName(std::string_view name)
{
    std::string out;
    for (char c : name)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.')
            out.push_back(c);
    return out;
}

std::string CaptionText(std::string_view caption)
{
    std::string source = IsValidUtf8(caption) ? std::string(caption) : Windows1252ToUtf8(caption);
    // Control characters other than white space have no place in a page's text.
    std::erase_if(source, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || u == 0x7F;
    });
    // Most captions are plain text: only markup and references need the parser.
    if (source.find_first_of("<&") == std::string::npos)
        return CollapseWhiteSpace(source);
    return VisibleText(HtmlDocument::Fragment(source).Root());
}

void AppendMenuListHtml(std::string& out, const MenuTree& tree, const MenuListOptions& options)
{
    if (tree.Empty())
        return;
    const std::string_view eol = options.lineBreak;
    out += "<nav class=\"quorvane-menu\" data-quorvane-menu=\"";
    out += MenuListName(options.name);
    out += "\"><ul>";
    out += eol;
    int open = 0; // sub lists open below the top list
    const std::vector<MenuItem*>& order = tree.PreOrder();
    const std::vector<std::string>* texts =
        options.itemTexts != nullptr && options.itemTexts->size() == order.size()
            ? options.itemTexts
            : nullptr;
    const auto textOf = [&](std::size_t i) {
        if (texts != nullptr)
            AppendHtmlText(out, (*texts)[i]);
        else
            AppendHtmlText(out, CaptionText(order[i]->Text()));
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MenuItem* item = order[i];
        for (; open > item->Level(); --open) {
            out += "</ul></li>";
            out += eol;
        }
        const std::string& link = item->Rec().Link;
        out += "<li>";
        if (IsHeadingLink(link)) {
            out += "<span>";
            textOf(i);
            out += "</span>";
        } else {
            std::string href = options.href ? options.href(link) : link;
            if (!IsValidUtf8(href))
                href = Windows1252ToUtf8(href);
            // A URL's parser drops tabs and line breaks: dropped here, they cannot break the
            // list's lines either.
            std::erase_if(href, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
            out += "<a href=\"";
            AppendHtmlAttribute(out, href);
            out += '"';
            if (options.isCurrent && options.isCurrent(link))
                out += " aria-current=\"page\"";
            out += '>';
            textOf(i);
            out += "</a>";
        }
        if (item->ChildCount() > 0) {
            out += "<ul>";
            ++open;
        } else {
            out += "</li>";
        }
        out += eol;
    }
    for (; open > 0; --open) {
        out += "</ul></li>";
        out += eol;
    }
    out += "</ul></nav>";
}

std::vector<std::string> MenuItemTexts(const MenuTree& tree)
{
    std::vector<std::string> texts;
    texts.reserve(tree.PreOrder().size());
    for (const MenuItem* item : tree.PreOrder())
        texts.push_back(CaptionText(item->Text()));
    return texts;
}

std::string MenuListHtml(const MenuTree& tree, const MenuListOptions& options)
{
    std::string out;
    AppendMenuListHtml(out, tree, options);
    return out;
}

} // namespace qv
