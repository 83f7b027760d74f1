#pragma once

#include "core/model/Colors.h"
#include "core/model/MenuStyle.h"

#include <array>
#include <string>
#include <string_view>

namespace qv {

// The contrast that text needs against its background to be read easily: 4.5 to 1.
inline constexpr double kMinTextContrast = 4.5;

// The relative luminance of a colour, 0 for black to 1 for white, after resolving a system
// colour: the channels are linearised from sRGB and weighted 0.2126, 0.7152 and 0.0722.
double RelativeLuminance(TColor color, const SystemColorResolver& resolver);

// The contrast ratio of two colours, from 1 (alike) to 21 (black and white), whichever is the
// lighter: (L1 + 0.05) / (L2 + 0.05) with L1 the larger luminance.
double ContrastRatio(TColor a, TColor b, const SystemColorResolver& resolver);
double ContrastRatio(TColor a, TColor b);

// One text and background pair of a menu design, with the ratio between them.
struct ContrastPair
{
    std::string_view name; // "Main", "Main mouse-over", "Sub", "Sub mouse-over"
    double ratio = 1.0;
    bool low = false; // below kMinTextContrast
};

// The four pairs a visitor reads: the main bar and the sub menus, normal and under the pointer.
std::array<ContrastPair, 4> MenuContrast(const MenuStyle& style,
                                         const SystemColorResolver& resolver);

// "Main: 3.79:1, below 4.5:1" or "Sub: 7.12:1". The ratio is cut, not rounded, to two decimals,
// so a pair just below the limit never reads as 4.50.
std::string ContrastLine(const ContrastPair& pair);

} // namespace qv
