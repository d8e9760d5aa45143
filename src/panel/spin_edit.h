#pragma once

#include <QSpinBox>

namespace panel {

// A spin field of whole numbers whose step may be negative: with a step of -1
// the up arrow (and the Up key) lowers the value and the down arrow raises it,
// matching a table where the next line is the row below. QSpinBox itself
// accepts only steps of 0 and more.
class SpinEdit : public QSpinBox
{
    Q_OBJECT

public:
    explicit SpinEdit(QWidget *parent = nullptr);

    int increment() const { return m_increment; }
    void setIncrement(int increment);

    void stepBy(int steps) override;

signals:
    // The value moved by an arrow, a key or the wheel (not by typing or
    // from code), after valueChanged.
    void stepped(int value);

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_increment = 1;
};

} // namespace panel
