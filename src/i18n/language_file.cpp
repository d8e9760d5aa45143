// Language files
// ==============
//
// A language file holds one language's translations of the window's texts and
// of its lexicons (the numbered lists of run-time texts). It is a text file,
// read one line at a time; lines end with CR LF when written (CR or LF alone
// are accepted). Written files are UTF-16LE with a byte-order mark; a reader
// also takes UTF-8 and UTF-16BE by their marks, and a file without a mark as
// UTF-8 when the bytes are valid UTF-8, else as Windows-1251.
//
// Each line is a number part, a TAB and a value; a line without a TAB has an
// empty value. Values hold fields "%KEY=value;" found anywhere in the value,
// and a text runs from the first to the last double quote of the value, so it
// may itself hold quotes. Texts never hold raw control characters: code 13 is
// written '#13' and decoded only when shown. The parts, in order (→ is a TAB):
//
//   [LANGUAGE_FILE]                                         signature
//   0→%LANGUAGE_NAME="English"→%CODE=en;→%FILEVER=RZNF1;    header (optional
//                                     →%SUPERIOR_LANGUAGE=name; inherits one)
//   0→"Connect"→%COMPONENT=B2;→%OWNER=Form1;                a property text:
//   33→"Auto"→%COMPONENT=ListBox_freq_RLC;→%OWNER=Form1;→%ITEM=0;
//   5→%NOTRANS→%COMPONENT=E2;→%OWNER=Form1;→%OLD            number = property
//   0→%LEXICON_STRINGS                                      lexicon section
//   0→%LEXICON_NAME=Form1.D1;                               one lexicon...
//   0→"Profile"                                             ...item 0 of it
//   0→%SMART_STRINGS                                        reserved, empty
//   0→%FLAG_ICON                                            optional picture
//   0→424D3E00...                                           50 bytes a line
//
// The same file as written starts with the bytes
//   FF FE 5B 00 4C 00 41 00 4E 00 ...   (mark, "[LAN..." in UTF-16LE)
//
// A property line's key is "component@owner#property[item". Readers skip what
// does not fit one line at a time: a number part that is not an integer, a
// value of two characters or less, a negative property, no component name.
// Nothing else of a file is checked; the file version is never read.

#include "i18n/language_file.h"

#include "i18n/windows_1251.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace i18n {

namespace {

constexpr qsizetype kMaxFlagBytesPerLine = 256;
constexpr qsizetype kFlagBytesPerWrittenLine = 50;

QString fromUtf16(const QByteArray &bytes, qsizetype offset, bool bigEndian)
{
    // A truncated last code unit is dropped.
    const qsizetype units = (bytes.size() - offset) / 2;
    QString out(units, Qt::Uninitialized);
    const auto *src = reinterpret_cast<const unsigned char *>(bytes.constData() + offset);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < units; ++i, src += 2) {
        dst[i] = bigEndian ? char16_t((src[0] << 8) | src[1]) : char16_t(src[0] | (src[1] << 8));
    }
    return out;
}

bool startsWith(const QByteArray &bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes.at(i++)) != b)
            return false;
    }
    return true;
}

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 32;
}

QStringView trimmedControls(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlankOrControl(s.at(b)))
        ++b;
    while (e > b && isBlankOrControl(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QString decodeLanguageText(const QByteArray &bytes)
{
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (startsWith(bytes, {0xFF, 0xFE}))
        return fromUtf16(bytes, 2, false);
    if (startsWith(bytes, {0xFE, 0xFF}))
        return fromUtf16(bytes, 2, true);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1251(bytes);
}

QByteArray encodeLanguageText(QStringView text, TLFEncoding encoding)
{
    QByteArray out;
    switch (encoding) {
    case TLFEncoding::Unicode:
    case TLFEncoding::BigEndianUnicode: {
        const bool big = encoding == TLFEncoding::BigEndianUnicode;
        out.reserve(2 + text.size() * 2);
        out.append(big ? "\xFE\xFF" : "\xFF\xFE", 2);
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            const char hi = char(u >> 8);
            const char lo = char(u & 0xFF);
            out.append(big ? hi : lo);
            out.append(big ? lo : hi);
        }
        break;
    }
    case TLFEncoding::UTF8:
        out = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        break;
    case TLFEncoding::ANSI:
        out = encodeWindows1251(text);
        break;
    }
    return out;
}

QStringList splitLanguageLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

std::optional<QStringList> readLanguageLines(const QString &path)
{
    // Regular files only: a pipe or a device named *.lng would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxLanguageFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // In pieces: one read of the largest size would take a buffer of 16 MB for
    // every file, however small (clearing it took seconds under a sanitizer).
    // The file may have grown since it was measured, so the limit holds here too.
    constexpr qint64 kPiece = 64 * 1024;
    QByteArray bytes;
    while (bytes.size() <= kMaxLanguageFileBytes) {
        const QByteArray piece = file.read(std::min(kPiece, kMaxLanguageFileBytes + 1 - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (bytes.size() > kMaxLanguageFileBytes)
        return std::nullopt;
    return splitLanguageLines(decodeLanguageText(bytes));
}

LangLine splitLangLine(QStringView line)
{
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {line, {}};
    return {line.left(tab), line.mid(tab + 1)};
}

std::optional<int> parseNumberPart(QStringView number)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < number.size() && (number.at(i) == QLatin1Char('+') || number.at(i) == QLatin1Char('-'))) {
        negative = number.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == number.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < number.size(); ++i) {
        const char16_t u = number.at(i).unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(value);
}

QString fieldValue(QStringView text, QLatin1StringView key)
{
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return QString();
    const qsizetype from = at + key.size();
    const qsizetype end = text.indexOf(QLatin1Char(';'), from);
    if (end < 0)
        return QString();
    return text.mid(from, end - from).toString();
}

QString quotedText(QStringView text)
{
    const qsizetype first = text.indexOf(QLatin1Char('"'));
    if (first < 0)
        return QString();
    const qsizetype last = text.lastIndexOf(QLatin1Char('"'));
    if (last <= first)
        return QString();
    return text.mid(first + 1, last - first - 1).toString();
}

QString signatureLine(QStringView signature)
{
    return QLatin1Char('[') + signature.toString() + QLatin1Char(']');
}

bool isSignatureLine(QStringView line, QStringView signature)
{
    const QStringView trimmed = trimmedControls(line);
    return trimmed.size() == signature.size() + 2 && trimmed.front() == QLatin1Char('[')
           && trimmed.back() == QLatin1Char(']') && trimmed.mid(1, signature.size()) == signature;
}

QString NormalizeISOCode(QStringView code)
{
    const QString trimmed = trimmedControls(code).toString().toLower();
    if (trimmed.size() < 2)
        return QString();
    const QString two = trimmed.left(2);
    for (const QChar c : two) {
        if (c < QLatin1Char('a') || c > QLatin1Char('z'))
            return QString();
    }
    if (two == QLatin1String("xx"))
        return QString();
    return two;
}

bool IsTranslatableText(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 65)
            return true;
    }
    return false;
}

TLangIDs probeLanguageLines(const QStringList &lines, QStringView signature, QByteArray *flag)
{
    if (flag)
        flag->clear();
    if (lines.size() < 3 || !isSignatureLine(lines.first(), signature))
        return {};

    TLangIDs ids;
    qsizetype header = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView value = splitLangLine(lines.at(i)).value;
        if (!value.contains(langkey::LanguageName))
            continue;
        const QString name = quotedText(value);
        if (name.isEmpty())
            continue;
        ids.Name = name;
        ids.Code = NormalizeISOCode(fieldValue(value, langkey::Code));
        header = i;
        break;
    }
    if (header < 0 || !flag)
        return ids;

    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const QStringView value = splitLangLine(lines.at(i)).value;
        if (value.size() > 2 && value.front() != QLatin1Char('"') && value.contains(langkey::FlagIcon)) {
            for (qsizetype k = i + 1; k < lines.size(); ++k)
                flag->append(decodeFlagLine(splitLangLine(lines.at(k)).value));
            break;
        }
    }
    return ids;
}

TLangIDs ProbeLanguageFile(const QString &path, QStringView signature, QByteArray *flag)
{
    const std::optional<QStringList> lines = readLanguageLines(path);
    if (!lines) {
        if (flag)
            flag->clear();
        return {};
    }
    return probeLanguageLines(*lines, signature, flag);
}

QByteArray decodeFlagLine(QStringView value)
{
    QByteArray out;
    for (qsizetype i = 0; i + 1 < value.size() && out.size() < kMaxFlagBytesPerLine; i += 2) {
        const int hi = hexDigit(value.at(i));
        const int lo = hexDigit(value.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        out.append(char((hi << 4) | lo));
    }
    return out;
}

QStringList encodeFlagLines(const QByteArray &picture)
{
    QStringList lines;
    qsizetype number = 0;
    for (qsizetype at = 0;; at += kFlagBytesPerWrittenLine) {
        const QByteArray chunk = picture.mid(at, kFlagBytesPerWrittenLine);
        lines.append(QString::number(number++) + QLatin1Char('\t') + QString::fromLatin1(chunk.toHex().toUpper()));
        if (chunk.size() < kFlagBytesPerWrittenLine)
            break;
    }
    return lines;
}

} // namespace i18n
