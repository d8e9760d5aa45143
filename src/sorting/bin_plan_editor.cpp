#include "sorting/bin_plan_editor.h"

#include "sorting/sorting_lexicon.h"
#include "sorting/bin_rule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>

#include <limits>

namespace {

using profiles::Quantity;
using P = profiles::SecondaryLimit::Parameter;

constexpr Quantity kParameters[] = {Quantity::Resistance, Quantity::Capacitance, Quantity::Inductance};
constexpr P kSecondaries[] = {P::Dissipation, P::Quality, P::Esr};

double numberOf(const QLineEdit *edit)
{
    QString text = edit->text().trimmed();
    text.replace(QLocale().decimalPoint(), QStringLiteral("."));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

QString textOf(double value)
{
    // The shortest text that reads back the same, with the locale's separator.
    QString text = QString::number(value, 'g', 15);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

} // namespace

BinPlanEditor::BinPlanEditor(const i18n::TDesignedLexicon &texts, QWidget *parent)
    : QWidget(parent)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("planEditor"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    const auto caption = [&](QWidget *field, QWidget *second = nullptr) {
        auto *label = new QLabel(this);
        m_captions.append(label);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1, 1, second ? 1 : 2);
        if (second)
            grid->addWidget(second, row, 2);
        ++row;
    };

    m_parameter = new QComboBox(this);
    m_parameter->setObjectName(QStringLiteral("planParameter"));
    for (Quantity q : kParameters)
        m_parameter->addItem(profiles::binParameterText(q));
    m_unit = new QLineEdit(this);
    m_unit->setObjectName(QStringLiteral("planUnit"));
    caption(m_parameter, m_unit);

    m_nominal = new QLineEdit(this);
    m_nominal->setObjectName(QStringLiteral("planNominal"));
    m_fromLine = new QCheckBox(this);
    m_fromLine->setObjectName(QStringLiteral("planFromLine"));
    caption(m_nominal, m_fromLine);
    connect(m_fromLine, &QCheckBox::toggled, m_nominal, &QWidget::setDisabled);

    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("planMode"));
    m_mode->addItems({QString(), QString()});
    caption(m_mode);

    m_binCount = new QSpinBox(this);
    m_binCount->setObjectName(QStringLiteral("planBinCount"));
    m_binCount->setRange(1, profiles::kMaxBins);
    caption(m_binCount);
    connect(m_binCount, &QSpinBox::valueChanged, this, &BinPlanEditor::showBinRows);

    m_lowerCaption = new QLabel(this);
    m_upperCaption = new QLabel(this);
    grid->addWidget(m_lowerCaption, row, 1);
    grid->addWidget(m_upperCaption, row, 2);
    ++row;
    for (int i = 0; i < profiles::kMaxBins; ++i) {
        m_binNames[i] = new QLabel(profiles::binText(std::uint8_t(i + 1)), this);
        m_lower[i] = new QLineEdit(this);
        m_lower[i]->setObjectName(QStringLiteral("lower%1").arg(i + 1));
        m_upper[i] = new QLineEdit(this);
        m_upper[i]->setObjectName(QStringLiteral("upper%1").arg(i + 1));
        grid->addWidget(m_binNames[i], row, 0);
        grid->addWidget(m_lower[i], row, 1);
        grid->addWidget(m_upper[i], row, 2);
        ++row;
    }

    m_secondary = new QComboBox(this);
    m_secondary->setObjectName(QStringLiteral("planSecondary"));
    m_secondary->addItem(QString());
    for (P p : kSecondaries)
        m_secondary->addItem(profiles::secondaryLimitText(p));
    m_secondarySense = new QComboBox(this);
    m_secondarySense->setObjectName(QStringLiteral("planSecondarySense"));
    m_secondarySense->addItems({QString(), QString()});
    caption(m_secondary, m_secondarySense);
    m_secondaryValue = new QLineEdit(this);
    m_secondaryValue->setObjectName(QStringLiteral("planSecondaryValue"));
    grid->addWidget(m_secondaryValue, row++, 1, 1, 2);
    grid->setRowStretch(row, 1);

    retranslate();
    setPlan({});
}

void BinPlanEditor::retranslate()
{
    using namespace sorting_text;
    const Item captions[] = {Parameter, Nominal, Mode, Bins, Secondary};
    for (int i = 0; i < m_captions.size(); ++i)
        m_captions.at(i)->setText(m_texts.GetItem(captions[i]));
    m_fromLine->setText(m_texts.GetItem(FromLine));
    m_mode->setItemText(0, m_texts.GetItem(Nested));
    m_mode->setItemText(1, m_texts.GetItem(Sequential));
    m_lowerCaption->setText(m_texts.GetItem(Lower));
    m_upperCaption->setText(m_texts.GetItem(Upper));
    m_secondary->setItemText(0, m_texts.GetItem(NoLimit));
    m_secondarySense->setItemText(0, m_texts.GetItem(AtMost));
    m_secondarySense->setItemText(1, m_texts.GetItem(AtLeast));
}

void BinPlanEditor::showBinRows()
{
    for (int i = 0; i < profiles::kMaxBins; ++i) {
        const bool shown = i < m_binCount->value();
        m_binNames[i]->setVisible(shown);
        m_lower[i]->setVisible(shown);
        m_upper[i]->setVisible(shown);
    }
}

void BinPlanEditor::setPlan(const profiles::BinPlan &plan)
{
    m_parameter->setCurrentIndex(std::max(0, int(std::find(std::begin(kParameters), std::end(kParameters),
                                                           plan.parameter) - std::begin(kParameters)) % 3));
    m_unit->setText(plan.unit);
    m_nominal->setText(plan.nominal > 0.0 ? textOf(plan.nominal) : QString());
    m_fromLine->setChecked(plan.nominalFromLine);
    m_nominal->setDisabled(plan.nominalFromLine);
    m_mode->setCurrentIndex(plan.mode == profiles::BinMode::Nested ? 0 : 1);
    m_binCount->setValue(std::clamp(int(plan.bins.size()), 1, profiles::kMaxBins));
    for (int i = 0; i < profiles::kMaxBins; ++i) {
        const bool given = i < plan.bins.size();
        m_lower[i]->setText(given ? textOf(plan.bins[i].lower) : QString());
        m_upper[i]->setText(given ? textOf(plan.bins[i].upper) : QString());
    }
    m_secondary->setCurrentIndex(plan.secondary ? 1 + int(plan.secondary->parameter) : 0);
    m_secondarySense->setCurrentIndex(plan.secondary && !plan.secondary->maximum ? 1 : 0);
    m_secondaryValue->setText(plan.secondary ? textOf(plan.secondary->value) : QString());
    showBinRows();
}

profiles::BinPlan BinPlanEditor::plan() const
{
    profiles::BinPlan plan;
    plan.parameter = kParameters[std::clamp(m_parameter->currentIndex(), 0, 2)];
    plan.unit = m_unit->text().trimmed();
    plan.nominalFromLine = m_fromLine->isChecked();
    plan.nominal = plan.nominalFromLine ? 0.0 : numberOf(m_nominal);
    plan.mode = m_mode->currentIndex() == 0 ? profiles::BinMode::Nested : profiles::BinMode::Sequential;
    for (int i = 0; i < m_binCount->value(); ++i)
        plan.bins.append({numberOf(m_lower[i]), numberOf(m_upper[i])});
    if (m_secondary->currentIndex() > 0)
        plan.secondary = profiles::SecondaryLimit{kSecondaries[m_secondary->currentIndex() - 1],
                                                  m_secondarySense->currentIndex() == 0, numberOf(m_secondaryValue)};
    return plan;
}
