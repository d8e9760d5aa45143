#include "protocol/frame_encoder.h"
#include "protocol/rd_u_decoder.h"

#include "i18n/window_lexicons.h"

#include "../i18n/map_translator.h"

#include <QTest>

using namespace protocol;

Q_DECLARE_METATYPE(protocol::RdPicture)

namespace {

const i18n::WindowLexicons &designLexicons()
{
    static const i18n::WindowLexicons lexicons;
    return lexicons;
}

RdDecodeResult decodeRd(double a, double i1, double i2, RdStatus status)
{
    return decodeRdFrame(encodeRdFrame(a, i1, i2, status, true), FormatContext{designLexicons().unitTexts(), {}});
}

} // namespace

class TestRdUDecoder : public QObject
{
    Q_OBJECT
private slots:
    void current_data();
    void current();
    void rdPanel_data();
    void rdPanel();
    void rdCurrents_data();
    void rdCurrents();
    void uPanel_data();
    void uPanel();
    void microFollowsTheLanguage();
};

void TestRdUDecoder::current_data()
{
    QTest::addColumn<double>("microamperes");
    QTest::addColumn<QString>("text");
    QTest::newRow("4.5 uA") << 4.5 << "4.500 мкA";
    QTest::newRow("rounds up to 10 in the micro row") << 9.9999 << "10.000 мкA";
    QTest::newRow("exactly 10") << 10.0 << "0.010 мA";
    QTest::newRow("150 uA") << 150.0 << "0.150 мA";
    QTest::newRow("1 mA") << 1000.0 << "1.000 мA";
    QTest::newRow("past four digits goes scientific") << 12345678.0 << "1.235E004 мA";
}

void TestRdUDecoder::current()
{
    QFETCH(double, microamperes);
    QFETCH(QString, text);
    QCOMPARE(formatCurrent(microamperes, FormatContext{designLexicons().unitTexts(), {}}), text);
}

void TestRdUDecoder::rdPanel_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("voltageCode");
    QTest::addColumn<QString>("prim");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("testVoltage"); // "<unchanged>" when left as it was
    QTest::addColumn<QString>("autoMark");
    QTest::addColumn<RdPicture>("picture");

    QTest::newRow("diode down, automatic") << 650.0 << 1 << 0 << "  V=0.650 В" << "D" << "A 3.2 В" << "A"
                                           << RdPicture::DiodeDown;
    QTest::newRow("diode up, 3.2 V by hand") << 1234.6 << 0 << 1 << "  V=1.235 В" << "D" << " 3.2 В" << " "
                                             << RdPicture::DiodeUp;
    QTest::newRow("diode state with code 5") << 700.0 << 0 << 5 << "  V=0.700 В" << "D" << "A 3.2 В" << " "
                                             << RdPicture::DiodeUp;
    QTest::newRow("state 5 at code 1: diode text") << 4700.0 << 5 << 1 << "ПН" << "D" << " 3.2 В" << " "
                                                   << RdPicture::DiodeDown;
    QTest::newRow("state 4 at code 1: diode text") << 4700.0 << 4 << 1 << "ПН" << "D" << " 3.2 В" << " "
                                                   << RdPicture::DiodeUp;
    QTest::newRow("resistance, automatic") << 4700.0 << 2 << 0 << "4.7000 кОм" << "R" << "A 1.3 В" << "A"
                                           << RdPicture::Resistor;
    QTest::newRow("resistance over range") << 25e6 << 2 << 0 << ">20.00 МОм" << "R" << "A 1.3 В" << "A"
                                           << RdPicture::Resistor;
    QTest::newRow("resistance, 1.3 V") << 0.5 << 15 << 2 << "0.5000 Ом" << "R" << " 1.3 В" << " "
                                       << RdPicture::Resistor;
    QTest::newRow("resistance, 0.1 V") << 12.0 << 3 << 3 << "12.000 Ом" << "R" << " 0.1 В" << " "
                                       << RdPicture::Resistor;
    QTest::newRow("resistance, code 7 leaves the voltage") << 12.0 << 3 << 7 << "12.000 Ом" << "R" << "<unchanged>"
                                                           << " " << RdPicture::Resistor;
}

void TestRdUDecoder::rdPanel()
{
    QFETCH(double, a);
    QFETCH(int, state);
    QFETCH(int, voltageCode);
    QFETCH(QString, prim);
    QFETCH(QString, letter);
    QFETCH(QString, testVoltage);
    QFETCH(QString, autoMark);
    QFETCH(RdPicture, picture);
    const RdDecodeResult out = decodeRd(a, 500.0, 0.0, RdStatus{quint8(state), false, quint8(voltageCode)});
    QCOMPARE(out.RD_Prim, prim);
    QCOMPARE(out.RD_prim_R, letter);
    QCOMPARE(out.RD_V.value_or(QStringLiteral("<unchanged>")), testVoltage);
    QCOMPARE(out.RD_Auto, autoMark);
    QCOMPARE(out.Im_Diod, picture);
}

void TestRdUDecoder::rdCurrents_data()
{
    QTest::addColumn<double>("i1");
    QTest::addColumn<double>("i2");
    QTest::addColumn<int>("voltageCode");
    QTest::addColumn<bool>("second");
    QTest::addColumn<QStringList>("texts"); // J_prim, Joo, RD_J, RD_J1
    QTest::newRow("automatic: subscript o") << 1000.0 << 0.0 << 0 << false << QStringList{"I", "о", "=1.000 мA", " "};
    QTest::newRow("code 1, small current hidden") << 150.0 << 0.0 << 1 << false << QStringList{" ", " ", " ", " "};
    QTest::newRow("code 1, 250 uA shown") << 250.0 << 0.0 << 1 << false
                                          << QStringList{"I", "п", "=0.250 мA", " "};
    QTest::newRow("code 6 shows subscript p") << 4.5 << 0.0 << 6 << false
                                              << QStringList{"I", "п", "=4.500 мкA", " "};
    QTest::newRow("second current") << -20.0 << -4.5 << 2 << true
                                    << QStringList{"I", "п", "=0.020 мA", "Iп=4.500 мкA"};
    QTest::newRow("second current with the first hidden") << 100.0 << 300.0 << 1 << true
                                                          << QStringList{" ", " ", " ", "Iп=0.300 мA"};
}

void TestRdUDecoder::rdCurrents()
{
    QFETCH(double, i1);
    QFETCH(double, i2);
    QFETCH(int, voltageCode);
    QFETCH(bool, second);
    QFETCH(QStringList, texts);
    const RdDecodeResult out = decodeRd(650.0, i1, i2, RdStatus{2, second, quint8(voltageCode)});
    QCOMPARE((QStringList{out.J_prim, out.Joo, out.RD_J, out.RD_J1}), texts);
}

void TestRdUDecoder::uPanel_data()
{
    QTest::addColumn<double>("rms");
    QTest::addColumn<double>("pp");
    QTest::addColumn<double>("shown");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QStringList>("texts"); // U_Prim, U_vrm, U_pp
    QTest::newRow("signs") << -1.234 << -3.49 << -1.5 << "."
                           << QStringList{"V=-1.500 В", "Vскз=1.234 В", "Vп-п=3.490 В"};
    QTest::newRow("four significant digits") << 12.3456 << 1234.5 << 0.5 << "."
                                             << QStringList{"V=0.500 В", "Vскз=12.350 В", "Vп-п=1,235.000 В"};
    QTest::newRow("comma separator") << 1.5 << 2.5 << 3.25 << ","
                                     << QStringList{"V=3,250 В", "Vскз=1,500 В", "Vп-п=2,500 В"};
}

void TestRdUDecoder::uPanel()
{
    QFETCH(double, rms);
    QFETCH(double, pp);
    QFETCH(double, shown);
    QFETCH(QString, decimal);
    QFETCH(QStringList, texts);
    const NumberSeparators sep{decimal, decimal == QStringLiteral(".") ? QStringLiteral(",") : QStringLiteral(".")};
    const UDecodeResult out = decodeUFrame(encodeUFrame(rms, pp, shown, false), FormatContext{designLexicons().unitTexts(), sep});
    QCOMPARE((QStringList{out.U_Prim, out.U_vrm, out.U_pp}), texts);
}

void TestRdUDecoder::microFollowsTheLanguage()
{
    i18n::WindowLexicons lexicons;
    MapTranslator english;
    english.set(QStringLiteral("Form1.Dlang1"), 3, QStringLiteral("u"));
    english.set(QStringLiteral("Form1.D3"), 0, QStringLiteral("t"));
    english.set(QStringLiteral("Form1.Dlang3"), 3, QStringLiteral("Ohm"));
    lexicons.attachEngine(&english);
    const RdDecodeResult out =
        decodeRdFrame(encodeRdFrame(50.0, 4.5, 4.5, RdStatus{2, true, 2}, true), FormatContext{lexicons.unitTexts(), {}});
    QCOMPARE(out.RD_J, QStringLiteral("=4.500 μA"));
    QCOMPARE(out.RD_J1, QStringLiteral("It=4.500 μA"));
    QCOMPARE(out.RD_Prim, QStringLiteral("50.000 Ω"));
}

QTEST_APPLESS_MAIN(TestRdUDecoder)
#include "tst_rd_u_decoder.moc"
