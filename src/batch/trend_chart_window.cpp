#include "batch/trend_chart_window.h"

#include "files/file_replacement.h"
#include "i18n/window_lexicons.h"
#include "batch/batch_lexicon.h"
#include "batch/batch_tracker.h"
#include "protocol/number_format.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// Below this many points in view each reading gets its own marker; above it
// the markers would only blur into the line and cost most of a repaint.
constexpr int kMarkerLimit = 2000;

const QColor kLineColour(30, 90, 180);
const QColor kBandColour(0, 160, 0, 45);
const QColor kNominalColour(0, 110, 0);

bool rejected(const reading::Reading &reading)
{
    return reading.judged && reading.judgeResult != 0;
}

} // namespace

TrendChartWindow::TrendChartWindow(const BatchTracker &rows, const i18n::TDesignedLexicon &texts,
                                   const i18n::WindowLexicons &lexicons, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_rows(rows)
    , m_texts(texts)
    , m_lexicons(lexicons)
{
    setObjectName(QStringLiteral("TrendChartWindow"));
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    layout->addLayout(bar);
    m_xChoice = new QComboBox(this);
    m_xChoice->setObjectName(QStringLiteral("xAxis"));
    m_xChoice->addItems({QString(), QString()});
    m_auto = new QCheckBox(this);
    m_auto->setObjectName(QStringLiteral("autoScale"));
    m_auto->setChecked(true);
    m_savePng = new QPushButton(this);
    m_savePng->setObjectName(QStringLiteral("savePng"));
    bar->addWidget(m_xChoice);
    bar->addWidget(m_auto);
    bar->addStretch(1);
    bar->addWidget(m_savePng);

    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("plot"));
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    layout->addWidget(m_plot, 1);

    m_band = new QCPItemRect(m_plot);
    m_band->setLayer(QStringLiteral("background"));
    m_band->setPen(Qt::NoPen);
    m_band->setBrush(kBandColour);
    m_band->topLeft->setTypeX(QCPItemPosition::ptAxisRectRatio);
    m_band->bottomRight->setTypeX(QCPItemPosition::ptAxisRectRatio);
    m_nominal = new QCPItemStraightLine(m_plot);
    m_nominal->setPen(QPen(kNominalColour, 1.5, Qt::DashLine));

    m_values = m_plot->addGraph();
    m_values->setPen(QPen(kLineColour, 1));
    m_rejects = m_plot->addGraph();
    m_rejects->setLineStyle(QCPGraph::lsNone);
    m_rejects->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, Qt::red, Qt::red, 6));

    connect(m_xChoice, &QComboBox::activated, this,
            [this](int index) { setXAxis(index == 1 ? XAxis::Time : XAxis::Row); });
    connect(m_auto, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            refresh();
    });
    connect(m_savePng, &QPushButton::clicked, this, &TrendChartWindow::savePngRequested);
    connect(m_plot, &QCustomPlot::mouseWheel, this, &TrendChartWindow::userMovedView);
    connect(m_plot, &QCustomPlot::mouseMove, this, [this](QMouseEvent *event) {
        if (event->buttons() != Qt::NoButton)
            userMovedView();
    });
    connect(m_plot->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &TrendChartWindow::updateMarkers);

    resize(760, 440);
    retranslate();
}

void TrendChartWindow::retranslate()
{
    setWindowTitle(m_texts.GetItem(batch_text::TrendChart));
    m_xChoice->setItemText(0, m_texts.GetItem(batch_text::ByRow));
    m_xChoice->setItemText(1, m_texts.GetItem(batch_text::ByTime));
    m_auto->setText(m_texts.GetItem(batch_text::AutoScale));
    m_savePng->setText(m_texts.GetItem(batch_text::SavePng));
    m_plot->xAxis->setLabel(m_xAxis == XAxis::Row ? m_texts.GetItem(batch_text::RowNumber)
                                                  : m_lexicons.D2.GetItem(2));
    m_plot->yAxis->setLabel(m_parameter ? protocol::parameterLetter(*m_parameter) + QStringLiteral(", ") + m_axisUnit
                                        : QString());
}

double TrendChartWindow::keyOf(int row, const reading::Reading &reading) const
{
    // The log numbers its rows from 1.
    return m_xAxis == XAxis::Row ? double(row + 1) : double(reading.time.toMSecsSinceEpoch()) / 1000.0;
}

void TrendChartWindow::chooseScale(protocol::RlcParameter parameter, double magnitude)
{
    m_parameter = parameter;
    m_scale = 1.0;
    const protocol::UnitTexts texts = m_lexicons.unitTexts();
    QString unit;
    int exponent = 0;
    switch (parameter) {
    case protocol::RlcParameter::Resistance:
    case protocol::RlcParameter::Impedance:
        unit = texts.ohm();
        exponent = magnitude > 0 ? int(std::floor(std::log10(magnitude) / 3.0)) * 3 : 0;
        exponent = std::clamp(exponent, 0, 6);
        break;
    case protocol::RlcParameter::Capacitance:
    case protocol::RlcParameter::Inductance:
        unit = texts.unit(parameter == protocol::RlcParameter::Capacitance ? protocol::Unit::Farad
                                                                          : protocol::Unit::Henry);
        exponent = magnitude > 0 ? int(std::floor(std::log10(magnitude) / 3.0)) * 3 : 0;
        exponent = std::clamp(exponent, -12, 0);
        break;
    case protocol::RlcParameter::Phase:
        unit = QStringLiteral("°");
        break;
    case protocol::RlcParameter::Quality:
    case protocol::RlcParameter::Dissipation:
        break;
    }
    // Exponents 6 .. -12 in steps of three name mega .. pico.
    static constexpr protocol::Prefix kPrefixes[] = {protocol::Prefix::Mega,  protocol::Prefix::Kilo,
                                                     protocol::Prefix::None,  protocol::Prefix::Milli,
                                                     protocol::Prefix::Micro, protocol::Prefix::Nano,
                                                     protocol::Prefix::Pico};
    const QString prefix = texts.prefix(kPrefixes[(6 - exponent) / 3]);
    m_scale = std::pow(10.0, -exponent);
    m_axisUnit = prefix + unit;
}

void TrendChartWindow::rebuild()
{
    // The newest row's parameter is the one drawn.
    std::optional<protocol::RlcParameter> parameter;
    double magnitude = 0.0;
    m_rows.forEachRow([&](int, const reading::Reading &reading) {
        if (const auto value = protocol::primaryValue(reading.settings, reading.reading, reading.quantities)) {
            parameter = value->parameter;
            magnitude = std::fabs(value->value);
        }
    });
    m_parameter.reset();
    m_lastKey = -1e300;
    QVector<QCPGraphData> values;
    QVector<QCPGraphData> rejects;
    if (parameter) {
        if (m_tolerance && m_tolerance->parameter == *parameter)
            magnitude = std::fabs(m_tolerance->nominal);
        chooseScale(*parameter, magnitude);
        m_rows.forEachRow([&](int row, const reading::Reading &reading) {
            const auto value = protocol::primaryValue(reading.settings, reading.reading, reading.quantities);
            if (!value || value->parameter != *parameter || !std::isfinite(value->value))
                return;
            const QCPGraphData point(keyOf(row, reading), value->value * m_scale);
            values.append(point);
            if (rejected(reading))
                rejects.append(point);
            m_lastKey = std::max(m_lastKey, point.key);
        });
    }
    m_values->data()->set(values, false);
    m_rejects->data()->set(rejects, false);
    retranslate();
    refresh();
}

bool TrendChartWindow::addRow(int row, const reading::Reading &reading)
{
    const auto value = protocol::primaryValue(reading.settings, reading.reading, reading.quantities);
    if (!value || !std::isfinite(value->value))
        return true; // nothing to draw, nothing to redraw
    if (!m_parameter) {
        if (m_values->dataCount() != 0)
            return false;
        const bool nominalFits = m_tolerance && m_tolerance->parameter == value->parameter;
        chooseScale(value->parameter, std::fabs(nominalFits ? m_tolerance->nominal : value->value));
        retranslate();
    }
    const double key = keyOf(row, reading);
    if (value->parameter != *m_parameter || key < m_lastKey)
        return false;
    m_lastKey = key;
    m_values->addData(key, value->value * m_scale);
    if (rejected(reading))
        m_rejects->addData(key, value->value * m_scale);
    return true;
}

void TrendChartWindow::setTolerance(const std::optional<BatchLimit> &limit)
{
    const bool same = limit.has_value() == m_tolerance.has_value()
                      && (!limit || (limit->parameter == m_tolerance->parameter && limit->nominal == m_tolerance->nominal
                                    && limit->kind == m_tolerance->kind && limit->percent == m_tolerance->percent));
    if (same)
        return;
    m_tolerance = limit;
    showTolerance();
}

void TrendChartWindow::showTolerance()
{
    const bool shown = m_tolerance && m_parameter && m_tolerance->parameter == *m_parameter;
    m_band->setVisible(shown);
    m_nominal->setVisible(shown);
    if (!shown)
        return;
    const double nominal = m_tolerance->nominal * m_scale;
    m_nominal->point1->setCoords(0.0, nominal);
    m_nominal->point2->setCoords(1.0, nominal);
    const ToleranceLimits limits = toleranceLimits(*m_tolerance);
    // An open side of the band reaches past the edge of the plot.
    if (limits.upper) {
        m_band->topLeft->setTypeY(QCPItemPosition::ptPlotCoords);
        m_band->topLeft->setCoords(0.0, *limits.upper * m_scale);
    } else {
        m_band->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
        m_band->topLeft->setCoords(0.0, -0.1);
    }
    if (limits.lower) {
        m_band->bottomRight->setTypeY(QCPItemPosition::ptPlotCoords);
        m_band->bottomRight->setCoords(1.0, *limits.lower * m_scale);
    } else {
        m_band->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
        m_band->bottomRight->setCoords(1.0, 1.1);
    }
}

void TrendChartWindow::refresh()
{
    showTolerance();
    if (autoScale())
        rescale();
    updateMarkers();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void TrendChartWindow::rescale()
{
    if (m_values->dataCount() == 0)
        return;
    bool found = false;
    const QCPRange keys = m_values->getKeyRange(found);
    QCPRange values = m_values->getValueRange(found);
    if (m_band->visible()) {
        const ToleranceLimits limits = toleranceLimits(*m_tolerance);
        values.expand(m_tolerance->nominal * m_scale);
        if (limits.lower)
            values.expand(*limits.lower * m_scale);
        if (limits.upper)
            values.expand(*limits.upper * m_scale);
    }
    const double keyMargin = std::max(keys.size() * 0.02, 1.0);
    // A single value or a constant batch still gets a visible range around it.
    const double valueMargin =
        values.size() > 0 ? values.size() * 0.08 : std::max(std::fabs(values.lower) * 0.01, 1e-12);
    m_plot->xAxis->setRange(keys.lower - keyMargin, keys.upper + keyMargin);
    m_plot->yAxis->setRange(values.lower - valueMargin, values.upper + valueMargin);
}

void TrendChartWindow::updateMarkers()
{
    const QCPRange range = m_plot->xAxis->range();
    const auto data = m_values->data();
    const auto inView = data->findEnd(range.upper, false) - data->findBegin(range.lower, false);
    const bool show = inView <= kMarkerLimit;
    if (show == m_markersShown)
        return;
    m_markersShown = show;
    m_values->setScatterStyle(show ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4) : QCPScatterStyle());
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void TrendChartWindow::userMovedView()
{
    setAutoScale(false);
}

void TrendChartWindow::setXAxis(XAxis axis)
{
    m_xChoice->setCurrentIndex(axis == XAxis::Time ? 1 : 0);
    if (axis == m_xAxis)
        return;
    m_xAxis = axis;
    if (axis == XAxis::Time) {
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
        m_plot->xAxis->setTicker(ticker);
    } else {
        m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    }
    setAutoScale(true);
    rebuild();
}

void TrendChartWindow::setAutoScale(bool on)
{
    m_auto->setChecked(on);
}

bool TrendChartWindow::autoScale() const
{
    return m_auto->isChecked();
}

bool TrendChartWindow::savePng(const QString &path, QString *error)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !m_plot->toPixmap().save(&buffer, "PNG")) {
        if (error)
            *error = QStringLiteral("The picture could not be made.");
        return false;
    }
    // Whole or not at all: an existing picture of that name stays as it was on failure.
    files::FileReplacement file(path);
    if (file.open())
        file.write(png);
    if (file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

int TrendChartWindow::pointCount() const
{
    return m_values->dataCount();
}

int TrendChartWindow::rejectedCount() const
{
    return m_rejects->dataCount();
}
