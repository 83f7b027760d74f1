#include "core/model/Contrast.h"

#include <cmath>
#include <cstdio>

namespace qv {

namespace {

double Linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(TColor color, const SystemColorResolver& resolver)
{
    const TColor rgb = ResolveColor(color, resolver);
    return 0.2126 * Linear(RedOf(rgb)) + 0.7152 * Linear(GreenOf(rgb)) +
           0.0722 * Linear(BlueOf(rgb));
}

double ContrastRatio(TColor a, TColor b, const SystemColorResolver& resolver)
{
    const double la = RelativeLuminance(a, resolver);
    const double lb = RelativeLuminance(b, resolver);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

double ContrastRatio(TColor a, TColor b)
{
    return ContrastRatio(a, b, CurrentSystemColorResolver());
}

std::array<ContrastPair, 4> MenuContrast(const MenuStyle& style,
                                         const SystemColorResolver& resolver)
{
    const auto pair = [&](std::string_view name, TColor text, TColor background) {
        const double ratio = ContrastRatio(text, background, resolver);
        return ContrastPair{name, ratio, ratio < kMinTextContrast};
    };
    return {pair("Main", style.MainFont, style.MainBG),
            pair("Main mouse-over", style.MainFontMO, style.MainMOBG),
            pair("Sub", style.SubFont, style.SubBG),
            pair("Sub mouse-over", style.SubFontMO, style.SubMOBG)};
}

std::string ContrastLine(const ContrastPair& pair)
{
    // Cut to hundredths; the small allowance keeps 7.0 from reading as 6.99 after the division.
    const double cut = std::floor(pair.ratio * 100.0 + 1e-9) / 100.0;
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%.2f", cut);
    std::string line(pair.name);
    line += ": ";
    line += ratio;
    line += ":1";
    if (pair.low)
        line += ", below 4.5:1";
    return line;
}

} // namespace qv
