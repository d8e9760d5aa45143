#include "export/spreadsheet_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace std::chrono_literals;

class TestSpreadsheetFiles : public QObject
{
    Q_OBJECT

private slots:
    void workbooksGoIntoAPrivateFolderOfTheirOwn();
    void aNewWorkbookRemovesTheEarlierOnesOnly();
    void theFolderGoesAtTheEndUnlessAWorkbookIsFresh_data();
    void theFolderGoesAtTheEndUnlessAWorkbookIsFresh();
    void noFolderNoPath();
};

static void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

void TestSpreadsheetFiles::workbooksGoIntoAPrivateFolderOfTheirOwn()
{
    QTemporaryDir parent;
    SpreadsheetFiles first(parent.path(), 0ms);
    SpreadsheetFiles second(parent.path(), 0ms);
    ExportProblem problem;
    const QString a = first.nextFile(&problem);
    const QString b = second.nextFile(&problem);
    QVERIFY2(!a.isEmpty() && !b.isEmpty(), qPrintable(describeExportProblem(problem, exportMessages())));

    // Each run its own folder, with a name nobody can guess, readable by its owner only.
    QVERIFY(first.folder() != second.folder());
    QCOMPARE(QFileInfo(first.folder()).absolutePath(), QFileInfo(parent.path()).absoluteFilePath());
    QCOMPARE(QFileInfo(a).absolutePath(), first.folder());
    QVERIFY(a.endsWith(QStringLiteral(".xlsx")));
    struct stat st{};
    QCOMPARE(::lstat(QFile::encodeName(first.folder()).constData(), &st), 0);
    QVERIFY(S_ISDIR(st.st_mode));
    QCOMPARE(st.st_mode & 0777, 0700u);

    // Two exports in the same second still get two names.
    QVERIFY(first.nextFile(&problem) != a);
}

void TestSpreadsheetFiles::aNewWorkbookRemovesTheEarlierOnesOnly()
{
    QTemporaryDir parent;
    SpreadsheetFiles files(parent.path(), 0ms);
    ExportProblem problem;
    const QString first = files.nextFile(&problem);
    touch(first);
    SpreadsheetFiles::seal(first);
    const QString kept = files.nextFile(&problem);
    touch(kept);
    files.keep(kept);
    const QString other = QDir(files.folder()).filePath(QStringLiteral("notes.txt"));
    touch(other);

    const QString third = files.nextFile(&problem);
    touch(third);
    QVERIFY2(!QFile::exists(first), "a sealed earlier workbook is removed all the same");
    QVERIFY(QFile::exists(kept));
    QVERIFY(QFile::exists(other));
    QVERIFY(QFile::exists(third));
    // Sealed: an application opening it in place cannot save into the folder.
    SpreadsheetFiles::seal(third);
    QCOMPARE(QFile::permissions(third) & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther),
             QFileDevice::Permissions());
}

void TestSpreadsheetFiles::theFolderGoesAtTheEndUnlessAWorkbookIsFresh_data()
{
    QTest::addColumn<int>("keepMs");
    QTest::addColumn<bool>("keepAWorkbook");
    QTest::addColumn<bool>("folderStays");

    QTest::newRow("workbook old enough") << 0 << false << false;
    QTest::newRow("workbook still being opened") << 3600000 << false << true;
    QTest::newRow("workbook the user was told about") << 0 << true << true;
}

void TestSpreadsheetFiles::theFolderGoesAtTheEndUnlessAWorkbookIsFresh()
{
    QFETCH(int, keepMs);
    QFETCH(bool, keepAWorkbook);
    QFETCH(bool, folderStays);

    QTemporaryDir parent;
    QString folder;
    QString file;
    {
        SpreadsheetFiles files(parent.path(), std::chrono::milliseconds(keepMs));
        ExportProblem problem;
        file = files.nextFile(&problem);
        touch(file);
        SpreadsheetFiles::seal(file);
        if (keepAWorkbook)
            files.keep(file);
        folder = files.folder();
    }
    QCOMPARE(QFileInfo::exists(folder), folderStays);
    QCOMPARE(QFileInfo::exists(file), folderStays);
}

void TestSpreadsheetFiles::noFolderNoPath()
{
    QTemporaryDir parent;
    const QString notAFolder = parent.filePath(QStringLiteral("plain-file"));
    touch(notAFolder);

    SpreadsheetFiles files(notAFolder, 0ms);
    ExportProblem problem;
    QVERIFY(files.nextFile(&problem).isEmpty());
    QCOMPARE(problem.item, ExportItem::NoFolder);
    const QString message = describeExportProblem(problem, exportMessages());
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось скопировать журнал в книгу: не удалось создать для неё "
                                               "личную папку (")),
             qPrintable(message));
    QVERIFY2(message.endsWith(QStringLiteral(") в\n") + notAFolder), qPrintable(message));
    QVERIFY(files.folder().isEmpty());
}

QTEST_GUILESS_MAIN(TestSpreadsheetFiles)
#include "tst_spreadsheet_files.moc"
