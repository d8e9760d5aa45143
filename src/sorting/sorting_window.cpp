#include "sorting/sorting_window.h"

#include "sorting/bin_plan_editor.h"
#include "sorting/sorting_lexicon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>

namespace {

// Bar positions: BIN1..BINn at 1..n, AUX and OUT after them.
constexpr int kBars = profiles::kMaxBins + 2;

QColor kGreen(0x1b, 0x8a, 0x2f);
QColor kAmber(0xe0, 0x9a, 0x00);
QColor kRed(0xc6, 0x28, 0x28);

} // namespace

SortingWindow::SortingWindow(const i18n::TDesignedLexicon &texts, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("SortingWindow"));
    auto *layout = new QHBoxLayout(this);

    auto *left = new QVBoxLayout;
    m_editor = new BinPlanEditor(texts, this);
    left->addWidget(m_editor, 1);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("planProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #c62828"));
    left->addWidget(m_problem);
    auto *planButtons = new QHBoxLayout;
    m_open = new QPushButton(this);
    m_save = new QPushButton(this);
    m_apply = new QPushButton(this);
    m_apply->setObjectName(QStringLiteral("applyPlan"));
    planButtons->addWidget(m_open);
    planButtons->addWidget(m_save);
    planButtons->addWidget(m_apply);
    left->addLayout(planButtons);
    layout->addLayout(left);

    auto *right = new QVBoxLayout;
    m_bin = new QLabel(this);
    m_bin->setObjectName(QStringLiteral("currentBin"));
    m_bin->setAlignment(Qt::AlignCenter);
    QFont big = m_bin->font();
    // About 3 cm high on a desktop screen: readable from two metres.
    big.setPixelSize(110);
    big.setBold(true);
    m_bin->setFont(big);
    m_bin->setMinimumHeight(150);
    m_bin->setAutoFillBackground(true);
    right->addWidget(m_bin);

    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("tallyChart"));
    m_plot->setMinimumSize(420, 240);
    for (const QColor &colour : {kGreen, kAmber, kRed}) {
        auto *bars = new QCPBars(m_plot->xAxis, m_plot->yAxis);
        bars->setWidth(0.7);
        bars->setPen(Qt::NoPen);
        bars->setBrush(colour);
        m_bars.append(bars);
    }
    m_plot->xAxis->setRange(0.3, kBars + 0.7);
    m_plot->yAxis->setRange(0, 1);
    m_plot->yAxis->ticker()->setTickCount(4);
    for (int i = 0; i < kBars; ++i) {
        auto *text = new QCPItemText(m_plot);
        text->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        text->position->setType(QCPItemPosition::ptPlotCoords);
        text->setClipToAxisRect(false);
        m_barTexts.append(text);
    }
    right->addWidget(m_plot, 1);

    auto *bottom = new QHBoxLayout;
    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("tallyTotal"));
    bottom->addWidget(m_total, 1);
    m_reset = new QPushButton(this);
    m_reset->setObjectName(QStringLiteral("resetTally"));
    bottom->addWidget(m_reset);
    right->addLayout(bottom);
    layout->addLayout(right, 1);

    connect(m_open, &QPushButton::clicked, this, &SortingWindow::openRequested);
    connect(m_save, &QPushButton::clicked, this, &SortingWindow::saveRequested);
    connect(m_apply, &QPushButton::clicked, this, &SortingWindow::applyRequested);
    connect(m_reset, &QPushButton::clicked, this, &SortingWindow::resetRequested);

    retranslate();
    showBin(std::nullopt);
    showTally({}, 0);
    resize(900, 520);
}

void SortingWindow::retranslate()
{
    using namespace sorting_text;
    setWindowTitle(m_texts.GetItem(Title));
    m_open->setText(m_texts.GetItem(OpenPlan));
    m_save->setText(m_texts.GetItem(SavePlan));
    m_apply->setText(m_texts.GetItem(Apply));
    m_reset->setText(m_texts.GetItem(ResetTally));
    m_editor->retranslate();
}

QColor SortingWindow::colourOf(std::uint8_t bin)
{
    if (bin == profiles::BinResult::kOut)
        return kRed;
    if (bin == profiles::BinResult::kAux)
        return kAmber;
    return kGreen;
}

void SortingWindow::showBin(std::optional<std::uint8_t> bin)
{
    // At 74 readings a second most readings repeat the bin: only a change repaints.
    if (bin == m_shownBin)
        return;
    m_shownBin = bin;
    QPalette palette = m_bin->palette();
    if (bin) {
        m_bin->setText(profiles::binText(*bin));
        palette.setColor(QPalette::Window, colourOf(*bin));
        palette.setColor(QPalette::WindowText, Qt::white);
    } else {
        m_bin->setText(m_texts.GetItem(sorting_text::NoPlan));
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        palette.setColor(QPalette::WindowText, Qt::gray);
    }
    m_bin->setPalette(palette);
}

void SortingWindow::showTally(const profiles::BinTally &tally, int binCount)
{
    binCount = std::clamp(binCount, 0, profiles::kMaxBins);
    QVector<double> keys;
    QVector<double> counts;
    QVector<QString> labels;
    QList<std::uint8_t> bins;
    for (int i = 1; i <= binCount; ++i)
        bins.append(std::uint8_t(i));
    bins << profiles::BinResult::kAux << profiles::BinResult::kOut;
    double highest = 1.0;
    for (int k = 0; k < bins.size(); ++k) {
        keys.append(k + 1);
        counts.append(double(tally.count(bins[k])));
        labels.append(profiles::binText(bins[k]));
        highest = std::max(highest, counts.last());
    }
    const qsizetype n = binCount;
    m_bars[0]->setData(keys.mid(0, n), counts.mid(0, n), true);
    m_bars[1]->setData(keys.mid(n, 1), counts.mid(n, 1), true);
    m_bars[2]->setData(keys.mid(n + 1, 1), counts.mid(n + 1, 1), true);
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    ticker->addTicks(keys, labels);
    m_plot->xAxis->setTicker(ticker);
    m_plot->xAxis->setRange(0.3, bins.size() + 0.7);
    m_plot->yAxis->setRange(0, highest * 1.2);
    for (int k = 0; k < m_barTexts.size(); ++k) {
        QCPItemText *text = m_barTexts[k];
        text->setVisible(k < bins.size());
        if (k >= bins.size())
            continue;
        text->position->setCoords(k + 1, counts[k]);
        text->setText(QStringLiteral("%1\n%2 %").arg(qint64(counts[k])).arg(tally.percent(bins[k]), 0, 'f', 1));
        text->setColor(colourOf(bins[k]));
    }
    m_total->setText(m_texts.GetItem(sorting_text::Readings) + QStringLiteral(": ") + QString::number(tally.total()));
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void SortingWindow::showProblem(const QString &text)
{
    m_problem->setText(text);
}

QString SortingWindow::binText() const
{
    return m_bin->text();
}

QColor SortingWindow::binColour() const
{
    return m_bin->palette().color(QPalette::Window);
}
