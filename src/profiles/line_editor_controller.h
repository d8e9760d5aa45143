#pragma once

#include "profiles/line_editor.h"
#include "profiles/tolerance_check.h"

#include <QObject>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace profiles {

// The line editor above the log: the reference values and tolerances of both
// parameters, the line's name and its start position. It keeps the fields'
// rules (number and tolerance filters, one visible unit list per kind, the
// focus jump after a tolerance) and reads and fills the editor as a whole.
class LineEditorController : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QComboBox *CBox2 = nullptr;  // primary kind R L C
        QLineEdit *E2 = nullptr;     // primary nominal value
        QComboBox *CBox1 = nullptr;  // ohm units
        QComboBox *CBox3 = nullptr;  // henry units
        QComboBox *CBox4 = nullptr;  // farad units
        QComboBox *CBox5 = nullptr;  // primary tolerance, item 0 "off"
        QComboBox *CBox11 = nullptr; // secondary kind R Q D
        QLineEdit *E11 = nullptr;    // secondary nominal value
        QComboBox *CBox31 = nullptr; // secondary ohm units, R only
        QComboBox *CBox51 = nullptr; // secondary tolerance, item 0 "off"
        QComboBox *CBox6 = nullptr;  // the line's name
        QSpinBox *SE1 = nullptr;     // the log start position kept with a line
    };

    explicit LineEditorController(const Controls &controls, QObject *parent = nullptr);

    // The system's decimal separator, the only one numbers are read with.
    static QChar decimalSeparator();

    ReferenceEditor reference() const;
    // The editor's reference read as values, with the system's separator.
    Reference referenceValue() const;
    // A tolerance is off while its field shows the list's first item (its
    // "off" text in the language in effect).
    static bool toleranceOff(const QComboBox *tolerance);
    LineEditor editor() const;

    // Fills the editor from a line, in the order name, primary tolerance,
    // kind, unit, nominal value, the same for the secondary, start position;
    // the unit lists follow the kinds.
    void restore(const LineEditor &editor);

    // The verdict on a reading against the editor as it stands.
    JudgeOutcome judge(const protocol::RlcReading &reading, std::uint8_t seriesCircuit) const;

private:
    void showPrimaryUnitList();
    void showSecondaryUnitList();
    QComboBox *primaryUnitList(int kind) const;
    void filterNumber(QLineEdit *field);
    void filterTolerance(QComboBox *field);
    static ReferenceEntry entry(const QComboBox *kind, const QComboBox *unit, const QLineEdit *nominal,
                                const QComboBox *tolerance);
    static void restoreTolerance(QComboBox *field, const ReferenceEntry &entry);

    Controls m_c;
};

} // namespace profiles
