#pragma once

#include <QColor>

class QPainter;
class QRect;

// The classic desktop's lines and 3-D edges, one pixel at a time in the system colours, as the
// colour picker's button and popup draw them.
namespace qv::classic {

// The current colour of a system colour index (kButtonFace, ...).
QColor System(int index);

// Lines from x0 to x1, or y0 to y1, both ends included; nothing when the end lies before the
// start.
void HLine(QPainter& p, int x0, int x1, int y, const QColor& color);
void VLine(QPainter& p, int x, int y0, int y1, const QColor& color);

// A one-pixel frame with its own colours for the top-left and the bottom-right sides.
void Frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight);

// A one-pixel 3-D edge: raised (highlight top left, shadow bottom right) or sunken.
void ThinEdge(QPainter& p, const QRect& r, bool sunken);

// The two-pixel raised border of a window.
void RaisedBorder(QPainter& p, const QRect& r);

// A horizontal etched line: the shadow on top, the highlight under it.
void EtchedLine(QPainter& p, int x0, int x1, int y);

// A rectangle with a one-pixel outline, filled inside it.
void OutlinedRect(QPainter& p, const QRect& r, const QColor& outline, const QColor& fill);

} // namespace qv::classic
