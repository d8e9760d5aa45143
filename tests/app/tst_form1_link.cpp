// The window's link to the dongle, with a pseudo-terminal playing the dongle.

#include "app/form1.h"
#include "dongle_rig.h"

#include "link/com_port.h"
#include "event_faults.h"
#include "panel/panel_field.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cerrno>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString kConnectCaption = QStringLiteral("Подключить");
const QString kDisconnectCaption = QStringLiteral("Отключить");
const QString kBlank = QStringLiteral(" ");

QString lastLine(const QPlainTextEdit *memo)
{
    return memo->toPlainText().section(QLatin1Char('\n'), -1);
}

} // namespace

class TestForm1Link : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void probeAtFirstShowing_data();
    void probeAtFirstShowing();
    void probeWithoutDongleStaysSilent();
    void connectPressWritesTheRequest();
    void connectPressWithoutDongleKeepsTheCaption();
    void repliesDriveTheLinkState_data();
    void repliesDriveTheLinkState();
    void linkUpSendsTheSettingsAfterAPause();
    void settingsGoOutOnlyWhileLinked();
    void disconnectPressAndLostLink();
    void autoOptionRequestsOnEveryTick();
    void serialErrorOnlyBlanksTheLastSideLine();
    void closingWhileLinkedDropsTheLink();
    void supervisionClosesThePortOfAPresentDongle();
    void vanishedDongleIsReopenedWhenItReturns_data();
    void vanishedDongleIsReopenedWhenItReturns();
    void deafPortIsReopened_data();
    void deafPortIsReopened();

private:
    // The window opens the port as a press on B2 does, asking for the link.
    void pressConnect();
    void bringLinkUp();

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Link::init()
{
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    m_form = std::make_unique<TForm1>();
    m_rig->countReads(*m_form);
}

void TestForm1Link::cleanup()
{
    m_form.reset();
    m_rig.reset();
}

void TestForm1Link::pressConnect()
{
    m_form->B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    QVERIFY(m_form->ComPort->Connected());
    QCOMPARE(m_form->B2->text(), kBlank);
}

void TestForm1Link::bringLinkUp()
{
    pressConnect();
    QVERIFY(m_rig->deliver("OK+CONNL"));
    QVERIFY(m_rig->deliver("OK+CONN\r\n"));
    QVERIFY(m_form->meterConnected);
}

void TestForm1Link::probeAtFirstShowing_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("passes");

    QTest::newRow("OK") << QByteArray("OK") << true;
    QTest::newRow("OK among other bytes") << QByteArray("x\x01OK+y") << true;
    QTest::newRow("lower case") << QByteArray("ok") << false;
    QTest::newRow("silence") << QByteArray() << false;
}

void TestForm1Link::probeAtFirstShowing()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, passes);

    std::future<QByteArray> peer = m_rig->answerAttention({answer, answer});
    m_form->show();
    // The probe holds the window's thread until it has read the second answer.
    QTRY_VERIFY(peer.wait_for(0s) == std::future_status::ready);
    QCOMPARE(peer.get(), QByteArray("ATAT"));

    if (passes) {
        QVERIFY(m_rig->messages().isEmpty());
        QVERIFY(m_form->ComPort->Connected());
        QVERIFY(m_form->portReady);
    } else {
        QCOMPARE(m_rig->messages().size(), 1);
        QCOMPARE(m_rig->messages().first().caption, QStringLiteral("Test"));
        QCOMPARE(m_rig->messages().first().text, QStringLiteral("No modem responding on ") + m_rig->portName());
        QVERIFY(!m_form->ComPort->Connected());
        QVERIFY(!m_form->portReady);
        // Closing a present dongle's port drops a link it may have.
        QCOMPARE(m_rig->readUntil("AT"), QByteArray("AT"));
    }
    // Probed once only.
    m_form->hide();
    m_form->show();
    QTest::qWait(0);
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Link::probeWithoutDongleStaysSilent()
{
    m_rig->unplug();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::qWait(0);
    QVERIFY(m_rig->messages().isEmpty());
    QVERIFY(!m_form->ComPort->Connected());
    QVERIFY(m_form->T3->isActive());
}

void TestForm1Link::connectPressWritesTheRequest()
{
    pressConnect();
    QVERIFY(m_form->portReady);
    // Opening the port enables the button again.
    QVERIFY(m_form->B2->isEnabled());
    QVERIFY(!m_form->T2->isActive());
}

void TestForm1Link::connectPressWithoutDongleKeepsTheCaption()
{
    m_rig->unplug();
    m_form->B2->click();
    QVERIFY(!m_form->B2->isEnabled());
    QCOMPARE(m_form->B2->text(), kConnectCaption);
    QVERIFY(!m_form->ComPort->Connected());
    QVERIFY(!m_form->T2->isActive());
}

void TestForm1Link::repliesDriveTheLinkState_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("memo"); // the message box afterwards
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("buttonEnabled");
    QTest::addColumn<bool>("t2Running");

    QTest::newRow("connecting") << QByteArray("OK+CONNL") << QStringLiteral("Подключаемся...") << false << kBlank
                                << false << false;
    QTest::newRow("attempt error") << QByteArray("OK+CONNE") << QString() << false << kBlank << true << true;
    QTest::newRow("attempt failed") << QByteArray("OK+CONNF") << QString() << false << kBlank << true << true;
    QTest::newRow("error and failure") << QByteArray("OK+CONNEOK+CONNF") << QString() << false << kBlank << true
                                       << true;
    QTest::newRow("no meter") << QByteArray("OK+CONNN") << QStringLiteral("NN Нет подключения") << false << kBlank
                              << true << true;
    QTest::newRow("linked") << QByteArray("OK+CONN\r\n") << QStringLiteral("Подключено") << true
                            << kDisconnectCaption << true << true;
    QTest::newRow("request and link in one read") << QByteArray("OK+CONNLOK+CONN\r\n\x01") << QStringLiteral("Подключено")
                                                  << true << kDisconnectCaption << true << true;
    QTest::newRow("request and link, nothing after") << QByteArray("OK+CONNLOK+CONN\r\n") << QString() << false
                                                     << kBlank << true << false;
    QTest::newRow("link without line end") << QByteArray("OK+CONN") << QString() << false << kBlank << true << false;
    // The idle dongle answers the press on the blank button: it offers to connect again.
    QTest::newRow("idle answer") << QByteArray("OK") << QStringLiteral("OK") << false << kConnectCaption << true
                                 << true;
}

void TestForm1Link::repliesDriveTheLinkState()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, memo);
    QFETCH(bool, linked);
    QFETCH(QString, caption);
    QFETCH(bool, buttonEnabled);
    QFETCH(bool, t2Running);

    pressConnect();
    QVERIFY(m_rig->deliver(bytes));

    TForm1 &f = *m_form;
    QCOMPARE(f.Memo1->toPlainText(), memo);
    QCOMPARE(f.meterConnected, linked);
    QCOMPARE(f.B2->text(), caption);
    QCOMPARE(f.B2->isEnabled(), buttonEnabled);
    QCOMPARE(f.T2->isActive(), t2Running);
    QCOMPARE(f.SP1->isEnabled(), linked);
    QCOMPARE(f.T3->isActive(), !linked);
    QCOMPARE(f.T4->isActive(), linked);
    QCOMPARE(f.SB4->isChecked(), !linked);
    // Nothing is written in answer to a reply.
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Link::linkUpSendsTheSettingsAfterAPause()
{
    bringLinkUp();
    TForm1 &f = *m_form;
    QVERIFY(f.T4->isActive());
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QCOMPARE(m_rig->written(), QByteArray());

    // The pause over: the defaults go out, with brightness on, and frames are held.
    QVERIFY(fireTimer(f.T4));
    const QByteArray settings("\x01\x24\x80\x21\x0A", 5);
    QCOMPARE(m_rig->readUntil(settings), settings);
    QVERIFY(!f.T4->isActive());
    QCOMPARE(f.frameHold.holdFrames(), 1);
    QVERIFY(f.Timer_TX->isActive());

    QVERIFY(fireTimer(f.Timer_TX));
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QVERIFY(!f.Timer_TX->isActive());
}

void TestForm1Link::settingsGoOutOnlyWhileLinked()
{
    TForm1 &f = *m_form;
    pressConnect();
    f.meterSettings.freqCode = 9; // automatic frequency: the record follows the command
    f.sendSettingsCommand();
    QVERIFY(!f.Timer_TX->isActive());
    QCOMPARE(f.meterSettings.freqCode, 9);

    QVERIFY(m_rig->deliver("OK+CONN\r\n"));
    f.T4->stop();
    f.SP4->setChecked(false);
    f.sendSettingsCommand();
    QCOMPARE(m_rig->readUntil("\x0A"), QByteArray("\x41\x24\x80\x21\x0A", 5));
    QCOMPARE(f.meterSettings.freqCode, 4);
    QVERIFY(f.Timer_TX->isActive());

    // A second command within the hold-off does not push its end back.
    QTRY_VERIFY(f.Timer_TX->remainingTime() < f.Timer_TX->interval() - 50);
    const int left = f.Timer_TX->remainingTime();
    f.meterSettings.sound = 0;
    f.sendSettingsCommand();
    QVERIFY(f.Timer_TX->remainingTime() <= left);
    QCOMPARE(m_rig->readUntil("\x0A"), QByteArray("\x41\x24\x00\x21\x0A", 5));
    QVERIFY(fireTimer(f.Timer_TX));
    QVERIFY(!f.Timer_TX->isActive());
}

void TestForm1Link::disconnectPressAndLostLink()
{
    bringLinkUp();
    TForm1 &f = *m_form;
    QLabel *readings[] = {f.L_prim_n, f.L_sec_n, f.L_righ1, f.L_righ2, f.L_righ3, f.L_righ4};
    for (QLabel *field : readings)
        field->setText(QStringLiteral("1.0000 кОм"));
    f.L_freq_RLC->setText(QStringLiteral("A 10 кГц"));

    // "OK+CONNL" took the button; the link's coming up gives it back two seconds later.
    QVERIFY(!f.B2->isEnabled());
    QCOMPARE(f.T2->interval(), 2000);
    QVERIFY(fireTimer(f.T2));
    QVERIFY(f.B2->isEnabled());
    QVERIFY(!f.T2->isActive());
    QCOMPARE(f.B2->text(), kDisconnectCaption);
    m_rig->written();
    f.B2->click();
    QCOMPARE(f.B2->text(), kBlank);
    QVERIFY(!f.B2->isEnabled());
    QCOMPARE(m_rig->readUntil("AT"), QByteArray("AT"));

    QVERIFY(m_rig->deliver("OK+LOST"));
    QVERIFY(!f.meterConnected);
    for (QLabel *field : readings)
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    QCOMPARE(f.L_freq_RLC->text(), QStringLiteral("A 10 кГц"));
    QCOMPARE(lastLine(f.Memo1), QStringLiteral("Отключено"));
    QCOMPARE(f.B2->text(), kConnectCaption);
    QVERIFY(f.T3->isActive());
    QVERIFY(f.T2->isActive());
    QVERIFY(f.SB4->isChecked());
    QVERIFY(!f.SP1->isEnabled());
    QVERIFY(f.Button_Add->isEnabled());
    QVERIFY(f.Button_DEL->isEnabled());

    // The button returns two seconds later.
    QVERIFY(!f.B2->isEnabled());
    QVERIFY(fireTimer(f.T2));
    QVERIFY(f.B2->isEnabled());
}

void TestForm1Link::autoOptionRequestsOnEveryTick()
{
    TForm1 &f = *m_form;
    f.CheckBox_connect_auto->click();
    QVERIFY(f.CheckBox_connect_auto->isChecked());
    QVERIFY(!f.B2->isEnabled());

    f.T3Timer();
    QVERIFY(f.ComPort->Connected());
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    // The port's opening enabled the button; the tick takes it back.
    QVERIFY(!f.B2->isEnabled());

    QVERIFY(m_rig->deliver("OK+CONNF"));
    f.T2Timer();
    QVERIFY(!f.B2->isEnabled());
    f.T3Timer();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));

    // Without the option the tick only keeps the port open.
    f.CheckBox_connect_auto->click();
    QVERIFY(f.B2->isEnabled());
    f.T3Timer();
    QTest::qWait(0);
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Link::serialErrorOnlyBlanksTheLastSideLine()
{
    bringLinkUp();
    TForm1 &f = *m_form;
    f.L_righ3->setText(QStringLiteral("Q 1.0000"));
    f.L_righ4->setText(QStringLiteral("Ɵ 1.0000°"));
    // Thrown by nothing: the failure arrives as the port's error event.
    f.ComPort->SetSyncMethod(smThreadSync);
    QCOMPARE(f.L_righ4->text(), QString());
    QCOMPARE(f.L_righ3->text(), QStringLiteral("Q 1.0000"));
    QVERIFY(f.meterConnected);
    QVERIFY(f.ComPort->Connected());
}

void TestForm1Link::closingWhileLinkedDropsTheLink()
{
    bringLinkUp();
    m_rig->written();
    m_form->close();
    QVERIFY(!m_form->T3->isActive());
    QVERIFY(!m_form->P5->isEnabled());
    m_form.reset();
    // The settings may have gone out first.
    QVERIFY(m_rig->readUntil("AT").endsWith("AT"));
}

void TestForm1Link::vanishedDongleIsReopenedWhenItReturns_data()
{
    QTest::addColumn<bool>("linked");
    QTest::newRow("linked") << true;
    QTest::newRow("idle") << false;
}

void TestForm1Link::vanishedDongleIsReopenedWhenItReturns()
{
    QFETCH(bool, linked);
    TForm1 &f = *m_form;
    if (linked)
        bringLinkUp();
    else
        pressConnect();

    m_rig->unplug();
    // The port watch notices, whether the supervision runs or not.
    QCOMPARE(f.T3->isActive(), !linked);
    QVERIFY(fireTimer(f.portWatch));
    QTRY_VERIFY(!f.ComPort->Connected());
    QVERIFY(!f.meterConnected);
    QVERIFY(f.T3->isActive());
    if (linked) {
        QCOMPARE(lastLine(f.Memo1), QStringLiteral("Отключено"));
        QCOMPARE(f.B2->text(), kConnectCaption);
    }

    QVERIFY(m_rig->replug());
    QVERIFY(fireTimer(f.T3));
    QVERIFY(f.ComPort->Connected());
    if (f.T2->isActive())
        QVERIFY(fireTimer(f.T2));
    QVERIFY(f.B2->isEnabled());
    if (!linked) {
        // Still the blank caption of the press before: a press asks the idle
        // dongle, and its answer brings the caption back.
        QCOMPARE(f.B2->text(), kBlank);
        f.B2->click();
        QCOMPARE(m_rig->readUntil("AT"), QByteArray("AT"));
        QVERIFY(m_rig->deliver("OK"));
        QVERIFY(fireTimer(f.T2));
        QVERIFY(f.B2->isEnabled());
    }
    QCOMPARE(f.B2->text(), kConnectCaption);
    m_rig->written();
    f.B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    QVERIFY(m_rig->deliver("OK+CONN\r\n"));
    QVERIFY(f.meterConnected);
}

// The finder loses the dongle while its device is still there (another
// device took the name, say): supervision closes the port, and the closing
// tells the dongle to drop the link.
void TestForm1Link::supervisionClosesThePortOfAPresentDongle()
{
    TForm1 &f = *m_form;
    pressConnect();
    QVERIFY(m_rig->deliver("OK+CONNL"));
    f.L_prim_n->setText(QStringLiteral("1.0000"));
    m_rig->setFound(false);
    QVERIFY(fireTimer(f.T3));

    QVERIFY(!f.ComPort->Connected());
    QCOMPARE(m_rig->readUntil("AT"), QByteArray("AT"));
    QCOMPARE(lastLine(f.Memo1), QStringLiteral("Отключено"));
    QVERIFY(!f.portReady);
    QCOMPARE(f.B2->text(), kConnectCaption);
    QVERIFY(!f.B2->isEnabled());
    QVERIFY(f.T2->isActive());
    QVERIFY(f.T3->isActive());
    QVERIFY(f.L_prim_n->text().isEmpty());

    // Found again: the next tick opens the port, and a press asks for the link.
    m_rig->setFound(true);
    QVERIFY(fireTimer(f.T3));
    QVERIFY(f.ComPort->Connected());
    QVERIFY(f.portReady);
    f.B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
}

// The port's event thread ends without a hang-up while the dongle stays: no
// notice would come any more, so the window closes the port and opens it
// again, as after an unplug.
void TestForm1Link::deafPortIsReopened_data()
{
    QTest::addColumn<comport::testing::EventFault>("fault");
    QTest::addColumn<int>("err");
    QTest::newRow("device error") << comport::testing::EventFault::DeviceError << 0;
    QTest::newRow("failed wait") << comport::testing::EventFault::WaitFails << EBADF;
}

void TestForm1Link::deafPortIsReopened()
{
    QFETCH(comport::testing::EventFault, fault);
    QFETCH(int, err);
    TForm1 &f = *m_form;
    bringLinkUp();
    m_rig->written();

    comport::testing::injectEventFault(fault, err);
    QVERIFY(m_rig->send("OK"));
    QTRY_VERIFY(!f.ComPort->Connected());
    QCOMPARE(m_rig->readUntil("AT"), QByteArray("AT"));
    QVERIFY(!f.meterConnected);
    QVERIFY(!f.portReady);
    QCOMPARE(lastLine(f.Memo1), QStringLiteral("Отключено"));
    QVERIFY(f.T3->isActive());

    QVERIFY(fireTimer(f.T3));
    QVERIFY(f.ComPort->Connected());
    QVERIFY(fireTimer(f.T2));
    f.B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    QVERIFY(m_rig->deliver("OK+CONN\r\n"));
    QVERIFY(f.meterConnected);
}

QTEST_MAIN(TestForm1Link)
#include "tst_form1_link.moc"
