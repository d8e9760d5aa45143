#include "log/statistics_window.h"

#include "log/batch_lexicon.h"
#include "i18n/window_lexicons.h"
#include "protocol/number_format.h"
#include "protocol/rlc_values.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The figures table's rows, top to bottom, by lexicon item.
constexpr batch_text::Item kFigureRows[] = {
    batch_text::Values,  batch_text::Mean,    batch_text::StandardDeviation, batch_text::Minimum,
    batch_text::Maximum, batch_text::Nominal, batch_text::MeanDeviation,     batch_text::Cp,
    batch_text::Cpk,
};

} // namespace

StatisticsWindow::StatisticsWindow(const i18n::TDesignedLexicon &texts, const i18n::WindowLexicons &lexicons,
                                   QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_texts(texts)
    , m_lexicons(lexicons)
{
    setObjectName(QStringLiteral("StatisticsWindow"));
    auto *layout = new QVBoxLayout(this);
    auto *counts = new QGridLayout;
    layout->addLayout(counts);
    m_rows = addCount(counts, "rows");
    m_passed = addCount(counts, "passed");
    m_rejected = addCount(counts, "rejected");
    m_yield = addCount(counts, "yield");
    counts->setColumnStretch(1, 1);

    m_figures = new QTableWidget(int(std::size(kFigureRows)), 0, this);
    m_figures->setObjectName(QStringLiteral("figures"));
    m_figures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_figures->setSelectionMode(QAbstractItemView::NoSelection);
    m_figures->setFocusPolicy(Qt::NoFocus);
    m_figures->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_figures->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_figures->verticalHeader()->setDefaultSectionSize(24);
    m_figures->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(m_figures, 1);
    resize(480, 400);
    retranslate();
}

QLabel *StatisticsWindow::addCount(QGridLayout *grid, const char *name)
{
    const int row = int(m_countCaptions.size());
    auto *caption = new QLabel(this);
    m_countCaptions.append(caption);
    auto *value = new QLabel(this);
    value->setObjectName(QLatin1String(name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

QString StatisticsWindow::countText(const QString &name) const
{
    const QLabel *label = findChild<QLabel *>(name);
    return label ? label->text() : QString();
}

void StatisticsWindow::retranslate()
{
    setWindowTitle(m_texts.GetItem(batch_text::Statistics));
    const batch_text::Item captions[] = {batch_text::Rows, batch_text::Passed, batch_text::Rejected,
                                         batch_text::Yield};
    for (int i = 0; i < m_countCaptions.size(); ++i)
        m_countCaptions.at(i)->setText(m_texts.GetItem(captions[i]) + QLatin1Char(':'));
    QStringList rows;
    for (batch_text::Item item : kFigureRows)
        rows.append(m_texts.GetItem(item));
    m_figures->setVerticalHeaderLabels(rows);
}

void StatisticsWindow::showFigures(const BatchStatistics &statistics, const BatchTolerances &tolerances)
{
    retranslate();
    const protocol::FormatContext context{m_lexicons.unitTexts(), protocol::NumberSeparators::fromLocale()};
    const auto plain = [&](double value, int precision, int decimals) {
        return protocol::formatNumber(value, precision, decimals, false, context.separators);
    };

    const VerdictCounts &counts = statistics.counts();
    m_rows->setText(QString::number(counts.rows));
    m_passed->setText(QString::number(counts.passed));
    m_rejected->setText(QString::number(counts.rejected));
    const std::optional<double> yield = counts.yieldPercent();
    m_yield->setText(yield ? plain(*yield, 5, 1) + QStringLiteral(" %") : QStringLiteral("—"));

    const QList<ValueGroup> &groups = statistics.groups();
    m_figures->setColumnCount(int(groups.size()));
    QStringList headers;
    for (int column = 0; column < groups.size(); ++column) {
        const ValueGroup &group = groups.at(column);
        const bool primary = group.role == ValueRole::Primary;
        headers.append(m_texts.GetItem(primary ? batch_text::Primary : batch_text::Secondary) + QLatin1Char(' ')
                       + parameterLetter(group.parameter));
        const auto valueText = [&](double v) {
            return protocol::parameterValueText({group.parameter, v}, group.lastFrequencyHz, context);
        };
        const RunningStatistics &values = group.values;
        const std::optional<double> sigma = values.standardDeviation();
        const std::optional<BatchLimit> &limit = primary ? tolerances.primary : tolerances.secondary;
        const std::optional<Capability> capability = limit ? ::capability(group, *limit) : std::nullopt;
        const QString none = QStringLiteral("—");
        const QString cells[] = {
            QString::number(values.count()),
            valueText(values.mean()),
            sigma ? valueText(*sigma) : none,
            valueText(values.min()),
            valueText(values.max()),
            capability ? valueText(capability->nominal) : none,
            capability ? plain(capability->meanDeviationPercent, 4, 2) + QStringLiteral(" %") : none,
            capability && capability->cp ? plain(*capability->cp, 4, 2) : none,
            capability && capability->cpk ? plain(*capability->cpk, 4, 2) : none,
        };
        for (int row = 0; row < int(std::size(cells)); ++row) {
            QTableWidgetItem *item = m_figures->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_figures->setItem(row, column, item);
            }
            item->setText(cells[row].trimmed());
        }
    }
    m_figures->setHorizontalHeaderLabels(headers);
}
