#include "gui/widgets/SpinEdit.h"

#include "core/model/MenuStyle.h"
#include "core/support/StringUtils.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace qv {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(UpDownArrows);
    setAccelerated(false);
    setKeyboardTracking(true);
    lineEdit()->setText(QStringLiteral("0"));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        update(); // the arrows' enabled look depends on the value
        emit OnChange(text);
    });
}

std::int32_t SpinEdit::Value() const
{
    // Text that is not a whole number reads as the minimum: 0 for a box without bounds.
    const std::string text = Text().toStdString();
    if (m_hasBounds && !ParseWholeNumber(text))
        return m_min;
    return SpinTextValue(text);
}

void SpinEdit::SetValue(std::int64_t value)
{
    const QString text = QString::number(Bounded(value));
    if (text != Text())
        lineEdit()->setText(text);
}

QString SpinEdit::Text() const
{
    return lineEdit()->text();
}

void SpinEdit::SetBounds(std::int32_t minValue, std::int32_t maxValue)
{
    m_hasBounds = true;
    m_min = std::min(minValue, maxValue);
    m_max = std::max(minValue, maxValue);
    update();
}

void SpinEdit::ClearBounds()
{
    m_hasBounds = false;
    m_min = 0;
    m_max = 0;
    update();
}

std::int64_t SpinEdit::Bounded(std::int64_t value) const
{
    if (m_hasBounds)
        return std::clamp<std::int64_t>(value, m_min, m_max);
    return std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

void SpinEdit::stepBy(int steps)
{
    if (isReadOnly())
        return;
    SetValue(static_cast<std::int64_t>(Value()) + steps);
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    if (isReadOnly() || !isEnabled())
        return StepNone;
    const std::int64_t value = Value();
    const std::int64_t low = m_hasBounds ? m_min : std::numeric_limits<std::int32_t>::min();
    const std::int64_t high = m_hasBounds ? m_max : std::numeric_limits<std::int32_t>::max();
    StepEnabled enabled = StepNone;
    // A typed value beyond a bound still steps: the step brings it back into the bounds.
    if (value < high || Bounded(value + 1) != value)
        enabled |= StepUpEnabled;
    if (value > low || Bounded(value - 1) != value)
        enabled |= StepDownEnabled;
    return enabled;
}

QValidator::State SpinEdit::validate(QString& input, int& /*pos*/) const
{
    const QString decimal = locale().decimalPoint();
    for (const QChar c : input) {
        if (c.isDigit() && c.unicode() < 0x80)
            continue;
        if (c == u'+' || c == u'-' || decimal.contains(c))
            continue;
        return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

void SpinEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusOutEvent(event);
    // A typed value outside the bounds is brought into them once the user moves on.
    if (m_hasBounds) {
        const std::int32_t value = Value();
        if (Bounded(value) != value)
            SetValue(value);
    }
}

} // namespace qv
