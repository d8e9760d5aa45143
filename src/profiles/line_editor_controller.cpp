#include "profiles/line_editor_controller.h"

#include "profiles/reference_units.h"
#include "profiles/text_filters.h"
#include "protocol/number_format.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace profiles {

LineEditorController::LineEditorController(const Controls &controls, QObject *parent)
    : QObject(parent)
    , m_c(controls)
{
    for (QComboBox *typed : {m_c.CBox5, m_c.CBox51, m_c.CBox6}) {
        // Enter neither adds the text to the list nor completes it from there.
        typed->setInsertPolicy(QComboBox::NoInsert);
        typed->setCompleter(nullptr);
    }

    // Typing, pasting and a restored line all pass the filter.
    connect(m_c.E2, &QLineEdit::textChanged, this, [this] { filterNumber(m_c.E2); });
    connect(m_c.E11, &QLineEdit::textChanged, this, [this] { filterNumber(m_c.E11); });
    // Tolerances: typed text is filtered, an item from the list is taken as it is.
    for (QComboBox *tolerance : {m_c.CBox5, m_c.CBox51}) {
        connect(tolerance->lineEdit(), &QLineEdit::textEdited, this,
                [this, tolerance] { filterTolerance(tolerance); });
        connect(tolerance, &QComboBox::activated, this, [this] { m_c.CBox2->setFocus(); });
    }
    connect(m_c.CBox2, &QComboBox::currentIndexChanged, this, &LineEditorController::showPrimaryUnitList);
    connect(m_c.CBox11, &QComboBox::currentIndexChanged, this, &LineEditorController::showSecondaryUnitList);
    showPrimaryUnitList();
    showSecondaryUnitList();
}

QChar LineEditorController::decimalSeparator()
{
    const QString separator = protocol::NumberSeparators::fromLocale().decimal;
    return separator.isEmpty() ? QLatin1Char('.') : separator.front();
}

QComboBox *LineEditorController::primaryUnitList(int kind) const
{
    const std::optional<int> list = primaryUnitListFor(kind);
    if (!list)
        return nullptr;
    QComboBox *const lists[] = {m_c.CBox1, m_c.CBox3, m_c.CBox4};
    return lists[*list];
}

void LineEditorController::showPrimaryUnitList()
{
    // The three lists share one place; each keeps its choice while hidden.
    const QComboBox *shown = primaryUnitList(m_c.CBox2->currentIndex());
    for (QComboBox *list : {m_c.CBox1, m_c.CBox3, m_c.CBox4})
        list->setVisible(list == shown);
}

void LineEditorController::showSecondaryUnitList()
{
    m_c.CBox31->setVisible(secondaryUnitListShown(m_c.CBox11->currentIndex()));
}

void LineEditorController::filterNumber(QLineEdit *field)
{
    const EditedText filtered = filterNumberText(field->text(), field->cursorPosition(), decimalSeparator());
    if (filtered.text == field->text())
        return;
    field->setText(filtered.text);
    field->setCursorPosition(filtered.caret);
}

void LineEditorController::filterTolerance(QComboBox *field)
{
    QLineEdit *edit = field->lineEdit();
    const EditedText filtered = filterToleranceText(edit->text(), edit->cursorPosition(), decimalSeparator());
    if (filtered.text != edit->text())
        edit->setText(filtered.text);
    edit->setCursorPosition(filtered.caret);
    // Both tolerance fields hand the focus to the primary kind.
    m_c.CBox2->setFocus();
}

ReferenceEntry LineEditorController::entry(const QComboBox *kind, const QComboBox *unit, const QLineEdit *nominal,
                                           const QComboBox *tolerance)
{
    ReferenceEntry entry;
    entry.kind = kind->currentIndex();
    entry.unit = unit ? unit->currentIndex() : 0;
    entry.nominal = nominal->text();
    entry.tolerance = tolerance->currentText();
    entry.toleranceOff = toleranceOff(tolerance);
    return entry;
}

bool LineEditorController::toleranceOff(const QComboBox *tolerance)
{
    return tolerance->count() > 0 && tolerance->currentText() == tolerance->itemText(0);
}

Reference LineEditorController::referenceValue() const
{
    return readReference(reference(), decimalSeparator());
}

ReferenceEditor LineEditorController::reference() const
{
    return {entry(m_c.CBox2, primaryUnitList(m_c.CBox2->currentIndex()), m_c.E2, m_c.CBox5),
            entry(m_c.CBox11, m_c.CBox31, m_c.E11, m_c.CBox51)};
}

LineEditor LineEditorController::editor() const
{
    return {m_c.CBox6->currentText(), m_c.SE1->value(), reference()};
}

void LineEditorController::restoreTolerance(QComboBox *field, const ReferenceEntry &entry)
{
    if (entry.toleranceOff)
        field->setCurrentIndex(0);
    else
        field->setEditText(entry.tolerance);
}

void LineEditorController::restore(const LineEditor &editor)
{
    const ReferenceEntry &primary = editor.reference.primary;
    const ReferenceEntry &secondary = editor.reference.secondary;
    m_c.CBox6->setEditText(editor.name);
    restoreTolerance(m_c.CBox5, primary);
    m_c.CBox2->setCurrentIndex(primary.kind);
    if (QComboBox *units = primaryUnitList(primary.kind))
        units->setCurrentIndex(primary.unit);
    m_c.E2->setText(primary.nominal);
    restoreTolerance(m_c.CBox51, secondary);
    m_c.CBox11->setCurrentIndex(secondary.kind);
    if (secondary.unit >= 0)
        m_c.CBox31->setCurrentIndex(secondary.unit);
    m_c.E11->setText(secondary.nominal);
    m_c.SE1->setValue(editor.startPosition);
    showPrimaryUnitList();
    showSecondaryUnitList();
}

JudgeOutcome LineEditorController::judge(const protocol::RlcReading &reading, std::uint8_t seriesCircuit) const
{
    return judgeReading(reading, seriesCircuit, referenceValue());
}

} // namespace profiles
