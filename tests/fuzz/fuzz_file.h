#pragma once

// The input of a fuzz target as a file, for readers that take a path: one
// temporary folder per process (removed at exit), each file rewritten whole
// for every input.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline const QDir &scratchFolder()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort(); // no folder, no target: fail loudly rather than test nothing
    static const QDir folder(dir.path());
    return folder;
}

inline QString writeFile(const QString &name, const char *data, std::size_t size)
{
    const QString path = scratchFolder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data, qint64(size)) != qint64(size))
        std::abort();
    return path;
}

inline QString writeFile(const QString &name, const QByteArray &bytes)
{
    return writeFile(name, bytes.constData(), std::size_t(bytes.size()));
}

} // namespace fuzz
