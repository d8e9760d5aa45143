#include "xlsx_sheet.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

// One part of the archive; a part that is not there gives an empty array.
QByteArray unzipPart(const QString &path, const QString &part, QString *error)
{
    // Tests may have replaced PATH with stand-in programs.
    QString program = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("unzip"), {QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    QProcess unzip;
    unzip.start(program, {QStringLiteral("-p"), path, part});
    if (!unzip.waitForFinished(30000) || unzip.exitStatus() != QProcess::NormalExit) {
        *error = QStringLiteral("unzip failed on %1: %2").arg(path, unzip.errorString());
        return {};
    }
    // Exit code 11: no such part.
    if (unzip.exitCode() != 0 && unzip.exitCode() != 11)
        *error = QStringLiteral("unzip exit code %1 on %2").arg(unzip.exitCode()).arg(path);
    return unzip.readAllStandardOutput();
}

// The text of an <si> or <is> element: every <t> inside it, runs included.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    const QString end = xml.name().toString();
    while (xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isEndElement() && xml.name() == end)
            break;
        if (xml.isStartElement() && xml.name() == u"t")
            text += xml.readElementText();
    }
    return text;
}

} // namespace

QString XlsxSheet::reference(int row, int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

XlsxSheet XlsxSheet::read(const QString &path)
{
    XlsxSheet sheet;
    const QByteArray workbook = unzipPart(path, QStringLiteral("xl/workbook.xml"), &sheet.error);
    const QByteArray shared = unzipPart(path, QStringLiteral("xl/sharedStrings.xml"), &sheet.error);
    const QByteArray xmlSheet = unzipPart(path, QStringLiteral("xl/worksheets/sheet1.xml"), &sheet.error);
    if (!sheet.ok())
        return sheet;
    if (xmlSheet.isEmpty()) {
        sheet.error = QStringLiteral("no worksheet 1 in %1").arg(path);
        return sheet;
    }

    QXmlStreamReader books(workbook);
    while (!books.atEnd())
        if (books.readNext() == QXmlStreamReader::StartElement && books.name() == u"sheet")
            ++sheet.sheetCount;

    QStringList sharedStrings;
    QXmlStreamReader strings(shared);
    while (!shared.isEmpty() && !strings.atEnd())
        if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == u"si")
            sharedStrings.append(stringItem(strings));

    QXmlStreamReader xml(xmlSheet);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"pageMargins") {
            sheet.leftMarginInches = xml.attributes().value(QStringLiteral("left")).toDouble();
            sheet.rightMarginInches = xml.attributes().value(QStringLiteral("right")).toDouble();
        } else if (xml.name() == u"c") {
            const QString ref = xml.attributes().value(QStringLiteral("r")).toString();
            Cell cell{xml.attributes().value(QStringLiteral("t")).toString(), {}};
            while (xml.readNext() != QXmlStreamReader::Invalid && !(xml.isEndElement() && xml.name() == u"c")) {
                if (!xml.isStartElement())
                    continue;
                if (xml.name() == u"is")
                    cell.text = stringItem(xml);
                else if (xml.name() == u"v")
                    cell.text = xml.readElementText();
            }
            if (cell.type == u"s")
                cell.text = sharedStrings.value(cell.text.toInt());
            sheet.cells.insert(ref, cell);
        }
    }
    if (xml.hasError())
        sheet.error = QStringLiteral("worksheet XML: %1").arg(xml.errorString());
    return sheet;
}
