#include "log/log_table_model.h"
#include "export/spreadsheet_export.h"
#include "export/spreadsheet_writer.h"

#include "xlsx_sheet.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSpreadsheetWriter : public QObject
{
    Q_OBJECT

private slots:
    void logRowsCountTheHeadersAsRowZero();
    void textsLandInTheirCellsAsStrings();
    void marginsInPoints();
    void emptyTableGivesAnEmptySheet();
    void progressCountsRowsUpToTheLast();
    void failuresAreReported_data();
    void failuresAreReported();

private:
    QTemporaryDir dir_;
};

// A log as the window keeps it: headers in row 0, then rows with texts that a
// spreadsheet would happily turn into numbers, dates or formulas.
static SheetTexts sampleLog()
{
    return {
        {"Позиция", "Время", "Основной", "Дополнительн.", "Схема", "Частота", "Уровень", "Брак", "Основ.% откл.",
         "Допол.% откл."},
        {"1", "05.03.21 14:07:09", "R 1.0012 кОм", "Ɵ -12.5 °", "S", "1 кГц", "1.0 Вскз", "+", "1.23", "-0.50"},
        {"2", "05.03.21 14:07:10", "L 47.1 μГн", "Q 12.0", "P", "A", "0.3 Вскз", "-", "123.50", "1.2E+05"},
        {"3", "", "Z 99.9 Ω", "=SUM(A1:A2)", " lead", "trail ", "", "", "", "007"},
    };
}

void TestSpreadsheetWriter::logRowsCountTheHeadersAsRowZero()
{
    LogTableModel model;
    for (int c = 0; c < LogTableModel::kColumns; ++c)
        model.setHeaderText(c, QStringLiteral("h%1").arg(c));
    model.appendRow({QStringLiteral("1"), QStringLiteral("a")});
    model.appendRow({QStringLiteral("2"), QString(), QStringLiteral("b")});
    model.appendRow({QStringLiteral("3")});

    QVERIFY(logSheetTexts(model, 0).isEmpty());
    const SheetTexts texts = logSheetTexts(model, 3); // headers and the first two rows
    QCOMPARE(texts.size(), 3);
    for (const QStringList &row : texts)
        QCOMPARE(row.size(), LogTableModel::kColumns);
    QCOMPARE(texts[0][9], QStringLiteral("h9"));
    QCOMPARE(texts[1][1], QStringLiteral("a"));
    QCOMPARE(texts[2][2], QStringLiteral("b"));
    // Rows the table does not have yet come out empty.
    const SheetTexts beyond = logSheetTexts(model, 6);
    QCOMPARE(beyond[3][0], QStringLiteral("3"));
    QCOMPARE(beyond[5], QStringList(LogTableModel::kColumns, QString()));
}

void TestSpreadsheetWriter::textsLandInTheirCellsAsStrings()
{
    const SheetTexts texts = sampleLog();
    const QString path = dir_.filePath(QStringLiteral("cells.xlsx"));
    const SheetWriteResult result = writeSpreadsheet(path, texts, dir_.path());
    QVERIFY2(result.ok, qPrintable(describeExportProblem(result.problem, exportMessages())));

    const XlsxSheet sheet = XlsxSheet::read(path);
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    QCOMPARE(sheet.sheetCount, 1);

    int nonEmpty = 0;
    for (int r = 0; r < texts.size(); ++r) {
        for (int c = 0; c < texts[r].size(); ++c) {
            const QString ref = XlsxSheet::reference(r, c);
            QCOMPARE(sheet.text(ref), texts[r][c]);
            if (texts[r][c].isEmpty())
                continue;
            ++nonEmpty;
            const QString type = sheet.cells.value(ref).type;
            QVERIFY2(type == u"inlineStr" || type == u"s", qPrintable(ref + QStringLiteral(" is of type ") + type));
        }
    }
    // Nothing beyond the table, and no cell for an empty text.
    QCOMPARE(sheet.cells.size(), nonEmpty);
    QVERIFY(sheet.cells.contains(QStringLiteral("J4")));
}

void TestSpreadsheetWriter::marginsInPoints()
{
    const QString path = dir_.filePath(QStringLiteral("margins.xlsx"));
    QVERIFY(writeSpreadsheet(path, sampleLog()).ok);

    const XlsxSheet sheet = XlsxSheet::read(path);
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    // Stored in inches.
    QCOMPARE(qRound(sheet.leftMarginInches * 72.0 * 1000.0), 30000);
    QCOMPARE(qRound(sheet.rightMarginInches * 72.0 * 1000.0), 10000);
}

void TestSpreadsheetWriter::emptyTableGivesAnEmptySheet()
{
    const QString path = dir_.filePath(QStringLiteral("empty.xlsx"));
    QVERIFY(writeSpreadsheet(path, {}).ok);

    const XlsxSheet sheet = XlsxSheet::read(path);
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    QCOMPARE(sheet.sheetCount, 1);
    QVERIFY(sheet.cells.isEmpty());
    QCOMPARE(qRound(sheet.leftMarginInches * 72.0), 30);
}

void TestSpreadsheetWriter::progressCountsRowsUpToTheLast()
{
    SheetTexts texts;
    for (int r = 0; r < 3000; ++r)
        texts.append({QString::number(r), QStringLiteral("x")});

    QList<qsizetype> told;
    const QString path = dir_.filePath(QStringLiteral("progress.xlsx"));
    QVERIFY(writeSpreadsheet(path, texts, {}, [&](qsizetype rows) { told.append(rows); }).ok);

    QVERIFY(told.size() >= 2);
    QCOMPARE(told.last(), qsizetype(3000));
    QVERIFY(std::is_sorted(told.begin(), told.end()));
    QVERIFY(std::adjacent_find(told.begin(), told.end()) == told.end());

    const XlsxSheet sheet = XlsxSheet::read(path);
    QCOMPARE(sheet.text(QStringLiteral("A3000")), QStringLiteral("2999"));
}

void TestSpreadsheetWriter::failuresAreReported_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<SheetTexts>("texts");

    QTest::newRow("folder missing") << QStringLiteral("/nonexistent-vorlant/log.xlsx") << sampleLog();
    // Every write to /dev/full fails with "no space left on device".
    if (QFile::exists(QStringLiteral("/dev/full")))
        QTest::newRow("disk full") << QStringLiteral("/dev/full") << sampleLog();
    // More than a spreadsheet cell holds.
    QTest::newRow("text too long") << QString() << SheetTexts{{QString(40000, u'x')}};
}

void TestSpreadsheetWriter::failuresAreReported()
{
    QFETCH(QString, path);
    QFETCH(SheetTexts, texts);
    if (path.isEmpty())
        path = dir_.filePath(QStringLiteral("long.xlsx"));

    const SheetWriteResult result = writeSpreadsheet(path, texts, dir_.path());
    QVERIFY(!result.ok);
    const QString message = describeExportProblem(result.problem, exportMessages());
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось скопировать журнал в книгу: ")), qPrintable(message));
    QVERIFY2(message.endsWith(QStringLiteral("\n\n") + path), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestSpreadsheetWriter)
#include "tst_spreadsheet_writer.moc"
