// Where vorlant-log writes its readings: CSV lines or JSON lines (export/).

#include "reading_output.h"

#include "export/reading_csv.h"
#include "export/reading_json.h"
#include "files/file_replacement.h"

#include <cerrno>
#include <unistd.h>

namespace vorlantlog {

ReadingOutput::ReadingOutput() = default;
ReadingOutput::~ReadingOutput() = default;

bool ReadingOutput::open(const QString &path, bool append, OutputFormat format, QString *error)
{
    m_format = format;
    m_error.clear();
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("cannot write %1: %2").arg(name(), why);
        return false;
    };
    if (path.isEmpty()) {
        if (!m_file.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return refuse(m_file.errorString());
        return format != OutputFormat::Csv || put(csvHeaderLine()) || refuse(errorString());
    }
    m_file.setFileName(path);
    if (!append) {
        // The new file, with its header, takes the name only once it is on
        // disk: a full disk leaves the old file as it was.
        files::FileReplacement fresh(path);
        if (fresh.open() && format == OutputFormat::Csv)
            fresh.write(csvHeaderLine());
        if (!fresh.commit())
            return refuse(fresh.errorString());
    }
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::Append))
        return refuse(m_file.errorString());
    m_wholeSize = m_file.size();
    // A file that already has lines has its header.
    if (append && format == OutputFormat::Csv && m_wholeSize == 0 && !put(csvHeaderLine()))
        return refuse(errorString());
    return true;
}

bool ReadingOutput::write(const reading::Reading &reading, std::int64_t position)
{
    return put(m_format == OutputFormat::Csv ? csvLine(reading, position) : jsonLine(reading, position));
}

bool ReadingOutput::put(const QByteArray &line)
{
    // Straight to the system, which names the reason of a short write.
    const char *at = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(m_file.handle(), at, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            break;
        }
        at += written;
        left -= written;
    }
    if (left == 0) {
        m_wholeSize += line.size();
        return true;
    }
    m_error = files::systemMessage(errno);
    // A file ends with the last whole line, as it was before this one.
    if (!m_file.fileName().isEmpty())
        m_file.resize(m_wholeSize);
    return false;
}

QString ReadingOutput::errorString() const
{
    return m_error.isEmpty() ? m_file.errorString() : m_error;
}

QString ReadingOutput::name() const
{
    return m_file.fileName().isEmpty() ? QStringLiteral("standard output") : m_file.fileName();
}

} // namespace vorlantlog
