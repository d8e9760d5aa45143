#include "profiles/profile_table.h"

#include "i18n/window_lexicons.h"
#include "profiles/reference_units.h"
#include "protocol/meter_tables.h"

namespace profiles {

namespace {

QString primaryReference(const ProfileLine &line, const i18n::WindowLexicons &lexicons)
{
    if (line.primaryTolerance == kToleranceOff)
        return {};
    static const char *const kLetters[] = {"R ", "L ", "C "};
    const QString letter = line.primaryKind < 3 ? QLatin1String(kLetters[line.primaryKind]) : QString();
    return letter + line.primaryTolerance + QLatin1Char(' ') + line.primaryNominal
           + primaryUnitText(line.primaryKind, line.primaryUnit, lexicons.unitTexts());
}

QString secondaryReference(const ProfileLine &line, const i18n::WindowLexicons &lexicons)
{
    if (line.secondaryTolerance == kToleranceOff)
        return {};
    static const char *const kLetters[] = {"R ", "Q ", "D "};
    const QString letter = line.secondaryKind < 3 ? QLatin1String(kLetters[line.secondaryKind]) : QString();
    QString text = letter + line.secondaryTolerance + QLatin1Char(' ') + line.secondaryNominal;
    if (line.secondaryKind == kSecondaryR)
        text += ohmUnitText(line.secondaryUnit, lexicons.unitTexts());
    return text;
}

QString circuitText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    // A stored byte other than 0 or 1 shows nothing.
    if (s.circuitAuto == 1)
        return protocol::circuitLetter(protocol::Circuit::Automatic);
    if (s.seriesCircuit == 1)
        return lexicons.Dlang2.GetItem(2);
    if (s.seriesCircuit == 0)
        return lexicons.Dlang2.GetItem(3);
    return {};
}

QString frequencyText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    // Code 0: the meter shows no frequency.
    const QString text = s.freqCode != 0
                             ? protocol::frequencyText(protocol::frequencyForCode(s.freqCode), lexicons.unitTexts(),
                                                       QString())
                             : QString();
    return s.freqAuto == 1 ? QStringLiteral("A") + text : text;
}

QString levelText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    const std::optional<QString> number = protocol::levelNumber(s.levelCode);
    const QString text = number ? *number + protocol::levelUnit(s.levelCode, lexicons.unitTexts()) : QString();
    return s.levelAuto == 1 ? QStringLiteral("A") + text : text;
}

QString intervalText(const protocol::MeterSettings &s, const i18n::WindowLexicons &lexicons)
{
    return protocol::intervalSecondsText(s.intervalCode).value_or(QString()) + lexicons.D3.GetItem(5);
}

} // namespace

std::array<std::optional<QString>, kProfileTableColumns> profileTableHeaders(const i18n::WindowLexicons &lexicons)
{
    std::array<std::optional<QString>, kProfileTableColumns> headers;
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
