// Readings reaching the display: frames from a pseudo-terminal playing the
// meter, the window writing what the protocol decoders computed.

#include "app/form1.h"
#include "dongle_rig.h"

#include "link/com_port.h"
#include "panel/panel_field.h"
#include "protocol/frame_encoder.h"
#include "protocol/rd_u_decoder.h"
#include "protocol/rlc_decoder.h"
#include "protocol/settings_indicators.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

using protocol::MeterFrame;
using protocol::MeterSettings;

Q_DECLARE_METATYPE(MeterFrame)

namespace {

MeterSettings settingsWith(void (*change)(MeterSettings &))
{
    MeterSettings s;
    change(s);
    return s;
}

} // namespace

class TestForm1Frames : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rlcdFrameFillsTheDisplay_data();
    void rlcdFrameFillsTheDisplay();
    void rdAndUFramesSwitchThePanel();
    void readsThatShowNothing_data();
    void readsThatShowNothing();

private:
    protocol::FormatContext context() const
    {
        return {m_form->lexicons.unitTexts(), protocol::NumberSeparators::fromLocale()};
    }

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Frames::init()
{
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    m_form = std::make_unique<TForm1>();
    m_rig->countReads(*m_form);
    // No link is asked for: frames are shown whatever the link state.
    QVERIFY(m_form->findAndOpenDongle());
    QVERIFY(m_form->ComPort->Connected());
}

void TestForm1Frames::cleanup()
{
    m_form.reset();
    m_rig.reset();
}

void TestForm1Frames::rlcdFrameFillsTheDisplay_data()
{
    QTest::addColumn<MeterFrame>("frame");
    QTest::addColumn<bool>("brightness");

    QTest::newRow("defaults, resistor") << protocol::encodeRlcFrame(MeterSettings{}, 4700.0, 0.001, true) << true;
    QTest::newRow("capacitor by hand, negative, brightness off")
        << protocol::encodeRlcFrame(settingsWith([](MeterSettings &s) {
                                        s.primaryAuto = 0;
                                        s.primaryCode = 2;
                                        s.secondaryCode = 3;
                                        s.negativeSign = 1;
                                        s.freqAuto = 0;
                                        s.freqCode = 3;
                                        s.circuitAuto = 0;
                                        s.seriesCircuit = 1;
                                    }),
                                    0.2, -159.15, false)
        << false;
    QTest::newRow("impedance with a resistance, 75 kHz")
        << protocol::encodeRlcFrame(settingsWith([](MeterSettings &s) {
                                        s.primaryCode = 4;
                                        s.secondaryCode = 1;
                                        s.freqCode = 11;
                                        s.levelCode = 4;
                                        s.capture = 1;
                                        s.sound = 0;
                                        s.intervalCode = 3;
                                    }),
                                    120.0, 33.0, true)
        << true;
    // No frequency shown: the side column is empty; phase angle has no list item.
    QTest::newRow("no frequency, phase angle")
        << protocol::encodeRlcFrame(settingsWith([](MeterSettings &s) {
                                        s.freqCode = 0;
                                        s.secondaryAuto = 0;
                                        s.secondaryCode = 4;
                                        s.primaryCode = 3;
                                    }),
                                    2.0, 6.2832, true)
        << true;
}

void TestForm1Frames::rlcdFrameFillsTheDisplay()
{
    QFETCH(MeterFrame, frame);
    QFETCH(bool, brightness);

    TForm1 &f = *m_form;
    // Start from the other state, so the frame has to set it.
    f.SP4->setChecked(!brightness);
    f.Panel_RLCD->hide();
    f.Panel_U->show();
    QSignalSpy shown(&f, &TForm1::frameDisplayed);

    QVERIFY(m_rig->deliver(frame.toByteArray()));

    const protocol::RlcDecodeResult core = protocol::decodeRlcFrame(frame, context());
    QCOMPARE(shown.size(), 1);
    QVERIFY(f.Panel_RLCD->isVisibleTo(&f));
    QVERIFY(!f.Panel_U->isVisibleTo(&f));
    QVERIFY(!f.Panel_RD->isVisibleTo(&f));
    QVERIFY(f.SP3->isEnabled());
    QCOMPARE(f.SP4->isChecked(), brightness);

    QCOMPARE(f.meterSettings, core.settings);
    QCOMPARE(f.rlcReading.frequencyHz, core.reading.frequencyHz);
    QCOMPARE(f.rlcReading.seriesResistance, core.reading.seriesResistance);
    QCOMPARE(f.frequencyText, core.frequencyText);
    QCOMPARE(f.levelText, core.levelText.value_or(QString()));

    QCOMPARE(f.L_prim_n->text(), core.L_prim_n.value_or(QString()));
    QCOMPARE(f.L_sec_n->text(), core.L_sec_n.value_or(QString()));
    QCOMPARE(f.L_SER_PER->text(), core.L_SER_PER);
    QCOMPARE(f.L_SER_PER1->text(), core.L_SER_PER1);
    QCOMPARE(f.L_righ1->text(), core.L_righ1);
    QCOMPARE(f.L_righ2->text(), core.L_righ2);
    QCOMPARE(f.L_righ3->text(), core.L_righ3);
    QCOMPARE(f.L_righ4->text(), core.L_righ4);

    const protocol::SettingIndicators indicators =
        protocol::showSettingIndicators(core.settings, core.reading.frequencyHz, f.lexicons.unitTexts(), true);
    QCOMPARE(f.L_freq_RLC->text(), indicators.L_freq_RLC);
    QCOMPARE(f.L_Level_RLC->text(), indicators.L_Level_RLC);
    QCOMPARE(f.L_RLC_avto->text(), indicators.L_RLC_avto);
    QCOMPARE(f.L_RQD_avto->text(), indicators.L_RQD_avto);
    QCOMPARE(f.L_Prim_RLC->text(), indicators.L_Prim_RLC.value_or(QString()));
    QCOMPARE(f.L_Sec_RLC->text(), indicators.L_Sec_RLC.value_or(QString()));
    QCOMPARE(f.SP3->isChecked(), indicators.SP3_down);
    QCOMPARE(f.SP2->isChecked(), indicators.SP2_down);

    const protocol::ListSelection lists = protocol::selectListsFromSettings(core.settings);
    const std::pair<QListWidget *, int> selections[] = {
        {f.ListBox_freq_RLC, lists.ListBox_freq_RLC}, {f.ListBox_prim_RLC, lists.ListBox_prim_RLC},
        {f.ListBox_sec_RLC, lists.ListBox_sec_RLC},   {f.ListBox_Level_RLC, lists.ListBox_Level_RLC},
        {f.ListBox_ser_per, lists.ListBox_ser_per},
    };
    for (const auto &[list, index] : selections) {
        const int expected = index < list->count() ? index : -1;
        QCOMPARE(list->currentRow(), expected);
        QCOMPARE(list->selectedItems().size(), expected < 0 ? 0 : 1);
    }
}

void TestForm1Frames::rdAndUFramesSwitchThePanel()
{
    TForm1 &f = *m_form;
    const protocol::RdStatus diode{1, true, 0};
    const MeterFrame rd = protocol::encodeRdFrame(650.0, 1000.0, 4.5, diode, true);
    QVERIFY(m_rig->deliver(rd.toByteArray()));

    const protocol::RdDecodeResult rdText = protocol::decodeRdFrame(rd, context());
    QVERIFY(f.Panel_RD->isVisibleTo(&f));
    QVERIFY(!f.Panel_RLCD->isVisibleTo(&f));
    QVERIFY(!f.Panel_U->isVisibleTo(&f));
    QVERIFY(!f.SP3->isEnabled());
    QCOMPARE(f.RD_Prim->text(), rdText.RD_Prim);
    QCOMPARE(f.RD_prim_R->text(), rdText.RD_prim_R);
    QCOMPARE(f.RD_V->text(), rdText.RD_V.value_or(QString()));
    QCOMPARE(f.RD_Auto->text(), rdText.RD_Auto);
    QCOMPARE(f.J_prim->text(), rdText.J_prim);
    QCOMPARE(f.Joo->text(), rdText.Joo);
    QCOMPARE(f.RD_J->text(), rdText.RD_J);
    QCOMPARE(f.RD_J1->text(), rdText.RD_J1);
    QCOMPARE(f.Im_Diod->pixmap().cacheKey(), f.ImList1.at(int(rdText.Im_Diod)).cacheKey());

    const MeterFrame u = protocol::encodeUFrame(1.234, 3.49, -12.3456, false);
    QVERIFY(m_rig->deliver(u.toByteArray()));
    const protocol::UDecodeResult uText = protocol::decodeUFrame(u, context());
    QVERIFY(f.Panel_U->isVisibleTo(&f));
    QVERIFY(!f.Panel_RD->isVisibleTo(&f));
    QVERIFY(!f.SP4->isChecked());
    QCOMPARE(f.U_Prim->text(), uText.U_Prim);
    QCOMPARE(f.U_vrm->text(), uText.U_vrm);
    QCOMPARE(f.U_pp->text(), uText.U_pp);
    // Neither mode touches the settings record.
    QCOMPARE(f.meterSettings, MeterSettings{});

    QVERIFY(m_rig->deliver(protocol::encodeRlcFrame(MeterSettings{}, 10.0, 1.0, true).toByteArray()));
    QVERIFY(f.Panel_RLCD->isVisibleTo(&f));
    QVERIFY(!f.Panel_U->isVisibleTo(&f));
    QVERIFY(f.SP3->isEnabled());
}

void TestForm1Frames::readsThatShowNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("brightnessAfter"); // the brightness button starts down

    const QByteArray frame = protocol::encodeRlcFrame(MeterSettings{}, 4700.0, 0.001, false).toByteArray();
    QByteArray badTrailer = frame;
    badTrailer[17] = '\x0D';
    QByteArray noMode = frame;
    noMode[15] = '\x00';

    QTest::newRow("frame while held") << frame << true << true;
    // Whole frames in one read are each shown; one bad slice clears the read.
    QTest::newRow("two frames, the second with a wrong end mark") << frame + badTrailer << false << true;
    QTest::newRow("frame and a half") << frame + frame.left(9) << false << true;
    QTest::newRow("wrong end mark") << badTrailer << false << true;
    // A valid frame of no known mode only sets the brightness button.
    QTest::newRow("no mode") << noMode << false << false;
}

void TestForm1Frames::readsThatShowNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, held);
    QFETCH(bool, brightnessAfter);

    TForm1 &f = *m_form;
    QLabel *fields[] = {f.L_prim_n, f.L_sec_n, f.L_righ1, f.L_righ4, f.L_freq_RLC};
    for (QLabel *field : fields)
        field->setText(QStringLiteral("before"));
    const MeterSettings settingsBefore = f.meterSettings;
    QVERIFY(f.SP4->isChecked());
    if (held)
        f.frameHold.hold(FrameHold::Reason::SettingChange);
    else
        f.frameHold.release();
    QSignalSpy shown(&f, &TForm1::frameDisplayed);

    QVERIFY(m_rig->deliver(bytes));

    QCOMPARE(shown.size(), 0);
    for (QLabel *field : fields)
        QCOMPARE(field->text(), QStringLiteral("before"));
    QCOMPARE(f.meterSettings, settingsBefore);
    QCOMPARE(f.SP4->isChecked(), brightnessAfter);

    // The next frame on its own is shown again.
    f.frameHold.release();
    QVERIFY(m_rig->deliver(protocol::encodeRlcFrame(MeterSettings{}, 4700.0, 0.001, true).toByteArray()));
    QCOMPARE(shown.size(), 1);
    QVERIFY(f.L_prim_n->text() != QStringLiteral("before"));
}

QTEST_MAIN(TestForm1Frames)
#include "tst_form1_frames.moc"
