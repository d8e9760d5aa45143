// vorlant-log's command line: the input split at line feeds is the argument
// list after the program name. The working folder holds a profile "p.hex1",
// so `--profile p.hex1` reads a real one.

#include "fuzz_file.h"

#include "logger_options.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool ready = [] {
        // Three lines of settings and references, as the window writes them.
        QFile golden(QStringLiteral(VORLANT_SOURCE_DIR "/tests/profiles/golden/three_lines.hex1"));
        if (!golden.open(QIODevice::ReadOnly))
            std::abort();
        fuzz::writeFile(QStringLiteral("p.hex1"), golden.readAll());
        return QDir::setCurrent(fuzz::scratchFolder().path());
    }();
    if (!ready)
        std::abort();

    QStringList args{QStringLiteral("vorlant-log")};
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!text.isEmpty())
        args += text.split(QLatin1Char('\n'));
    vorlantlog::LoggerOptions options;
    QString message;
    vorlantlog::parseLoggerOptions(args, &options, &message);
    return 0;
}
