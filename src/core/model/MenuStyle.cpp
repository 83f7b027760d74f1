#include "core/model/MenuStyle.h"

#include "core/support/StringUtils.h"

#include <algorithm>

namespace qv {

std::int32_t ClampBorderWidth(std::int32_t value)
{
    return std::clamp(value, kBorderWidthMin, kBorderWidthMax);
}

std::int32_t ClampFontSize(std::int32_t value)
{
    return std::clamp(value, kFontSizeMin, kFontSizeMax);
}

std::int32_t SpinTextValue(std::string_view text)
{
    return ParseWholeNumber(text).value_or(0);
}

std::string WebFontFamily(std::string_view family)
{
    struct Alias
    {
        std::string_view desktop;
        std::string_view web;
    };
    static constexpr Alias kAliases[] = {
        {"Sans Serif", "sans-serif"}, {"sans-serif", "sans-serif"}, {"Sans", "sans-serif"},
        {"Serif", "serif"},           {"Monospace", "monospace"},   {"Mono", "monospace"},
    };
    for (const Alias& alias : kAliases)
        if (EqualsIgnoreCase(TrimBlanks(family), alias.desktop))
            return std::string(alias.web);
    return std::string(family);
}

std::string_view AlignmentCaption(std::string_view const* captions, std::size_t count,
                                  std::int32_t code)
{
    if (code < 0 || static_cast<std::size_t>(code) >= count)
        return {};
    return captions[code];
}

MenuStyle StyleAsShown(const MenuStyle& style)
{
    const auto inList = [](std::int32_t code, std::size_t count) {
        return code >= 0 && static_cast<std::size_t>(code) < count ? code : kNoChoice;
    };
    MenuStyle shown = style;
    shown.MenuType = style.MenuType == kMenuHorizontal ? kMenuHorizontal : kMenuVertical;
    shown.OnMouseOver =
        style.OnMouseOver == kUnfoldOnMouseOver ? kUnfoldOnMouseOver : kUnfoldOnClick;
    shown.TextAlign = inList(style.TextAlign, kTextAlignCaptions.size());
    shown.HorzAlign = inList(style.HorzAlign, kHorzAlignCaptions.size());
    shown.VertAlign = inList(style.VertAlign, kVertAlignCaptions.size());
    shown.Arrows = inList(style.Arrows, 3);
    shown.BorderWidth = ClampBorderWidth(style.BorderWidth);
    shown.FontSize = ClampFontSize(style.FontSize);
    return shown;
}

} // namespace qv
