#include "log/log_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestLogTableModel : public QObject
{
    Q_OBJECT

private slots:
    void survivesModelTesterThroughEveryOperation();
    void rowsGrowAndShrinkWithNotifications_data();
    void rowsGrowAndShrinkWithNotifications();
    void cellsOutsideTheTableAreRefused();
    void appendRowPadsAndTruncates();
    void growthStopsAtTheRowLimit();
    void clearingKeepsHeaders();
    void writeRowKeepsTheReadingBesideItsTexts();
    void cellMarks_data();
    void cellMarks();
    void latestVerdictRepaintsOnlyTheDeviationCells();
};

namespace {

reading::Reading readingOf(double r, int judgeResult)
{
    reading::Reading reading;
    reading.time = QDateTime(QDate(2021, 3, 5), QTime(14, 7, 9, 250));
    reading.reading.seriesResistance = r;
    reading.judged = true;
    reading.judgeResult = judgeResult;
    reading.primaryDeviation = 1.5;
    return reading;
}

LogTableModel::Cells cells(std::initializer_list<std::pair<int, QString>> texts)
{
    LogTableModel::Cells out;
    for (const auto &[column, text] : texts)
        out[column] = text;
    return out;
}

} // namespace

void TestLogTableModel::survivesModelTesterThroughEveryOperation()
{
    LogTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    model.setRowCount(15);
    model.setHeaderText(0, QStringLiteral("Позиция"));
    QVERIFY(model.setCell(2, 9, QStringLiteral("1.50")));
    QVERIFY(model.appendRow({QStringLiteral("16"), QStringLiteral("05.03.21 14:07:09")}));
    model.setRowCount(41);
    model.clearCells();
    model.setRowCount(3);
    model.clear();
    model.appendRow();
    model.appendRow();
    QVERIFY(model.writeRow(1, cells({{0, "2"}, {7, "+"}}), readingOf(10.0, 1)));
    model.setLatestJudgeResult(3);
    model.setMarks(QStringLiteral("x"), QStringLiteral("o"));
    model.data(model.index(1, 8), LogTableModel::CellMarkRole);
    model.setRowCount(1);

    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), LogTableModel::kColumns);
    // A table model has no children anywhere.
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(model.columnCount(model.index(0, 0)), 0);
}

void TestLogTableModel::rowsGrowAndShrinkWithNotifications_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("inserted");
    QTest::addColumn<int>("removed");

    QTest::newRow("reset size from empty") << 0 << 15 << 1 << 0;
    QTest::newRow("grow to a far position") << 15 << 40 << 1 << 0;
    QTest::newRow("same size") << 15 << 15 << 0 << 0;
    QTest::newRow("shrink") << 40 << 15 << 0 << 1;
    QTest::newRow("negative clamps to empty") << 5 << -3 << 0 << 1;
}

void TestLogTableModel::rowsGrowAndShrinkWithNotifications()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, inserted);
    QFETCH(int, removed);

    LogTableModel model;
    model.setRowCount(from);
    model.setCell(from - 1, 0, QStringLiteral("kept"));
    QSignalSpy insertedSpy(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removedSpy(&model, &QAbstractItemModel::rowsRemoved);

    model.setRowCount(to);

    QCOMPARE(model.rowCount(), std::max(to, 0));
    QCOMPARE(insertedSpy.count(), inserted);
    QCOMPARE(removedSpy.count(), removed);
    if (inserted) {
        QCOMPARE(insertedSpy.at(0).at(1).toInt(), from);
        QCOMPARE(insertedSpy.at(0).at(2).toInt(), to - 1);
        // Growing leaves the rows already there as they were.
        if (from > 0)
            QCOMPARE(model.cell(from - 1, 0), QStringLiteral("kept"));
        QCOMPARE(model.cell(to - 1, 0), QString());
    }
}

void TestLogTableModel::cellsOutsideTheTableAreRefused()
{
    LogTableModel model;
    model.setRowCount(2);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    QVERIFY(!model.setCell(2, 0, QStringLiteral("x")));
    QVERIFY(!model.setCell(-1, 0, QStringLiteral("x")));
    QVERIFY(!model.setCell(0, LogTableModel::kColumns, QStringLiteral("x")));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(model.cell(5, 5), QString());

    QVERIFY(model.setCell(1, 6, QStringLiteral("1.0 Вскз")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 6));
    QCOMPARE(model.data(model.index(1, 6)).toString(), QStringLiteral("1.0 Вскз"));
    // Writing the same text again changes nothing the view must repaint.
    QVERIFY(model.setCell(1, 6, QStringLiteral("1.0 Вскз")));
    QCOMPARE(changed.count(), 1);
}

void TestLogTableModel::appendRowPadsAndTruncates()
{
    LogTableModel model;
    QStringList eleven;
    for (int i = 0; i < 11; ++i)
        eleven << QString::number(i);

    QVERIFY(model.appendRow({QStringLiteral("1")}));
    QVERIFY(model.appendRow(eleven));

    QCOMPARE(model.cell(0, 0), QStringLiteral("1"));
    QCOMPARE(model.cell(0, 1), QString());
    QCOMPARE(model.cell(1, 9), QStringLiteral("9"));
    QCOMPARE(model.cell(1, 10), QString());
}

void TestLogTableModel::growthStopsAtTheRowLimit()
{
    LogTableModel model;
    model.setRowCount(LogTableModel::kMaxRows + 5);
    QCOMPARE(model.rowCount(), LogTableModel::kMaxRows);

    QSignalSpy insertedSpy(&model, &QAbstractItemModel::rowsInserted);
    QVERIFY(!model.appendRow({QStringLiteral("x")}));
    QCOMPARE(model.rowCount(), LogTableModel::kMaxRows);
    QCOMPARE(insertedSpy.count(), 0);
    QVERIFY(model.setCell(LogTableModel::kMaxRows - 1, 0, QStringLiteral("100000")));
}

void TestLogTableModel::clearingKeepsHeaders()
{
    LogTableModel model;
    QSignalSpy headerSpy(&model, &QAbstractItemModel::headerDataChanged);
    model.setHeaderText(1, QStringLiteral("Время"));
    model.setHeaderText(1, QStringLiteral("Время"));
    model.setHeaderText(10, QStringLiteral("out of range"));
    QCOMPARE(headerSpy.count(), 1);

    model.setRowCount(3);
    model.setCell(2, 2, QStringLiteral("R 100.00 Ом"));
    model.clearCells();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.cell(2, 2), QString());

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Время"));
    QCOMPARE(model.headerData(1, Qt::Vertical), QVariant());
    QCOMPARE(model.headerText(10), QString());
}

void TestLogTableModel::writeRowKeepsTheReadingBesideItsTexts()
{
    LogTableModel model;
    model.setRowCount(3);
    model.setCell(1, 1, QStringLiteral("line name"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy written(&model, &LogTableModel::readingWritten);

    QVERIFY(!model.reading(1));
    QVERIFY(model.writeRow(1, cells({{0, "2"}, {2, "R 4.7000 кОм"}}), readingOf(4700.0, 0)));

    // One notice covering the whole row.
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(1, LogTableModel::kColumns - 1));
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).toInt(), 1);
    QCOMPARE(model.cell(1, 0), QStringLiteral("2"));
    QCOMPARE(model.cell(1, 1), QStringLiteral("line name")); // not given: kept
    QCOMPARE(model.cell(1, 2), QStringLiteral("R 4.7000 кОм"));
    const reading::Reading *kept = model.reading(1);
    QVERIFY(kept);
    QCOMPARE(kept->reading.seriesResistance, 4700.0);
    QCOMPARE(kept->time.time().msec(), 250);
    QVERIFY(!model.reading(0));
    QVERIFY(!model.reading(3));

    // Overwriting a row replaces its reading.
    QVERIFY(model.writeRow(1, cells({{2, "R 1.0000 кОм"}}), readingOf(1000.0, 0)));
    QCOMPARE(model.reading(1)->reading.seriesResistance, 1000.0);

    QVERIFY(!model.writeRow(3, cells({{0, "4"}}), readingOf(1.0, 0)));
    QCOMPARE(written.count(), 2);

    model.clearCells();
    QVERIFY(!model.reading(1));
    QCOMPARE(model.cell(1, 1), QString());
}

void TestLogTableModel::cellMarks_data()
{
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("latest");
    QTest::addColumn<QList<int>>("marks"); // columns 6..9

    using M = LogTableModel::CellMark;
    const int none = int(M::None), reject = int(M::Reject), pass = int(M::Pass);
    QTest::newRow("no verdict") << QString() << 3 << QList<int>{none, none, none, none};
    QTest::newRow("pass: green, deviations normal") << "-" << 3 << QList<int>{none, pass, none, none};
    QTest::newRow("reject, latest primary failed") << "+" << 1 << QList<int>{none, reject, reject, none};
    QTest::newRow("reject, latest secondary failed") << "+" << 2 << QList<int>{none, reject, none, reject};
    QTest::newRow("reject, latest both failed") << "+" << 3 << QList<int>{none, reject, reject, reject};
    QTest::newRow("reject, latest passed") << "+" << 0 << QList<int>{none, reject, none, none};
    QTest::newRow("reject, latest a failure code") << "+" << 20 << QList<int>{none, reject, none, none};
    QTest::newRow("other text") << "?" << 3 << QList<int>{none, none, none, none};
}

void TestLogTableModel::cellMarks()
{
    QFETCH(QString, verdict);
    QFETCH(int, latest);
    QFETCH(QList<int>, marks);

    LogTableModel model;
    model.setRowCount(1);
    model.setCell(0, 6, QStringLiteral("+")); // only column 7 decides
    model.setCell(0, 7, verdict);
    model.setLatestJudgeResult(latest);
    QList<int> actual;
    for (int column = 6; column < LogTableModel::kColumns; ++column)
        actual << model.data(model.index(0, column), LogTableModel::CellMarkRole).toInt();
    QCOMPARE(actual, marks);
}

void TestLogTableModel::latestVerdictRepaintsOnlyTheDeviationCells()
{
    LogTableModel model;
    model.setRowCount(4);
    model.setCell(2, 7, QStringLiteral("+"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.setLatestJudgeResult(1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(0, 8));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(3, 9));
    QCOMPARE(changed.at(0).at(2).value<QList<int>>(), QList<int>{LogTableModel::CellMarkRole});
    model.setLatestJudgeResult(1);
    QCOMPARE(changed.count(), 1);

    // A row's own reject cell changes the marks of its deviation cells.
    changed.clear();
    model.setCell(2, 7, QStringLiteral("-"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toModelIndex(), model.index(2, 8));
    QCOMPARE(changed.at(1).at(1).toModelIndex(), model.index(2, 9));

    // The marks follow the language.
    model.setMarks(QStringLiteral("X"), QStringLiteral("O"));
    QCOMPARE(model.cellMark(2, 7), LogTableModel::CellMark::None);
    model.setCell(2, 7, QStringLiteral("X"));
    QCOMPARE(model.cellMark(2, 7), LogTableModel::CellMark::Reject);
    QCOMPARE(model.cellMark(2, 8), LogTableModel::CellMark::Reject);
}

QTEST_GUILESS_MAIN(TestLogTableModel)
#include "tst_log_table_model.moc"
