// The batch views over a log of readings: the statistics and chart windows
// follow rows as they are written, the CSV holds every row, and the right
// mouse button on the table only opens the menu.

#include "log/batch_controller.h"
#include "log/log_context_menu.h"
#include "log/statistics_window.h"
#include "log/trend_chart_window.h"

#include "i18n/window_lexicons.h"

#include <QAction>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <qcustomplot.h>

namespace {

LoggedReading capacitor(double farads, bool pass)
{
    LoggedReading r;
    r.time = QDateTime::currentDateTime();
    r.settings.primaryCode = 2;
    r.settings.secondaryCode = 3;
    r.reading.frequencyHz = 1000;
    r.quantities.capacitance = farads;
    r.quantities.dissipation = 0.001;
    r.judged = true;
    r.judgeResult = pass ? 0 : 1;
    return r;
}

// A window with a 10-column table and the readings behind its rows.
struct Rig
{
    QWidget window;
    QTableView *SG = new QTableView(&window);
    QStandardItemModel model{15, 10};
    QList<std::optional<LoggedReading>> readings = QList<std::optional<LoggedReading>>(15);
    i18n::WindowLexicons lexicons;
    BatchController batch{SG,
                          &window,
                          lexicons,
                          [this](int row) { return row < readings.size() && readings[row] ? &*readings[row] : nullptr; },
                          [this] { return int(readings.size()); }};

    Rig()
    {
        SG->setModel(&model);
        SG->setGeometry(0, 0, 600, 400);
        window.resize(620, 420);
        batch.setTolerances([] {
            BatchTolerances t;
            t.primary = BatchLimit{protocol::RlcParameter::Capacitance, 100e-9, BatchLimit::Kind::Percent, 5.0};
            return t;
        });
    }

    void write(int row, const LoggedReading &reading)
    {
        if (row >= readings.size())
            readings.resize(row + 1);
        readings[row] = reading;
        batch.rowWritten(row);
    }
};

} // namespace

class TestBatchWindows : public QObject
{
    Q_OBJECT

private slots:
    void statisticsFollowRows();
    void chartHoldsOnePointPerRow();
    void csvHoldsEveryRow();
    void rightButtonOnlyOpensTheMenu();
};

void TestBatchWindows::statisticsFollowRows()
{
    Rig rig;
    rig.window.show();
    rig.batch.contextMenu()->statisticsAction()->trigger();
    StatisticsWindow *stats = rig.batch.statisticsWindow();
    QVERIFY(stats && stats->isVisible());
    QVERIFY(!stats->isModal());
    QCOMPARE(stats->countText("rows"), "0");

    rig.write(0, capacitor(100e-9, true));
    rig.write(1, capacitor(101e-9, true));
    rig.write(2, capacitor(99e-9, true));
    rig.write(3, capacitor(120e-9, false));
    QTRY_COMPARE(stats->countText("rows"), "4");
    QCOMPARE(stats->countText("passed"), "3");
    QCOMPARE(stats->countText("rejected"), "1");
    QCOMPARE(stats->countText("yield"), "75.0 %");
    // Mean 105 nF as the display shows it; the nominal of the tolerance beside it.
    QCOMPARE(stats->figures()->item(1, 0)->text(), "105.00 нФ");
    QCOMPARE(stats->figures()->item(5, 0)->text(), "100.00 нФ");

    // A row written again (the start position set back) is counted once.
    rig.write(3, capacitor(100e-9, true));
    QTRY_COMPARE(stats->countText("passed"), "4");
    QCOMPARE(stats->countText("rows"), "4");
    QCOMPARE(stats->countText("yield"), "100.0 %");
}

void TestBatchWindows::chartHoldsOnePointPerRow()
{
    Rig rig;
    rig.window.show();
    for (int row = 0; row < 5; ++row)
        rig.write(row, capacitor(100e-9 + row * 1e-9, row != 2));
    rig.batch.contextMenu()->chartAction()->trigger();
    TrendChartWindow *chart = rig.batch.chartWindow();
    QVERIFY(chart && chart->isVisible());
    QCOMPARE(chart->pointCount(), 5);
    QCOMPARE(chart->rejectedCount(), 1);

    for (int row = 5; row < 40; ++row)
        rig.write(row, capacitor(100e-9, row % 10 != 0));
    QCOMPARE(chart->pointCount(), 40);
    QCOMPARE(chart->rejectedCount(), 4);
    // Plotted in nF around the nominal, with the y range taking in the band.
    QTRY_VERIFY(chart->plot()->yAxis->range().contains(95.0));
    QVERIFY(chart->plot()->yAxis->range().contains(105.3));

    // An overwritten row draws anew: still one point per row.
    rig.write(2, capacitor(100e-9, true));
    QTRY_COMPARE(chart->rejectedCount(), 3);
    QCOMPARE(chart->pointCount(), 40);

    chart->setXAxis(TrendChartWindow::XAxis::Time);
    QCOMPARE(chart->pointCount(), 40);

    QTemporaryDir dir;
    const QString png = dir.filePath("chart.png");
    QVERIFY(chart->savePng(png));
    QImage image(png);
    QVERIFY(!image.isNull());
}

void TestBatchWindows::csvHoldsEveryRow()
{
    Rig rig;
    rig.write(0, capacitor(100e-9, true));
    rig.write(4, capacitor(101e-9, false)); // rows 2..4 of the log stay empty
    QTemporaryDir dir;
    const QString path = dir.filePath("batch.csv");
    rig.batch.setFileNameAsker([&](QWidget *, const QString &, const QString &filter, const QString &suffix) {
        return filter.contains("*.csv") && suffix == "csv" ? path : QString();
    });
    rig.batch.contextMenu()->csvAction()->trigger();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].split(',').at(1) == "1");
    QVERIFY(lines[2].split(',').at(1) == "5"); // the number the log shows
    QCOMPARE(lines[2].split(',').at(14), "reject");

    QSignalSpy failed(&rig.batch, &BatchController::failed);
    rig.batch.setFileNameAsker([&](QWidget *, const QString &, const QString &, const QString &) {
        return dir.filePath("missing/batch.csv");
    });
    rig.batch.saveCsv();
    QCOMPARE(failed.size(), 1);
}

void TestBatchWindows::rightButtonOnlyOpensTheMenu()
{
    Rig rig;
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    rig.SG->setCurrentIndex(rig.model.index(1, 1));
    QSignalSpy pressed(rig.SG, &QTableView::pressed);
    QSignalSpy clicked(rig.SG, &QTableView::clicked);

    const QPoint cell = rig.SG->visualRect(rig.model.index(5, 2)).center();
    QTest::mouseClick(rig.SG->viewport(), Qt::RightButton, {}, cell);
    QMenu *menu = rig.batch.contextMenu()->menu();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(rig.SG->currentIndex(), rig.model.index(1, 1));
    QCOMPARE(pressed.size(), 0);
    QCOMPARE(clicked.size(), 0);
    // The shortcuts are shown beside the items.
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            QVERIFY(!action->shortcut().isEmpty());
    }
    menu->close();

    // The left button still works as before.
    QTest::mouseClick(rig.SG->viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(rig.SG->currentIndex(), rig.model.index(5, 2));

    // The shortcut opens the statistics without the menu.
    QTest::keyClick(&rig.window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(rig.batch.statisticsWindow() && rig.batch.statisticsWindow()->isVisible());
}

QTEST_MAIN(TestBatchWindows)
#include "tst_batch_windows.moc"
