#pragma once

#include "model/Colors.h"

#include <QObject>

namespace qv {

// One of the window's ten colour settings, held without a control of its own. It offers what
// the window needs of a colour picker: the value, a setter that accepts any 32-bit value, and a
// change signal raised exactly when the value really changes. The colour page's picker buttons
// offer the same three members and take its place there.
class TColorHolder final : public QObject
{
    Q_OBJECT

public:
    explicit TColorHolder(TColor initial = 0, QObject* parent = nullptr)
        : QObject(parent), m_color(initial)
    {
    }

    TColor SelectionColor() const { return m_color; }
    void SetSelectionColor(TColor color)
    {
        if (color == m_color)
            return;
        m_color = color;
        emit OnChange();
    }

signals:
    void OnChange();

private:
    TColor m_color;
};

} // namespace qv
