// The exported workbook is an Office Open XML spreadsheet (.xlsx): a zip
// archive whose part xl/worksheets/sheet1.xml holds the cells. The archive
// starts with a local file header, "PK\3\4":
//
//   50 4B 03 04 14 00 00 00 08 00 ...
//
// Each text goes in as an inline string, so a spreadsheet application shows
// it exactly as the log does and never turns "1" or "05.03.21" into a number
// or a date:
//
//   <row r="1"><c r="A1" t="inlineStr"><is><t>Позиция</t></is></c>...</row>
//
// Empty texts write no cell. The page margins are stored in inches:
//
//   <pageMargins left="0.4166666666666667" right="0.1388888888888889" .../>
//
// i.e. 30 pt and 10 pt. Nothing else (widths, fonts, number formats) is set.
// libxlsxwriter's constant-memory mode streams each finished row to a scratch
// file, so a log of 100000 rows costs no more memory than a short one.

#include "export/spreadsheet_writer.h"

#include <QByteArray>
#include <QFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr double kPointsPerInch = 72.0;
// Progress is told once per this many rows: often enough for a smooth bar,
// rarely enough to cost nothing.
constexpr qsizetype kProgressStep = 1024;

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

// why: the library's own text.
SheetWriteResult failed(const QString &path, const QString &why)
{
    return {false, {ExportItem::NotWritten, path, ExportItem::None, {why}}};
}

SheetWriteResult failed(const QString &path, ExportItem why)
{
    return {false, {ExportItem::NotWritten, path, why, {}}};
}

} // namespace

SheetWriteResult writeSpreadsheet(const QString &path, const SheetTexts &texts, const QString &scratchFolder,
                                  const SheetProgress &progress)
{
    const QByteArray fileName = QFile::encodeName(path);
    QByteArray scratch = QFile::encodeName(scratchFolder);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch.isEmpty() ? nullptr : scratch.data();
    options.use_zip64 = LXW_FALSE;

    lxw_workbook *workbook = workbook_new_opt(fileName.constData(), &options);
    if (!workbook)
        return failed(path, ExportItem::OutOfMemory);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, nullptr);
    if (!sheet) {
        workbook_close(workbook);
        return failed(path, ExportItem::NoWorksheet);
    }
    worksheet_set_margins(sheet, kSheetLeftMarginPoints / kPointsPerInch, kSheetRightMarginPoints / kPointsPerInch,
                          -1, -1);

    lxw_error cellError = LXW_NO_ERROR;
    const qsizetype rows = texts.size();
    for (qsizetype r = 0; r < rows && cellError == LXW_NO_ERROR; ++r) {
        const QStringList &row = texts.at(r);
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString &text = row.at(c);
            if (text.isEmpty())
                continue;
            const QByteArray utf8 = text.toUtf8();
            cellError = worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                               utf8.constData(), nullptr);
            if (cellError != LXW_NO_ERROR)
                break;
        }
        if (progress && ((r + 1) % kProgressStep == 0 || r + 1 == rows))
            progress(r + 1);
    }

    // The workbook is closed (and its memory freed) on every path; the zip is
    // assembled here, so this is where a full disk shows.
    errno = 0;
    const lxw_error closeError = workbook_close(workbook);
    const int closeErrno = errno;
    if (cellError != LXW_NO_ERROR)
        return failed(path, libraryError(cellError));
    if (closeError != LXW_NO_ERROR) {
        QString why = libraryError(closeError);
        if (closeErrno != 0)
            why += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(closeErrno)));
        return failed(path, why);
    }
    return {true, {}};
}
