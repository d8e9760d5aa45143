#pragma once

// A language folder in a temporary directory, and the shortest way to write
// a language file into it: lines joined with CR LF, in a chosen encoding.

#include "i18n/language_file.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class LangFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    bool writeBytes(const QString &name, const QByteArray &bytes) const
    {
        QFile file(filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // Plain UTF-8 without a mark, unless an encoding is given.
    bool write(const QString &name, const QStringList &lines) const
    {
        return writeBytes(name, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    }
    bool write(const QString &name, const QStringList &lines, i18n::TLFEncoding encoding) const
    {
        return writeBytes(name,
                          i18n::encodeLanguageText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                                   encoding));
    }

private:
    QTemporaryDir m_dir;
};

// "0<TAB>%LANGUAGE_NAME="name"<TAB>%CODE=code;..." and the signature before it.
inline QStringList langHeader(const QString &name, const QString &code = QString(),
                              const QString &superior = QString())
{
    QString header = QStringLiteral("0\t%LANGUAGE_NAME=\"") + name + QLatin1Char('"');
    if (!code.isNull())
        header += QStringLiteral("\t%CODE=") + code + QLatin1Char(';');
    if (!superior.isNull())
        header += QStringLiteral("\t%SUPERIOR_LANGUAGE=") + superior + QLatin1Char(';');
    return {QStringLiteral("[LANGUAGE_FILE]"), header};
}

// A component line of the window "Form1".
inline QString propLine(int property, const QString &component, const QString &text,
                        const QString &item = QString(), const QString &tail = QString())
{
    QString line = QString::number(property) + QLatin1Char('\t') + text + QStringLiteral("\t%COMPONENT=")
                   + component + QStringLiteral(";\t%OWNER=Form1;");
    if (!item.isNull())
        line += QStringLiteral("\t%ITEM=") + item + QLatin1Char(';');
    return line + tail;
}

inline QString lexLine(const QString &name)
{
    return QStringLiteral("0\t%LEXICON_NAME=") + name + QLatin1Char(';');
}
