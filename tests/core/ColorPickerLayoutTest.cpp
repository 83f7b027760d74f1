#include "core/model/ColorPickerLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

namespace qv::picker {
namespace {

// The popup of the main window's pickers: Custom entry, system colours, spacing 8, edge 2, with
// a Custom text 80 x 16 pixels in size.
PopupLayoutInput MainWindowInput()
{
    PopupLayoutInput in;
    in.edge = 2;
    in.spacing = 8;
    in.hasCustom = true;
    in.showSystemColors = true;
    in.textWidth = 80;
    in.textHeight = 16;
    return in;
}

TEST(PickerPalette, NamesAndValuesOfTheCells)
{
    EXPECT_EQ(CellName(0), "Black");
    EXPECT_EQ(CellName(5), "Dark blue");
    EXPECT_EQ(CellName(23), "Grey-40%");
    EXPECT_EQ(CellName(39), "White");
    EXPECT_EQ(CellName(40), "system color: scroll bar");
    EXPECT_EQ(CellName(55), "system color: button face");
    EXPECT_EQ(CellName(64), "system color: info background");
    EXPECT_EQ(CellName(65), "");
    EXPECT_EQ(CellName(kEntryCustom), "");

    EXPECT_EQ(CellColor(1), RgbColor(0x99, 0x33, 0x00)); // Brown, red in the low byte
    EXPECT_EQ(CellColor(16), RgbColor(255, 0, 0));
    EXPECT_EQ(CellColor(55), 0x8000000Fu) << "a system cell stands for the reference";
    EXPECT_EQ(LastCell(false), 39);
    EXPECT_EQ(LastCell(true), 64);
    EXPECT_FALSE(IsCell(40, false));
    EXPECT_TRUE(IsCell(64, true));
}

TEST(PickerLayout, MainWindowPopupArithmetic)
{
    const PopupLayout l = ComputePopupLayout(MainWindowInput());
    // Text height 16 + 4E + 2; width 8S + 2E + 2P.
    EXPECT_EQ(l.textHeight, 26);
    EXPECT_EQ(l.width, 164);
    EXPECT_EQ(l.combRadius, 63);
    EXPECT_EQ(l.combCellSize, 11);

    EXPECT_EQ(l.CellRect(0), (PixelRect{10, 4, 28, 22}));
    EXPECT_EQ(l.CellRect(39), (PixelRect{136, 76, 154, 94}));
    // The system rows start 3E further down.
    EXPECT_EQ(l.CellRect(40), (PixelRect{10, 100, 28, 118}));
    EXPECT_EQ(l.CellRect(64), (PixelRect{10, 154, 28, 172}));
    // The lines stay in the gaps: between palette and system rows, and under the last row.
    EXPECT_EQ(l.systemLineY, 96);
    EXPECT_EQ(l.customLineY, 172);

    // Base 5S + 4E, system rows 4S + 2E, the Custom button and its margin H_t + 2E.
    EXPECT_EQ(l.customButton, (PixelRect{10, 174, 154, 200}));
    EXPECT_EQ(l.normalHeight, 204);
    EXPECT_EQ(l.preview, (PixelRect{137, 181, 149, 193}));

    EXPECT_EQ(l.comb, (PixelRect{10, 204, 136, 330}));
    EXPECT_EQ(l.grayBand, (PixelRect{10, 326, 154, 352}));
    EXPECT_EQ(l.slider, (PixelRect{136, 215, 156, 319}));
    EXPECT_EQ(l.grayOrigin, (PixelPoint{10, 326}));
    EXPECT_EQ(l.extendedHeight, 356);
    EXPECT_TRUE(l.defaultButton.IsEmpty());
}

TEST(PickerLayout, DefaultEntryAndBareForms)
{
    PopupLayoutInput in;
    const PopupLayout bare = ComputePopupLayout(in);
    EXPECT_EQ(bare.width, 164);
    EXPECT_EQ(bare.normalHeight, 98);
    EXPECT_EQ(bare.extendedHeight, 98) << "no Custom entry, no extended form";
    EXPECT_EQ(bare.systemLineY, -1);
    EXPECT_EQ(bare.customLineY, -1);

    in.hasDefault = true;
    in.hasCustom = true;
    in.textWidth = 50;
    in.textHeight = 14;
    const PopupLayout l = ComputePopupLayout(in);
    EXPECT_EQ(l.textHeight, 24);
    EXPECT_EQ(l.defaultButton, (PixelRect{10, 4, 154, 28}));
    EXPECT_EQ(l.CellRect(0), (PixelRect{10, 28, 28, 46}));
    // 98 + (24 + 4) for Default, then the Custom button.
    EXPECT_EQ(l.customButton, (PixelRect{10, 126, 154, 150}));
    EXPECT_EQ(l.customLineY, 122);
    EXPECT_EQ(l.normalHeight, 154);
    EXPECT_EQ(l.HitTest(10, 4), kEntryDefault);
    EXPECT_EQ(l.HitTest(153, 27), kEntryDefault);
    EXPECT_EQ(l.HitTest(10, 28), 0);
    EXPECT_EQ(l.HitTest(80, 140), kEntryCustom);
    EXPECT_EQ(l.HitTest(9, 140), kEntryNone);

    in.spacing = -5;
    EXPECT_EQ(ComputePopupLayout(in).width, 148) << "a negative margin counts as none";
}

TEST(PickerLayout, LongTextsWidenThePopupSoTheyFitTheirButtons)
{
    PopupLayoutInput in = MainWindowInput();
    in.textWidth = 300;
    const PopupLayout custom = ComputePopupLayout(in);
    // The text (plus its edges) and a preview slot on each side fit between the margins.
    EXPECT_GE(custom.customButton.Width(), 300 + 4 + 2 * (18 + 2));
    EXPECT_EQ(custom.customButton.right, custom.width - 10);
    EXPECT_EQ(custom.preview.right, custom.customButton.right - 5);

    in.hasCustom = false;
    in.hasDefault = true;
    const PopupLayout def = ComputePopupLayout(in);
    EXPECT_GE(def.defaultButton.Width(), 304);
    EXPECT_EQ(def.CellRect(0).left, 10) << "the cells stay at the left margin";
}

// Every pixel of the popup hits exactly the entry whose rectangle holds it, and nothing else.
TEST(PickerLayout, HitTestAgreesWithThePaintedEntriesOnEveryPixel)
{
    for (int mask = 0; mask < 8; ++mask) {
        PopupLayoutInput in = MainWindowInput();
        in.hasDefault = (mask & 1) != 0;
        in.hasCustom = (mask & 2) != 0;
        in.showSystemColors = (mask & 4) != 0;
        const PopupLayout l = ComputePopupLayout(in);
        for (int y = -2; y < l.extendedHeight + 2; ++y) {
            for (int x = -2; x < l.width + 2; ++x) {
                int expected = kEntryNone;
                for (int i = 0; i <= LastCell(in.showSystemColors); ++i) {
                    if (l.CellRect(i).Contains(x, y))
                        expected = i;
                }
                if (in.hasDefault && l.defaultButton.Contains(x, y))
                    expected = kEntryDefault;
                if (in.hasCustom && l.customButton.Contains(x, y))
                    expected = kEntryCustom;
                ASSERT_EQ(l.HitTest(x, y), expected) << "mask " << mask << " at " << x << ", " << y;
            }
        }
    }
}

TEST(PickerKeys, ArrowsWalkTheCellsAndWrapThroughDefaultAndCustom)
{
    using K = ArrowKey;
    struct Case
    {
        int from;
        K key;
        bool hasDefault, hasCustom, system;
        int to;
    };
    const Case cases[] = {
        // Within the grid.
        {9, K::Left, false, false, false, 8},
        {8, K::Left, false, false, false, 7}, // column 0 to the previous row's last column
        {9, K::Up, false, false, false, 1},
        {7, K::Right, false, false, false, 8},
        {1, K::Down, false, false, false, 9},
        {40, K::Left, false, false, true, 39},
        // Leaving cell 0 (or row 0 upwards): Default, else Custom, else the last cell.
        {0, K::Left, true, true, false, kEntryDefault},
        {0, K::Left, false, true, false, kEntryCustom},
        {0, K::Left, false, false, false, 39},
        {0, K::Left, false, false, true, 64},
        {5, K::Up, true, false, false, kEntryDefault},
        {5, K::Up, false, true, true, kEntryCustom},
        {5, K::Up, false, false, true, 64},
        // Past the last cell: Custom, else Default, else cell 0.
        {39, K::Right, true, true, false, kEntryCustom},
        {39, K::Right, true, false, false, kEntryDefault},
        {39, K::Right, false, false, false, 0},
        {39, K::Right, false, false, true, 40},
        {64, K::Right, false, true, true, kEntryCustom},
        {64, K::Right, false, false, true, 0},
        {33, K::Down, false, true, false, kEntryCustom},
        {33, K::Down, false, false, true, 41},
        {57, K::Down, false, false, true, 0}, // row 7, column 1: nothing below it
        {56, K::Down, true, false, true, 64},
        {57, K::Down, true, false, true, kEntryDefault},
        // From the Default and Custom entries.
        {kEntryDefault, K::Left, true, true, false, kEntryCustom},
        {kEntryDefault, K::Up, true, false, true, 64},
        {kEntryDefault, K::Right, true, true, false, 0},
        {kEntryDefault, K::Down, true, false, false, 0},
        {kEntryCustom, K::Left, true, true, true, 64},
        {kEntryCustom, K::Up, false, true, false, 39},
        {kEntryCustom, K::Right, true, true, false, kEntryDefault},
        {kEntryCustom, K::Down, false, true, false, 0},
        // From nothing.
        {kEntryNone, K::Right, true, true, true, 0},
        {kEntryNone, K::Down, false, false, false, 0},
        {kEntryNone, K::Left, true, true, true, 64},
        {kEntryNone, K::Up, false, false, false, 39},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextEntry(c.from, c.key, c.hasDefault, c.hasCustom, c.system), c.to)
            << "from " << c.from << " key " << static_cast<int>(c.key) << " default "
            << c.hasDefault << " custom " << c.hasCustom << " system " << c.system;
    }
}

TEST(ColorComb, SevenRingsOfHexagonsWithTheCornerColours)
{
    const int radius = 63;
    const std::vector<CombCell> comb = BuildColorComb(radius, 1.0);
    ASSERT_EQ(comb.size(), 127u);
    EXPECT_DOUBLE_EQ(comb[0].x, 63.0);
    EXPECT_DOUBLE_EQ(comb[0].y, 63.0);
    EXPECT_EQ(comb[0].color, RgbColor(255, 255, 255));

    const double step = radius * std::cos(std::acos(-1.0) / 6) / 6; // R cos 30° / 6
    // List order: side j outside, ring k inside, k cells per side; the first cell of side j on
    // ring k is corner j of that ring.
    const auto firstOf = [](int side, int ring) { return 1 + side * 21 + ring * (ring - 1) / 2; };
    struct Corner
    {
        int side;
        double dx, dy;
        TColor color;
    };
    const Corner corners[] = {
        {0, 1, 0, RgbColor(255, 0, 255)},                      // magenta, right
        {1, 0.5, std::sqrt(3.0) / 2, RgbColor(255, 0, 0)},     // red, lower right
        {2, -0.5, std::sqrt(3.0) / 2, RgbColor(255, 255, 0)},  // yellow, lower left
        {3, -1, 0, RgbColor(0, 255, 0)},                       // green, left
        {4, -0.5, -std::sqrt(3.0) / 2, RgbColor(0, 255, 255)}, // cyan, upper left
        {5, 0.5, -std::sqrt(3.0) / 2, RgbColor(0, 0, 255)},    // blue, upper right
    };
    for (const Corner& c : corners) {
        const CombCell& cell = comb[static_cast<std::size_t>(firstOf(c.side, 6))];
        EXPECT_NEAR(cell.x, 63 + 6 * step * c.dx, 1e-9) << "side " << c.side;
        EXPECT_NEAR(cell.y, 63 + 6 * step * c.dy, 1e-9) << "side " << c.side;
        EXPECT_EQ(cell.color, c.color) << "side " << c.side;
    }
    // Halfway along the outer side from magenta to red; ring 3's magenta corner is half white.
    EXPECT_EQ(comb[static_cast<std::size_t>(firstOf(0, 6) + 3)].color, RgbColor(255, 0, 128));
    EXPECT_EQ(comb[static_cast<std::size_t>(firstOf(0, 3))].color, RgbColor(255, 128, 255));

    // A hexagonal lattice: every cell is distinct and its nearest neighbour is one step away.
    std::set<std::pair<long, long>> seen;
    for (std::size_t i = 0; i < comb.size(); ++i) {
        seen.insert({std::lround(comb[i].x * 1000), std::lround(comb[i].y * 1000)});
        double nearest = 1e9;
        for (std::size_t j = 0; j < comb.size(); ++j) {
            if (i != j)
                nearest =
                    std::min(nearest, std::hypot(comb[i].x - comb[j].x, comb[i].y - comb[j].y));
        }
        EXPECT_NEAR(nearest, step, 1e-6) << "cell " << i;
    }
    EXPECT_EQ(seen.size(), 127u);
}

TEST(ColorComb, BrightnessDarkensTowardsTheCentreOnly)
{
    const std::vector<CombCell> dark = BuildColorComb(63, 0.0);
    EXPECT_EQ(dark[0].color, RgbColor(0, 0, 0));
    EXPECT_EQ(dark[16].color, RgbColor(255, 0, 255)) << "outer corner";
    EXPECT_EQ(dark[4].color, RgbColor(128, 0, 128)) << "ring 3, magenta corner";
    EXPECT_EQ(BuildColorComb(63, 0.5)[0].color, RgbColor(128, 128, 128));
    EXPECT_EQ(BuildColorComb(63, 7.0)[0].color, RgbColor(255, 255, 255)) << "clamped";
}

TEST(ColorComb, HitTestTakesTheNearestCellWithinHalfACell)
{
    const std::vector<CombCell> comb = BuildColorComb(63, 1.0);
    EXPECT_EQ(ColorCombCellAt(comb, 63, 63), 0);
    EXPECT_EQ(ColorCombCellAt(comb, 63 + 4, 63), 0);
    EXPECT_EQ(ColorCombCellAt(comb, 63 + 5, 63), 1) << "nearer to the first cell of ring 1";
    const CombCell& outer = comb[16]; // side 0, ring 6: the magenta corner
    EXPECT_EQ(ColorCombCellAt(comb, outer.x + 1, outer.y - 1), 16);
    EXPECT_EQ(ColorCombCellAt(comb, outer.x + 6, outer.y), -1) << "outside the comb";
    EXPECT_EQ(ColorCombCellAt(comb, 0, 0), -1);
    for (std::size_t i = 0; i < comb.size(); ++i)
        ASSERT_EQ(ColorCombCellAt(comb, comb[i].x, comb[i].y), static_cast<int>(i));

    const auto corners = HexagonCorners(comb[0], 10, 20);
    EXPECT_EQ(corners[0], (PixelPoint{73, 89})) << "first corner straight below the centre";
    EXPECT_EQ(corners[3], (PixelPoint{73, 78}));
    EXPECT_EQ(corners[1], (PixelPoint{78, 86}));
}

TEST(GrayCells, SeventeenLevelsInAZigZagWithLargeEnds)
{
    const std::vector<CombCell> gray = BuildGrayCells(11);
    ASSERT_EQ(gray.size(), 17u);
    EXPECT_EQ(gray[0].color, RgbColor(255, 255, 255));
    EXPECT_EQ(gray[16].color, RgbColor(0, 0, 0));
    for (int i = 1; i < 16; ++i) {
        const int level = (16 - i) * 15;
        EXPECT_EQ(gray[static_cast<std::size_t>(i)].color, RgbColor(level, level, level));
        EXPECT_EQ(gray[static_cast<std::size_t>(i)].size, 11);
    }
    EXPECT_EQ(gray[0].size, 22);
    EXPECT_EQ(gray[16].size, 22);
    const auto at = [&](int i) {
        return std::make_pair(gray[static_cast<std::size_t>(i)].x,
                              gray[static_cast<std::size_t>(i)].y);
    };
    EXPECT_EQ(at(0), std::make_pair(11.0, 11.0));
    EXPECT_EQ(at(1), std::make_pair(33.0, 6.0));
    EXPECT_EQ(at(2), std::make_pair(38.0, 14.0));
    EXPECT_EQ(at(15), std::make_pair(103.0, 6.0));
    EXPECT_EQ(at(16), std::make_pair(124.0, 11.0));

    EXPECT_EQ(GrayCellAt(gray, 22, 11), 0) << "large cells hit within C";
    EXPECT_EQ(GrayCellAt(gray, 23, 11), -1);
    EXPECT_EQ(GrayCellAt(gray, 38, 6), 1) << "small cells within C div 2";
    EXPECT_EQ(GrayCellAt(gray, 33, 12), -1) << "between cells";
    EXPECT_EQ(GrayCellAt(gray, 35.5, 10), 1) << "where two overlap the first wins";
    EXPECT_EQ(GrayCellAt(gray, 135, 11), 16);
}

TEST(PickerSlider, BrightnessMarkerAndGradient)
{
    const PixelRect slider{136, 215, 156, 319}; // 104 lines high
    EXPECT_DOUBLE_EQ(BrightnessAt(slider, 215), 1.0);
    EXPECT_DOUBLE_EQ(BrightnessAt(slider, 215 + 52), 0.5);
    EXPECT_DOUBLE_EQ(BrightnessAt(slider, 319), 0.0);
    EXPECT_DOUBLE_EQ(BrightnessAt(slider, 400), 0.0);
    EXPECT_DOUBLE_EQ(BrightnessAt(slider, 0), 1.0);
    EXPECT_EQ(SliderMarkerOffset(slider, 1.0), 0);
    EXPECT_EQ(SliderMarkerOffset(slider, 0.0), 103);
    EXPECT_EQ(SliderMarkerOffset(slider, 0.5), 52);
    EXPECT_EQ(SliderGrayAt(slider, 0), 255);
    EXPECT_EQ(SliderGrayAt(slider, 103), 0);
    EXPECT_EQ(SliderGrayAt(slider, 50), 131); // round(53 * 255 / 103)
}

TEST(OpeningSelection, PaletteSystemCombOrNothing)
{
    // Known desktop colours: n gives (1, 2, n), except button shadow which is Gray-50%.
    const SystemColorResolver desktop = [](int n) {
        return n == kButtonShadow ? RgbColor(0x80, 0x80, 0x80) : RgbColor(1, 2, n);
    };
    const std::vector<CombCell> comb = BuildColorComb(63, 1.0);
    const std::vector<CombCell> gray = BuildGrayCells(11);
    OpeningContext shown{true, false, true, &comb, &gray};
    OpeningContext hidden{false, false, true, &comb, &gray};
    OpeningContext noCustom{true, false, false, &comb, &gray};
    OpeningContext withDefault{true, true, true, &comb, &gray};
    const TColor buttonFace = SystemColorRef(kButtonFace);
    const TColor shadow = SystemColorRef(kButtonShadow);

    struct Case
    {
        TColor value;
        const OpeningContext& context;
        OpeningSelection expected;
    };
    const Case cases[] = {
        {kNoColor, withDefault, {}},
        {kDefaultColor, withDefault, {kEntryDefault, 0}},
        {kDefaultColor, shown, {}},
        {RgbColor(255, 0, 0), shown, {16, 0}},
        {RgbColor(255, 255, 255), shown, {39, 0}}, // the palette before the comb's centre
        {buttonFace, shown, {55, 0}},
        {shadow, shown, {56, 0}},  // a reference selects its own entry
        {shadow, hidden, {15, 0}}, // hidden: its colour is found in the palette
        {buttonFace, hidden, {}},
        {RgbColor(1, 2, kButtonFace), shown, {55, 0}},
        {RgbColor(1, 2, kButtonFace), hidden, {}},
        {RgbColor(0x80, 0x80, 0x80), shown, {15, 0}}, // palette first
        {RgbColor(225, 225, 225), shown, {kEntryCustom, CombSelectionOfGrayCell(1)}},
        {RgbColor(255, 128, 255), shown, {kEntryCustom, CombSelectionOfColorCell(4)}},
        {RgbColor(255, 128, 255), noCustom, {}},
        {RgbColor(12, 34, 56), shown, {}},
        {SystemColorRef(99), shown, {0, 0}}, // no such entry; resolves to black
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SelectionForColor(c.value, c.context, desktop), c.expected)
            << std::hex << "value " << c.value;
    }
    EXPECT_EQ(comb[4].color, RgbColor(255, 128, 255));
}

TEST(PopupPlacement, BelowTheButtonElseAboveAndAlwaysOnTheScreen)
{
    const PixelRect screen{0, 0, 800, 600};
    EXPECT_EQ(PlacePopup({100, 100, 145, 122}, 164, 204, screen), (PixelPoint{99, 122}));
    // Near the right edge it moves left to end at the edge.
    EXPECT_EQ(PlacePopup({760, 100, 805, 122}, 164, 204, screen), (PixelPoint{636, 122}));
    // Near the bottom it goes above the button.
    EXPECT_EQ(PlacePopup({100, 500, 145, 522}, 164, 204, screen), (PixelPoint{99, 296}));
    // Moved up just enough when that still leaves it below the button's top.
    EXPECT_EQ(PlacePopup({100, 380, 145, 402}, 164, 204, screen), (PixelPoint{99, 396}));
    // Never past the left edge, and never above the screen when it fits neither way.
    EXPECT_EQ(PlacePopup({0, 100, 45, 122}, 164, 204, screen), (PixelPoint{0, 122}));
    EXPECT_EQ(PlacePopup({100, 100, 145, 122}, 164, 204, {0, 0, 120, 300}), (PixelPoint{0, 0}));
    EXPECT_EQ(PlacePopup({900, 50, 945, 72}, 164, 204, {800, 0, 1600, 600}), (PixelPoint{899, 72}));
}

} // namespace
} // namespace qv::picker
