#include "export/export_controller.h"

#include "stand_in_path.h"
#include "xlsx_sheet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Counts its paint events, to see the window repaint while an export runs.
class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

class TestExportController : public QObject
{
    Q_OBJECT

private slots:
    void theWorkbookOpensAsAnUntitledDocument();
    void noApplicationKeepsTheFileAndSaysWhere();
    void aWriteFailureFreesTheButton();
    void aLongExportShowsProgressAndTheWindowRepaints();
};

static SheetTexts smallLog()
{
    return {{QStringLiteral("Позиция"), QStringLiteral("Время")},
            {QStringLiteral("1"), QStringLiteral("05.03.21 14:07:09"), QStringLiteral("L 47.1 μГн")}};
}

void TestExportController::theWorkbookOpensAsAnUntitledDocument()
{
    StandInPath path;
    path.add(QStringLiteral("libreoffice"));
    QTemporaryDir exports;
    QWidget window;
    QPushButton button(&window);
    ExportController controller(&button, &window, exports.path());
    QSignalSpy finished(&controller, &ExportController::finished);
    QSignalSpy failures(&controller, &ExportController::openFailed);

    QVERIFY(controller.start(smallLog()));
    QVERIFY(!button.isEnabled());
    QVERIFY(!controller.start(smallLog())); // one at a time
    QVERIFY(finished.wait());
    QVERIFY(button.isEnabled());

    const QString file = controller.lastFile();
    QTRY_COMPARE(path.args(QStringLiteral("libreoffice")),
                 (QStringList{QStringLiteral("--calc"), QStringLiteral("-n"), file}));
    // What the application read is the log.
    const XlsxSheet sheet = XlsxSheet::read(path.fileCopy(QStringLiteral("libreoffice")));
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));
    QCOMPARE(sheet.text(QStringLiteral("A1")), QStringLiteral("Позиция"));
    QCOMPARE(sheet.text(QStringLiteral("C2")), QStringLiteral("L 47.1 μГн"));
    QCOMPARE(failures.size(), 0);

    // The next export replaces the file.
    QVERIFY(QFile::remove(path.argsFile(QStringLiteral("libreoffice"))));
    QVERIFY(controller.start(smallLog()));
    QVERIFY(finished.wait());
    QVERIFY(controller.lastFile() != file);
    QVERIFY(!QFile::exists(file));
    QVERIFY(QFile::exists(controller.lastFile()));
    // It opens too; waiting for it also keeps the stand-in from writing into its folder as the folder goes.
    QTRY_COMPARE(path.args(QStringLiteral("libreoffice")),
                 (QStringList{QStringLiteral("--calc"), QStringLiteral("-n"), controller.lastFile()}));
}

void TestExportController::noApplicationKeepsTheFileAndSaysWhere()
{
    StandInPath path; // nothing on it
    QTemporaryDir exports;
    QString file;
    {
        QPushButton button;
        ExportController controller(&button, nullptr, exports.path());
        QSignalSpy failures(&controller, &ExportController::openFailed);
        QSignalSpy writeFailures(&controller, &ExportController::writeFailed);
        QSignalSpy finished(&controller, &ExportController::finished);
        controller.start(smallLog());
        QVERIFY(finished.wait());
        QVERIFY(button.isEnabled());
        QCOMPARE(writeFailures.size(), 0);
        QCOMPARE(failures.size(), 1);
        file = controller.lastFile();
        QVERIFY2(failures.at(0).at(0).toString().contains(file), qPrintable(failures.at(0).at(0).toString()));

        // A later export does not take the file the user was told about.
        controller.start(smallLog());
        QVERIFY(finished.wait());
        QVERIFY(QFile::exists(file));
    }
    // Nor does the end of the run.
    QVERIFY(QFile::exists(file));
    QCOMPARE(XlsxSheet::read(file).text(QStringLiteral("B2")), QStringLiteral("05.03.21 14:07:09"));
}

void TestExportController::aWriteFailureFreesTheButton()
{
    StandInPath path;
    path.add(QStringLiteral("libreoffice"));
    QTemporaryDir exports;
    // A parent that is a plain file: no private folder can be made below it.
    const QString notAFolder = exports.filePath(QStringLiteral("file"));
    QFile(notAFolder).open(QIODevice::WriteOnly);

    QPushButton button;
    ExportController controller(&button, nullptr, notAFolder);
    QSignalSpy writeFailures(&controller, &ExportController::writeFailed);
    QSignalSpy finished(&controller, &ExportController::finished);
    controller.start(smallLog());
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(button.isEnabled());
    QCOMPARE(writeFailures.size(), 1);
    QVERIFY2(writeFailures.at(0).at(0).toString().contains(notAFolder), qPrintable(writeFailures.at(0).at(0).toString()));
    QVERIFY(!QFile::exists(path.argsFile(QStringLiteral("libreoffice"))));
}

void TestExportController::aLongExportShowsProgressAndTheWindowRepaints()
{
    StandInPath path;
    path.add(QStringLiteral("libreoffice"));
    QTemporaryDir exports;
    PaintCounter window;
    window.resize(200, 100);
    QPushButton button(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    ExportController controller(&button, &window, exports.path());
    // The writer stops half-way until the test lets it go on.
    QSemaphore halfWay;
    QSemaphore goOn;
    controller.setWriter([&](const QString &file, const SheetTexts &texts, const QString &scratch,
                             const SheetProgress &progress) {
        progress(texts.size() / 2);
        halfWay.release();
        goOn.acquire();
        return writeSpreadsheet(file, texts, scratch, progress);
    });
    // A failed check must not leave the writer waiting for ever.
    const auto letGo = qScopeGuard([&] { goOn.release(); });
    QSignalSpy finished(&controller, &ExportController::finished);
    QElapsedTimer clock;
    clock.start();
    controller.start(SheetTexts(1000, QStringList{QStringLiteral("1"), QStringLiteral("Ω")}));
    halfWay.acquire();

    QTRY_VERIFY(controller.progressDialog() && controller.progressDialog()->isVisible());
    QVERIFY(clock.elapsed() >= ExportController::kProgressDelay.count());
    QTRY_COMPARE(controller.progressDialog()->value(), 500);
    QCOMPARE(controller.progressDialog()->labelText(), QStringLiteral("Журнал копируется в книгу…"));
    QVERIFY(!button.isEnabled());
    const int paints = window.paints;
    window.update();
    QTRY_VERIFY(window.paints > paints);

    goOn.release();
    QVERIFY(finished.wait());
    QCOMPARE(controller.progressDialog(), nullptr);
    QVERIFY(button.isEnabled());
    QCOMPARE(XlsxSheet::read(controller.lastFile()).text(QStringLiteral("B1000")), QStringLiteral("Ω"));
}

QTEST_MAIN(TestExportController)
#include "tst_export_controller.moc"
