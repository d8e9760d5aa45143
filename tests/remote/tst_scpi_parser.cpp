#include "remote/scpi_parser.h"

#include <QRandomGenerator>
#include <QTest>

using namespace remote;

namespace {

// A compact form of a parse: "FREQ[10000 HZ];*IDN?;!-113" lists each command
// (':' for an absolute one, '?' for a query, parameters in brackets: number
// and unit, WORD, "string") and the error last.
QString describe(const ScpiMessage &m)
{
    QStringList parts;
    for (const ScpiCommand &c : m.commands) {
        QString text = (c.absolute ? QStringLiteral(":") : QString()) + c.nodes.join(QLatin1Char(':'))
                       + (c.query ? QStringLiteral("?") : QString());
        QStringList params;
        for (const ScpiParameter &p : c.parameters) {
            switch (p.kind) {
            case ScpiParameter::Kind::Number:
                params << (QString::number(p.number, 'g', 12) + (p.unit.isEmpty() ? QString() : QLatin1Char(' ') + p.unit));
                break;
            case ScpiParameter::Kind::Word:
                params << p.text;
                break;
            case ScpiParameter::Kind::String:
                params << QLatin1Char('"') + p.text + QLatin1Char('"');
                break;
            }
        }
        if (!params.isEmpty())
            text += QLatin1Char('[') + params.join(QLatin1Char(',')) + QLatin1Char(']');
        parts << text;
    }
    if (m.error != ScpiError::None)
        parts << QStringLiteral("!%1").arg(int(m.error));
    return parts.join(QLatin1Char(';'));
}

} // namespace

class TestScpiParser : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void randomInputNeverCrashes();
};

void TestScpiParser::parses_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("parsed");

    QTest::newRow("common query") << QByteArray("*idn?") << "*IDN?";
    QTest::newRow("blank line") << QByteArray("   ") << "";
    QTest::newRow("compound, case, root") << QByteArray(":freq 10kHz;Volt 0.5 ; *IDN?")
                                          << ":FREQ[10000 HZ];VOLT[0.5];*IDN?";
    QTest::newRow("trailing ';'") << QByteArray("FETC?;") << "FETC?";
    QTest::newRow("exponent") << QByteArray("FREQ 1E4") << "FREQ[10000]";
    QTest::newRow("exponent and suffix") << QByteArray("FREQ 1.5e+2 khz") << "FREQ[150000 HZ]";
    QTest::newRow("milli and mega") << QByteArray("VOLT 500mV;FREQ 0.15MHz") << "VOLT[0.5 V];FREQ[150000 HZ]";
    QTest::newRow("prefix alone") << QByteArray("FREQ 10k") << "FREQ[10000]";
    QTest::newRow("seconds") << QByteArray("SYST:TIM 250ms") << "SYST:TIM[0.25 S]";
    QTest::newRow("signed, no leading digit") << QByteArray("X -.5,+3") << "X[-0.5,3]";
    QTest::newRow("words upper-cased") << QByteArray("FUNC:IMP cpd") << "FUNC:IMP[CPD]";
    QTest::newRow("strings keep ';' and ','") << QByteArray("X 'a;b','c\"\"d',\"e\"\"f\"")
                                              << "X[\"a;b\",\"c\"\"d\",\"e\"f\"]";
    QTest::newRow("tab separates") << QByteArray("FREQ\t1k") << "FREQ[1000]";
    QTest::newRow("mnemonic with digits") << QByteArray("CALC1:COMP?") << "CALC1:COMP?";

    // Errors: the commands before the unreadable unit stand.
    QTest::newRow("not UTF-8") << QByteArray("*IDN?\xff\xfe") << "!-102";
    QTest::newRow("control character") << QByteArray("*IDN?\x01") << "!-102";
    QTest::newRow("NUL byte") << QByteArray("FREQ 1k\0;*IDN?", 14) << "!-102";
    QTest::newRow("unterminated string") << QByteArray("X \"abc") << "!-102";
    QTest::newRow("bad header character") << QByteArray("*IDN?;FR#Q 1k") << "*IDN?;!-102";
    QTest::newRow("empty node") << QByteArray("FREQ::CW 1k") << "!-100";
    QTest::newRow("star alone") << QByteArray("*?") << "!-100";
    QTest::newRow("empty parameter") << QByteArray("FREQ 1k,") << "!-102";
    QTest::newRow("two points") << QByteArray("FREQ 1.2.3") << "!-102";
    QTest::newRow("unknown suffix") << QByteArray("FREQ 10kOhz;*IDN?") << "!-131";
    QTest::newRow("sign without digits") << QByteArray("FREQ -k") << "!-102";
    QTest::newRow("block data") << QByteArray("X #15hello") << "!-102";
}

void TestScpiParser::parses()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, parsed);
    QCOMPARE(describe(parseScpiMessage(line)), parsed);
}

void TestScpiParser::randomInputNeverCrashes()
{
    // Random bytes, and random strings of the characters that steer the parser.
    QRandomGenerator random(25);
    const QByteArray alphabet("*:;?, \t\"'.+-eE0123456789kKmMhHzZvVsSaAfFrReQqIiDdNn#\r\xc3\xa9\xff");
    for (int i = 0; i < 20000; ++i) {
        QByteArray line(int(random.bounded(64)), '\0');
        const bool steered = i % 2 == 0;
        for (char &c : line)
            c = steered ? alphabet.at(random.bounded(alphabet.size())) : char(random.bounded(256));
        const ScpiMessage m = parseScpiMessage(line);
        for (const ScpiCommand &c : m.commands) {
            QVERIFY(!c.nodes.isEmpty());
            for (const ScpiParameter &p : c.parameters)
                QVERIFY(p.kind != ScpiParameter::Kind::Number || !std::isnan(p.number));
        }
    }
}

QTEST_GUILESS_MAIN(TestScpiParser)
#include "tst_scpi_parser.moc"
