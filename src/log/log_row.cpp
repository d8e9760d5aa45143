#include "log/log_row.h"

#include "i18n/window_lexicons.h"

namespace logbook {

namespace {

void appendTwoDigits(QString &out, int value)
{
    out += QLatin1Char(char('0' + value / 10 % 10));
    out += QLatin1Char(char('0' + value % 10));
}

} // namespace

LogTextContext LogTextContext::fromLocale(const i18n::WindowLexicons &lexicons, const QLocale &locale)
{
    return {lexicons, protocol::NumberSeparators::fromLocale(locale), timeSeparatorOf(locale)};
}

QString timeSeparatorOf(const QLocale &locale)
{
    // The characters between the hour field and the minute field of the
    // locale's short time format ("HH:mm", "HH.mm", "h:mm AP").
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype i = 0;
    while (i < format.size() && format.at(i).toLower() != QLatin1Char('h'))
        ++i;
    while (i < format.size() && format.at(i).toLower() == QLatin1Char('h'))
        ++i;
    const qsizetype start = i;
    while (i < format.size() && format.at(i) != QLatin1Char('m') && !format.at(i).isLetter())
        ++i;
    if (i >= format.size() || format.at(i) != QLatin1Char('m') || i == start)
        return QStringLiteral(":");
    QString separator = format.mid(start, i - start);
    separator.remove(QLatin1Char('\''));
    return separator.isEmpty() ? QStringLiteral(":") : separator;
}

QString formatLogTime(const QDateTime &time, const QString &timeSeparator)
{
    const QDate d = time.date();
    const QTime t = time.time();
    QString out;
    out.reserve(17 + 2 * timeSeparator.size());
    appendTwoDigits(out, d.day());
    out += QLatin1Char('.');
    appendTwoDigits(out, d.month());
    out += QLatin1Char('.');
    appendTwoDigits(out, d.year() % 100);
    out += QLatin1Char(' ');
    appendTwoDigits(out, t.hour());
    out += timeSeparator;
    appendTwoDigits(out, t.minute());
    out += timeSeparator;
    appendTwoDigits(out, t.second());
    return out;
}

QString formatDeviation(double percent, const protocol::NumberSeparators &separators)
{
    return protocol::formatNumber(percent, 4, 2, false, separators);
}

LogRowCells composeLogRow(int row, const LogRowSource &source, bool multiPart, const LogTextContext &context)
{
    const i18n::WindowLexicons &lex = context.lexicons;
    LogRowCells cells;
    cells[0] = QString::number(row);
    if (!multiPart)
        cells[1] = formatLogTime(source.time, context.timeSeparator);
    cells[2] = source.primaryLetter + QLatin1Char(' ') + source.primaryValue;
    cells[3] = source.secondaryLetter + QLatin1Char(' ') + source.secondaryValue;
    cells[4] = lex.Dlang2.GetItem(source.settings.seriesCircuit == 1 ? 2 : 3);
    cells[5] = source.settings.freqCode == 0 ? QStringLiteral("A") : source.frequencyText;
    cells[6] = source.levelText;

    const QString mark = lex.D3.GetItem(source.judgeResult != 0 ? 3 : 4);
    if (source.primaryToleranceOn) {
        cells[7] = mark;
        cells[8] = formatDeviation(source.primaryDeviation, context.separators);
    } else {
        cells[8] = QString();
    }
    if (source.secondaryToleranceOn) {
        cells[7] = mark;
        cells[9] = formatDeviation(source.secondaryDeviation, context.separators);
    } else {
        cells[9] = QString();
    }
    return cells;
}

} // namespace logbook
