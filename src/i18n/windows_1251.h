#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace i18n {

// The 8-bit code page of texts made on Russian Windows systems. Every byte
// maps to one character (0x98, unassigned, to U+FFFD), so decoding never fails.
QString decodeWindows1251(QByteArrayView bytes);

// A character the code page cannot hold is written as "?".
QByteArray encodeWindows1251(QStringView text);

} // namespace i18n
