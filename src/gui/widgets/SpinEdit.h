#pragma once

#include <QAbstractSpinBox>

#include <cstdint>

namespace qv {

// A whole-number box with up and down arrows, as the designer's forms use it.
//
// The text is the value: the user types freely (digits, signs and the decimal separator; other
// characters are refused), and Value() reads the text as a whole decimal number, or the minimum
// (0 for a box without bounds) when it is not one. The bounds are applied only by the arrows and
// the up and down keys (step 1), by SetValue, and when the box loses the keyboard focus; a value
// typed outside them stays as typed until then, and Value() returns it as typed.
//
// OnChange is raised on every change of the text, typed or set by the program.
class SpinEdit final : public QAbstractSpinBox
{
    Q_OBJECT

public:
    explicit SpinEdit(QWidget* parent = nullptr);

    // The value of the text as it stands (no bounds applied).
    std::int32_t Value() const;
    // Shows `value`, brought into the bounds when the box has them.
    void SetValue(std::int64_t value);

    // The text as typed.
    QString Text() const;

    // A box without bounds takes any 32-bit value.
    bool HasBounds() const { return m_hasBounds; }
    std::int32_t MinValue() const { return m_min; }
    std::int32_t MaxValue() const { return m_max; }
    void SetBounds(std::int32_t minValue, std::int32_t maxValue);
    void ClearBounds();

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    void OnChange(const QString& text);

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::int64_t Bounded(std::int64_t value) const;

    bool m_hasBounds = false;
    std::int32_t m_min = 0;
    std::int32_t m_max = 0;
};

} // namespace qv
