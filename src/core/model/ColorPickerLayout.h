#pragma once

#include "core/model/Colors.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The arithmetic of the colour picker's popup, free of any toolkit: the palette, the layout
// rectangles, the hit test, the keyboard walk, the colour comb and gray cells, which entry a
// colour opens on, and where the popup goes on the screen. The widgets paint and route events;
// every number they use comes from here.
namespace qv::picker {

// A rectangle of whole pixels; right and bottom lie just outside it.
struct PixelRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelPoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Entries of the popup: 0-39 the palette, 40-64 the system colours, and three special ones.
inline constexpr int kEntryNone = -1;
inline constexpr int kEntryCustom = -2;
inline constexpr int kEntryDefault = -3;

inline constexpr int kPaletteCount = 40;
inline constexpr int kFirstSystemEntry = kPaletteCount;
inline constexpr int kColumns = 8;
inline constexpr int kPaletteRows = 5;
inline constexpr int kSystemRows = (kSystemColorCount + kColumns - 1) / kColumns;
inline constexpr int kCellSize = 18;

// Values a picker may hold that are no colour: nothing chosen, and "use the default".
inline constexpr TColor kNoColor = 0x1FFFFFFFu;
inline constexpr TColor kDefaultColor = 0x20000000u;

struct PaletteColor
{
    std::string_view name;
    TColor color;
};

// The 40 named colours, 8 to a row.
const std::array<PaletteColor, kPaletteCount>& Palette();

// The last cell of the popup: 64 with the system colours shown, else 39.
int LastCell(bool showSystemColors);
bool IsCell(int entry, bool showSystemColors);
// The colour a cell stands for: a palette colour, or for a system cell the reference
// 0x80000000 + n (not its current RGB). 0 for anything else.
TColor CellColor(int entry);
// The name shown as the cell's hint: "Red", "system color: button face", ...
std::string CellName(int entry);

// Sizes that come from outside: the platform's 3-D edge width, the popup's horizontal margin,
// and the larger extent of the Default and Custom texts in the popup's font.
struct PopupLayoutInput
{
    int edge = 2;
    int spacing = 8;
    bool hasDefault = false;
    bool hasCustom = false;
    bool showSystemColors = false;
    int textWidth = 0;
    int textHeight = 0;
};

// Every rectangle of the popup in its own coordinates. The custom-mode parts (comb, gray band,
// slider) lie below the normal height and are shown only in the extended form.
struct PopupLayout
{
    PopupLayoutInput input;
    int textHeight = 0; // height of the Default and Custom buttons, 0 without either
    int width = 0;
    int normalHeight = 0;
    int extendedHeight = 0;
    PixelRect defaultButton;
    PixelRect customButton;
    PixelRect preview;    // the chosen comb colour, at the Custom button's right end
    int systemLineY = -1; // etched line before the system rows, -1 when they are hidden
    int customLineY = -1; // etched line above the Custom button, -1 without it
    int combRadius = 0;
    int combCellSize = 0;
    PixelRect comb;        // square of side 2R around the colour comb
    PixelRect grayBand;    // the row of gray cells
    PixelRect slider;      // the brightness slider
    PixelPoint grayOrigin; // the point the gray cells are placed from

    // The square of cell `index` (0..64), kCellSize on each side.
    PixelRect CellRect(int index) const;
    // The entry under (x, y), kEntryNone between and outside the entries.
    int HitTest(int x, int y) const;
};

PopupLayout ComputePopupLayout(const PopupLayoutInput& input);

// The keyboard walk through the entries: which entry an arrow key leads to from `current`
// (kEntryNone starts at cell 0 going right or down and at the last cell going left or up).
enum class ArrowKey { Left, Up, Right, Down };
int NextEntry(int current, ArrowKey key, bool hasDefault, bool hasCustom, bool showSystemColors);

// One hexagonal cell of the colour comb or of the gray row: its centre (relative to the comb
// square's top left for the comb, to PopupLayout::grayOrigin for the gray cells), the size of
// the hexagon it is drawn as, the distance within which a point hits it, and its colour.
struct CombCell
{
    double x = 0;
    double y = 0;
    int size = 0;
    double hitRadius = 0;
    TColor color = 0;
};

inline constexpr int kCombLevels = 7;
inline constexpr int kColorCombCount = 127;
inline constexpr int kGrayCellCount = 17;

// The comb radius R and the size C of its cells for a given cell size (63 and 11 for 18).
int CombRadius(int cellSize);
int CombCellSize(int combRadius);

// The 127 colour cells: the centre (white times brightness) and six rings, listed side by side
// (side j = 0..5 outside, ring k = 1..6 inside, k cells per side starting at corner j).
std::vector<CombCell> BuildColorComb(int combRadius, double brightness);
// The 17 gray cells: white and black at double size at both ends, 15 grays zig-zagging between.
std::vector<CombCell> BuildGrayCells(int combCellSize);

// The cell whose centre is nearest to (x, y) within its hit radius, or -1 (for the gray cells
// the first in list order wins, as they do not overlap).
int ColorCombCellAt(const std::vector<CombCell>& cells, double x, double y);
int GrayCellAt(const std::vector<CombCell>& cells, double x, double y);

// The six corners of a cell's hexagon, rounded to whole pixels, the first straight below the
// centre; `originX`/`originY` is added to the cell's position.
std::array<PixelPoint, 6> HexagonCorners(const CombCell& cell, int originX, int originY);

// The comb selection: 0 none, +k the colour cell k-1, -(k+1) the gray cell k.
inline constexpr int CombSelectionOfColorCell(int index)
{
    return index + 1;
}
inline constexpr int CombSelectionOfGrayCell(int index)
{
    return -(index + 1);
}

// The brightness a slider position stands for (1 at the top, 0 at the bottom, clamped), and the
// height below the slider's top where its marker points.
double BrightnessAt(const PixelRect& slider, int y);
int SliderMarkerOffset(const PixelRect& slider, double brightness);
// Gray level of line t of the slider's gradient (white at the top, black at the bottom).
int SliderGrayAt(const PixelRect& slider, int t);

// Which entry, and which comb cell, the popup opens on for colour `value`.
struct OpeningSelection
{
    int entry = kEntryNone;
    int combSelection = 0;
    friend bool operator==(const OpeningSelection&, const OpeningSelection&) = default;
};
struct OpeningContext
{
    bool showSystemColors = false;
    bool hasDefault = false;
    bool hasCustom = false;
    const std::vector<CombCell>* colorComb = nullptr;
    const std::vector<CombCell>* grayCells = nullptr;
};
OpeningSelection SelectionForColor(TColor value, const OpeningContext& context,
                                   const SystemColorResolver& resolver);

// Where the popup's top left corner goes: under the button, one pixel to its left; above it
// when there is no room below; moved left to stay on the screen, never past its left edge.
PixelPoint PlacePopup(const PixelRect& button, int width, int height, const PixelRect& screen);

} // namespace qv::picker
