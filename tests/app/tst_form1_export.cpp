#include "app/form1.h"
#include "dongle_rig.h"
#include "export/export_controller.h"
#include "log/log_table_model.h"
#include "panel/drop_down.h"
#include "stand_in_path.h"
#include "xlsx_sheet.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

// Button4 on the window: recording stops, the log's rows go into a workbook
// that a stand-in spreadsheet application on PATH is started with.
class TestForm1Export : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void singlePartCopiesTheRowsWrittenSoFar();
    void multiPartCopiesEveryProfileLine();
    void noSpreadsheetApplicationShowsTheErrorBoxAndKeepsTheFile();
    void aWriteFailureForgetsTheRowsAndFreesTheButton();

private:
    // Clicks Button4 and waits until the export is over.
    bool exportLog();
    // The workbook as the stand-in application got it.
    XlsxSheet workbookSeen() const;

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<StandInPath> m_path;
    std::unique_ptr<QTemporaryDir> m_exports;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Export::init()
{
    m_rig = std::make_unique<DongleRig>();
    m_path = std::make_unique<StandInPath>();
    m_path->add(QStringLiteral("libreoffice"));
    m_exports = std::make_unique<QTemporaryDir>();
    Form1Options options;
    options.exportFolder = m_exports->path();
    m_form = std::make_unique<TForm1>(options);
}

void TestForm1Export::cleanup()
{
    m_form.reset();
    m_exports.reset();
    m_path.reset();
    m_rig.reset();
}

bool TestForm1Export::exportLog()
{
    QSignalSpy finished(m_form->exporter, &ExportController::finished);
    QTest::mouseClick(m_form->Button4, Qt::LeftButton);
    return finished.size() == 1 || finished.wait();
}

XlsxSheet TestForm1Export::workbookSeen() const
{
    const QString program = QStringLiteral("libreoffice");
    if (!QTest::qWaitFor([&] { return QFile::exists(m_path->argsFile(program)); }))
        return {QStringLiteral("the stand-in was not started"), {}, -1, -1, 0};
    const QStringList args = m_path->args(program);
    if (args.size() != 3 || args[0] != u"--calc" || args[1] != u"-n" || args[2] != m_form->exporter->lastFile())
        return {QStringLiteral("the stand-in got ") + args.join(u' '), {}, -1, -1, 0};
    return XlsxSheet::read(m_path->fileCopy(program));
}

void TestForm1Export::singlePartCopiesTheRowsWrittenSoFar()
{
    TForm1 &form = *m_form;
    // Three rows recorded; a fourth row of the table holds a stale text that
    // lies past the rows written.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            form.logModel->setCell(r, c, QStringLiteral("r%1c%2 Ω").arg(r + 1).arg(c));
    form.logModel->setCell(3, 0, QStringLiteral("stale"));
    form.nextLogRow = 4;
    form.SP1->setEnabled(true);
    QTest::mouseClick(form.SP1, Qt::LeftButton);
    QVERIFY(form.SP1->isChecked());

    QVERIFY(exportLog());
    // Recording stopped as when SP1 is released.
    QVERIFY(!form.SP1->isChecked());
    QCOMPARE(form.SP1->text(), QStringLiteral("Пуск"));
    QVERIFY(form.Button4->isEnabled());
    QCOMPARE(form.nextLogRow, 4);

    const XlsxSheet sheet = workbookSeen();
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    QCOMPARE(sheet.text(QStringLiteral("A1")), QStringLiteral("Позиция"));
    QCOMPARE(sheet.text(QStringLiteral("J1")), form.logModel->headerText(9));
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            QCOMPARE(sheet.text(XlsxSheet::reference(r, c)), QStringLiteral("r%1c%2 Ω").arg(r).arg(c));
    QCOMPARE(sheet.cells.size(), 4 * LogTableModel::kColumns);
    QCOMPARE(qRound(sheet.leftMarginInches * 72), 30);
    QCOMPARE(qRound(sheet.rightMarginInches * 72), 10);
}

void TestForm1Export::multiPartCopiesEveryProfileLine()
{
    TForm1 &form = *m_form;
    form.lineCount = 5;
    form.CBox10->setCurrentIndex(1);
    // Starting prepares the rows of the five lines; one part is measured.
    form.SP1->setEnabled(true);
    QTest::mouseClick(form.SP1, Qt::LeftButton);
    form.logModel->setCell(1, 2, QStringLiteral("C 10.02 нФ"));
    form.nextLogRow = 3;

    QVERIFY(exportLog());
    QCOMPARE(form.nextLogRow, 6);
    QVERIFY(!form.SP1->isChecked());

    const XlsxSheet sheet = workbookSeen();
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    for (int line = 1; line <= 5; ++line)
        QCOMPARE(sheet.text(XlsxSheet::reference(line, 0)), QString::number(line));
    QCOMPARE(sheet.text(QStringLiteral("C3")), QStringLiteral("C 10.02 нФ"));
    QCOMPARE(sheet.text(QStringLiteral("C1")), form.logModel->headerText(2));
    QVERIFY(!sheet.cells.contains(QStringLiteral("A7")));
}

void TestForm1Export::noSpreadsheetApplicationShowsTheErrorBoxAndKeepsTheFile()
{
    TForm1 &form = *m_form;
    m_path.reset(); // puts the real PATH back first
    m_path = std::make_unique<StandInPath>(); // nothing on PATH
    form.logModel->setCell(0, 0, QStringLiteral("1"));
    form.nextLogRow = 2;

    QVERIFY(exportLog());
    QCOMPARE(m_rig->messages().size(), 1);
    const QString file = form.exporter->lastFile();
    const QString message = m_rig->messages().at(0).text;
    QVERIFY2(message.startsWith(QStringLiteral("Журнал скопирован в книгу, но ни одна программа")), qPrintable(message));
    QVERIFY2(message.endsWith(QStringLiteral("Книга сохранена здесь:\n") + file), qPrintable(message));
    QVERIFY(form.Button4->isEnabled());
    // The log is untouched and the file is there to be opened by hand.
    QCOMPARE(form.nextLogRow, 2);
    QCOMPARE(form.logModel->cell(0, 0), QStringLiteral("1"));
    m_form.reset();
    QCOMPARE(XlsxSheet::read(file).text(QStringLiteral("A2")), QStringLiteral("1"));
}

void TestForm1Export::aWriteFailureForgetsTheRowsAndFreesTheButton()
{
    // The export folder's parent is a plain file: no workbook can be written.
    const QString notAFolder = m_exports->filePath(QStringLiteral("plain"));
    QFile(notAFolder).open(QIODevice::WriteOnly);
    Form1Options options;
    options.exportFolder = notAFolder;
    m_form = std::make_unique<TForm1>(options);
    TForm1 &form = *m_form;
    form.nextLogRow = 4;

    QVERIFY(exportLog());
    QCOMPARE(form.nextLogRow, 0);
    QVERIFY(form.Button4->isEnabled());
    QCOMPARE(m_rig->messages().size(), 1);
    const QString message = m_rig->messages().at(0).text;
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось скопировать журнал в книгу")), qPrintable(message));
    QVERIFY2(message.endsWith(notAFolder), qPrintable(message));
    QVERIFY(!QFile::exists(m_path->argsFile(QStringLiteral("libreoffice"))));
}

QTEST_MAIN(TestForm1Export)
#include "tst_form1_export.moc"
