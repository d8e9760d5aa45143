#pragma once

#include "protocol/meter_settings.h"
#include "protocol/number_format.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace i18n {
struct WindowLexicons;
}

// The texts of one measurement log row, computed from what the window shows
// and knows when the row is written.
namespace logbook {

inline constexpr int kLogColumns = 10;

// Everything a row's texts are made of.
struct LogRowSource
{
    QString primaryLetter;   // the main parameter letter on the display ("C")
    QString primaryValue;    // the main value with its unit, as displayed
    QString secondaryLetter; // likewise for the secondary value
    QString secondaryValue;
    protocol::MeterSettings settings; // circuit and frequency code of the reading
    QString frequencyText;   // "75 кГц", as the last RLCD frame gave it
    QString levelText;       // "1.0 Вскз"
    bool primaryToleranceOn = false;
    bool secondaryToleranceOn = false;
    std::int32_t judgeResult = 0; // the latest verdict, 0 pass
    double primaryDeviation = 0.0;
    double secondaryDeviation = 0.0;
    QDateTime time; // when the row is written
};

// What the formatting needs besides the row: lexicons (looked up per call, so
// the texts follow the language) and the locale's separators.
struct LogTextContext
{
    const i18n::WindowLexicons &lexicons;
    protocol::NumberSeparators separators;
    QString timeSeparator = QStringLiteral(":");

    static LogTextContext fromLocale(const i18n::WindowLexicons &lexicons, const QLocale &locale = QLocale());
};

// One text per column; nullopt leaves the cell as it is.
using LogRowCells = std::array<std::optional<QString>, kLogColumns>;

// The cells of log row `row` (1 = first data row). In multi-part mode the
// name in column 1 stays; with a tolerance off its deviation cell is emptied,
// and with both off the reject mark in column 7 stays as it was.
LogRowCells composeLogRow(int row, const LogRowSource &source, bool multiPart, const LogTextContext &context);

// "05.03.21 14:07:09" with `timeSeparator` between the time fields.
QString formatLogTime(const QDateTime &time, const QString &timeSeparator);

// A deviation in percent: two decimals, at most four significant digits, no
// grouping; the scientific form once the whole part has more than four digits.
QString formatDeviation(double percent, const protocol::NumberSeparators &separators);

// The separator the locale puts between hours and minutes (":" when its
// time format shows none).
QString timeSeparatorOf(const QLocale &locale);

} // namespace logbook
