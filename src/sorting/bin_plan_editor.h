#pragma once

#include "sorting/bin_plan.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace i18n {
class TDesignedLexicon;
}

// The fields of a sorting plan: parameter, unit, nominal value (or the
// profile line's), mode, up to nine bins' lower and upper limits and the
// secondary limit. Numbers are typed with the locale's decimal separator or
// a point. plan() reads the fields; the plan's own check says what is wrong.
class BinPlanEditor : public QWidget
{
    Q_OBJECT

public:
    BinPlanEditor(const i18n::TDesignedLexicon &texts, QWidget *parent = nullptr);

    void setPlan(const profiles::BinPlan &plan);
    // The plan as typed; a field that is not a number gives NaN, which the check names.
    profiles::BinPlan plan() const;
    void retranslate();

    // The controls by name, for a test or a picture.
    QLineEdit *lowerEdit(int bin) const { return m_lower.at(std::size_t(bin)); }
    QLineEdit *upperEdit(int bin) const { return m_upper.at(std::size_t(bin)); }
    QSpinBox *binCount() const { return m_binCount; }
    QCheckBox *fromLine() const { return m_fromLine; }

private:
    void showBinRows();

    const i18n::TDesignedLexicon &m_texts;
    QComboBox *m_parameter = nullptr;
    QLineEdit *m_unit = nullptr;
    QLineEdit *m_nominal = nullptr;
    QCheckBox *m_fromLine = nullptr;
    QComboBox *m_mode = nullptr;
    QSpinBox *m_binCount = nullptr;
    std::array<QLabel *, profiles::kMaxBins> m_binNames{};
    std::array<QLineEdit *, profiles::kMaxBins> m_lower{};
    std::array<QLineEdit *, profiles::kMaxBins> m_upper{};
    QComboBox *m_secondary = nullptr;
    QComboBox *m_secondarySense = nullptr;
    QLineEdit *m_secondaryValue = nullptr;
    QList<QLabel *> m_captions;
    QLabel *m_lowerCaption = nullptr;
    QLabel *m_upperCaption = nullptr;
};
