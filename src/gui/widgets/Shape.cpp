#include "gui/widgets/Shape.h"

#include "gui/widgets/SystemColors.h"

#include <QPainter>

namespace qv {

TShape::TShape(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TShape::SetBrushColor(TColor color)
{
    if (color == m_brushColor)
        return;
    m_brushColor = color;
    update();
}

void TShape::SetPenColor(TColor color)
{
    if (color == m_penColor)
        return;
    m_penColor = color;
    update();
}

void TShape::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(m_brushColor));
    // The outline lies on the outermost pixels; a 1-pixel cosmetic pen draws a rectangle one
    // pixel wider and higher than the one given.
    painter.setPen(QPen(ToQColor(m_penColor), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace qv
