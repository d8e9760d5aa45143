#include "export/spreadsheet_export.h"

#include "log/log_table_model.h"

SheetTexts logSheetTexts(const LogTableModel &model, int rows)
{
    SheetTexts texts;
    texts.reserve(qMax(rows, 0));
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        row.reserve(LogTableModel::kColumns);
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            row.append(r == 0 ? model.headerText(c) : model.cell(r - 1, c));
        texts.append(std::move(row));
    }
    return texts;
}
