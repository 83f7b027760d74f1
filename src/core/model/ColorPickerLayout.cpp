#include "core/model/ColorPickerLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv::picker {

namespace {

constexpr TColor Hex(std::uint32_t rrggbb)
{
    return RgbColor(static_cast<int>(rrggbb >> 16), static_cast<int>((rrggbb >> 8) & 0xFF),
                    static_cast<int>(rrggbb & 0xFF));
}

constexpr std::array<PaletteColor, kPaletteCount> kPalette = {{
    {"Black", Hex(0x000000)},
    {"Brown", Hex(0x993300)},
    {"Olive Green", Hex(0x333300)},
    {"Dark Green", Hex(0x003300)},
    {"Dark Teal", Hex(0x003366)},
    {"Dark blue", Hex(0x000080)},
    {"Indigo", Hex(0x333399)},
    {"Gray-80%", Hex(0x333333)},

    {"Dark Red", Hex(0x800000)},
    {"Orange", Hex(0xFF6600)},
    {"Dark Yellow", Hex(0x808000)},
    {"Green", Hex(0x008000)},
    {"Teal", Hex(0x008080)},
    {"Blue", Hex(0x0000FF)},
    {"Blue-Gray", Hex(0x666699)},
    {"Gray-50%", Hex(0x808080)},

    {"Red", Hex(0xFF0000)},
    {"Light Orange", Hex(0xFF9900)},
    {"Lime", Hex(0x99CC00)},
    {"Sea Green", Hex(0x339966)},
    {"Aqua", Hex(0x33CCCC)},
    {"Light Blue", Hex(0x3366FF)},
    {"Violet", Hex(0x800080)},
    {"Grey-40%", Hex(0x969696)},

    {"Pink", Hex(0xFF00FF)},
    {"Gold", Hex(0xFFCC00)},
    {"Yellow", Hex(0xFFFF00)},
    {"Bright Green", Hex(0x00FF00)},
    {"Turquoise", Hex(0x00FFFF)},
    {"Sky Blue", Hex(0x00CCFF)},
    {"Plum", Hex(0x993366)},
    {"Gray-25%", Hex(0xC0C0C0)},

    {"Rose", Hex(0xFF99CC)},
    {"Tan", Hex(0xFFCC99)},
    {"Light Yellow", Hex(0xFFFF99)},
    {"Light Green", Hex(0xCCFFCC)},
    {"Light Turquoise", Hex(0xCCFFFF)},
    {"Pale Blue", Hex(0x99CCFF)},
    {"Lavender", Hex(0xCC99FF)},
    {"White", Hex(0xFFFFFF)},
}};

constexpr std::array<std::string_view, kSystemColorCount> kSystemNames = {"scroll bar",
                                                                          "background",
                                                                          "active caption",
                                                                          "inactive caption",
                                                                          "menu",
                                                                          "window",
                                                                          "window frame",
                                                                          "menu text",
                                                                          "window text",
                                                                          "caption text",
                                                                          "active border",
                                                                          "inactive border",
                                                                          "application workspace",
                                                                          "highlight",
                                                                          "highlight text",
                                                                          "button face",
                                                                          "button shadow",
                                                                          "gray text",
                                                                          "button text",
                                                                          "inactive caption text",
                                                                          "button highlight",
                                                                          "3D dark shadow",
                                                                          "3D light",
                                                                          "info text",
                                                                          "info background"};

constexpr double kCos30 = 0.86602540378443864676; // cos 30°, the hexagon's flat-to-point ratio
constexpr double kSin30 = 0.5;

int RoundToInt(double value)
{
    return static_cast<int>(std::lround(value));
}

int Channel(double value)
{
    return std::clamp(RoundToInt(value * 255.0), 0, 255);
}

struct Rgb
{
    double r, g, b;
};

Rgb Mix(const Rgb& from, const Rgb& to, double t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t};
}

TColor ToColor(const Rgb& c)
{
    return RgbColor(Channel(c.r), Channel(c.g), Channel(c.b));
}

double DistanceSquared(const CombCell& cell, double x, double y)
{
    const double dx = x - cell.x;
    const double dy = y - cell.y;
    return dx * dx + dy * dy;
}

} // namespace

const std::array<PaletteColor, kPaletteCount>& Palette()
{
    return kPalette;
}

int LastCell(bool showSystemColors)
{
    return showSystemColors ? kFirstSystemEntry + kSystemColorCount - 1 : kPaletteCount - 1;
}

bool IsCell(int entry, bool showSystemColors)
{
    return entry >= 0 && entry <= LastCell(showSystemColors);
}

TColor CellColor(int entry)
{
    if (entry >= 0 && entry < kPaletteCount)
        return kPalette[static_cast<std::size_t>(entry)].color;
    if (entry >= kFirstSystemEntry && entry < kFirstSystemEntry + kSystemColorCount)
        return SystemColorRef(entry - kFirstSystemEntry);
    return 0;
}

std::string CellName(int entry)
{
    if (entry >= 0 && entry < kPaletteCount)
        return std::string(kPalette[static_cast<std::size_t>(entry)].name);
    if (entry >= kFirstSystemEntry && entry < kFirstSystemEntry + kSystemColorCount)
        return "system color: " +
               std::string(kSystemNames[static_cast<std::size_t>(entry - kFirstSystemEntry)]);
    return {};
}

PixelRect PopupLayout::CellRect(int index) const
{
    const int edge = input.edge;
    const int column = index % kColumns;
    const int row = index / kColumns;
    const int left = column * kCellSize + edge + input.spacing;
    int top = row * kCellSize + 2 * edge + (input.hasDefault ? textHeight : 0);
    if (row >= kPaletteRows)
        top += 3 * edge;
    return {left, top, left + kCellSize, top + kCellSize};
}

int PopupLayout::HitTest(int x, int y) const
{
    if (input.hasCustom && customButton.Contains(x, y))
        return kEntryCustom;
    if (input.hasDefault && defaultButton.Contains(x, y))
        return kEntryDefault;

    // The cells: the same rectangles they are painted in, with the gap of 3E before the
    // system rows belonging to no cell.
    const int edge = input.edge;
    const int cx = x - (edge + input.spacing);
    int cy = y - (2 * edge + (input.hasDefault ? textHeight : 0));
    if (cx < 0 || cy < 0)
        return kEntryNone;
    const int column = cx / kCellSize;
    if (column >= kColumns)
        return kEntryNone;
    if (cy / kCellSize < kPaletteRows)
        return (cy / kCellSize) * kColumns + column;
    if (!input.showSystemColors)
        return kEntryNone;
    cy -= 3 * edge;
    if (cy < kPaletteRows * kCellSize)
        return kEntryNone;
    const int row = cy / kCellSize;
    const int index = row * kColumns + column;
    return index <= LastCell(true) ? index : kEntryNone;
}

int CombRadius(int cellSize)
{
    return (kColumns * cellSize * 7) / 16;
}

int CombCellSize(int combRadius)
{
    return RoundToInt(combRadius / 6.0 + 0.5);
}

PopupLayout ComputePopupLayout(const PopupLayoutInput& in)
{
    PopupLayout layout;
    layout.input = in;
    layout.input.edge = std::max(0, in.edge);
    layout.input.spacing = std::max(0, in.spacing);
    const int edge = layout.input.edge;
    const int spacing = layout.input.spacing;
    const int inset = edge + spacing;
    const int size = kCellSize;

    const bool hasText = in.hasDefault || in.hasCustom;
    const int textWidth = hasText ? std::max(0, in.textWidth) + 2 * edge : 0;
    layout.textHeight = hasText ? std::max(0, in.textHeight) + 4 * edge + 2 : 0;
    const int textHeight = layout.textHeight;

    int width = kColumns * size + 2 * edge + 2 * spacing;
    int height = kPaletteRows * size + 4 * edge;
    layout.combRadius = CombRadius(size);
    layout.combCellSize = CombCellSize(layout.combRadius);

    // The window widens so that a long Default or Custom text fits inside its button (and,
    // for Custom, stays clear of the preview square at the button's right end).
    if (in.hasDefault) {
        width = std::max(width, textWidth + 2 * inset);
        height += textHeight + 2 * edge;
    }
    const int cellTop = 2 * edge + (in.hasDefault ? textHeight : 0);
    const int paletteBottom = cellTop + kPaletteRows * size;
    int lastCellBottom = paletteBottom;
    if (in.showSystemColors) {
        height += kSystemRows * size + 2 * edge;
        layout.systemLineY = paletteBottom + edge; // inside the 3E gap before the system rows
        lastCellBottom = paletteBottom + 3 * edge + kSystemRows * size;
    }
    if (in.hasCustom) {
        width = std::max(width, textWidth + 2 * (size + edge) + 2 * inset);
        layout.customButton = {inset, height, 0, height + textHeight};
        layout.customLineY = std::max(height - 2 * edge, lastCellBottom);
        height += textHeight + 2 * edge;
    }
    layout.width = width;
    layout.normalHeight = height;
    if (in.hasDefault)
        layout.defaultButton = {inset, 2 * edge, width - inset, 2 * edge + textHeight};
    if (in.hasCustom) {
        PixelRect& custom = layout.customButton;
        custom.right = width - inset;
        const int side = size - 2 * (edge + 1);
        // A cell-sized slot S + E left of the right edge, inset like a palette colour.
        const int left = custom.right - size - edge + (edge + 1);
        const int top = custom.top + (custom.Height() - side) / 2;
        layout.preview = {left, top, left + side, top + side};
    }

    const int radius = layout.combRadius;
    const int cell = layout.combCellSize;
    layout.comb = {inset, height, inset + 2 * radius, height + 2 * radius};
    layout.grayBand = {inset, layout.comb.bottom - 4, width - inset, layout.comb.bottom + 2 * cell};
    layout.slider = {layout.comb.right, layout.comb.top + cell, layout.comb.right + 20,
                     layout.comb.bottom - cell};
    layout.grayOrigin = {layout.comb.left, layout.comb.bottom - 4};
    layout.extendedHeight = in.hasCustom ? layout.grayBand.bottom + 2 * edge : height;
    return layout;
}

int NextEntry(int current, ArrowKey key, bool hasDefault, bool hasCustom, bool showSystemColors)
{
    const int last = LastCell(showSystemColors);
    const bool backward = key == ArrowKey::Left || key == ArrowKey::Up;
    // Before cell 0 come the Default entry, then the Custom entry, then the last cell; after
    // the last cell the same ring is walked the other way.
    const int beforeFirst = hasDefault ? kEntryDefault : hasCustom ? kEntryCustom : last;
    const int afterLast = hasCustom ? kEntryCustom : hasDefault ? kEntryDefault : 0;

    if (current == kEntryDefault && hasDefault)
        return backward ? (hasCustom ? kEntryCustom : last) : 0;
    if (current == kEntryCustom && hasCustom)
        return backward ? last : (hasDefault ? kEntryDefault : 0);
    if (current < 0 || current > last)
        return backward ? last : 0;

    const int step = (key == ArrowKey::Left || key == ArrowKey::Right) ? 1 : kColumns;
    if (backward) {
        if (current == 0 || (key == ArrowKey::Up && current < kColumns))
            return beforeFirst;
        return current - step;
    }
    return current + step <= last ? current + step : afterLast;
}

std::vector<CombCell> BuildColorComb(int combRadius, double brightness)
{
    static constexpr std::array<Rgb, 6> kCorners = {{
        {1, 0, 1}, // magenta, right of the centre
        {1, 0, 0}, // red, lower right
        {1, 1, 0}, // yellow, lower left
        {0, 1, 0}, // green, left
        {0, 1, 1}, // cyan, upper left
        {0, 0, 1}, // blue, upper right
    }};
    const double b = std::clamp(brightness, 0.0, 1.0);
    const Rgb centre = {b, b, b};
    const double radius = combRadius;
    const double ringStep = radius * kCos30 / 6.0;
    const int cellSize = CombCellSize(combRadius);
    const double hit = cellSize / 2.0;

    std::vector<CombCell> cells;
    cells.reserve(kColorCombCount);
    cells.push_back({radius, radius, cellSize, hit, ToColor(centre)});
    for (int side = 0; side < 6; ++side) {
        const double a0 = side * std::numbers::pi / 3.0;
        const double a1 = (side + 1) * std::numbers::pi / 3.0;
        const Rgb& from = kCorners[static_cast<std::size_t>(side)];
        const Rgb& to = kCorners[static_cast<std::size_t>((side + 1) % 6)];
        for (int ring = 1; ring < kCombLevels; ++ring) {
            const double distance = ring * ringStep;
            const double x0 = radius + distance * std::cos(a0);
            const double y0 = radius + distance * std::sin(a0);
            const double x1 = radius + distance * std::cos(a1);
            const double y1 = radius + distance * std::sin(a1);
            const double level = ring / 6.0;
            const Rgb c0 = Mix(centre, from, level);
            const Rgb c1 = Mix(centre, to, level);
            for (int i = 0; i < ring; ++i) {
                const double t = static_cast<double>(i) / ring;
                cells.push_back({x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, cellSize, hit,
                                 ToColor(Mix(c0, c1, t))});
            }
        }
    }
    return cells;
}

std::vector<CombCell> BuildGrayCells(int combCellSize)
{
    const int c = combCellSize;
    const int step = RoundToInt(c * kCos30 / 2.0);
    const int zig = RoundToInt(c * (kSin30 + 1.0) / 2.0);
    const double bigHit = c;
    const double smallHit = c / 2; // whole pixels, as the small cells are

    std::vector<CombCell> cells;
    cells.reserve(kGrayCellCount);
    cells.push_back(
        {static_cast<double>(c), static_cast<double>(c), 2 * c, bigHit, RgbColor(255, 255, 255)});
    for (int i = 1; i < kGrayCellCount - 1; ++i) {
        const int level = (16 - i) * 15;
        const int x = (i - 1) * step + 3 * c;
        const int y = 3 * (c / 4) + (i % 2 == 0 ? zig : 0);
        cells.push_back({static_cast<double>(x), static_cast<double>(y), c, smallHit,
                         RgbColor(level, level, level)});
    }
    cells.push_back({static_cast<double>(16 * step + 3 * c + c), static_cast<double>(c), 2 * c,
                     bigHit, RgbColor(0, 0, 0)});
    return cells;
}

int ColorCombCellAt(const std::vector<CombCell>& cells, double x, double y)
{
    int best = -1;
    double bestDistance = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const double d = DistanceSquared(cells[i], x, y);
        if (d <= cells[i].hitRadius * cells[i].hitRadius && (best < 0 || d < bestDistance)) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

int GrayCellAt(const std::vector<CombCell>& cells, double x, double y)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (DistanceSquared(cells[i], x, y) <= cells[i].hitRadius * cells[i].hitRadius)
            return static_cast<int>(i);
    }
    return -1;
}

std::array<PixelPoint, 6> HexagonCorners(const CombCell& cell, int originX, int originY)
{
    std::array<PixelPoint, 6> corners;
    const double half = cell.size / 2.0;
    for (int i = 0; i < 6; ++i) {
        const double angle = (90.0 - 60.0 * i) * std::numbers::pi / 180.0;
        corners[static_cast<std::size_t>(i)] = {
            RoundToInt(originX + cell.x + half * std::cos(angle)),
            RoundToInt(originY + cell.y + half * std::sin(angle))};
    }
    return corners;
}

double BrightnessAt(const PixelRect& slider, int y)
{
    if (slider.Height() <= 0)
        return 1.0;
    const double value = 1.0 - static_cast<double>(y - slider.top) / slider.Height();
    return std::clamp(value, 0.0, 1.0);
}

int SliderMarkerOffset(const PixelRect& slider, double brightness)
{
    const int n = std::max(0, slider.Height() - 1);
    return RoundToInt((1.0 - std::clamp(brightness, 0.0, 1.0)) * n);
}

int SliderGrayAt(const PixelRect& slider, int t)
{
    const int n = slider.Height() - 1;
    if (n <= 0)
        return 255;
    return std::clamp(RoundToInt((n - t) * 255.0 / n), 0, 255);
}

OpeningSelection SelectionForColor(TColor value, const OpeningContext& context,
                                   const SystemColorResolver& resolver)
{
    if (value == kNoColor)
        return {};
    if (value == kDefaultColor)
        return {context.hasDefault ? kEntryDefault : kEntryNone, 0};

    if (context.showSystemColors && IsSystemColor(value)) {
        const TColor index = value - kSystemColorBase;
        if (index < static_cast<TColor>(kSystemColorCount))
            return {kFirstSystemEntry + static_cast<int>(index), 0};
    }

    const TColor rgb = ResolveColor(value, resolver);
    for (int i = 0; i < kPaletteCount; ++i) {
        if (kPalette[static_cast<std::size_t>(i)].color == rgb)
            return {i, 0};
    }
    if (context.showSystemColors && !IsSystemColor(value)) {
        for (int n = 0; n < kSystemColorCount; ++n) {
            if (ResolveColor(SystemColorRef(n), resolver) == rgb)
                return {kFirstSystemEntry + n, 0};
        }
    }

    // A comb colour opens the popup in its extended form, which exists only with a Custom entry.
    if (context.hasCustom) {
        if (context.grayCells != nullptr) {
            for (std::size_t i = 0; i < context.grayCells->size(); ++i) {
                if ((*context.grayCells)[i].color == rgb)
                    return {kEntryCustom, CombSelectionOfGrayCell(static_cast<int>(i))};
            }
        }
        if (context.colorComb != nullptr) {
            for (std::size_t i = 0; i < context.colorComb->size(); ++i) {
                if ((*context.colorComb)[i].color == rgb)
                    return {kEntryCustom, CombSelectionOfColorCell(static_cast<int>(i))};
            }
        }
    }
    return {};
}

PixelPoint PlacePopup(const PixelRect& button, int width, int height, const PixelRect& screen)
{
    PixelPoint at{button.left - 1, button.bottom};
    if (at.y + height > screen.bottom) {
        at.y = screen.bottom - height;
        if (at.y < button.top)
            at.y = button.top - height;
        // Taller than the room above and below: keep it whole on the screen, over the button.
        if (at.y < screen.top)
            at.y = screen.top;
    }
    if (at.x + width > screen.right)
        at.x = screen.right - width;
    if (at.x < screen.left)
        at.x = screen.left;
    return at;
}

} // namespace qv::picker
