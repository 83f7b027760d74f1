#include "core/model/Contrast.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TColor Hex(const char* rrggbb)
{
    return HexToColor(rrggbb);
}

TEST(Contrast, RatiosMatchThePublishedExamplesWhicheverColourIsLighter)
{
    EXPECT_DOUBLE_EQ(ContrastRatio(Hex("000000"), Hex("FFFFFF")), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(Hex("FFFFFF"), Hex("000000")), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(Hex("3A7B11"), Hex("3A7B11")), 1.0);
    // The grey that is just readable on white, and the one just beside it that is not.
    EXPECT_NEAR(ContrastRatio(Hex("767676"), Hex("FFFFFF")), 4.54, 0.005);
    EXPECT_NEAR(ContrastRatio(Hex("777777"), Hex("FFFFFF")), 4.48, 0.005);
    // Channels count by their weight: pure green is far lighter than pure blue.
    EXPECT_NEAR(RelativeLuminance(Hex("00FF00"), CurrentSystemColorResolver()), 0.7152, 1e-9);
    EXPECT_NEAR(RelativeLuminance(Hex("0000FF"), CurrentSystemColorResolver()), 0.0722, 1e-9);
    // Below the knee of the sRGB curve a channel is linear: 10/255/12.92.
    EXPECT_NEAR(RelativeLuminance(Hex("0A0A0A"), CurrentSystemColorResolver()),
                10.0 / 255.0 / 12.92, 1e-12);
}

TEST(Contrast, TheFourPairsOfTheStartUpDesignAndSystemColoursResolved)
{
    const auto pairs = MenuContrast(MenuStyle{}, CurrentSystemColorResolver());
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(ContrastLine(pairs[0]), "Main: 3.79:1, below 4.5:1"); // white on 0080FF
    EXPECT_EQ(ContrastLine(pairs[1]), "Main mouse-over: 2.83:1, below 4.5:1");
    EXPECT_EQ(ContrastLine(pairs[2]), "Sub: 3.79:1, below 4.5:1");
    EXPECT_EQ(ContrastLine(pairs[3]), "Sub mouse-over: 2.83:1, below 4.5:1");

    MenuStyle style;
    style.MainBG = Hex("000000");
    style.MainMOBG = Hex("FFFFFF");
    style.MainFontMO = Hex("767676");
    style.SubBG = SystemColorRef(kWindow);
    style.SubFont = SystemColorRef(kWindowText);
    style.SubMOBG = Hex("FFFFFF");
    style.SubFontMO = Hex("777777");
    // A desktop whose window text and window are one colour: the pair reads 1:1 however the
    // classic colours would have read.
    const SystemColorResolver alike = [](int) { return Hex("808080"); };
    const auto lines = MenuContrast(style, alike);
    EXPECT_EQ(ContrastLine(lines[0]), "Main: 21.00:1");
    // 4.54 stays unmarked, 4.48 is marked, and a ratio is cut, never rounded up to the limit.
    EXPECT_EQ(ContrastLine(lines[1]), "Main mouse-over: 4.54:1");
    EXPECT_EQ(ContrastLine(lines[2]), "Sub: 1.00:1, below 4.5:1");
    EXPECT_EQ(ContrastLine(lines[3]), "Sub mouse-over: 4.47:1, below 4.5:1");
    EXPECT_EQ(ContrastLine(MenuContrast(style, CurrentSystemColorResolver())[2]), "Sub: 21.00:1");
    // The cut allows only for the last bit of a division: 4.35 times 100 is 434.99999999999994
    // and still reads 4.35, while a ratio a hair below the next hundredth is never lifted to it.
    EXPECT_EQ(ContrastLine({"A", 4.35, false}), "A: 4.35:1");
    EXPECT_EQ(ContrastLine({"A", 4.4999, true}), "A: 4.49:1, below 4.5:1");
    EXPECT_EQ(ContrastLine({"A", 4.49999999, true}), "A: 4.49:1, below 4.5:1");
}

} // namespace
} // namespace qv
