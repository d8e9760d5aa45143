// The batch views on the window: readings from a pseudo-terminal playing the
// meter become log rows, and the statistics and chart windows opened from the
// log's context menu or its shortcuts follow them.

#include "app/form1.h"
#include "dongle_rig.h"
#include "file_dialog_answer.h"

#include "link/com_port.h"
#include "log/batch_controller.h"
#include "log/log_context_menu.h"
#include "log/log_table_model.h"
#include "log/statistics_window.h"
#include "log/trend_chart_window.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"
#include "protocol/frame_encoder.h"

#include <QAction>
#include <QApplication>
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
// writes a row while recording is stopped.
QByteArray capacitorFrame(double farads)
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
    return protocol::encodeRlcFrame(s, 0.5, reactance, false).toByteArray();
}

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

private:
    // The window, shown, with the dongle's port open.
    void startForm(const QString &languageFolder = QString());
    void deliver(const QByteArray &bytes);
    // C, 100 nF, 5 % in the line editor.
    void setTolerance();

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
    QCOMPARE(items, QStringList({"Statistics|Ctrl+Shift+S", "Trend chart|Ctrl+Shift+G",
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
}

void TestForm1Batch::rightClickInMultiPartModeAppliesNoLine()
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

QTEST_MAIN(TestForm1Batch)
#include "tst_form1_batch.moc"
