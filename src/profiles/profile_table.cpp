#include "profiles/profile_table.h"

#include "i18n/window_lexicons.h"
#include "profiles/reference_units.h"

namespace profiles {

namespace {

QString primaryReference(const ProfileLine &line, const i18n::WindowLexicons &lexicons)
{
    if (line.primaryTolerance == kToleranceOff)
        return {};
    static const char *const kLetters[] = {"R ", "L ", "C "};
    const QString letter = line.primaryKind < 3 ? QLatin1String(kLetters[line.primaryKind]) : QString();
    return letter + line.primaryTolerance + QLatin1Char(' ') + line.primaryNominal
           + primaryUnitText(line.primaryKind, line.primaryUnit, lexicons);
}

QString secondaryReference(const ProfileLine &line, const i18n::WindowLexicons &lexicons)
{
    if (line.secondaryTolerance == kToleranceOff)
        return {};
    static const char *const kLetters[] = {"R ", "Q ", "D "};
    const QString letter = line.secondaryKind < 3 ? QLatin1String(kLetters[line.secondaryKind]) : QString();
    QString text = letter + line.secondaryTolerance + QLatin1Char(' ') + line.secondaryNominal;
    if (line.secondaryKind == kSecondaryR)
        text += ohmUnitText(line.secondaryUnit, lexicons);
    return text;
}

QString circuitText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    if (s.circuitAuto == 1)
        return QStringLiteral("A");
    if (s.seriesCircuit == 1)
        return lexicons.Dlang2.GetItem(2);
    if (s.seriesCircuit == 0)
        return lexicons.Dlang2.GetItem(3);
    return {};
}

QString frequencyText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    const std::int32_t hz = protocol::frequencyForCode(s.freqCode);
    QString text;
    if (hz >= 1000)
        text = QString::number(hz / 1000) + lexicons.Dlang1.GetItem(1) + lexicons.Dlang3.GetItem(0);
    else if (s.freqCode != 0)
        text = QString::number(hz) + lexicons.Dlang3.GetItem(0);
    return s.freqAuto == 1 ? QStringLiteral("A") + text : text;
}

QString levelText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    QString text;
    switch (s.levelCode) {
    case 0:
    case 1:
        text = QStringLiteral("1.0") + lexicons.Dlang3.GetItem(1);
        break;
    case 2:
        text = QStringLiteral("0.5") + lexicons.Dlang3.GetItem(1);
        break;
    case 3:
        text = QStringLiteral("0.1") + lexicons.Dlang3.GetItem(1);
        break;
    case 4:
        text = QStringLiteral("0.1") + lexicons.Dlang3.GetItem(2);
        break;
    default:
        break;
    }
    return s.levelAuto == 1 ? QStringLiteral("A") + text : text;
}

QString intervalText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    QString seconds;
    switch (s.intervalCode) {
    case 1:
        seconds = QStringLiteral("2");
        break;
    case 2:
        seconds = QStringLiteral("1");
        break;
    case 3:
        seconds = QStringLiteral("0.5");
        break;
    default:
        break;
    }
    return seconds + lexicons.D3.GetItem(5);
}

} // namespace

std::array<std::optional<QString>, 10> profileTableHeaders(const i18n::WindowLexicons &lexicons)
{
    std::array<std::optional<QString>, 10> headers;
    headers[1] = lexicons.D2.GetItem(11);
    headers[2] = lexicons.D2.GetItem(12);
    headers[3] = lexicons.D2.GetItem(13);
    headers[7] = lexicons.D2.GetItem(15);
    headers[8] = lexicons.D2.GetItem(14);
    headers[9] = QString();
    return headers;
}

std::array<QString, 9> profileTableRow(int number, const ProfileLine &line, const i18n::WindowLexicons &lexicons)
{
    const protocol::MeterSettings &s = line.settingsSnapshot;
    return {QString::number(number),
            line.lineName,
            primaryReference(line, lexicons),
            secondaryReference(line, lexicons),
            circuitText(s, lexicons),
            frequencyText(s, lexicons),
            levelText(s, lexicons),
            intervalText(s, lexicons),
            QString::number(line.startPosition)};
}

} // namespace profiles
