#include "i18n/char_codes.h"

namespace i18n {

QString EncodeControlChars(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == 0)
            continue;
        if (code < 32) {
            out += QLatin1Char('\'');
            out += QLatin1Char('#');
            out += QString::number(code);
            out += QLatin1Char('\'');
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

bool isDigit(const QString &s, qsizetype i)
{
    return i < s.size() && s.at(i) >= QLatin1Char('0') && s.at(i) <= QLatin1Char('9');
}

bool isAt(const QString &s, qsizetype i, char c)
{
    return i < s.size() && s.at(i) == QLatin1Char(c);
}

// Parses one group starting at the apostrophe at `start`. On success appends the
// decoded characters to `out` and returns the index just past the group; returns
// -1 when the text at `start` is not a group (the apostrophe is then literal).
// `tooLarge` is set when the group is well formed but carries a number > 65535.
qsizetype parseGroup(const QString &s, qsizetype start, QString &out, bool &tooLarge)
{
    tooLarge = false;
    qsizetype i = start + 1;
    if (isAt(s, i, ' ') && isAt(s, i + 1, '#'))
        ++i;
    if (!isAt(s, i, '#') || !isDigit(s, i + 1))
        return -1;

    QString decoded;
    while (isAt(s, i, '#') && isDigit(s, i + 1)) {
        ++i;
        quint32 value = 0;
        while (isDigit(s, i)) {
            // Saturate: anything past 65535 only needs to be known as too large.
            if (value <= 65535)
                value = value * 10 + quint32(s.at(i).unicode() - u'0');
            ++i;
        }
        if (value > 65535)
            tooLarge = true;
        else
            decoded += QChar(char16_t(value));
        if (isAt(s, i, ' '))
            ++i;
    }
    if (isAt(s, i, '\''))
        ++i;
    if (!tooLarge)
        out += decoded;
    return i;
}

} // namespace

QString DecodeCharCodes(const QString &text)
{
    // Nearly every text has no apostrophe; hand it back without copying.
    if (!text.contains(QLatin1Char('\'')))
        return text;

    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) != QLatin1Char('\'')) {
            out += text.at(i++);
            continue;
        }
        bool tooLarge = false;
        const qsizetype end = parseGroup(text, i, out, tooLarge);
        if (end < 0) {
            out += text.at(i++);
        } else {
            if (tooLarge)
                out += QStringView(text).mid(i, end - i);
            i = end;
        }
    }
    return out;
}

} // namespace i18n
