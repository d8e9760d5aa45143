#pragma once

#include "profiles/profile_line.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Golden profiles, written by hand from the file layout:
//   one_line.hex1     count 1; "R1", R 1% of 100 kOhm, secondary off (D 0,05),
//                     start position 1, default meter settings.
//   three_lines.hex1  count 3;
//     1 "Рез-1"  R 1% of 100 kOhm, secondary off (R 10000 Ohm), start 1, defaults
//     2 "C2"     C "<" 100 nF, secondary R 12,25 % of 1,5 kOhm, start 40,
//                100 Hz by hand, C and R by hand, 0.5 V by hand, series, 0.5 s
//     3 "L3"     both off (L 1 mH, Q 50), start 3, level 0.1 V automatic, 2 s
inline QByteArray goldenBytes(const char *name)
{
    const QString path = QStringLiteral(VORLANT_GOLDEN_DIR "/") + QLatin1String(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("golden file %s missing", qPrintable(path));
    return file.readAll();
}

inline QByteArray lineBytes(const profiles::ProfileLine &line)
{
    const profiles::ProfileLineBytes bytes = profiles::writeProfileLine(line);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// Line k (1-based) of a profile's bytes.
inline QByteArray lineSlice(const QByteArray &profile, int k)
{
    return profile.mid(100 + 72 * (k - 1), 72);
}

inline profiles::ProfileLine decodeLine(const QByteArray &bytes72)
{
    return profiles::readProfileLine(
        std::span<const std::uint8_t, 72>(reinterpret_cast<const std::uint8_t *>(bytes72.constData()), 72));
}

inline profiles::ProfileLine goldenLine(int k)
{
    return decodeLine(lineSlice(goldenBytes("three_lines.hex1"), k));
}
