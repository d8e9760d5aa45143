#include "profiles/si_units.h"

#include <QTest>

using profiles::Quantity;

Q_DECLARE_METATYPE(std::optional<Quantity>)

class TestSiUnits : public QObject
{
    Q_OBJECT

private slots:
    void readsPrefixAndUnit_data();
    void readsPrefixAndUnit();
    void refusesTheRest_data();
    void refusesTheRest();
};

void TestSiUnits::readsPrefixAndUnit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("factor");
    QTest::addColumn<std::optional<Quantity>>("quantity");

    const std::optional<Quantity> none;
    const std::optional<Quantity> R = Quantity::Resistance;
    const std::optional<Quantity> L = Quantity::Inductance;
    const std::optional<Quantity> C = Quantity::Capacitance;

    // Every prefix alone, both micro characters and the ASCII u among them.
    QTest::newRow("nothing") << QString() << 1.0 << none;
    QTest::newRow("p") << QStringLiteral("p") << 1e-12 << none;
    QTest::newRow("n") << QStringLiteral("n") << 1e-9 << none;
    QTest::newRow("u") << QStringLiteral("u") << 1e-6 << none;
    QTest::newRow("micro sign U+00B5") << QStringLiteral("\u00b5") << 1e-6 << none;
    QTest::newRow("Greek mu U+03BC") << QStringLiteral("\u03bc") << 1e-6 << none;
    QTest::newRow("m") << QStringLiteral("m") << 1e-3 << none;
    QTest::newRow("k") << QStringLiteral("k") << 1e3 << none;
    QTest::newRow("M") << QStringLiteral("M") << 1e6 << none;
    QTest::newRow("G") << QStringLiteral("G") << 1e9 << none;

    // Base units, with and without a prefix.
    QTest::newRow("F") << QStringLiteral("F") << 1.0 << C;
    QTest::newRow("H") << QStringLiteral("H") << 1.0 << L;
    QTest::newRow("nF") << QStringLiteral("nF") << 1e-9 << C;
    QTest::newRow("\u00b5H") << QStringLiteral("\u00b5H") << 1e-6 << L;
    QTest::newRow("\u03bcF") << QStringLiteral("\u03bcF") << 1e-6 << C;
    QTest::newRow("GF") << QStringLiteral("GF") << 1e9 << C;
    QTest::newRow("omega U+03A9") << QStringLiteral("k\u03a9") << 1e3 << R;
    QTest::newRow("ohm sign U+2126") << QStringLiteral("M\u2126") << 1e6 << R;
    QTest::newRow("Mohm: mega") << QStringLiteral("Mohm") << 1e6 << R;
    QTest::newRow("mohm: milli") << QStringLiteral("mohm") << 1e-3 << R;
    QTest::newRow("OHMS, any case") << QStringLiteral("OHMS") << 1.0 << R;
    QTest::newRow("kOhms") << QStringLiteral("kOhms") << 1e3 << R;

    // Blanks around, and between prefix and unit.
    QTest::newRow("blanks around") << QStringLiteral("  pF ") << 1e-12 << C;
    QTest::newRow("blank between") << QStringLiteral("k ohm") << 1e3 << R;
}

void TestSiUnits::readsPrefixAndUnit()
{
    QFETCH(QString, text);
    QFETCH(double, factor);
    QFETCH(std::optional<Quantity>, quantity);

    const std::optional<profiles::SiUnit> unit = profiles::parseSiUnit(text);
    QVERIFY(unit);
    QCOMPARE(unit->factor, factor);
    QCOMPARE(unit->quantity, quantity);
}

void TestSiUnits::refusesTheRest_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("two prefixes") << QStringLiteral("nnF");
    QTest::newRow("prefix after the unit") << QStringLiteral("Fn");
    QTest::newRow("capital K") << QStringLiteral("kK");
    QTest::newRow("unknown prefix") << QStringLiteral("xF");
    QTest::newRow("lower-case f") << QStringLiteral("nf");
    QTest::newRow("unknown unit") << QStringLiteral("V");
    QTest::newRow("ohm misspelt") << QStringLiteral("ohmm");
    QTest::newRow("exponent letter") << QStringLiteral("e");
    QTest::newRow("blank inside the unit") << QStringLiteral("oh m");
}

void TestSiUnits::refusesTheRest()
{
    QFETCH(QString, text);
    QVERIFY(!profiles::parseSiUnit(text));
}

QTEST_GUILESS_MAIN(TestSiUnits)
#include "tst_si_units.moc"
