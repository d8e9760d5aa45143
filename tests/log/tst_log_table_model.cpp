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
};

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

    QVERIFY(model.setCell(1, 7, QStringLiteral("+")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 7));
    QCOMPARE(model.data(model.index(1, 7)).toString(), QStringLiteral("+"));
    // Writing the same text again changes nothing the view must repaint.
    QVERIFY(model.setCell(1, 7, QStringLiteral("+")));
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

QTEST_GUILESS_MAIN(TestLogTableModel)
#include "tst_log_table_model.moc"
