#include "part_model.h"

#include <QTest>

#include <cmath>
#include <numbers>

using metersim::Part;

class TestPartModel : public QObject
{
    Q_OBJECT

private slots:
    void siValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: rejected
        const double bad = std::nan("");
        QTest::newRow("plain") << "220" << 220.0;
        QTest::newRow("kilo") << "4.7k" << 4700.0;
        QTest::newRow("prefix as point") << "4k7" << 4700.0;
        QTest::newRow("nano") << "100n" << 100e-9;
        QTest::newRow("micro u") << "2.2u" << 2.2e-6;
        QTest::newRow("micro sign") << QStringLiteral("10\u00B5") << 10e-6;
        QTest::newRow("milli vs mega") << "1m" << 1e-3;
        QTest::newRow("mega") << "0.5M" << 0.5e6;
        QTest::newRow("exponent") << "1e-3" << 1e-3;
        QTest::newRow("negative") << "-1.5" << -1.5;
        QTest::newRow("prefix first") << "k1" << bad;
        QTest::newRow("two prefixes") << "1kk" << bad;
        QTest::newRow("decimal and inner prefix") << "1.5k7" << bad;
        QTest::newRow("unit letter") << "100nF" << bad;
        QTest::newRow("infinite") << "inf" << bad;
        QTest::newRow("overflow") << "1e308G" << bad;
        QTest::newRow("empty") << "" << bad;
    }

    void siValues()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const auto parsed = metersim::parseSiValue(text);
        if (std::isnan(value)) {
            QVERIFY2(!parsed, qPrintable(QString::number(parsed.value_or(0))));
            return;
        }
        QVERIFY(parsed);
        QCOMPARE(*parsed, value);
    }

    void impedance_data()
    {
        QTest::addColumn<QString>("partText");
        QTest::addColumn<double>("hertz");
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("x");
        const double w1k = 2 * std::numbers::pi * 1000;
        QTest::newRow("resistor") << "R=4.7k" << 1000.0 << 4700.0 << 0.0;
        QTest::newRow("capacitor with ESR") << "C=100n,ESR=0.2" << 1000.0 << 0.2 << -1.0 / (w1k * 100e-9);
        QTest::newRow("inductor with R") << "L=1m,R=2" << 10000.0 << 2.0 << 10 * w1k * 1e-3;
        QTest::newRow("series resonance") << "L=1m,C=1u" << 1.0 / (2 * std::numbers::pi * std::sqrt(1e-9)) << 0.0
                                          << 0.0;
        QTest::newRow("parallel resistors") << "R=1k,Rp=1k" << 1000.0 << 500.0 << 0.0;
        // (1/(jwC)) || Rp with wC = 1/Rp: Z = Rp (1 - j) / 2
        QTest::newRow("capacitor with leakage") << "C=1u,Rp=1k" << 1000.0 / (2 * std::numbers::pi) << 500.0
                                                << -500.0;
        QTest::newRow("voltage source") << "U=3.3" << 1000.0 << 0.1 << 0.0;
    }

    void impedance()
    {
        QFETCH(QString, partText);
        QFETCH(double, hertz);
        QFETCH(double, r);
        QFETCH(double, x);
        QString error;
        const auto part = metersim::parsePart(partText, &error);
        QVERIFY2(part, qPrintable(error));
        const auto z = part->impedanceAt(hertz);
        QVERIFY2(std::abs(z.real() - r) <= 1e-9 * (1 + std::abs(r)), qPrintable(QString::number(z.real(), 'g', 12)));
        QVERIFY2(std::abs(z.imag() - x) <= 1e-6 * (1 + std::abs(x)), qPrintable(QString::number(z.imag(), 'g', 12)));
    }

    void kindsAndDc()
    {
        const auto diode = metersim::parsePart(QStringLiteral("diode,Vf=0.3"), nullptr);
        QVERIFY(diode);
        QCOMPARE(diode->kind, Part::Kind::Diode);
        QCOMPARE(diode->forwardVoltage, 0.3);
        QCOMPARE(metersim::parsePart(QStringLiteral("diode"), nullptr)->forwardVoltage, 0.65);

        const auto source = metersim::parsePart(QStringLiteral("U=-1.5"), nullptr);
        QVERIFY(source);
        QCOMPARE(source->kind, Part::Kind::Voltage);
        QCOMPARE(source->voltage, -1.5);

        QCOMPARE(metersim::parsePart(QStringLiteral("L=1m,R=2"), nullptr)->dcResistance(), 2.0);
        QCOMPARE(metersim::parsePart(QStringLiteral("R=1k,Rp=1k"), nullptr)->dcResistance(), 500.0);
        // A series capacitor blocks DC; its leakage is what the ohmmeter sees.
        QVERIFY(metersim::parsePart(QStringLiteral("C=100n,ESR=0.2"), nullptr)->dcResistance() > 1e8);
        QVERIFY(std::abs(metersim::parsePart(QStringLiteral("C=1u,Rp=10k"), nullptr)->dcResistance() - 1e4) < 1);
    }

    void rejects_data()
    {
        QTest::addColumn<QString>("partText");
        QTest::newRow("empty") << "";
        QTest::newRow("no value") << "R=";
        QTest::newRow("not a number") << "R=abc";
        QTest::newRow("unknown key") << "X=1";
        QTest::newRow("lower-case key") << "r=1k";
        QTest::newRow("key twice") << "R=1,ESR=2";
        QTest::newRow("zero capacitance") << "C=0";
        QTest::newRow("negative inductance") << "L=-1m";
        QTest::newRow("negative resistance") << "R=-5";
        QTest::newRow("diode with R") << "diode,R=1";
        QTest::newRow("voltage with R") << "U=1,R=2";
        QTest::newRow("Vf without diode") << "Vf=0.3";
        QTest::newRow("leakage alone") << "Rp=1k";
        QTest::newRow("empty item") << "R=1,,C=1n";
        QTest::newRow("bare word") << "resistor";
    }

    void rejects()
    {
        QFETCH(QString, partText);
        QString error;
        QVERIFY(!metersim::parsePart(partText, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestPartModel)
#include "tst_part_model.moc"
