#pragma once

#include "core/model/Colors.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Codes of the choice fields, as the Options page, the generator and project files use them.
// A field may also hold a code outside its list (from a project file): it then has no choice.
inline constexpr std::int32_t kNoChoice = -1;

enum MenuTypeCode : std::int32_t { kMenuHorizontal = 0, kMenuVertical = 1 };
enum UnfoldCode : std::int32_t { kUnfoldOnMouseOver = 0, kUnfoldOnClick = 1 };
enum ArrowsCode : std::int32_t { kArrowsNone = 0, kArrowsLight = 1, kArrowsDark = 2 };

// The entries of the three alignment lists, in their order (the code is the position).
inline constexpr std::array<std::string_view, 3> kTextAlignCaptions = {"Left", "Center", "Right"};
inline constexpr std::array<std::string_view, 3> kHorzAlignCaptions = {"Left", "Center", "Right"};
inline constexpr std::array<std::string_view, 4> kVertAlignCaptions = {"Top", "Middle", "Bottom",
                                                                       "Static"};

// Every setting of the menu's look and behaviour that is not a property of one item, in the
// order of the project file. The member initialisers are the values the window starts with.
struct MenuStyle
{
    TColor MainBG = 16744448;     // 0080FF
    TColor MainMOBG = 15244288;   // 009CE8
    TColor MainFont = 16777215;   // white
    TColor MainFontMO = 16711680; // blue
    TColor MainBorder = 0;        // black
    TColor SubBG = 16744448;
    TColor SubMOBG = 15244288;
    TColor SubFont = 16777215;
    TColor SubFontMO = 16711680;
    TColor SubBorder = 0;
    std::int32_t MenuType = kMenuHorizontal;
    std::int32_t TextAlign = 0;
    std::int32_t HorzAlign = 0;
    std::int32_t VertAlign = 0;
    std::int32_t MenuTop = 1;
    std::int32_t MenuLeft = 1;
    std::int32_t LeftPadding = 3;
    std::int32_t TopPadding = 2;
    std::int32_t BorderWidth = 1;
    std::int32_t OnMouseOver = kUnfoldOnMouseOver;
    std::string MenuFont = "Tahoma, Verdana, Arial";
    std::int32_t FontSize = 10;
    bool FontBold = false;
    bool FontItalic = false;
    std::int32_t Arrows = kArrowsDark;
    bool KeepHighlighted = true;
    bool BorderBetween = true;

    friend bool operator==(const MenuStyle&, const MenuStyle&) = default;
};

// The ten colours in the order of the colour page's rows: the five main colours, then the five
// sub colours.
inline constexpr std::array<TColor MenuStyle::*, 10> kStyleColors = {
    &MenuStyle::MainBG,     &MenuStyle::MainMOBG, &MenuStyle::MainFont, &MenuStyle::MainFontMO,
    &MenuStyle::MainBorder, &MenuStyle::SubBG,    &MenuStyle::SubMOBG,  &MenuStyle::SubFont,
    &MenuStyle::SubFontMO,  &MenuStyle::SubBorder};

inline constexpr std::int32_t kBorderWidthMin = 0;
inline constexpr std::int32_t kBorderWidthMax = 20;
inline constexpr std::int32_t kFontSizeMin = 0;
inline constexpr std::int32_t kFontSizeMax = 100;

// Values brought into their box's range, as showing a style does.
std::int32_t ClampBorderWidth(std::int32_t value);
std::int32_t ClampFontSize(std::int32_t value);

// The value of a spin box's text: a whole decimal number with an optional sign, or 0 for
// anything else (empty, a lone sign, a decimal separator, too large for 32 bits).
std::int32_t SpinTextValue(std::string_view text);

// The name a web page knows for a family chosen in the desktop's font dialog. The desktop's
// aliases for its default fonts ("Sans Serif", "Serif", "Monospace", and the font configuration's
// "Sans", "Mono" and lower-case spellings), which the dialog offers where the start-up font is
// not installed, become the generic CSS families sans-serif, serif and monospace; real family
// names come back as they are.
std::string WebFontFamily(std::string_view family);

// The caption of a list entry by its code, or the empty text when the code has no entry.
std::string_view AlignmentCaption(std::string_view const* captions, std::size_t count,
                                  std::int32_t code);
template <std::size_t N>
std::string_view AlignmentCaption(const std::array<std::string_view, N>& captions,
                                  std::int32_t code)
{
    return AlignmentCaption(captions.data(), N, code);
}

// The style as the window shows it and reads it back: codes outside a field's list become the
// state without a choice (menu type and unfolding read as 1, the lists and the arrows as -1),
// and the border width and font size are brought into their ranges. Colours stay as they are.
MenuStyle StyleAsShown(const MenuStyle& style);

// The effective meaning of choice fields without a choice: neither menu type button checked
// reads as vertical, neither unfold button as on click.
inline constexpr bool IsHorizontal(const MenuStyle& s)
{
    return s.MenuType == kMenuHorizontal;
}
inline constexpr bool UnfoldsOnClick(const MenuStyle& s)
{
    return s.OnMouseOver != kUnfoldOnMouseOver;
}

} // namespace qv
