#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace i18n {

// How a language file is written (a file is read in whatever it holds).
enum class TLFEncoding {
    Unicode,          // UTF-16 little-endian with a byte-order mark
    BigEndianUnicode, // UTF-16 big-endian with a byte-order mark
    UTF8,             // UTF-8 with a byte-order mark
    ANSI,             // Windows-1251, no mark
};

// A language as a language file declares it.
struct TLangIDs
{
    QString Name;
    QString Code; // two lower-case letters or empty

    bool operator==(const TLangIDs &) const = default;
};

// Keys and markers of the format.
namespace langkey {
inline constexpr QLatin1StringView LanguageName{"%LANGUAGE_NAME="};
inline constexpr QLatin1StringView Code{"%CODE="};
inline constexpr QLatin1StringView SuperiorLanguage{"%SUPERIOR_LANGUAGE="};
inline constexpr QLatin1StringView FileVersion{"%FILEVER="};
inline constexpr QLatin1StringView Component{"%COMPONENT="};
inline constexpr QLatin1StringView Owner{"%OWNER="};
inline constexpr QLatin1StringView Item{"%ITEM="};
inline constexpr QLatin1StringView Old{"%OLD"};
inline constexpr QLatin1StringView NoTrans{"%NOTRANS"};
inline constexpr QLatin1StringView LexiconStrings{"%LEXICON_STRINGS"};
inline constexpr QLatin1StringView LexiconName{"%LEXICON_NAME="};
inline constexpr QLatin1StringView LangMan{"%LANGMAN"};
inline constexpr QLatin1StringView SmartStrings{"%SMART_STRINGS"};
inline constexpr QLatin1StringView FlagIcon{"%FLAG_ICON"};
inline constexpr QLatin1StringView FileVersionValue{"RZNF1"};
} // namespace langkey

// Files larger than this are not language files; reading one whole would
// only stall the window.
inline constexpr qint64 kMaxLanguageFileBytes = 16 * 1024 * 1024;

// Bytes to text: a byte-order mark selects UTF-8, UTF-16LE or UTF-16BE;
// without one the bytes are UTF-8 when valid, else Windows-1251.
QString decodeLanguageText(const QByteArray &bytes);
// Text to bytes in the chosen encoding, byte-order mark included.
QByteArray encodeLanguageText(QStringView text, TLFEncoding encoding);

// Lines split at CR LF, CR or LF; a final line break opens no further line.
QStringList splitLanguageLines(const QString &text);
// The lines of a regular file of at most kMaxLanguageFileBytes; nullopt when
// it cannot be read.
std::optional<QStringList> readLanguageLines(const QString &path);

// A line seen as the number part before its first TAB and the value after it
// (empty without a TAB).
struct LangLine
{
    QStringView number;
    QStringView value;
};
LangLine splitLangLine(QStringView line);
// A decimal integer with an optional sign, nothing else; nullopt otherwise.
std::optional<int> parseNumberPart(QStringView number);

// The text from just after `key` to the first ";" after it; empty when the key
// is absent or no ";" follows.
QString fieldValue(QStringView text, QLatin1StringView key);
// The text between the first and the last double quote; empty with fewer than two.
QString quotedText(QStringView text);
// Compared after trimming blanks and control characters at both ends.
bool isSignatureLine(QStringView line, QStringView signature);
QString signatureLine(QStringView signature);

// "ru - Russian" and "RU" give "ru"; anything that does not start with two
// letters a..z (after trimming, any case), and "xx", gives an empty code.
QString NormalizeISOCode(QStringView code);

// A text worth translating holds at least one character from "A" (65) up:
// digits, signs and blanks alone never are.
bool IsTranslatableText(QStringView text);

// The header probe: the declared language of a file's lines, and its flag
// picture when `flag` is given. An empty name means not a language file.
TLangIDs probeLanguageLines(const QStringList &lines, QStringView signature, QByteArray *flag = nullptr);
TLangIDs ProbeLanguageFile(const QString &path, QStringView signature, QByteArray *flag = nullptr);

// Flag picture lines: hexadecimal digit pairs, at most 256 bytes a line, read
// up to the first character that is not a hexadecimal digit.
QByteArray decodeFlagLine(QStringView value);
// The writer's form: 50 bytes a line in upper case, numbered from 0; the last
// line is shorter, and empty when the size is a multiple of 50.
QStringList encodeFlagLines(const QByteArray &picture);

} // namespace i18n
