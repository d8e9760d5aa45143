// The batch views over a log of readings: the statistics and chart windows
// follow rows as they are written, the CSV holds every row, and the right
// mouse button on the table only opens the menu.

#include "batch/batch_controller.h"
#include "batch/log_context_menu.h"
#include "batch/statistics_window.h"
#include "batch/trend_chart_window.h"

#include "i18n/window_lexicons.h"

#include "file_bytes.h"
#include "file_size_limit.h"

#include <QAction>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QTableWidget>
#include <QtTest>

#include <qcustomplot.h>

#include <cerrno>
#include <cstring>

namespace {

reading::Reading capacitor(double farads, bool pass)
{
    reading::Reading r;
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
    QList<std::optional<reading::Reading>> readings = QList<std::optional<reading::Reading>>(15);
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

    void write(int row, const reading::Reading &reading)
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
    void aFailedSaveKeepsTheOldFile_data();
    void aFailedSaveKeepsTheOldFile();
    void windowsOpenBesideTheMainWindow();
    void smallFiguresKeepFourDigits();
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

void TestBatchWindows::aFailedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("CSV") << "csv";
    QTest::newRow("PNG") << "png";
}

// A disk that fills up while the file is written: the user's old file stays
// byte for byte, the temporary file goes, and the message names the file
// and the system's reason.
void TestBatchWindows::aFailedSaveKeepsTheOldFile()
{
    QFETCH(QString, kind);
    Rig rig;
    rig.window.show();
    for (int row = 0; row < 5; ++row)
        rig.write(row, capacitor(100e-9 + row * 1e-9, true));
    rig.batch.contextMenu()->chartAction()->trigger();

    QTemporaryDir dir;
    const QString path = dir.filePath("old." + kind);
    const QByteArray old = "the user's old file\n";
    QVERIFY(writeAll(path, old));
    QWidget *dialogParent = nullptr;
    rig.batch.setFileNameAsker([&](QWidget *parent, const QString &, const QString &, const QString &) {
        dialogParent = parent;
        return path;
    });
    QSignalSpy failed(&rig.batch, &BatchController::failed);
    {
        const FileSizeLimit full(64);
        QVERIFY(full.active());
        if (kind == "csv")
            rig.batch.saveCsv();
        else
            rig.batch.saveChartPng();
    }
    QCOMPARE(failed.size(), 1);
    const QString text = failed.at(0).at(1).toString();
    QVERIFY2(text.contains("old." + kind) && text.contains(QString::fromLocal8Bit(strerror(EFBIG))), qPrintable(text));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old." + kind});
    // The chart's dialog belongs to the chart, which so stays in front.
    QCOMPARE(dialogParent, kind == "csv" ? &rig.window : static_cast<QWidget *>(rig.batch.chartWindow()));

    // With room on the disk the same save replaces the file.
    if (kind == "csv")
        rig.batch.saveCsv();
    else
        rig.batch.saveChartPng();
    QCOMPARE(failed.size(), 1);
    QVERIFY(readAll(path) != old);
}

void TestBatchWindows::windowsOpenBesideTheMainWindow()
{
    Rig rig;
    rig.window.resize(300, 200);
    rig.window.move(0, 0);
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    rig.batch.contextMenu()->statisticsAction()->trigger();
    rig.batch.contextMenu()->chartAction()->trigger();
    const QRect main = rig.window.frameGeometry();
    const QRect room = rig.window.screen()->availableGeometry();
    StatisticsWindow *stats = rig.batch.statisticsWindow();
    QTRY_VERIFY(stats->isVisible());
    QVERIFY2(!stats->frameGeometry().intersects(main), qPrintable(QString("%1,%2").arg(stats->x()).arg(stats->y())));
    QVERIFY(room.contains(stats->frameGeometry()));
    QCOMPARE(stats->x(), main.right() + 1);
    // Beside both where the screen has room (a large screen), else where the window manager puts it.
    const QRect chart = rig.batch.chartWindow()->frameGeometry();
    if (room.width() >= 1600 && room.height() >= 900) {
        QVERIFY(!chart.intersects(main) && !chart.intersects(stats->frameGeometry()));
        QVERIFY(room.contains(chart));
    }

    if (const QString folder = qEnvironmentVariable("VORLANT_PICTURES"); !folder.isEmpty()) {
        // The screen as the three windows cover it.
        QImage screen(room.size(), QImage::Format_RGB32);
        screen.fill(Qt::darkGray);
        QPainter painter(&screen);
        for (QWidget *w : {static_cast<QWidget *>(rig.batch.chartWindow()), static_cast<QWidget *>(stats), &rig.window})
            painter.drawPixmap(w->geometry().topLeft() - room.topLeft(), w->grab());
        painter.end();
        screen.save(folder + "/placement.png");
    }
}

void TestBatchWindows::smallFiguresKeepFourDigits()
{
    Rig rig;
    rig.window.show();
    rig.batch.contextMenu()->statisticsAction()->trigger();
    // Low-loss capacitors: D about 0.0003, spread 0.00002.
    for (int row = 0; row < 4; ++row) {
        reading::Reading r = capacitor(100e-9, true);
        r.quantities.dissipation = 0.0003 + (row % 2 ? 2e-5 : -2e-5);
        rig.write(row, r);
    }
    StatisticsWindow *stats = rig.batch.statisticsWindow();
    QTRY_COMPARE(stats->countText("rows"), "4");
    QTableWidget *figures = stats->figures();
    QCOMPARE(figures->columnCount(), 2);
    QCOMPARE(figures->item(1, 1)->text(), "0.0003000");
    QCOMPARE(figures->item(2, 1)->text(), "0.00002309");
    QVERIFY(figures->verticalHeaderItem(2)->text().contains("n−1"));

    // Four groups: no header is cut.
    for (int row = 4; row < 8; ++row) {
        reading::Reading r = capacitor(100e-9, true);
        r.settings.primaryCode = 4;   // Z
        r.settings.secondaryCode = 2; // Q
        r.quantities.impedance = 1591.5 + row * 0.1;
        r.quantities.quality = 3000 + row;
        rig.write(row, r);
    }
    QTRY_COMPARE(figures->columnCount(), 4);
    QHeaderView *header = figures->horizontalHeader();
    const QFontMetrics metrics(header->font());
    for (int column = 0; column < 4; ++column) {
        for (const QString &line : figures->horizontalHeaderItem(column)->text().split('\n'))
            QTRY_VERIFY2(header->sectionSize(column) > metrics.horizontalAdvance(line),
                         qPrintable(QString("%1: %2 <= %3 (window %4)").arg(line).arg(header->sectionSize(column))
                                        .arg(metrics.horizontalAdvance(line)).arg(stats->width())));
    }
    // A picture to look at, when asked for.
    if (const QString folder = qEnvironmentVariable("VORLANT_PICTURES"); !folder.isEmpty())
        stats->grab().save(folder + "/statistics.png");
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
