#include "remote/scpi_parser.h"

#include <QStringDecoder>

#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace remote {

namespace {

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

struct Failure
{
    ScpiError error;
    QString detail;
};

// Splits at `separator` outside quotes; false for an unterminated quote.
bool splitOutsideQuotes(const QString &text, QChar separator, QStringList *parts)
{
    QChar quote;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (isQuote(c))
            quote = c;
        else if (c == separator) {
            parts->append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    if (!quote.isNull())
        return false;
    parts->append(text.mid(start));
    return true;
}

bool isMnemonic(const QString &word)
{
    if (word.isEmpty() || !isAsciiLetter(word.front()))
        return false;
    for (QChar c : word)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('_'))
            return false;
    return true;
}

std::optional<Failure> parseHeader(const QString &header, ScpiCommand *command)
{
    QString h = header;
    if (h.endsWith(QLatin1Char('?'))) {
        command->query = true;
        h.chop(1);
    }
    if (h.startsWith(QLatin1Char('*'))) {
        const QString word = h.mid(1);
        if (word.isEmpty())
            return Failure{ScpiError::Command, QStringLiteral("'*' without a name")};
        for (QChar c : word)
            if (!isAsciiLetter(c))
                return Failure{ScpiError::Syntax, QStringLiteral("invalid character in header")};
        command->common = true;
        command->nodes = QStringList{QLatin1Char('*') + word.toUpper()};
        return std::nullopt;
    }
    if (h.startsWith(QLatin1Char(':'))) {
        command->absolute = true;
        h.remove(0, 1);
    }
    const QStringList nodes = h.split(QLatin1Char(':'));
    for (const QString &node : nodes) {
        if (node.isEmpty())
            return Failure{ScpiError::Command, QStringLiteral("empty header node")};
        if (!isMnemonic(node))
            return Failure{ScpiError::Syntax, QStringLiteral("invalid character in header")};
        command->nodes.append(node.toUpper());
    }
    return std::nullopt;
}

std::optional<Failure> parseNumber(const QString &text, ScpiParameter *parameter)
{
    // Mantissa, optional exponent, optional whitespace, optional suffix.
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && isAsciiDigit(text.at(i)))
            ++i;
        return i - from;
    };
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype mantissaDigits = digits();
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return Failure{ScpiError::Syntax, QStringLiteral("invalid number")};
    if (i < n && (text.at(i) == QLatin1Char('E') || text.at(i) == QLatin1Char('e'))) {
        // "1E4", "1 E 4" is not taken; an E followed by no digits is a suffix ("1EX").
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        if (j < n && isAsciiDigit(text.at(j))) {
            i = j;
            digits();
        }
    }
    const QString mantissa = text.left(i);
    while (i < n && isSpace(text.at(i)))
        ++i;
    const QString suffix = text.mid(i).toUpper();
    for (QChar c : suffix)
        if (!isAsciiLetter(c))
            return Failure{ScpiError::Syntax, QStringLiteral("invalid number")};
    double multiplier = 1.0;
    if (!splitScpiSuffix(suffix, &multiplier, &parameter->unit))
        return Failure{ScpiError::InvalidSuffix, suffix};
    const QByteArray latin = mantissa.toLatin1();
    parameter->kind = ScpiParameter::Kind::Number;
    parameter->number = std::strtod(latin.constData(), nullptr) * multiplier;
    parameter->text = text;
    return std::nullopt;
}

std::optional<Failure> parseParameter(const QString &raw, ScpiParameter *parameter)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return Failure{ScpiError::Syntax, QStringLiteral("empty parameter")};
    const QChar first = text.front();
    if (isQuote(first)) {
        QString value;
        qsizetype i = 1;
        for (; i < text.size(); ++i) {
            if (text.at(i) == first) {
                if (i + 1 < text.size() && text.at(i + 1) == first) {
                    value += first; // a doubled quote stands for one
                    ++i;
                    continue;
                }
                break;
            }
            value += text.at(i);
        }
        if (i != text.size() - 1)
            return Failure{ScpiError::Syntax, QStringLiteral("invalid string")};
        parameter->kind = ScpiParameter::Kind::String;
        parameter->text = value;
        return std::nullopt;
    }
    if (isAsciiDigit(first) || first == QLatin1Char('+') || first == QLatin1Char('-') || first == QLatin1Char('.'))
        return parseNumber(text, parameter);
    if (isMnemonic(text)) {
        parameter->kind = ScpiParameter::Kind::Word;
        parameter->text = text.toUpper();
        return std::nullopt;
    }
    return Failure{ScpiError::Syntax, QStringLiteral("invalid parameter")};
}

std::optional<Failure> parseUnit(const QString &unit, ScpiCommand *command)
{
    qsizetype end = 0;
    while (end < unit.size() && !isSpace(unit.at(end)))
        ++end;
    if (std::optional<Failure> f = parseHeader(unit.left(end), command))
        return f;
    const QString rest = unit.mid(end).trimmed();
    if (rest.isEmpty())
        return std::nullopt;
    QStringList parts;
    splitOutsideQuotes(rest, QLatin1Char(','), &parts); // quotes were checked for the whole message
    for (const QString &part : parts) {
        ScpiParameter parameter;
        if (std::optional<Failure> f = parseParameter(part, &parameter))
            return f;
        command->parameters.push_back(std::move(parameter));
    }
    return std::nullopt;
}

} // namespace

bool splitScpiSuffix(const QString &suffix, double *multiplier, QString *unit)
{
    static const std::array<std::pair<const char *, double>, 13> kPrefixes{{
        {"", 1.0}, {"EX", 1e18}, {"PE", 1e15}, {"T", 1e12}, {"G", 1e9}, {"MA", 1e6}, {"K", 1e3},
        {"M", 1e-3}, {"U", 1e-6}, {"N", 1e-9}, {"P", 1e-12}, {"F", 1e-15}, {"A", 1e-18},
    }};
    static const std::array<const char *, 4> kUnits{"OHM", "HZ", "V", "S"};
    // Megahertz and megohms are written with a plain M by custom.
    if (suffix == QLatin1String("MHZ") || suffix == QLatin1String("MOHM")) {
        *multiplier = 1e6;
        *unit = suffix.mid(1);
        return true;
    }
    auto prefixValue = [&](const QString &prefix) -> std::optional<double> {
        for (const auto &[name, value] : kPrefixes)
            if (prefix == QLatin1String(name))
                return value;
        return std::nullopt;
    };
    for (const char *name : kUnits) {
        const QLatin1String u(name);
        if (!suffix.endsWith(u))
            continue;
        if (const std::optional<double> m = prefixValue(suffix.chopped(u.size()))) {
            *multiplier = *m;
            *unit = u;
            return true;
        }
    }
    if (const std::optional<double> m = prefixValue(suffix)) {
        *multiplier = *m;
        unit->clear();
        return true;
    }
    return false;
}

ScpiMessage parseScpiMessage(QByteArrayView line)
{
    ScpiMessage message;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(line);
    if (decoder.hasError()) {
        message.error = ScpiError::Syntax;
        message.detail = QStringLiteral("not UTF-8");
        return message;
    }
    for (QChar c : text) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F) {
            message.error = ScpiError::Syntax;
            message.detail = QStringLiteral("control character");
            return message;
        }
    }
    QStringList units;
    if (!splitOutsideQuotes(text, QLatin1Char(';'), &units)) {
        message.error = ScpiError::Syntax;
        message.detail = QStringLiteral("unterminated string");
        return message;
    }
    for (const QString &raw : units) {
        const QString unit = raw.trimmed();
        // An empty unit (a blank line, a ';' at the end) is no command.
        if (unit.isEmpty())
            continue;
        ScpiCommand command;
        if (std::optional<Failure> f = parseUnit(unit, &command)) {
            message.error = f->error;
            message.detail = f->detail;
            return message;
        }
        message.commands.push_back(std::move(command));
    }
    return message;
}

} // namespace remote
