#pragma once

#include <QStringList>

namespace qv {

// The windows' fixed layouts were measured for Tahoma at 11 pixels (the code window for MS Sans
// Serif). Where those fonts are not installed, these families stand in for them, best first:
// fonts of nearly the same widths, so that every caption still fits its control.
QStringList FittingFontFamilies();

// Makes the stand-ins the substitutes of the layouts' fonts. Called once at start, before any
// window is made; calling it again changes nothing.
void PreferFittingFonts();

} // namespace qv
