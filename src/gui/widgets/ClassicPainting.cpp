#include "gui/widgets/ClassicPainting.h"

#include "core/model/Colors.h"
#include "gui/widgets/SystemColors.h"

#include <QPainter>
#include <QRect>

namespace qv::classic {

QColor System(int index)
{
    return ToQColor(SystemColorRef(index));
}

void HLine(QPainter& p, int x0, int x1, int y, const QColor& color)
{
    if (x1 >= x0)
        p.fillRect(x0, y, x1 - x0 + 1, 1, color);
}

void VLine(QPainter& p, int x, int y0, int y1, const QColor& color)
{
    if (y1 >= y0)
        p.fillRect(x, y0, 1, y1 - y0 + 1, color);
}

void Frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    HLine(p, r.left(), r.right(), r.top(), topLeft);
    VLine(p, r.left(), r.top(), r.bottom(), topLeft);
    HLine(p, r.left(), r.right(), r.bottom(), bottomRight);
    VLine(p, r.right(), r.top(), r.bottom(), bottomRight);
}

void ThinEdge(QPainter& p, const QRect& r, bool sunken)
{
    const QColor highlight = System(kButtonHighlight);
    const QColor shadow = System(kButtonShadow);
    if (sunken)
        Frame(p, r, shadow, highlight);
    else
        Frame(p, r, highlight, shadow);
}

void RaisedBorder(QPainter& p, const QRect& r)
{
    Frame(p, r, System(k3DLight), System(k3DDarkShadow));
    Frame(p, r.adjusted(1, 1, -1, -1), System(kButtonHighlight), System(kButtonShadow));
}

void EtchedLine(QPainter& p, int x0, int x1, int y)
{
    HLine(p, x0, x1 - 1, y, System(kButtonShadow));
    HLine(p, x0, x1 - 1, y + 1, System(kButtonHighlight));
}

void OutlinedRect(QPainter& p, const QRect& r, const QColor& outline, const QColor& fill)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, fill);
    Frame(p, r, outline, outline);
}

} // namespace qv::classic
