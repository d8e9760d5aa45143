// vorlant-log-man: writes the man page of vorlant-log from its option table
// (the build's vorlant-log-man target puts it at docs/vorlant-log.1).

#include "option_table.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: vorlant-log-man FILE\n", stderr);
        return 2;
    }
    QFile file(QFile::decodeName(argv[1]));
    const QByteArray page = vorlantlog::manPage();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(page) != page.size()) {
        std::fprintf(stderr, "vorlant-log-man: cannot write %s: %s\n", argv[1],
                     file.errorString().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
