#pragma once

#include "core/model/Colors.h"

#include <QColor>

namespace qv {

// The current colour of system element n (0..24) from the application palette where a palette
// role fits, else the classic desktop colour.
TColor PaletteSystemColor(int index);

// Makes the core resolve system colour references through the application palette.
void InstallPaletteSystemColors();

// A colour value as Qt draws it (system references resolved), and back.
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

} // namespace qv
