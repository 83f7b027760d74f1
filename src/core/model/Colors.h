#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

// A colour value: red in bits 0-7, green in 8-15, blue in 16-23; or, with bits 24-31 equal to
// 0x80, a reference to system colour n (0x80000000 + n), resolved to the desktop's current RGB
// when it is shown or turned into text.
using TColor = std::uint32_t;

inline constexpr TColor kSystemColorBase = 0x80000000u;
inline constexpr int kSystemColorCount = 25;

inline constexpr bool IsSystemColor(TColor color)
{
    return (color & 0xFF000000u) == kSystemColorBase;
}
inline constexpr TColor SystemColorRef(int index)
{
    return kSystemColorBase + static_cast<TColor>(index);
}

// A colour from its red, green and blue channels (0-255 each).
inline constexpr TColor RgbColor(int red, int green, int blue)
{
    return static_cast<TColor>(red & 0xFF) | (static_cast<TColor>(green & 0xFF) << 8) |
           (static_cast<TColor>(blue & 0xFF) << 16);
}
inline constexpr int RedOf(TColor c)
{
    return static_cast<int>(c & 0xFF);
}
inline constexpr int GreenOf(TColor c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int BlueOf(TColor c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// The system colours by index, in the order of the desktop's table: scroll bar, background,
// active caption, ..., info background.
enum SystemColorIndex : int {
    kScrollBar = 0,
    kBackground,
    kActiveCaption,
    kInactiveCaption,
    kMenu,
    kWindow,
    kWindowFrame,
    kMenuText,
    kWindowText,
    kCaptionText,
    kActiveBorder,
    kInactiveBorder,
    kAppWorkspace,
    kHighlight,
    kHighlightText,
    kButtonFace,
    kButtonShadow,
    kGrayText,
    kButtonText,
    kInactiveCaptionText,
    kButtonHighlight,
    k3DDarkShadow,
    k3DLight,
    kInfoText,
    kInfoBackground,
};

// The classic desktop colours of the 25 system elements, used when nothing better is known.
TColor ClassicSystemColor(int index);

// Gives the current RGB colour of system colour n (0..24). The window installs one that asks the
// toolkit's palette; the core starts with the classic colours.
using SystemColorResolver = std::function<TColor(int index)>;
void SetSystemColorResolver(SystemColorResolver resolver);
const SystemColorResolver& CurrentSystemColorResolver();

// A system colour reference resolved to RGB (an index outside 0..24 resolves to black); any
// other value unchanged.
TColor ResolveColor(TColor color);
TColor ResolveColor(TColor color, const SystemColorResolver& resolver);

// Six upper-case hex digits, red, green, blue, of the resolved colour: 0x0080FF00 -> "00FF80".
std::string ColorToHex(TColor color);
std::string ColorToHex(TColor color, const SystemColorResolver& resolver);

// The text read whole as one hexadecimal number N (any mix of case); any other character, or an
// empty text, makes N 0. The colour has red = bits 16-23 of N, green 8-15, blue 0-7, so "FF" is
// pure blue. Only the low 24 bits count.
TColor HexToColor(std::string_view text);

} // namespace qv
