#include "protocol/meter_frame.h"
#include "protocol/rd_u_decoder.h"
#include "protocol/rlc_decoder.h"

#include "i18n/window_lexicons.h"

#include <QTest>

#include <cmath>
#include <random>
#include <vector>

using namespace protocol;

namespace {

// A text fit for a label: no NaN/infinity spelled out, no runaway length.
bool sane(const QString &text)
{
    return text.size() <= 40 && !text.contains(QLatin1String("NAN")) && !text.contains(QLatin1String("INF"))
           && !text.contains(QLatin1String("nan")) && !text.contains(QLatin1String("inf"));
}

bool sane(const std::optional<QString> &text)
{
    return !text || sane(*text);
}

QString describe(const MeterFrame &f)
{
    return QString::fromLatin1(f.toByteArray().toHex(' '));
}

} // namespace

class TestRandomFrames : public QObject
{
    Q_OBJECT
private slots:
    void everyDecoderCopesWithAnyBytes_data();
    void everyDecoderCopesWithAnyBytes();
};

void TestRandomFrames::everyDecoderCopesWithAnyBytes_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("thousands");
    QTest::newRow("dot and comma") << "." << ",";
    QTest::newRow("comma and no-break space") << "," << QString(QChar(0x00A0));
    QTest::newRow("no grouping") << "." << "";
}

void TestRandomFrames::everyDecoderCopesWithAnyBytes()
{
    QFETCH(QString, decimal);
    QFETCH(QString, thousands);
    const i18n::WindowLexicons lexicons;
    const FormatContext ctx{lexicons.unitTexts(), {decimal, thousands}};

    std::vector<MeterFrame> frames;
    std::array<std::uint8_t, MeterFrame::kSize> zeros{}, ones{};
    ones.fill(0xFF);
    frames.emplace_back(zeros);
    frames.emplace_back(ones);
    std::mt19937 rng(1234567);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        MeterFrame f;
        for (std::size_t b = 0; b < MeterFrame::kSize; ++b)
            f[b] = std::uint8_t(byte(rng));
        // Half of them pass the trailer test, as real frames would.
        if (i % 2 == 0) {
            f[16] = MeterFrame::kTrailer0;
            f[17] = MeterFrame::kTrailer1;
        }
        frames.push_back(f);
    }

    for (const MeterFrame &f : frames) {
        const FrameRoute route = routeFrame(f);
        QCOMPARE(route.accepted, f[16] == 0x31 && f[17] == 0x0A);

        // Every decoder sees every frame, whatever its mode nibble says.
        const RlcDecodeResult rlc = decodeRlcFrame(f, ctx);
        const RlcQuantities &q = rlc.quantities;
        const RlcReading &r = rlc.reading;
        for (const double v : {r.seriesResistance, r.seriesReactance, r.parallelResistance, r.parallelReactance,
                               q.impedance, q.inductance, q.capacitance, q.dissipation, q.quality, q.phaseDegrees}) {
            if (!std::isfinite(v))
                QFAIL(qPrintable(QStringLiteral("non-finite quantity from ") + describe(f)));
        }
        QVERIFY(r.frequencyHz > 0);
        const bool rlcSane = sane(rlc.L_prim_n) && sane(rlc.L_sec_n) && sane(rlc.L_SER_PER1) && sane(rlc.L_SER_PER)
                             && sane(rlc.L_righ1) && sane(rlc.L_righ2) && sane(rlc.L_righ3) && sane(rlc.L_righ4)
                             && sane(rlc.levelText) && sane(rlc.frequencyText);
        if (!rlcSane)
            QFAIL(qPrintable(QStringLiteral("RLC text out of bounds from ") + describe(f) + QStringLiteral(": ")
                             + rlc.L_prim_n.value_or(QString()) + QStringLiteral(" | ")
                             + rlc.L_sec_n.value_or(QString()) + QStringLiteral(" | ") + rlc.L_righ2));

        const RdDecodeResult rd = decodeRdFrame(f, ctx);
        const bool rdSane = sane(rd.RD_Prim) && sane(rd.RD_J) && sane(rd.RD_J1) && sane(rd.RD_V) && sane(rd.Joo)
                            && sane(rd.J_prim) && sane(rd.RD_Auto) && sane(rd.RD_prim_R)
                            && rd.Im_Diod <= RdPicture::Resistor;
        if (!rdSane)
            QFAIL(qPrintable(QStringLiteral("RD text out of bounds from ") + describe(f) + QStringLiteral(": ")
                             + rd.RD_Prim + QStringLiteral(" | ") + rd.RD_J + QStringLiteral(" | ") + rd.RD_J1));

        const UDecodeResult u = decodeUFrame(f, ctx);
        if (!(sane(u.U_Prim) && sane(u.U_vrm) && sane(u.U_pp)))
            QFAIL(qPrintable(QStringLiteral("U text out of bounds from ") + describe(f) + QStringLiteral(": ")
                             + u.U_Prim + QStringLiteral(" | ") + u.U_vrm + QStringLiteral(" | ") + u.U_pp));
    }
}

QTEST_APPLESS_MAIN(TestRandomFrames)
#include "tst_random_frames.moc"
