// The front panel as the meter's remote control, with a pseudo-terminal
// playing the dongle and the meter: the user's clicks change the settings
// and captions, and the bytes that reach the meter are checked.

#include "app/form1.h"
#include "dongle_rig.h"

#include "link/com_port.h"
#include "link/port_finder.h"
#include "panel/drop_down.h"
#include "panel/menu_controller.h"
#include "panel/panel_field.h"
#include "protocol/frame_encoder.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>

using namespace std::chrono_literals;
using protocol::MeterSettings;

class TestForm1Remote : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void automaticFrequencyIsSentAsCodeFour();
    void everyChoiceSendsTheWholeRecord();
    void choicesWithoutLinkChangeOnlyTheWindow();
    void holdEndsOneIntervalAfterTheFirstOfQuickChoices();
    void framesWaitWhileAMenuIsOpen();
    void intervalBoxDroppedDownWithoutAChoice();
    void modeButtonsAskForTheMode_data();
    void modeButtonsAskForTheMode();
    void commandsGoOutOnlyWhileTheFinderSeesTheDongle();

private:
    // The window shown, its probe answered, the port open.
    void showWindow();
    void bringLinkUp();
    // Clicks the field that opens `list`'s menu, then the item at `row`.
    void pick(panel::PanelField *field, QListWidget *list, int row);
    QByteArray nextCommand();

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Remote::init()
{
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    m_form = std::make_unique<TForm1>();
    m_rig->countReads(*m_form);
    showWindow();
}

void TestForm1Remote::cleanup()
{
    m_form.reset();
    m_rig.reset();
}

void TestForm1Remote::showWindow()
{
    std::future<QByteArray> peer = m_rig->answerAttention({"OK", "OK"});
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTRY_VERIFY(peer.wait_for(0s) == std::future_status::ready);
    QVERIFY(m_form->portReady);
    QVERIFY(m_form->P5->isEnabled());
}

void TestForm1Remote::bringLinkUp()
{
    m_form->B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    QVERIFY(m_rig->deliver("OK+CONN\r\n"));
    QVERIFY(m_form->meterConnected);
    // The settings the link's coming up sends a second later are another
    // feature's; here only the user's commands go out.
    m_form->T4->stop();
}

void TestForm1Remote::pick(panel::PanelField *field, QListWidget *list, int row)
{
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(list->isVisible());
    QListWidgetItem *item = list->item(row);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QByteArray TestForm1Remote::nextCommand()
{
    return m_rig->readUntil("\x0A");
}

void TestForm1Remote::automaticFrequencyIsSentAsCodeFour()
{
    TForm1 &f = *m_form;
    bringLinkUp();

    pick(f.L_freq_RLC, f.ListBox_freq_RLC, 3);
    QCOMPARE(f.L_freq_RLC->text(), QStringLiteral("1 кГц"));
    QCOMPARE(nextCommand(), QByteArray("\x01\x03\x80\x21\x0A", 5));

    pick(f.L_freq_RLC, f.ListBox_freq_RLC, 0);
    QCOMPARE(f.L_freq_RLC->text(), QStringLiteral("A10 кГц"));
    const QByteArray command = nextCommand();
    QCOMPARE(command.size(), 5);
    QCOMPARE(command[1] & 0x3F, 0x24);
    QCOMPARE(f.meterSettings.freqAuto, 1);
    QCOMPARE(f.meterSettings.freqCode, 4);
    // Choosing keeps the menu open.
    QVERIFY(f.P_freq_RLC->isVisible());
}

// One user's session, step by step: what each action sends and one caption
// or control it changes at once.
void TestForm1Remote::everyChoiceSendsTheWholeRecord()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    const auto label = [](QLabel *l) { return std::function<QString()>([l] { return l->text(); }); };
    const auto enabled = [](QWidget *w) {
        return std::function<QString()>([w] { return w->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"); });
    };

    struct Step
    {
        const char *what;
        std::function<void()> act;
        QByteArray command;
        std::function<QString()> shown;
        QString expected;
    };
    const Step steps[] = {
        {"series circuit", [&] { pick(f.L_SER_PER, f.ListBox_ser_per, 2); }, QByteArray("\x01\xA4\x80\x21\x0A", 5),
         label(f.L_SER_PER1), QStringLiteral("S")},
        {"1 kHz", [&] { pick(f.L_freq_RLC, f.ListBox_freq_RLC, 3); }, QByteArray("\x01\x83\x80\x21\x0A", 5),
         label(f.L_freq_RLC), QStringLiteral("1 кГц")},
        {"R, by hand", [&] { pick(f.L_RLC_avto, f.ListBox_prim_RLC, 1); }, QByteArray("\x01\x83\x81\x21\x0A", 5),
         label(f.L_Prim_RLC), QStringLiteral("R")},
        {"secondary R keeps the circuit letter", [&] { pick(f.L_Sec_RLC, f.ListBox_sec_RLC, 1); },
         QByteArray("\x01\x83\x91\x21\x0A", 5), label(f.L_SER_PER), QStringLiteral("S")},
        {"Q clears the circuit letter", [&] { pick(f.L_Sec_RLC, f.ListBox_sec_RLC, 2); },
         QByteArray("\x01\x83\xA1\x21\x0A", 5), label(f.L_SER_PER), QStringLiteral(" ")},
        {"sound off", [&] { QTest::mouseClick(f.SP2, Qt::LeftButton); }, QByteArray("\x01\x83\x21\x21\x0A", 5),
         label(f.L_Sec_RLC), QStringLiteral("Q")},
        {"0.5 V", [&] { pick(f.L_Level_RLC, f.ListBox_Level_RLC, 2); }, QByteArray("\x01\x83\x21\x22\x0A", 5),
         label(f.L_Level_RLC), QStringLiteral("0.5Вскз")},
        {"0.5 s", [&] { QTest::keyClick(f.CB1, Qt::Key_Up); }, QByteArray("\x01\x83\x21\x32\x0A", 5),
         label(f.L_Level_RLC), QStringLiteral("0.5Вскз")},
        {"1 s", [&] { QTest::keyClick(f.CB1, Qt::Key_Down); }, QByteArray("\x01\x83\x21\x22\x0A", 5),
         label(f.L_Level_RLC), QStringLiteral("0.5Вскз")},
        {"brightness off", [&] { QTest::mouseClick(f.SP4, Qt::LeftButton); }, QByteArray("\x41\x83\x21\x22\x0A", 5),
         label(f.L_Prim_RLC), QStringLiteral("R")},
        {"capture", [&] { QTest::mouseClick(f.SP3, Qt::LeftButton); }, QByteArray("\x41\x83\x21\xA2\x0A", 5),
         enabled(f.SP1), QStringLiteral("off")},
        {"capture released", [&] { QTest::mouseClick(f.SP3, Qt::LeftButton); },
         QByteArray("\x41\x83\x21\x22\x0A", 5), enabled(f.SP1), QStringLiteral("on")},
        {"defaults", [&] { QTest::mouseClick(f.SBe1, Qt::LeftButton); }, QByteArray("\x41\x24\x80\x21\x0A", 5),
         label(f.L_SER_PER), QStringLiteral("A")},
    };
    for (const Step &step : steps) {
        step.act();
        QVERIFY2(f.frameHold.holdFrames() == 1, step.what);
        QCOMPARE(nextCommand().toHex(' '), step.command.toHex(' '));
        QVERIFY2(step.shown() == step.expected, qPrintable(QStringLiteral("%1: %2 instead of %3")
                                                               .arg(QLatin1String(step.what), step.shown(),
                                                                    step.expected)));
    }
    QCOMPARE(f.meterSettings, MeterSettings{});
    // Nothing else went out.
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Remote::choicesWithoutLinkChangeOnlyTheWindow()
{
    TForm1 &f = *m_form;
    pick(f.L_freq_RLC, f.ListBox_freq_RLC, 0);
    pick(f.L_Prim_RLC, f.ListBox_prim_RLC, 4);
    QTest::mouseClick(f.SP2, Qt::LeftButton);

    QCOMPARE(f.L_freq_RLC->text(), QStringLiteral("A10 кГц"));
    QCOMPARE(f.L_Prim_RLC->text(), QStringLiteral("Z"));
    QCOMPARE(f.meterSettings.primaryCode, 4);
    QCOMPARE(f.meterSettings.sound, 0);
    // Nothing is sent, so the record is not pinned to what a command would say.
    QCOMPARE(f.meterSettings.freqCode, 0);
    QVERIFY(!f.Timer_TX->isActive());
    QCOMPARE(f.frameHold.holdFrames(), 1);
    QTest::qWait(0);
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Remote::holdEndsOneIntervalAfterTheFirstOfQuickChoices()
{
    TForm1 &f = *m_form;
    bringLinkUp();

    pick(f.L_Level_RLC, f.ListBox_Level_RLC, 3);
    QCOMPARE(nextCommand().size(), 5);
    QVERIFY(f.Timer_TX->isActive());
    // The second choice comes a while later, within the interval.
    QTRY_VERIFY(f.Timer_TX->remainingTime() < f.Timer_TX->interval() - 50);
    const int left = f.Timer_TX->remainingTime();
    pick(f.L_Level_RLC, f.ListBox_Level_RLC, 1);
    QCOMPARE(nextCommand().size(), 5);
    QCOMPARE(f.frameHold.holdFrames(), 1);
    QVERIFY(f.Timer_TX->remainingTime() <= left);

    // The hold ends with the timer of the first choice, though the menu is open.
    QVERIFY(fireTimer(f.Timer_TX));
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QVERIFY(!f.Timer_TX->isActive());
    QVERIFY(f.P_level_RLC->isVisible());
}

void TestForm1Remote::framesWaitWhileAMenuIsOpen()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    MeterSettings reported;
    reported.secondaryAuto = 0;
    reported.secondaryCode = 4; // the phase angle, which no list item stands for
    reported.primaryAuto = 0;
    reported.primaryCode = 3;
    const QByteArray frame = protocol::encodeRlcFrame(reported, 2.0, 6.2832, true).toByteArray();

    QTest::mouseMove(&f, f.L_freq_RLC->mapTo(&f, QPoint(10, 10)));
    QTest::mouseClick(f.L_freq_RLC, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&f, f.L_Prim_RLC->mapTo(&f, QPoint(10, 10)));
    QTest::mouseClick(f.L_Prim_RLC, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(f.frameHold.holdFrames(), 1);
    const QString before = f.L_Sec_RLC->text();
    QVERIFY(m_rig->deliver(frame));
    QCOMPARE(f.L_Sec_RLC->text(), before);
    QCOMPARE(f.L_prim_n->text(), QString());
    QCOMPARE(f.meterSettings, MeterSettings{});

    // Out of the primary list: every menu closes, the frequency menu too.
    QTest::mouseMove(&f, f.ListBox_prim_RLC->mapTo(&f, QPoint(40, 30)));
    QVERIFY(f.P_prim_RLC->isVisible());
    QTest::mouseMove(&f, f.Panel_RLCD->mapTo(&f, QPoint(300, 120)));
    QTRY_VERIFY(!f.menus->isAnyMenuOpen());
    QCOMPARE(f.frameHold.holdFrames(), 0);

    QVERIFY(m_rig->deliver(frame));
    QCOMPARE(f.meterSettings, reported);
    QCOMPARE(f.L_Sec_RLC->text(), QStringLiteral("Ɵ"));
    QCOMPARE(f.ListBox_sec_RLC->currentRow(), -1);
    QVERIFY(f.ListBox_sec_RLC->selectedItems().isEmpty());
    QVERIFY(!f.L_prim_n->text().isEmpty());
    // Controls set from the frame send nothing back.
    QTest::qWait(0);
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Remote::intervalBoxDroppedDownWithoutAChoice()
{
    TForm1 &f = *m_form;
    bringLinkUp();

    f.CB1->showPopup();
    QTRY_VERIFY(f.CB1->view()->isVisible());
    QCOMPARE(f.frameHold.holdFrames(), 1);
    f.CB1->hidePopup();
    QTRY_VERIFY(!f.CB1->view()->isVisible());
    QCOMPARE(f.CB1->currentIndex(), 1);

    // Nothing is sent, and the display comes back to life a second later.
    QCOMPARE(f.Timer_TX->interval(), 1000);
    QVERIFY(fireTimer(f.Timer_TX));
    QCOMPARE(f.frameHold.holdFrames(), 0);
    QCOMPARE(m_rig->written(), QByteArray());
}

void TestForm1Remote::modeButtonsAskForTheMode_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("brightness");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("RLCD") << "Button2" << true << true << QByteArray("\x81\x01\x01\x01\x0A", 5);
    QTest::newRow("RD") << "Button1" << true << true << QByteArray("\x82\x01\x01\x01\x0A", 5);
    QTest::newRow("U") << "Button3" << true << true << QByteArray("\x83\x01\x01\x01\x0A", 5);
    QTest::newRow("RD, brightness off") << "Button1" << false << true << QByteArray("\xC2\x01\x01\x01\x0A", 5);
    // The dongle's port is enough; the meter link is not asked for.
    QTest::newRow("U, no link") << "Button3" << true << false << QByteArray("\x83\x01\x01\x01\x0A", 5);
}

void TestForm1Remote::modeButtonsAskForTheMode()
{
    QFETCH(QString, button);
    QFETCH(bool, brightness);
    QFETCH(bool, linked);
    QFETCH(QByteArray, command);
    TForm1 &f = *m_form;
    if (linked)
        bringLinkUp();
    f.SP4->setChecked(brightness);

    QTest::mouseClick(f.findChild<QPushButton *>(button), Qt::LeftButton);
    QCOMPARE(nextCommand().toHex(' '), command.toHex(' '));
    QCOMPARE(f.frameHold.holdFrames(), 0);
    // The display follows the meter's frames, not the button.
    QVERIFY(f.Panel_RLCD->isVisible());
    if (button == QLatin1String("Button1")) {
        QVERIFY(m_rig->deliver(protocol::encodeRdFrame(650.0, 1000.0, 4.5, protocol::RdStatus{}, brightness).toByteArray()));
        QVERIFY(f.Panel_RD->isVisible());
        QVERIFY(!f.Panel_RLCD->isVisible());
    }
}

// The port stays open when a search misses the dongle, but nothing goes to
// it until a search finds the dongle again.
void TestForm1Remote::commandsGoOutOnlyWhileTheFinderSeesTheDongle()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    m_rig->setFound(false);
    QVERIFY(!f.portFinder->search());
    QVERIFY(f.ComPort->Connected());

    // Writes block until the bytes have left, so none can still be on the way.
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(m_rig->written(), QByteArray());
    // The hold-off runs as for a command that went out.
    QVERIFY(f.Timer_TX->isActive());

    m_rig->setFound(true);
    QVERIFY(f.portFinder->search());
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(nextCommand(), QByteArray("\x82\x01\x01\x01\x0A", 5));
}

QTEST_MAIN(TestForm1Remote)
#include "tst_form1_remote.moc"
