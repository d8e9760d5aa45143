#pragma once

#include <QMap>
#include <QString>

// Worksheet 1 of an .xlsx file as a spreadsheet application would read it,
// for tests that check what an export wrote. Unpacks with the unzip program.
struct XlsxSheet
{
    struct Cell
    {
        QString type; // the cell's t attribute: "inlineStr" or "s" for strings, "" or "n" for numbers, ...
        QString text; // the string (shared strings resolved) or the raw value
    };

    QString error;                // empty when the file was read
    QMap<QString, Cell> cells;    // by reference, "A1"
    double leftMarginInches = -1; // -1: no pageMargins element
    double rightMarginInches = -1;
    int sheetCount = 0;           // worksheets listed by the workbook

    bool ok() const { return error.isEmpty(); }
    // The string at a reference, "" for no cell.
    QString text(const QString &ref) const { return cells.value(ref).text; }

    static XlsxSheet read(const QString &path);
    // "A1" for row 0, column 0.
    static QString reference(int row, int column);
};
