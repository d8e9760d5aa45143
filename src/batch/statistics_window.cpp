#include "batch/statistics_window.h"

#include "batch/batch_lexicon.h"
#include "i18n/window_lexicons.h"
#include "protocol/number_format.h"
#include "protocol/rlc_values.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The figures table's rows, top to bottom, by lexicon item.
// Room left and right of a figure in its cell.
constexpr int kCellPadding = 8;

constexpr batch_text::Item kFigureRows[] = {
    batch_text::Values,  batch_text::Mean,    batch_text::StandardDeviation, batch_text::Minimum,
    batch_text::Maximum, batch_text::Nominal, batch_text::MeanDeviation,     batch_text::Cp,
    batch_text::Cpk,
};

// At least four significant digits, and no exponent: a dissipation factor of
// 0.0003 with a spread of 0.00002 must not read "0.0003" and "0.0000".
QString significantText(double value, const protocol::NumberSeparators &separators)
{
    constexpr int kDigits = 4;
    const int magnitude = value == 0 || !std::isfinite(value) ? 0 : int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(kDigits - 1 - magnitude, 0, 18);
    return protocol::formatNumber(value, std::max(kDigits, magnitude + 1), decimals, false, separators);
}

bool isRatio(protocol::RlcParameter parameter)
{
    return parameter == protocol::RlcParameter::Dissipation || parameter == protocol::RlcParameter::Quality;
}

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
    m_bins = addCount(counts, "bins");
    m_bins->setWordWrap(true);
    showTally({});
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
                                         batch_text::Yield, batch_text::Sorting};
    for (int i = 0; i < m_countCaptions.size(); ++i)
        m_countCaptions.at(i)->setText(m_texts.GetItem(captions[i]) + QLatin1Char(':'));
    QStringList rows;
    for (batch_text::Item item : kFigureRows)
        rows.append(m_texts.GetItem(item));
    m_figures->setVerticalHeaderLabels(rows);
}

void StatisticsWindow::showTally(const QString &summary)
{
    m_bins->setText(summary);
    m_bins->setVisible(!summary.isEmpty());
    m_countCaptions.last()->setVisible(!summary.isEmpty());
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
        // Two lines: four groups side by side fit without cutting a word.
        headers.append(m_texts.GetItem(primary ? batch_text::Primary : batch_text::Secondary) + QLatin1Char('\n')
                       + protocol::parameterLetter(group.parameter));
        const auto valueText = [&](double v) {
            if (isRatio(group.parameter))
                return significantText(v, context.separators);
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
            capability ? significantText(capability->meanDeviationPercent, context.separators) + QStringLiteral(" %")
                       : none,
            capability && capability->cp ? significantText(*capability->cp, context.separators) : none,
            capability && capability->cpk ? significantText(*capability->cpk, context.separators) : none,
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
    fitColumns();
}

void StatisticsWindow::fitColumns()
{
    // The columns share the width equally; the window never gets narrower
    // than the widest header or figure needs in each.
    const QFontMetrics metrics(m_figures->font());
    const QFontMetrics headerMetrics(m_figures->horizontalHeader()->font());
    int widestColumn = 0;
    for (int column = 0; column < m_figures->columnCount(); ++column) {
        int widest = 0;
        if (const QTableWidgetItem *header = m_figures->horizontalHeaderItem(column)) {
            for (const QString &line : header->text().split(QLatin1Char('\n')))
                widest = std::max(widest, headerMetrics.horizontalAdvance(line) + 2 * kCellPadding);
        }
        for (int row = 0; row < m_figures->rowCount(); ++row) {
            if (const QTableWidgetItem *item = m_figures->item(row, column))
                widest = std::max(widest, metrics.horizontalAdvance(item->text()) + 2 * kCellPadding);
        }
        widestColumn = std::max(widestColumn, widest);
    }
    const int columns = widestColumn * m_figures->columnCount();
    const int frame = 2 * m_figures->frameWidth();
    const QMargins margins = layout()->contentsMargins();
    const int needed = m_figures->verticalHeader()->sizeHint().width() + columns + frame + margins.left()
                       + margins.right();
    setMinimumWidth(needed);
    if (width() < needed)
        resize(needed, height());
    m_figures->horizontalHeader()->setMinimumHeight(m_figures->horizontalHeader()->sizeHint().height());
}
