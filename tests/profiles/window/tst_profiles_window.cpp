// Profiles on the window: a temporary settings folder, Qt's own file dialogs
// answered as a user would, and a pseudo-terminal playing the dongle and the
// meter where the meter has to hear something.

#include "app/form1.h"
#include "dongle_rig.h"
#include "file_bytes.h"
#include "file_dialog_answer.h"
#include "golden.h"

#include "link/com_port.h"
#include "log/log_table_model.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/panel_colours.h"
#include "panel/spin_edit.h"
#include "profiles/profiles_controller.h"
#include "protocol/frame_encoder.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

QByteArray header(int count)
{
    QByteArray bytes(100, '\0');
    bytes[0] = char(count);
    return bytes;
}

} // namespace

class TestProfilesWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createProfile();
    void openProfile();
    void badProfileKeepsThePreviousOne();
    void aProfileThatCannotBeRememberedStaysOpen();
    void multiPartShowsTheProfile();
    void tableClickAppliesTheLineAndSendsIt();
    void navigatorArrowsStepTheOtherWay();
    void lineButtonsOnLineTwoOfThree();
    void editorFilters();
    void rejectedReadingTurnsTheDisplayRed();
    void lineThatCannotBeAppliedEndsItsHold_data();
    void lineThatCannotBeAppliedEndsItsHold();
    void lineAppliedWithoutLinkHoldsUntilTheLinkComesUp();

private:
    void showWindow();
    void bringLinkUp();
    void deliver(const QByteArray &bytes);
    QString placeGolden(const char *name);
    void openWithDialog(const QString &path);
    void chooseMultiPart();
    QString lastMessage() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestProfilesWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    Form1Options options;
    options.settingsFolder = m_dir->filePath(QStringLiteral("RLC_Data"));
    m_form = std::make_unique<TForm1>(options);
    m_rig->countReads(*m_form);
    showWindow();
}

void TestProfilesWindow::cleanup()
{
    m_form.reset();
    m_rig.reset();
    m_dir.reset();
}

void TestProfilesWindow::showWindow()
{
    std::future<QByteArray> peer = m_rig->answerAttention({"OK", "OK"});
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTRY_VERIFY(peer.wait_for(0s) == std::future_status::ready);
    QVERIFY(m_form->portReady);
    // Focus moves are part of what is checked.
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestProfilesWindow::bringLinkUp()
{
    m_form->B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    deliver("OK+CONN\r\n");
    QVERIFY(m_form->meterConnected);
    // The settings sent a second after the link comes up are not this test's.
    m_form->T4->stop();
}

void TestProfilesWindow::deliver(const QByteArray &bytes)
{
    const int before = m_rig->reads();
    QVERIFY(m_rig->send(bytes));
    QTRY_COMPARE(m_rig->reads(), before + 1);
}

QString TestProfilesWindow::placeGolden(const char *name)
{
    const QString path = m_dir->filePath(QLatin1String(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(goldenBytes(name));
    return path;
}

void TestProfilesWindow::openWithDialog(const QString &path)
{
    answerFileDialog(path);
    m_form->SB2->click();
    // The dialog had the focus; a window manager would give it back.
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestProfilesWindow::chooseMultiPart()
{
    m_form->CBox10->setFocus();
    QTest::keyClick(m_form->CBox10, Qt::Key_Down);
    QCOMPARE(m_form->CBox10->currentIndex(), 1);
}

QString TestProfilesWindow::lastMessage() const
{
    return m_rig->messages().isEmpty() ? QString() : m_rig->messages().last().text;
}

void TestProfilesWindow::createProfile()
{
    TForm1 &f = *m_form;
    answerFileDialog(m_dir->filePath(QStringLiteral("parts")));
    f.SB1->click();

    const QString path = m_dir->filePath(QStringLiteral("parts.hex1"));
    QCOMPARE(m_rig->messages().size(), 1);
    QCOMPARE(m_rig->messages().first().text, QStringLiteral("Файл успешно создан!"));
    // Line 1 is the editor as designed: "R1", both tolerances off, 10000 Ohm
    // twice, start position 1, the default meter settings.
    const QByteArray line = QByteArray::fromHex("025231000000000000000000"
                                                "01000000"
                                                "034F46460000" "00" "00" "0531303030300000000000"
                                                "034F46460000" "00" "00" "0531303030300000000000"
                                                "010401020101000101000200000100"
                                                "000000");
    QCOMPARE(readAll(path).toHex(' '), (header(1) + line).toHex(' '));
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль parts"));
    QCOMPARE(f.currentProfilePath, path);
    QCOMPARE(f.lineCount, 1);
    QCOMPARE(f.SE2->maximum(), 2);

    // ".hex1" is appended whatever the name ends in.
    answerFileDialog(path);
    f.SB1->click();
    QVERIFY(QFile::exists(path + QStringLiteral(".hex1")));
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль parts.hex1"));

    // Cancelling counts as a failure.
    answerFileDialog(QString());
    f.SB1->click();
    QCOMPARE(lastMessage(), QStringLiteral("Неудача!"));
    QCOMPARE(f.currentProfilePath, path + QStringLiteral(".hex1"));
}

void TestProfilesWindow::openProfile()
{
    TForm1 &f = *m_form;
    const QString three = placeGolden("three_lines.hex1");
    openWithDialog(three);
    QCOMPARE(f.currentProfilePath, three);
    QCOMPARE(f.lineCount, 3);
    QCOMPARE(f.SE2->maximum(), 4);
    QVERIFY(f.SB3->isEnabled());
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль three_lines"));
    // Single part: the names are listed and line 1 is applied.
    QCOMPARE(f.CBox6->count(), 3);
    QCOMPARE(f.CBox6->itemText(2), QStringLiteral("L3"));
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("Рез-1"));
    QCOMPARE(f.CBox5->currentText(), QStringLiteral("1%"));
    QVERIFY(m_rig->messages().isEmpty());

    // A new name: a one-line profile there, silently; the caption stays.
    const QString fresh = m_dir->filePath(QStringLiteral("fresh.hex1"));
    openWithDialog(fresh);
    QCOMPARE(readAll(fresh).size(), 172);
    QCOMPARE(f.currentProfilePath, fresh);
    QCOMPARE(f.lineCount, 1);
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль three_lines"));
    QVERIFY(m_rig->messages().isEmpty());

    // Save as: a byte copy that becomes the open profile.
    openWithDialog(three);
    answerFileDialog(m_dir->filePath(QStringLiteral("copy")));
    f.SB3->click();
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("copy.hex1"))), readAll(three));
    QCOMPARE(f.currentProfilePath, m_dir->filePath(QStringLiteral("copy.hex1")));
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль copy"));
}

void TestProfilesWindow::badProfileKeepsThePreviousOne()
{
    TForm1 &f = *m_form;
    const QString three = placeGolden("three_lines.hex1");
    openWithDialog(three);

    struct Bad
    {
        QString path;
        QString says;
    };
    // (A folder cannot be chosen in the dialog: it opens the folder instead.)
    const QString loop = m_dir->filePath(QStringLiteral("loop.hex1"));
    QVERIFY(QFile::link(loop, loop));
    const QString negative = m_dir->filePath(QStringLiteral("negative.hex1"));
    {
        QFile file(negative);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromHex("FFFFFFFF") + QByteArray(200, 'x'));
    }
    for (const Bad &bad : {Bad{loop, QStringLiteral("It is a symbolic link.")},
                           Bad{negative, QStringLiteral("меньше нуля")}}) {
        openWithDialog(bad.path);
        QVERIFY2(lastMessage().startsWith(QStringLiteral("Неудача!\n")), qPrintable(lastMessage()));
        QVERIFY2(lastMessage().contains(bad.says), qPrintable(lastMessage()));
        QCOMPARE(f.currentProfilePath, three);
        QCOMPARE(f.lineCount, 3);
    }

    // A count promising more lines than the file holds: the whole lines are
    // offered, and the user is told.
    const QString promising = m_dir->filePath(QStringLiteral("promising.hex1"));
    {
        QFile file(promising);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(header(9) + goldenBytes("three_lines.hex1").mid(100, 72 * 2 + 10));
    }
    openWithDialog(promising);
    QVERIFY2(lastMessage().contains(QStringLiteral("9")), qPrintable(lastMessage()));
    QCOMPARE(f.currentProfilePath, promising);
    QCOMPARE(f.lineCount, 2);
    QCOMPARE(f.CBox6->count(), 2);

    // And another profile opens as usual.
    openWithDialog(three);
    QCOMPARE(f.lineCount, 3);
}

// The settings file cannot take the new path: the user is told, and the
// profile just made or opened is the open one, caption and lines, not the one
// the settings file still names.
void TestProfilesWindow::aProfileThatCannotBeRememberedStaysOpen()
{
    TForm1 &f = *m_form;
    const QString three = placeGolden("three_lines.hex1");
    openWithDialog(three);

    // Too long for the settings file.
    const QString longName = QString(190, QLatin1Char('p'));
    const QString longPath = m_dir->filePath(longName + QStringLiteral(".hex1"));
    answerFileDialog(m_dir->filePath(longName));
    f.SB1->click();
    QVERIFY(QFile::exists(longPath));
    QCOMPARE(lastMessage(), f.lexicons.D1.GetItem(9));
    QCOMPARE(f.currentProfilePath, longPath);
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль ") + longName);
    QCOMPARE(f.lineCount, 1);

    // A settings file that cannot be written at all.
    const QString settings = m_dir->filePath(QStringLiteral("RLC_Data/1.dat"));
    QVERIFY(QFile::remove(settings));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("elsewhere")), settings));
    openWithDialog(three);
    QVERIFY2(lastMessage().startsWith(QStringLiteral("Cannot open file")), qPrintable(lastMessage()));
    QCOMPARE(f.currentProfilePath, three);
    QCOMPARE(f.JvP8->text(), QStringLiteral("Профиль three_lines"));
    QCOMPARE(f.lineCount, 3);
    QVERIFY(f.SB3->isEnabled());
}

void TestProfilesWindow::multiPartShowsTheProfile()
{
    TForm1 &f = *m_form;
    openWithDialog(placeGolden("three_lines.hex1"));
    chooseMultiPart();

    LogTableModel &model = *f.logModel;
    QCOMPARE(model.rowCount(), 3);
    const QStringList headers = {"Позиция", "Наименование", "Основн. эталон", "Дополн.эталон", "Схема",
                                 "Частота", "Уровень",      "Интервал",       "Нач.позиция",   ""};
    for (int column = 0; column < 10; ++column)
        QCOMPARE(model.headerText(column), headers[column]);
    const QStringList rows[] = {
        {"1", "Рез-1", "R 1% 100кОм", "", "A", "A10кГц", "1.0Вскз", "1сек", "1", ""},
        {"2", "C2", "C < 100нФ", "R 12,25 1,5кОм", "S", "100Гц", "0.5Вскз", "0.5сек", "40", ""},
        {"3", "L3", "", "", "A", "A10кГц", "A0.1В", "2сек", "3", ""},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 10; ++column)
            QCOMPARE(model.cell(row, column), rows[row][column]);
    }
    QVERIFY(f.Button_Add->isEnabled());
    QVERIFY(f.Button_DEL->isEnabled());
    QVERIFY(!f.B5->isEnabled());

    // Back to single part: the 16-row layout.
    QTest::keyClick(f.CBox10, Qt::Key_Up);
    QCOMPARE(model.rowCount(), 15);
    QCOMPARE(model.headerText(1), QStringLiteral("Время"));
    QVERIFY(!f.Button_Add->isEnabled());
    QVERIFY(f.B5->isEnabled());
}

void TestProfilesWindow::tableClickAppliesTheLineAndSendsIt()
{
    TForm1 &f = *m_form;
    openWithDialog(placeGolden("three_lines.hex1"));
    chooseMultiPart();
    bringLinkUp();
    m_rig->written();

    const auto click = [&](int row, int column) {
        const QRect cell = f.SG->visualRect(f.logModel->index(row - 1, column));
        QVERIFY(cell.isValid());
        QTest::mouseClick(f.SG->viewport(), Qt::LeftButton, {}, cell.center());
    };
    // Column 5 (frequency) is not a place to choose a line.
    click(2, 5);
    QCOMPARE(f.SE2->value(), 1);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("Рез-1"));

    click(2, 1);
    QCOMPARE(f.SE2->value(), 2);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("C2"));
    QCOMPARE(f.CBox2->currentIndex(), 2);
    QVERIFY(f.CBox4->isVisible());
    QVERIFY(!f.CBox1->isVisible());
    QCOMPARE(f.CBox4->currentIndex(), 1);
    QCOMPARE(f.E2->text(), QStringLiteral("100"));
    QCOMPARE(f.CBox5->currentText(), QStringLiteral("<"));
    QCOMPARE(f.CBox51->currentText(), QStringLiteral("12,25"));
    QCOMPARE(f.CBox31->currentIndex(), 1);
    QCOMPARE(f.SE1->value(), 40);
    QCOMPARE(f.frameHold.holdFrames(), 1);
    // 100 Hz by hand, series; C by hand with R; 0.5 V by hand, 0.5 s; sound on.
    QCOMPARE(m_rig->readUntil("\x0A").toHex(' '), QByteArray("01 81 92 32 0a"));
}

void TestProfilesWindow::navigatorArrowsStepTheOtherWay()
{
    TForm1 &f = *m_form;
    openWithDialog(placeGolden("three_lines.hex1"));
    QCOMPARE(f.SE2->value(), 1);
    f.SE2->setFocus();

    // Down goes to the next line (the row below), and applies it.
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.SE2->value(), 2);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("C2"));
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("L3"));
    QCOMPARE(f.CBox5->currentIndex(), 0); // "OFF" restored as the off item
    // Past the last line: the place to append, nothing applied.
    f.CBox6->setEditText(QStringLiteral("typed"));
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.SE2->value(), 4);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("typed"));
    QVERIFY2(m_rig->messages().isEmpty(), qPrintable(lastMessage()));
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.SE2->value(), 4);
    // Up goes back.
    QTest::keyClick(f.SE2, Qt::Key_Up);
    QCOMPARE(f.SE2->value(), 3);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("L3"));
    // Typing a number applies nothing.
    f.SE2->selectAll();
    QTest::keyClicks(f.SE2, QStringLiteral("1"));
    QCOMPARE(f.SE2->value(), 1);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("L3"));
}

void TestProfilesWindow::lineButtonsOnLineTwoOfThree()
{
    TForm1 &f = *m_form;
    const QString path = placeGolden("three_lines.hex1");
    const QByteArray golden = readAll(path);
    openWithDialog(path);
    chooseMultiPart();
    // Line 1 is in the editor; a new name for it.
    f.CBox6->setEditText(QStringLiteral("X"));
    QByteArray x = lineSlice(golden, 1);
    x.replace(0, 11, QByteArray::fromHex("0158000000000000000000"));
    f.SE2->setValue(2);

    f.Button_Add->click();
    QCOMPARE(readAll(path).toHex(), (header(4) + lineSlice(golden, 1) + x + golden.mid(172)).toHex());
    QCOMPARE(f.lineCount, 4);
    QCOMPARE(f.SE2->maximum(), 5);
    QCOMPARE(f.logModel->rowCount(), 4);
    QCOMPARE(f.logModel->cell(1, 1), QStringLiteral("X"));
    // The name list follows the file, so the measuring rows get the right names.
    QCOMPARE(f.CBox6->count(), 4);
    QCOMPARE(f.CBox6->itemText(1), QStringLiteral("X"));
    QCOMPARE(f.CBox6->itemText(3), QStringLiteral("L3"));

    f.Button_DEL->click();
    // Lines 1, 2, 3 again, and the former last line kept after them.
    QCOMPARE(readAll(path).toHex(), (header(3) + golden.mid(100) + lineSlice(golden, 3)).toHex());
    QCOMPARE(f.lineCount, 3);
    QCOMPARE(f.logModel->rowCount(), 3);

    f.CBox6->setEditText(QStringLiteral("Y"));
    QByteArray y = x;
    y[1] = 'Y';
    f.BB1->click();
    QCOMPARE(readAll(path).toHex(), (header(3) + lineSlice(golden, 1) + y + lineSlice(golden, 3) +
                                      lineSlice(golden, 3)).toHex());
    QCOMPARE(f.lineCount, 3);
    QCOMPARE(f.logModel->cell(1, 1), QStringLiteral("Y"));
    QCOMPARE(f.logModel->cell(0, 1), QStringLiteral("Рез-1"));
    QVERIFY(f.Memo1->hasFocus());

    // Recording in multi-part mode: the rows carry the lines' names.
    f.SP1->setEnabled(true);
    f.SP1->click();
    QCOMPARE(f.logModel->cell(1, 1), QStringLiteral("Y"));
    QCOMPARE(f.logModel->cell(2, 1), QStringLiteral("L3"));
    f.SP1->click();
    // Through single part back to the profile view.
    QTest::keyClick(f.CBox10, Qt::Key_Up);
    chooseMultiPart();

    // "Запись" past the last line appends it.
    f.SE2->setValue(4);
    f.BB1->click();
    QCOMPARE(f.lineCount, 4);
    QCOMPARE(f.SE2->maximum(), 5);
    QCOMPARE(readAll(path).size(), 100 + 72 * 4);
    QCOMPARE(f.logModel->rowCount(), 4);
}

void TestProfilesWindow::editorFilters()
{
    TForm1 &f = *m_form;
    const QString separator = QLocale().decimalPoint();

    f.E2->clear();
    f.E2->setFocus();
    QTest::keyClicks(f.E2, QStringLiteral("1a2") + separator + QStringLiteral("5x"));
    QCOMPARE(f.E2->text(), QStringLiteral("12") + separator + QStringLiteral("5"));

    // A typed tolerance gets its "%" and hands the focus to the primary kind.
    f.CBox51->setFocus();
    f.CBox51->lineEdit()->clear();
    QTest::keyClicks(f.CBox51->lineEdit(), QStringLiteral("7"));
    QCOMPARE(f.CBox51->currentText(), QStringLiteral("7%"));
    QTRY_VERIFY(f.CBox2->hasFocus());

    f.CBox5->setFocus();
    f.CBox5->lineEdit()->selectAll();
    QTest::keyClicks(f.CBox5->lineEdit(), QStringLiteral("x"));
    QCOMPARE(f.CBox5->currentText(), QStringLiteral("%"));

    // The unit lists follow the kinds.
    f.CBox2->setCurrentIndex(1);
    QVERIFY(f.CBox3->isVisible() && !f.CBox1->isVisible() && !f.CBox4->isVisible());
    f.CBox11->setCurrentIndex(2);
    QVERIFY(!f.CBox31->isVisible());
    f.CBox11->setCurrentIndex(0);
    QVERIFY(f.CBox31->isVisible());
}

void TestProfilesWindow::rejectedReadingTurnsTheDisplayRed()
{
    TForm1 &f = *m_form;
    // Line 1: R, 1 % of 100 kOhm, secondary off.
    openWithDialog(placeGolden("one_line.hex1"));
    QCOMPARE(f.CBox5->currentText(), QStringLiteral("1%"));
    bringLinkUp();
    // The settings go out a second after the link came up, and the hold on
    // frames ends a second later.
    f.T4->start();
    QCOMPARE(m_rig->readUntil("\x0A").size(), 5);
    QTRY_COMPARE(f.frameHold.holdFrames(), 0);
    f.SP1->click();
    QVERIFY(f.SP1->isChecked());

    protocol::MeterSettings series;
    series.circuitAuto = 0;
    series.seriesCircuit = 1;
    deliver(protocol::encodeRlcFrame(series, 101500.0, 10.0, true).toByteArray());
    QCOMPARE(f.judgeResult, 1);
    QCOMPARE(f.Panel_RLCD->palette().color(QPalette::Window), panel::rejectColour());
    QCOMPARE(f.logModel->cell(0, 7), QStringLiteral("+"));
    QCOMPARE(f.logModel->cell(0, 8), QStringLiteral("1.50"));
    QCOMPARE(f.logModel->cell(0, 9), QString());
    QCOMPARE(f.logModel->data(f.logModel->index(0, 8), LogTableModel::CellMarkRole).toInt(),
             int(LogTableModel::CellMark::Reject));
    if (const QByteArray shots = qgetenv("VORLANT_SHOTS_DIR"); !shots.isEmpty())
        QVERIFY(f.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/profile_reject.png")));

    // A part within tolerance: green again... the display's own colour.
    deliver(protocol::encodeRlcFrame(series, 100500.0, 10.0, true).toByteArray());
    QCOMPARE(f.judgeResult, 0);
    QCOMPARE(f.Panel_RLCD->palette().color(QPalette::Window), panel::displayColour());
    QCOMPARE(f.logModel->cell(1, 7), QStringLiteral("-"));
    QCOMPARE(f.logModel->cell(1, 8), QStringLiteral("0.50"));
}

void TestProfilesWindow::lineThatCannotBeAppliedEndsItsHold_data()
{
    QTest::addColumn<bool>("deleted"); // else the header counts one line only
    QTest::newRow("profile deleted") << true;
    QTest::newRow("line no longer in the profile") << false;
}

void TestProfilesWindow::lineThatCannotBeAppliedEndsItsHold()
{
    QFETCH(bool, deleted);
    TForm1 &f = *m_form;
    const QString path = placeGolden("three_lines.hex1");
    openWithDialog(path);
    bringLinkUp();
    QCOMPARE(f.frameHold.holdFrames(), 0);
    if (deleted) {
        QVERIFY(QFile::remove(path));
    } else {
        QByteArray bytes = goldenBytes("three_lines.hex1");
        bytes[0] = 1;
        QVERIFY(writeAll(path, bytes));
    }
    const qsizetype boxes = m_rig->messages().size();
    f.SE2->setFocus();
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.SE2->value(), 2);
    QCOMPARE(m_rig->messages().size(), boxes + 1);

    // Nothing went to the meter, and its frames are shown again at once.
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QVERIFY(!f.Timer_TX->isActive());
    QSignalSpy shown(&f, &TForm1::frameDisplayed);
    deliver(protocol::encodeRlcFrame({}, 4700.0, 0.001, true).toByteArray());
    QCOMPARE(shown.size(), 1);
}

void TestProfilesWindow::lineAppliedWithoutLinkHoldsUntilTheLinkComesUp()
{
    TForm1 &f = *m_form;
    openWithDialog(placeGolden("three_lines.hex1"));
    f.SE2->setFocus();
    QTest::keyClick(f.SE2, Qt::Key_Down);
    QCOMPARE(f.CBox6->currentText(), QStringLiteral("C2"));
    // No link: nothing is sent and no timer ends the hold.
    QCOMPARE(f.frameHold.holdFrames(), 1);
    QVERIFY(!f.Timer_TX->isActive());

    bringLinkUp();
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QSignalSpy shown(&f, &TForm1::frameDisplayed);
    deliver(protocol::encodeRlcFrame({}, 4700.0, 0.001, true).toByteArray());
    QCOMPARE(shown.size(), 1);
}

QTEST_MAIN(TestProfilesWindow)
#include "tst_profiles_window.moc"
