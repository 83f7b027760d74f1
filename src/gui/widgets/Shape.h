#pragma once

#include "core/model/Colors.h"

#include <QWidget>

namespace qv {

// A filled rectangle with a one-pixel outline, as the colour page's menu sample draws its items.
// Both colours are colour values, resolved when painted, so a system colour reference shows the
// desktop's current colour. It starts white with a black outline and takes no input.
class TShape final : public QWidget
{
    Q_OBJECT

public:
    explicit TShape(QWidget* parent = nullptr);

    TColor BrushColor() const { return m_brushColor; }
    void SetBrushColor(TColor color);
    TColor PenColor() const { return m_penColor; }
    void SetPenColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor m_brushColor = RgbColor(255, 255, 255);
    TColor m_penColor = RgbColor(0, 0, 0);
};

} // namespace qv
