#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace app {

// Windows-1251, the 8-bit code page of every text field in the settings and
// profile files, so files written on Russian Windows systems read the same
// here. One byte per UTF-16 code unit in both directions.

// A code unit the code page cannot hold (a Latin accent, half of an emoji)
// becomes '?'.
QByteArray toWindows1251(QStringView text);

// Byte 0x98, the one byte the code page leaves undefined, becomes U+FFFD.
QString fromWindows1251(QByteArrayView bytes);

} // namespace app
