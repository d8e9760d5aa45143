#include "app/code_page_1251.h"

#include <array>
#include <cstdint>

namespace app {

namespace {

// Bytes 0x80..0xBF; 0xC0..0xFF are the Cyrillic letters U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char16_t kFirstLetter = 0x0410;
constexpr char16_t kLastLetter = 0x044F;

char toByte(char16_t unit)
{
    if (unit < 0x80)
        return char(unit);
    if (unit >= kFirstLetter && unit <= kLastLetter)
        return char(0xC0 + (unit - kFirstLetter));
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == unit && unit != 0xFFFD)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray toWindows1251(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(toByte(c.unicode()));
    return bytes;
}

QString fromWindows1251(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto byte = std::uint8_t(b);
        if (byte < 0x80)
            text.append(QChar(char16_t(byte)));
        else if (byte < 0xC0)
            text.append(QChar(kHighHalf[byte - 0x80]));
        else
            text.append(QChar(char16_t(kFirstLetter + (byte - 0xC0))));
    }
    return text;
}

} // namespace app
