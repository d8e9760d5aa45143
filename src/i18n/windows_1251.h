#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace i18n {

// Windows-1251, the 8-bit code page of texts made on Russian Windows systems:
// language files without a byte-order mark, the settings file's profile path
// and the text fields of profile files. One byte per character both ways.

// Every byte maps to one character, so decoding never fails. The one byte the
// code page leaves undefined (0x98) reads as the control character U+0098, as
// Windows reads it, so every byte survives a round trip.
QString decodeWindows1251(QByteArrayView bytes);

// A character the code page cannot hold is written as "?"; a surrogate pair
// (an emoji, say) is one character and so one "?".
QByteArray encodeWindows1251(QStringView text);

} // namespace i18n
