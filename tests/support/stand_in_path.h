#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

// Stand-in applications in a folder that is the whole PATH: each writes its
// arguments, one a line, to "<its name>.args" beside it, and a copy of the
// file its last argument names, as it was when the program ran, to
// "<its name>.file".
class StandInPath
{
public:
    StandInPath()
        : oldPath_(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(dir_.path()));
    }
    ~StandInPath() { qputenv("PATH", oldPath_); }

    // exitCode < 0: a program whose interpreter is missing, so it cannot start.
    void add(const QString &name, int exitCode = 0)
    {
        const QString path = dir_.filePath(name);
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        if (exitCode < 0) {
            script.write("#!/nonexistent/interpreter\n");
        } else {
            // The arguments go last: a test that sees them sees the copy too.
            script.write("#!/bin/sh\n"
                         "eval last=\\\"\\${$#}\\\"\n"
                         "[ -f \"$last\" ] && /bin/cat \"$last\" > \"$0.file\"\n"
                         "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args.new\"\n"
                         "/bin/mv \"$0.args.new\" \"$0.args\"\n");
            script.write("exit " + QByteArray::number(exitCode) + "\n");
        }
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    // The copy of the file the program was given.
    QString fileCopy(const QString &name) const { return dir_.filePath(name + QStringLiteral(".file")); }

    // A program of its own: a shell script with this body.
    void addScript(const QString &name, const QByteArray &body)
    {
        QFile script(dir_.filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    QString filePath(const QString &name) const { return dir_.filePath(name); }

    QString argsFile(const QString &name) const { return dir_.filePath(name + QStringLiteral(".args")); }

    QStringList args(const QString &name) const
    {
        QFile file(argsFile(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QByteArray oldPath_;
};
