#include "sim_options.h"

#include <QCommandLineParser>

#include <cmath>

namespace metersim {

namespace {

constexpr double kMaxSeconds = 86400.0 * 365;
// A reader splits its input at pauses of more than 10 ms: closer frames
// would arrive as one block.
constexpr double kMinFrameGapMs = 11.0;
constexpr double kMaxFrameGapMs = 60000.0;

std::optional<double> number(const QString &text, double low, double high)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high)
        return std::nullopt;
    return v;
}

std::chrono::milliseconds fromSeconds(double seconds)
{
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

} // namespace

OptionsOutcome parseOptions(const QStringList &args, SimOptions *options, QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the meter's Bluetooth dongle and the meter on a pseudo-terminal.\n"
        "Prints the slave device's path on standard output (again after each replug).\n"
        "SIGUSR1 pulls the dongle out or plugs it back; SIGINT/SIGTERM end the run."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Keep a symbolic link to the current slave device at PATH."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption part(QStringLiteral("part"),
                                  QStringLiteral("Part on the terminals: R=4.7k, C=100n,ESR=0.2, L=1m,R=2, "
                                                 "R=1k,Rp=10k, diode, diode,Vf=0.3, U=3.3. Repeat to cycle parts."),
                                  QStringLiteral("PART"));
    const QCommandLineOption cycle(QStringLiteral("cycle"),
                                   QStringLiteral("Readings per part when several are given (default 5)."),
                                   QStringLiteral("N"));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Spread each value by up to +-PCT percent (default 0)."),
                                   QStringLiteral("PCT"));
    const QCommandLineOption numbered(
        QStringLiteral("numbered"),
        QStringLiteral("Add the reading's number (1, 2, ...) in ohms to each resistance, so every reading differs "
                       "and a lost or repeated one shows."));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the noise (default 1)."),
                                  QStringLiteral("N"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("Send readings FACTOR times faster than the interval says."),
                                   QStringLiteral("FACTOR"));
    const QCommandLineOption frameGap(
        QStringLiteral("frame-gap-ms"),
        QStringLiteral("Send a reading every MS milliseconds whatever the interval (11 or more; 13.5 is the "
                       "link's fastest, about 74 per second)."),
        QStringLiteral("MS"));
    const QCommandLineOption connectDelay(QStringLiteral("connect-delay"),
                                          QStringLiteral("Milliseconds from OK+CONNL to the attempt's end (default 300)."),
                                          QStringLiteral("MS"));
    const QCommandLineOption fail(QStringLiteral("fail"),
                                  QStringLiteral("Make connection attempts fail: CONNF, CONNE or CONNN."),
                                  QStringLiteral("REPLY"));
    const QCommandLineOption failCount(QStringLiteral("fail-count"),
                                       QStringLiteral("Only the first N attempts fail (default: all)."),
                                       QStringLiteral("N"));
    const QCommandLineOption unplugAfter(QStringLiteral("unplug-after"),
                                         QStringLiteral("Pull the dongle SECONDS after each plug-in."),
                                         QStringLiteral("SECONDS"));
    const QCommandLineOption replugAfter(QStringLiteral("replug-after"),
                                         QStringLiteral("Plug it back SECONDS later (default 3; 0 = on SIGUSR1 only)."),
                                         QStringLiteral("SECONDS"));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                     QStringLiteral("Print every received command (hex and decoded) on stderr."));
    parser.addOptions({help, link, part, cycle, noise, numbered, seed, speed, frameGap, connectDelay, fail, failCount,
                       unplugAfter, replugAfter, verbose});

    if (!parser.parse(args)) {
        *message = parser.errorText();
        return OptionsOutcome::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return OptionsOutcome::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return OptionsOutcome::Error;
    }

    SimOptions o;
    auto bad = [message](const QCommandLineOption &opt, const QString &value) {
        *message = QStringLiteral("bad value \"%1\" for --%2").arg(value, opt.names().constLast());
        return OptionsOutcome::Error;
    };

    o.linkPath = parser.value(link);
    if (parser.isSet(link) && o.linkPath.isEmpty())
        return bad(link, o.linkPath);
    for (const QString &partText : parser.values(part)) {
        QString why;
        const std::optional<Part> p = parsePart(partText, &why);
        if (!p) {
            *message = QStringLiteral("--part %1: %2").arg(partText, why);
            return OptionsOutcome::Error;
        }
        o.parts.push_back(*p);
    }
    if (parser.isSet(cycle)) {
        const auto v = number(parser.value(cycle), 1, 1e9);
        if (!v || *v != std::floor(*v))
            return bad(cycle, parser.value(cycle));
        o.readingsPerPart = int(*v);
    }
    if (parser.isSet(noise)) {
        const auto v = number(parser.value(noise), 0, 100);
        if (!v)
            return bad(noise, parser.value(noise));
        o.noisePercent = *v;
    }
    o.numbered = parser.isSet(numbered);
    if (parser.isSet(seed)) {
        bool ok = false;
        const uint v = parser.value(seed).toUInt(&ok);
        if (!ok)
            return bad(seed, parser.value(seed));
        o.seed = v;
    }
    if (parser.isSet(speed)) {
        const auto v = number(parser.value(speed), 0.001, 1000);
        if (!v)
            return bad(speed, parser.value(speed));
        o.speed = *v;
    }
    if (parser.isSet(frameGap)) {
        const auto v = number(parser.value(frameGap), kMinFrameGapMs, kMaxFrameGapMs);
        if (!v)
            return bad(frameGap, parser.value(frameGap));
        o.frameGap = std::chrono::microseconds(std::llround(*v * 1000.0));
    }
    if (parser.isSet(connectDelay)) {
        const auto v = number(parser.value(connectDelay), 0, 600000);
        if (!v)
            return bad(connectDelay, parser.value(connectDelay));
        o.dongle.connectDelay = std::chrono::milliseconds(std::llround(*v));
    }
    if (parser.isSet(fail)) {
        const QString v = parser.value(fail).toUpper();
        if (v == QLatin1String("CONNF"))
            o.dongle.failure = ConnectFailure::NotFound;
        else if (v == QLatin1String("CONNE"))
            o.dongle.failure = ConnectFailure::Error;
        else if (v == QLatin1String("CONNN"))
            o.dongle.failure = ConnectFailure::NoAddress;
        else
            return bad(fail, parser.value(fail));
    }
    if (parser.isSet(failCount)) {
        const auto v = number(parser.value(failCount), 1, 1e9);
        if (!v || *v != std::floor(*v))
            return bad(failCount, parser.value(failCount));
        o.dongle.failCount = int(*v);
    }
    if (parser.isSet(unplugAfter)) {
        const auto v = number(parser.value(unplugAfter), 0.001, kMaxSeconds);
        if (!v)
            return bad(unplugAfter, parser.value(unplugAfter));
        o.unplugAfter = fromSeconds(*v);
    }
    if (parser.isSet(replugAfter)) {
        const auto v = number(parser.value(replugAfter), 0, kMaxSeconds);
        if (!v)
            return bad(replugAfter, parser.value(replugAfter));
        o.replugAfter = fromSeconds(*v);
    }
    o.verbose = parser.isSet(verbose);
    *options = std::move(o);
    return OptionsOutcome::Run;
}

} // namespace metersim
