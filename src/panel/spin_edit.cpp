#include "panel/spin_edit.h"

#include <cstdlib>

namespace panel {

SpinEdit::SpinEdit(QWidget *parent)
    : QSpinBox(parent)
{
}

void SpinEdit::setIncrement(int increment)
{
    m_increment = increment;
    setSingleStep(std::abs(increment));
}

void SpinEdit::stepBy(int steps)
{
    const int before = value();
    QSpinBox::stepBy(m_increment < 0 ? -steps : steps);
    if (value() != before)
        emit stepped(value());
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    const StepEnabled enabled = QSpinBox::stepEnabled();
    if (m_increment >= 0)
        return enabled;
    // The arrows trade places, and so does the limit each one runs into.
    StepEnabled swapped = StepNone;
    if (enabled & StepUpEnabled)
        swapped |= StepDownEnabled;
    if (enabled & StepDownEnabled)
        swapped |= StepUpEnabled;
    return swapped;
}

} // namespace panel
