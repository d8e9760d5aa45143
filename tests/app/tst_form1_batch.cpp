// The batch views on the window: readings from a pseudo-terminal playing the
// meter become log rows, and the statistics, chart and Sorting windows opened
// from the log's context menu or its shortcuts follow them. The program's
// settings (the last sorting plan) go to a private XDG_CONFIG_HOME.

#include "app/form1.h"
#include "app/scpi_front.h"
#include "dongle_rig.h"
#include "file_bytes.h"
#include "file_dialog_answer.h"

#include "link/com_port.h"
#include "batch/batch_controller.h"
#include "sorting/bin_plan_editor.h"
#include "batch/log_context_menu.h"
#include "log/log_table_model.h"
#include "sorting/sorting_controller.h"
#include "sorting/sorting_window.h"
#include "batch/statistics_window.h"
#include "batch/trend_chart_window.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"
#include "sorting/bin_plan_file.h"
#include "protocol/frame_encoder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QFileDialog>
#include <QTimer>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <future>
#include <memory>
#include <numbers>

using namespace std::chrono_literals;

namespace {

// A capacitor read at 1 kHz, held by the meter (capture), so that each frame
// writes a row while recording is stopped; `resistance` sets its D (R / X).
QByteArray capacitorFrame(double farads, double resistance = 0.5)
{
    protocol::MeterSettings s;
    s.freqAuto = 0;
    s.freqCode = 3; // 1 kHz
    s.primaryAuto = 0;
    s.primaryCode = 2;
    s.secondaryCode = 3;
    s.seriesCircuit = 1;
    s.capture = 1;
    const double reactance = -1.0 / (2.0 * std::numbers::pi * 1000.0 * farads);
    return protocol::encodeRlcFrame(s, resistance, reactance, false).toByteArray();
}

const QByteArray kGrades = R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": 100,
    "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}],
    "secondary": {"parameter": "D", "max": 0.01}})";

} // namespace

class TestForm1Batch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsUpdateTheStatistics();
    void chartHoldsOnePointPerRow();
    void englishTexts();
    void rightClickInMultiPartModeAppliesNoLine();
    void sortedReadingsShowTheirBinAndTally();
    void refusedPlanKeepsTheOldOne();
    void sortingNominalFollowsTheAppliedLine();

private:
    // The window, shown, with the dongle's port open.
    void startForm(const QString &languageFolder = QString());
    // Besides: the three-line profile in multi-part mode at line 1, and the link up.
    void startMultiPart();
    void deliver(const QByteArray &bytes);
    // C, 100 nF, 5 % in the line editor.
    void setTolerance();
    // The Sorting window, opened by its shortcut; null when it did not appear.
    SortingWindow *openSorting();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Batch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorlant"), QStringLiteral("vorlant")).clear();
}

void TestForm1Batch::startForm(const QString &languageFolder)
{
    Form1Options options;
    options.settingsFolder = m_dir->filePath(QStringLiteral("RLC_Data"));
    options.languageFolder = languageFolder;
    m_form = std::make_unique<TForm1>(options);
    m_rig->countReads(*m_form);
    std::future<QByteArray> peer = m_rig->answerAttention({"OK", "OK"});
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTRY_VERIFY(peer.wait_for(0s) == std::future_status::ready);
    QVERIFY(m_form->portReady);
}

void TestForm1Batch::startMultiPart()
{
    startForm();
    TForm1 &f = *m_form;
    const QString path = m_dir->filePath(QStringLiteral("three.hex1"));
    QVERIFY(QFile::copy(qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/tests/profiles/golden/three_lines.hex1"),
                        path));
    answerFileDialog(path);
    f.SB2->click();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.CBox10->setFocus();
    QTest::keyClick(f.CBox10, Qt::Key_Down);
    QCOMPARE(f.CBox10->currentIndex(), 1);
    QCOMPARE(f.logModel->rowCount(), 3);
    QCOMPARE(f.SE2->value(), 1);
    // With the link up, applying a line sends its settings to the meter.
    f.B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    deliver("OK+CONN\r\n");
    QVERIFY(f.meterConnected);
}

void TestForm1Batch::cleanup()
{
    m_form.reset();
    m_rig.reset();
    m_dir.reset();
}

void TestForm1Batch::deliver(const QByteArray &bytes)
{
    const int before = m_rig->reads();
    QVERIFY(m_rig->send(bytes));
    QTRY_COMPARE(m_rig->reads(), before + 1);
}

void TestForm1Batch::setTolerance()
{
    TForm1 &f = *m_form;
    f.CBox2->setCurrentIndex(2); // C
    f.CBox4->setCurrentIndex(1); // nF
    f.E2->setText(QStringLiteral("100"));
    f.CBox5->setCurrentIndex(f.CBox5->findText(QStringLiteral("5%")));
    QVERIFY(f.CBox5->currentIndex() > 0);
}

void TestForm1Batch::rowsUpdateTheStatistics()
{
    startForm();
    TForm1 &f = *m_form;
    setTolerance();
    // The shortcut works from the window, without the menu.
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    StatisticsWindow *stats = f.batchViews->statisticsWindow();
    QVERIFY(stats);
    QTRY_VERIFY(stats->isVisible());
    QCOMPARE(stats->countText("rows"), "0");

    deliver(capacitorFrame(100e-9));
    QTRY_COMPARE(stats->countText("rows"), "1");
    deliver(capacitorFrame(102e-9));
    deliver(capacitorFrame(98e-9));
    deliver(capacitorFrame(120e-9)); // 16.7 % off
    QTRY_COMPARE(stats->countText("rows"), "4");
    QCOMPARE(f.logModel->cell(3, 7), QStringLiteral("+"));
    // The SCPI front holds the same reading as the log's row.
    const std::optional<reading::Reading> &latest = f.scpiFront->meter().latestReading();
    QVERIFY(latest);
    QCOMPARE(latest->verdictCode(), 1);
    QCOMPARE(latest->primaryDeviation, f.logModel->reading(3)->primaryDeviation);
    QCOMPARE(stats->countText("passed"), "3");
    QCOMPARE(stats->countText("rejected"), "1");
    QCOMPARE(stats->countText("yield"), "75.0 %");
    QCOMPARE(stats->figures()->item(5, 0)->text(), "100.00 нФ"); // the nominal

    // "Очистка" empties the log and the figures with it.
    f.B5->click();
    QTRY_COMPARE(stats->countText("rows"), "0");
}

void TestForm1Batch::chartHoldsOnePointPerRow()
{
    startForm();
    TForm1 &f = *m_form;
    setTolerance();
    f.batchViews->contextMenu()->chartAction()->trigger();
    TrendChartWindow *chart = f.batchViews->chartWindow();
    QVERIFY(chart && chart->isVisible());
    for (int i = 0; i < 7; ++i)
        deliver(capacitorFrame(100e-9 * (1.0 + 0.02 * (i - 3))));
    int rows = 0;
    for (int row = 0; row < f.logModel->rowCount(); ++row)
        rows += f.logModel->reading(row) ? 1 : 0;
    QCOMPARE(rows, 7);
    QTRY_COMPARE(chart->pointCount(), rows);
}

void TestForm1Batch::englishTexts()
{
    // The English file the program ships.
    startForm(qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/lang"));
    TForm1 &f = *m_form;
    QCOMPARE(f.lexicons.D2.GetItem(2), QStringLiteral("Time")); // the window is in English

    // The menu, opened by the right button, in English with its shortcuts.
    QTest::mouseClick(f.SG->viewport(), Qt::RightButton, {}, QPoint(40, 40));
    QMenu *menu = f.batchViews->contextMenu()->menu();
    QTRY_VERIFY(menu->isVisible());
    QStringList items;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            items.append(action->text() + QLatin1Char('|') + action->shortcut().toString());
    }
    QCOMPARE(items, QStringList({"Statistics|Ctrl+Shift+S", "Trend chart|Ctrl+Shift+G", "Sorting|Ctrl+Shift+B",
                                 "Save as CSV...|Ctrl+Shift+E"}));
    menu->close();

    f.batchViews->showStatistics();
    StatisticsWindow *stats = f.batchViews->statisticsWindow();
    QCOMPARE(stats->windowTitle(), QStringLiteral("Statistics"));
    deliver(capacitorFrame(47e-9));
    QTRY_COMPARE(stats->countText("rows"), "1");
    QCOMPARE(stats->figures()->horizontalHeaderItem(0)->text(), QStringLiteral("Primary\nC"));
    QCOMPARE(stats->figures()->verticalHeaderItem(2)->text(), QStringLiteral("Std. dev. σ (n−1)"));
    QCOMPARE(stats->figures()->verticalHeaderItem(1)->text(), QStringLiteral("Mean"));
    QCOMPARE(stats->figures()->item(1, 0)->text(), QStringLiteral("47.000 nF"));

    // The Sorting window's texts come from its lexicon in the same file.
    f.sorting->showWindow();
    QCOMPARE(f.sorting->window()->windowTitle(), QStringLiteral("Sorting"));
    QCOMPARE(f.sorting->window()->binText(), QStringLiteral("No plan"));
}

void TestForm1Batch::rightClickInMultiPartModeAppliesNoLine()
{
    startMultiPart();
    if (QTest::currentTestFailed())
        return;
    TForm1 &f = *m_form;
    f.T4->stop(); // the settings sent a second after link-up are not this test's
    m_rig->written();

    // The left button on line 2 applies it: the navigator moves and its settings go to the meter.
    const QPoint line2 = f.SG->visualRect(f.logModel->index(1, 1)).center();
    QTest::mouseClick(f.SG->viewport(), Qt::LeftButton, {}, line2);
    QCOMPARE(f.SE2->value(), 2);
    QCOMPARE(m_rig->readUntil(QByteArray(1, '\n')).size(), 5);
    const QModelIndex current = f.SG->currentIndex();

    // The right button on line 3 opens the menu and nothing else.
    const QPoint line3 = f.SG->visualRect(f.logModel->index(2, 1)).center();
    QTest::mouseClick(f.SG->viewport(), Qt::RightButton, {}, line3);
    QMenu *menu = f.batchViews->contextMenu()->menu();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(f.SE2->value(), 2);
    QCOMPARE(f.SG->currentIndex(), current);
    QCOMPARE(m_rig->readUntil("never", 300), QByteArray());
    menu->close();
}

SortingWindow *TestForm1Batch::openSorting()
{
    // The shortcut works from the window, without the menu.
    QTest::keyClick(m_form.get(), Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
    SortingWindow *window = m_form->sorting->window();
    // Shown at once: the window appears within this call.
    return window && window->isVisible() ? window : nullptr;
}

void TestForm1Batch::sortedReadingsShowTheirBinAndTally()
{
    // The plan of the last run is opened again with the window.
    const QString planPath = m_dir->filePath(QStringLiteral("grades.json"));
    QVERIFY(writeAll(planPath, kGrades));
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorlant"), QStringLiteral("vorlant"))
        .setValue(QStringLiteral("sorting/lastPlan"), planPath);
    startForm();
    TForm1 &f = *m_form;
    SortingWindow *window = openSorting();
    QVERIFY(window);
    QVERIFY(f.sorting->active());
    QCOMPARE(window->binText(), QStringLiteral("Нет плана")); // no reading yet

    struct Step
    {
        double farads;
        double resistance;
        const char *bin;
        QColor colour;
    };
    const Step steps[] = {
        {100.5e-9, 0.5, "BIN1", SortingWindow::colourOf(1)},
        {101.5e-9, 0.5, "BIN2", SortingWindow::colourOf(1)},
        {96e-9, 0.5, "BIN3", SortingWindow::colourOf(1)},
        {100e-9, 40.0, "AUX", SortingWindow::colourOf(profiles::BinResult::kAux)}, // D about 0.025
        {120e-9, 0.5, "OUT", SortingWindow::colourOf(profiles::BinResult::kOut)},
        {100.2e-9, 0.5, "BIN1", SortingWindow::colourOf(1)},
    };
    for (const Step &step : steps) {
        deliver(capacitorFrame(step.farads, step.resistance));
        QCOMPARE(window->binText(), QString::fromLatin1(step.bin));
        QCOMPARE(window->binColour(), step.colour);
    }
    QCOMPARE(SortingWindow::colourOf(1), QColor(0x1b, 0x8a, 0x2f));
    QCOMPARE(SortingWindow::colourOf(profiles::BinResult::kOut), QColor(0xc6, 0x28, 0x28));
    const profiles::BinTally &tally = f.sorting->tally();
    QCOMPARE(tally.total(), 6);
    QCOMPARE(tally.count(1), 2);
    QCOMPARE(tally.count(2), 1);
    QCOMPARE(tally.count(3), 1);
    QCOMPARE(tally.count(profiles::BinResult::kAux), 1);
    QCOMPARE(tally.count(profiles::BinResult::kOut), 1);
    QTRY_COMPARE(window->findChild<QLabel *>(QStringLiteral("tallyTotal"))->text(), QStringLiteral("Показаний: 6"));

    // The statistics window shows the same tally.
    f.batchViews->showStatistics();
    QTRY_COMPARE(f.batchViews->statisticsWindow()->countText(QStringLiteral("bins")),
                 QStringLiteral("BIN1 2 (33.3 %), BIN2 1 (16.7 %), BIN3 1 (16.7 %), AUX 1 (16.7 %), OUT 1 (16.7 %)"));

    // Each row keeps its bin in the CSV.
    const QString csvPath = m_dir->filePath(QStringLiteral("rows.csv"));
    QString error;
    QVERIFY2(f.batchViews->saveCsvTo(csvPath, &error), qPrintable(error));
    QList<QByteArray> lines = readAll(csvPath).split('\n');
    QVERIFY(lines.first().trimmed().endsWith(",bin"));
    QStringList bins;
    for (const QByteArray &line : lines.mid(1))
        if (!line.trimmed().isEmpty())
            bins << QString::fromLatin1(line.trimmed().split(',').last());
    QCOMPARE(bins, QStringList({"BIN1", "BIN2", "BIN3", "AUX", "OUT", "BIN1"}));

    // Reset empties the tally, not the log.
    window->findChild<QPushButton *>(QStringLiteral("resetTally"))->click();
    QCOMPARE(f.sorting->tally().total(), 0);
    QTRY_COMPARE(window->findChild<QLabel *>(QStringLiteral("tallyTotal"))->text(), QStringLiteral("Показаний: 0"));
    QTRY_COMPARE(f.batchViews->statisticsWindow()->countText(QStringLiteral("rows")), QStringLiteral("6"));

    // Saving under another name makes that the plan remembered.
    const QString copy = m_dir->filePath(QStringLiteral("copy.json"));
    QVERIFY(f.sorting->savePlan(copy));
    QCOMPARE(SortingController::lastPlanPath(), copy);
    profiles::BinPlanProblem problem;
    QCOMPARE(profiles::readBinPlanFile(copy, &problem), profiles::parseBinPlan(kGrades, nullptr));
}

void TestForm1Batch::refusedPlanKeepsTheOldOne()
{
    startForm();
    TForm1 &f = *m_form;
    SortingWindow *window = openSorting();
    QVERIFY(window);
    QVERIFY(!f.sorting->active());
    // Without a plan rows have no bin.
    deliver(capacitorFrame(100e-9));
    QCOMPARE(window->binText(), QStringLiteral("Нет плана"));

    BinPlanEditor *editor = window->editor();
    editor->setPlan(*profiles::parseBinPlan(kGrades, nullptr));
    window->applyButton()->click();
    QVERIFY(f.sorting->active());
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("planProblem"))->text(), QString());

    // BIN2 narrower than BIN1: refused, named, and the plan in use stays.
    editor->lowerEdit(1)->setText(QStringLiteral("-0.5"));
    window->applyButton()->click();
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("planProblem"))->text(),
             QStringLiteral("План нельзя использовать: bins[2]: a nested bin must hold the bin before it and be wider"));
    QCOMPARE(f.sorting->plan().bins.at(1).lower, -2.0);
    deliver(capacitorFrame(101.5e-9));
    QCOMPARE(window->binText(), QStringLiteral("BIN2"));

    const QString csvPath = m_dir->filePath(QStringLiteral("rows.csv"));
    QVERIFY(f.batchViews->saveCsvTo(csvPath));
    const QList<QByteArray> lines = readAll(csvPath).trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(1).trimmed().endsWith(",")); // written before the plan: an empty bin cell
    QVERIFY(lines.at(2).trimmed().endsWith(",BIN2"));
}

void TestForm1Batch::sortingNominalFollowsTheAppliedLine()
{
    // Line 1 measures R (100 kOhm), line 2 C (100 nF).
    startMultiPart();
    if (QTest::currentTestFailed())
        return;
    TForm1 &f = *m_form;

    SortingWindow *window = openSorting();
    QVERIFY(window);
    profiles::BinPlan plan = *profiles::parseBinPlan(kGrades, nullptr);
    plan.nominalFromLine = true;
    plan.secondary.reset();
    QVERIFY(f.sorting->applyPlan(plan));

    // Line 1 names a resistor: a capacitor has no nominal value there. Frames
    // are held until the line's settings went out a second after link-up.
    QTRY_COMPARE_WITH_TIMEOUT(f.frameHold.holdFrames(), 0, 10000);
    deliver(capacitorFrame(100.5e-9));
    QCOMPARE(window->binText(), QStringLiteral("OUT"));

    // Line 2 applied: its 100 nF is the nominal value.
    QApplication::setActiveWindow(&f);
    QTest::mouseClick(f.SG->viewport(), Qt::LeftButton, {}, f.SG->visualRect(f.logModel->index(1, 1)).center());
    QCOMPARE(f.SE2->value(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(f.frameHold.holdFrames(), 0, 10000);
    deliver(capacitorFrame(100.5e-9));
    QCOMPARE(window->binText(), QStringLiteral("BIN1"));
    deliver(capacitorFrame(103e-9));
    QCOMPARE(window->binText(), QStringLiteral("BIN3"));
}

int main(int argc, char **argv)
{
    // The program's settings go to a folder of this test, never the user's.
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    TestForm1Batch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1_batch.moc"
