#pragma once

// Whole files as bytes, and little-endian fields, for tests of the files the
// program writes.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray le32(std::int32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(std::uint32_t(v) >> (8 * i));
    return b;
}
