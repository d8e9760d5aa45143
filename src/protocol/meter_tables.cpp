#include "protocol/meter_tables.h"

#include "protocol/meter_settings.h"

#include <iterator>

namespace protocol {

namespace {

constexpr std::int32_t kFrequencyHz[] = {120,   100,   120,   1000,  10000,  100000, 20000, 30000,
                                         40000, 50000, 60000, 75000, 80000, 90000,  150000};

struct Level
{
    double volts;
    const char *number;
};
constexpr Level kLevels[] = {{1.0, "1.0"}, {1.0, "1.0"}, {0.5, "0.5"}, {0.1, "0.1"}, {0.1, "0.1"}};
constexpr int kPlainVoltLevel = 4;

struct Interval
{
    int code;
    double seconds;
    const char *text;
};
constexpr Interval kIntervals[] = {{1, 2.0, "2"}, {2, 1.0, "1"}, {3, 0.5, "0.5"}};

} // namespace

std::int32_t frequencyForCode(int code)
{
    if (code < 0 || code >= int(std::size(kFrequencyHz)))
        return kUnknownCodeFrequencyHz;
    return kFrequencyHz[code];
}

std::optional<int> frequencyCodeOf(double hertz)
{
    for (int code = kFirstFrequencyCode; code <= kLastFrequencyCode; ++code) {
        if (double(kFrequencyHz[code]) == hertz)
            return code;
    }
    return std::nullopt;
}

QString frequencyText(std::int32_t hertz, const UnitTexts &texts, const QString &gap)
{
    if (hertz >= 1000)
        return QString::number(hertz / 1000) + gap + texts.prefix(Prefix::Kilo) + texts.unit(Unit::Hertz);
    return QString::number(hertz) + gap + texts.unit(Unit::Hertz);
}

std::optional<double> levelVolts(int code)
{
    if (code < 0 || code >= int(std::size(kLevels)))
        return std::nullopt;
    return kLevels[code].volts;
}

std::optional<QString> levelNumber(int code)
{
    if (code < 0 || code >= int(std::size(kLevels)))
        return std::nullopt;
    return QString::fromLatin1(kLevels[code].number);
}

QString levelUnit(int code, const UnitTexts &texts)
{
    return texts.unit(code == kPlainVoltLevel ? Unit::Volt : Unit::VoltRms);
}

std::optional<int> levelItemOfVolts(double volts)
{
    for (int item = 1; item < int(kLevelCodeOfItem.size()); ++item) {
        if (kLevels[kLevelCodeOfItem[std::size_t(item)]].volts == volts)
            return item;
    }
    return std::nullopt;
}

std::optional<double> intervalSeconds(int code)
{
    for (const Interval &i : kIntervals) {
        if (i.code == code)
            return i.seconds;
    }
    return std::nullopt;
}

std::optional<QString> intervalSecondsText(int code)
{
    for (const Interval &i : kIntervals) {
        if (i.code == code)
            return QString::fromLatin1(i.text);
    }
    return std::nullopt;
}

std::optional<int> intervalItemOfSeconds(double seconds)
{
    for (std::size_t item = 0; item < kIntervalCodeOfIndex.size(); ++item) {
        if (intervalSeconds(kIntervalCodeOfIndex[item]) == seconds)
            return int(item);
    }
    return std::nullopt;
}

std::optional<QString> primaryLetter(int primaryCode)
{
    static const QString kLetters[] = {QStringLiteral("R"), QStringLiteral("C"), QStringLiteral("L"),
                                       QStringLiteral("Z")};
    if (primaryCode < 1 || primaryCode > int(std::size(kLetters)))
        return std::nullopt;
    return kLetters[primaryCode - 1];
}

std::optional<QString> secondaryLetter(int secondaryCode)
{
    // Code 4 is the phase angle.
    static const QString kLetters[] = {QStringLiteral(" "), QStringLiteral("R"), QStringLiteral("Q"),
                                       QStringLiteral("D"), QString(QChar(0x019F))};
    if (secondaryCode < 0 || secondaryCode >= int(std::size(kLetters)))
        return std::nullopt;
    return kLetters[secondaryCode];
}

QString circuitLetter(Circuit circuit)
{
    switch (circuit) {
    case Circuit::Automatic:
        return QStringLiteral("A");
    case Circuit::Parallel:
        return QStringLiteral("P");
    case Circuit::Series:
        return QStringLiteral("S");
    }
    return {};
}

std::optional<Circuit> circuitOf(const MeterSettings &s)
{
    if (s.circuitAuto != 0)
        return Circuit::Automatic;
    if (s.seriesCircuit == 1)
        return Circuit::Series;
    if (s.seriesCircuit == 0)
        return Circuit::Parallel;
    return std::nullopt;
}

Circuit measuredCircuit(const MeterSettings &s)
{
    return s.seriesCircuit != 0 ? Circuit::Series : Circuit::Parallel;
}

QString circuitName(Circuit circuit)
{
    switch (circuit) {
    case Circuit::Series:
        return QStringLiteral("series");
    case Circuit::Parallel:
        return QStringLiteral("parallel");
    case Circuit::Automatic:
        break;
    }
    return {};
}

} // namespace protocol
