#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace profiles {

// Text of the 8-bit fields in profile files: Windows-1251, so files made on
// Russian Windows systems read the same here. One byte per character; a
// character the code page cannot hold (a surrogate pair counts as one) is
// written as '?'. The one byte the code page leaves undefined (0x98) reads
// as the control character U+0098, as Windows reads it, so every byte
// survives a round trip.
QByteArray toCp1251(QStringView text);
QString fromCp1251(QByteArrayView bytes);

} // namespace profiles
