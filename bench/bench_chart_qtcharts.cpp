// Repaint time of the same 100 000-point trend chart in Qt Charts, offscreen:
// line, markers, red rejected points, nominal line and shaded band. Each
// iteration pans the x range a little and paints the whole view into an image.

#include "chart_bench_data.h"
#include "window_bench_main.h"

#include <QApplication>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>

#include <benchmark/benchmark.h>

namespace {

// state.range(0): 1 = a marker on every reading, 0 = the line alone.
void BM_QtChartsRepaint(benchmark::State &state)
{
    static const ChartBenchData data;
    auto *chart = new QChart;
    chart->legend()->hide();

    auto *lower = new QLineSeries;
    auto *upper = new QLineSeries;
    lower->append({QPointF(0, ChartBenchData::kLower), QPointF(ChartBenchData::kPoints + 1, ChartBenchData::kLower)});
    upper->append({QPointF(0, ChartBenchData::kUpper), QPointF(ChartBenchData::kPoints + 1, ChartBenchData::kUpper)});
    auto *band = new QAreaSeries(upper, lower);
    band->setBrush(QColor(0, 160, 0, 40));
    band->setPen(Qt::NoPen);
    chart->addSeries(band);

    auto *nominal = new QLineSeries;
    nominal->append({QPointF(0, ChartBenchData::kNominal), QPointF(ChartBenchData::kPoints + 1, ChartBenchData::kNominal)});
    nominal->setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));
    chart->addSeries(nominal);

    QList<QPointF> points;
    points.reserve(ChartBenchData::kPoints);
    for (int i = 0; i < ChartBenchData::kPoints; ++i)
        points.append(QPointF(data.x[i], data.y[i]));
    auto *line = new QLineSeries;
    line->replace(points);
    line->setPointsVisible(state.range(0) != 0);
    chart->addSeries(line);

    QList<QPointF> rejected;
    for (std::size_t i = 0; i < data.rejectX.size(); ++i)
        rejected.append(QPointF(data.rejectX[i], data.rejectY[i]));
    auto *rejects = new QScatterSeries;
    rejects->replace(rejected);
    rejects->setColor(Qt::red);
    rejects->setMarkerSize(4);
    chart->addSeries(rejects);

    chart->createDefaultAxes();
    QChartView view(chart);
    view.resize(900, 520);
    auto *axisX = qobject_cast<QValueAxis *>(chart->axes(Qt::Horizontal).first());

    view.show();
    QApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    double shift = 0;
    for (auto _ : state) {
        shift = shift > 50 ? 0 : shift + 1;
        axisX->setRange(shift, ChartBenchData::kPoints + shift);
        // The chart lays its series out from the event loop.
        QApplication::processEvents();
        QPainter painter(&image);
        view.render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = ChartBenchData::kPoints;
}
BENCHMARK(BM_QtChartsRepaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
