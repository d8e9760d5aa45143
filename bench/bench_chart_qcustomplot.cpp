// Repaint time of a 100 000-point trend chart in QCustomPlot, offscreen: a
// line through every reading, a marker on every reading, the rejected ones as
// a red scatter, the nominal as a line and the tolerance band shaded. Each
// iteration pans the x range a little (so nothing is cached) and paints the
// whole widget into an image, as a repaint after a zoom, a pan or a new row.

#include "chart_bench_data.h"
#include "window_bench_main.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <qcustomplot.h>

#include <benchmark/benchmark.h>

namespace {

// state.range(0): 1 = a marker on every reading, 0 = the line alone (red
// markers on the rejected readings in both).
void BM_QCustomPlotRepaint(benchmark::State &state)
{
    static const ChartBenchData data;
    QCustomPlot plot;
    plot.resize(900, 520);
    plot.setNotAntialiasedElements(QCP::aeAll); // the widget's default for speed is the same

    QCPGraph *band = plot.addGraph();
    QCPGraph *bandTop = plot.addGraph();
    band->setData({0.0, double(ChartBenchData::kPoints + 1)}, {ChartBenchData::kLower, ChartBenchData::kLower});
    bandTop->setData({0.0, double(ChartBenchData::kPoints + 1)}, {ChartBenchData::kUpper, ChartBenchData::kUpper});
    band->setBrush(QColor(0, 160, 0, 40));
    band->setChannelFillGraph(bandTop);

    QCPGraph *nominal = plot.addGraph();
    nominal->setData({0.0, double(ChartBenchData::kPoints + 1)}, {ChartBenchData::kNominal, ChartBenchData::kNominal});
    nominal->setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));

    QCPGraph *values = plot.addGraph();
    values->setData(QVector<double>(data.x.begin(), data.x.end()), QVector<double>(data.y.begin(), data.y.end()), true);
    if (state.range(0) != 0)
        values->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));

    QCPGraph *rejects = plot.addGraph();
    rejects->setData(QVector<double>(data.rejectX.begin(), data.rejectX.end()),
                     QVector<double>(data.rejectY.begin(), data.rejectY.end()), true);
    rejects->setLineStyle(QCPGraph::lsNone);
    rejects->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, Qt::red, Qt::red, 4));

    plot.rescaleAxes();
    plot.show();
    QApplication::processEvents();
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    double shift = 0;
    for (auto _ : state) {
        shift = shift > 50 ? 0 : shift + 1;
        plot.xAxis->setRange(shift, ChartBenchData::kPoints + shift);
        plot.replot(QCustomPlot::rpImmediateRefresh);
        QPainter painter(&image);
        plot.render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = ChartBenchData::kPoints;
}
BENCHMARK(BM_QCustomPlotRepaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
