#include "core/model/Colors.h"

#include "core/support/StringUtils.h"

#include <array>

namespace qv {

namespace {

constexpr TColor Hex(std::uint32_t rrggbb)
{
    return RgbColor(static_cast<int>(rrggbb >> 16), static_cast<int>((rrggbb >> 8) & 0xFF),
                    static_cast<int>(rrggbb & 0xFF));
}

constexpr std::array<TColor, kSystemColorCount> kClassic = {
    Hex(0xD4D0C8), Hex(0x3A6EA5), Hex(0x0A246A), Hex(0x808080), Hex(0xD4D0C8),
    Hex(0xFFFFFF), Hex(0x000000), Hex(0x000000), Hex(0x000000), Hex(0xFFFFFF),
    Hex(0xD4D0C8), Hex(0xD4D0C8), Hex(0x808080), Hex(0x0A246A), Hex(0xFFFFFF),
    Hex(0xD4D0C8), Hex(0x808080), Hex(0x808080), Hex(0x000000), Hex(0xD4D0C8),
    Hex(0xFFFFFF), Hex(0x404040), Hex(0xD4D0C8), Hex(0x000000), Hex(0xFFFFE1)};

SystemColorResolver& Resolver()
{
    static SystemColorResolver resolver = ClassicSystemColor;
    return resolver;
}

} // namespace

TColor ClassicSystemColor(int index)
{
    if (index < 0 || index >= kSystemColorCount)
        return 0;
    return kClassic[static_cast<std::size_t>(index)];
}

void SetSystemColorResolver(SystemColorResolver resolver)
{
    Resolver() = resolver ? std::move(resolver) : SystemColorResolver(ClassicSystemColor);
}

const SystemColorResolver& CurrentSystemColorResolver()
{
    return Resolver();
}

TColor ResolveColor(TColor color, const SystemColorResolver& resolver)
{
    if (!IsSystemColor(color))
        return color;
    const auto index = color & 0x00FFFFFFu;
    if (index >= static_cast<TColor>(kSystemColorCount))
        return 0;
    return resolver(static_cast<int>(index)) & 0x00FFFFFFu;
}

TColor ResolveColor(TColor color)
{
    return ResolveColor(color, Resolver());
}

std::string ColorToHex(TColor color, const SystemColorResolver& resolver)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const TColor rgb = ResolveColor(color, resolver);
    std::string out(6, '0');
    const int channels[3] = {RedOf(rgb), GreenOf(rgb), BlueOf(rgb)};
    for (int i = 0; i < 3; ++i) {
        out[static_cast<std::size_t>(2 * i)] = digits[channels[i] >> 4];
        out[static_cast<std::size_t>(2 * i + 1)] = digits[channels[i] & 0xF];
    }
    return out;
}

std::string ColorToHex(TColor color)
{
    return ColorToHex(color, Resolver());
}

TColor HexToColor(std::string_view text)
{
    if (text.empty())
        return 0;
    std::uint32_t n = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return 0;
        // Only the low 24 bits are used, so longer texts simply shift their top digits out.
        n = ((n << 4) | static_cast<std::uint32_t>(d)) & 0x00FFFFFFu;
    }
    return RgbColor(static_cast<int>((n >> 16) & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                    static_cast<int>(n & 0xFF));
}

} // namespace qv
