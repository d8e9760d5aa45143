#pragma once

#include <QByteArray>
#include <QString>

// Test fixtures are written as hex ("01 24 80 21 0A"); blanks are ignored.
inline QByteArray hexBytes(const char *hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

inline QString toHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
