#include "core/model/MenuStyle.h"
#include "core/model/Colors.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Colors, ColorToHexWritesRedGreenBlue)
{
    EXPECT_EQ(ColorToHex(16744448), "0080FF");
    EXPECT_EQ(ColorToHex(15244288), "009CE8");
    EXPECT_EQ(ColorToHex(16777215), "FFFFFF");
    EXPECT_EQ(ColorToHex(0), "000000");
    EXPECT_EQ(ColorToHex(RgbColor(255, 0, 0)), "FF0000");
    EXPECT_EQ(ColorToHex(RgbColor(0x12, 0xAB, 0x0C)), "12AB0C");
    // Bits above 23 of an ordinary value are ignored.
    EXPECT_EQ(ColorToHex(0x12345678u), "785634");
}

TEST(Colors, SystemReferencesResolveThroughTheReplaceableResolver)
{
    const TColor buttonFace = SystemColorRef(kButtonFace);
    EXPECT_EQ(buttonFace, 0x8000000Fu);
    EXPECT_TRUE(IsSystemColor(buttonFace));
    EXPECT_FALSE(IsSystemColor(0x00FFFFFFu));
    EXPECT_EQ(ColorToHex(buttonFace), "D4D0C8");
    EXPECT_EQ(ColorToHex(SystemColorRef(kInfoBackground)), "FFFFE1");
    EXPECT_EQ(ColorToHex(SystemColorRef(99)), "000000");

    SetSystemColorResolver([](int index) { return index == kButtonFace ? RgbColor(1, 2, 3) : 0; });
    EXPECT_EQ(ColorToHex(buttonFace), "010203");
    EXPECT_EQ(ResolveColor(buttonFace), RgbColor(1, 2, 3));
    EXPECT_EQ(ColorToHex(buttonFace, ClassicSystemColor), "D4D0C8");
    SetSystemColorResolver({});
    EXPECT_EQ(ColorToHex(buttonFace), "D4D0C8");
}

TEST(Colors, HexToColorReadsTheWholeTextOrNothing)
{
    EXPECT_EQ(HexToColor("FF"), RgbColor(0, 0, 255));
    EXPECT_EQ(HexToColor("ff"), RgbColor(0, 0, 255));
    EXPECT_EQ(HexToColor("8000"), RgbColor(0, 0x80, 0));
    EXPECT_EQ(HexToColor("F"), RgbColor(0, 0, 0x0F));
    EXPECT_EQ(HexToColor("0080FF"), 16744448u);
    EXPECT_EQ(HexToColor("aBcDeF"), RgbColor(0xAB, 0xCD, 0xEF));
    for (const char* bad : {"", "12G", " FF", "FF ", "#FF0000", "0xFF", "-1", "+1"})
        EXPECT_EQ(HexToColor(bad), 0u) << bad;
    // Only the low 24 bits of a longer number count.
    EXPECT_EQ(HexToColor("1FF0000"), RgbColor(0xFF, 0, 0));
    for (TColor c : {0u, 16744448u, 15244288u, 16777215u, 0x00123456u})
        EXPECT_EQ(HexToColor(ColorToHex(c)), c);
}

TEST(MenuStyle, StartUpValuesAndTheStateWithoutAChoice)
{
    const MenuStyle s;
    EXPECT_EQ(s.MenuType, 0);
    EXPECT_EQ(s.TextAlign, 0);
    EXPECT_EQ(s.VertAlign, 0);
    EXPECT_EQ(s.MenuTop, 1);
    EXPECT_EQ(s.LeftPadding, 3);
    EXPECT_EQ(s.TopPadding, 2);
    EXPECT_EQ(s.BorderWidth, 1);
    EXPECT_EQ(s.FontSize, 10);
    EXPECT_FALSE(s.FontBold);
    EXPECT_EQ(s.Arrows, 2);
    EXPECT_TRUE(s.KeepHighlighted);
    EXPECT_TRUE(s.BorderBetween);
    EXPECT_EQ(s.MainBorder, 0u);
    EXPECT_EQ(s.MenuFont, "Tahoma, Verdana, Arial");
    EXPECT_EQ(StyleAsShown(s), s);

    MenuStyle odd;
    odd.MenuType = 7;
    odd.OnMouseOver = -1;
    odd.TextAlign = 3;
    odd.HorzAlign = -2;
    odd.VertAlign = 3;
    odd.Arrows = 5;
    odd.BorderWidth = 50;
    odd.FontSize = -1;
    odd.MenuTop = -300;
    const MenuStyle shown = StyleAsShown(odd);
    EXPECT_EQ(shown.MenuType, kMenuVertical);
    EXPECT_EQ(shown.OnMouseOver, kUnfoldOnClick);
    EXPECT_EQ(shown.TextAlign, kNoChoice);
    EXPECT_EQ(shown.HorzAlign, kNoChoice);
    EXPECT_EQ(shown.VertAlign, 3) << "Static is the fourth vertical entry";
    EXPECT_EQ(shown.Arrows, kNoChoice);
    EXPECT_EQ(shown.BorderWidth, 20);
    EXPECT_EQ(shown.FontSize, 0);
    EXPECT_EQ(shown.MenuTop, -300);
}

TEST(MenuStyle, SpinTextsClampsAndCaptions)
{
    EXPECT_EQ(SpinTextValue("-"), 0);
    EXPECT_EQ(SpinTextValue("-25"), -25);
    EXPECT_EQ(SpinTextValue("2.5"), 0);
    EXPECT_EQ(SpinTextValue(""), 0);
    EXPECT_EQ(SpinTextValue("99999999999"), 0);
    EXPECT_EQ(ClampBorderWidth(-3), 0);
    EXPECT_EQ(ClampBorderWidth(25), 20);
    EXPECT_EQ(ClampFontSize(150), 100);
    EXPECT_EQ(ClampFontSize(12), 12);
    EXPECT_EQ(AlignmentCaption(kVertAlignCaptions, 3), "Static");
    EXPECT_EQ(AlignmentCaption(kTextAlignCaptions, 3), "");
    EXPECT_EQ(AlignmentCaption(kHorzAlignCaptions, -1), "");
}

} // namespace
} // namespace qv
