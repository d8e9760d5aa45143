#include "log/log_cell_delegate.h"

#include "log/log_table_model.h"

#include <QPainter>

QColor LogCellDelegate::rejectColour()
{
    return QColor(255, 0, 0);
}

QColor LogCellDelegate::passColour()
{
    return QColor(0, 128, 0);
}

void LogCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The active colours whatever the table's state (see the class comment).
    const QPalette &palette = option.palette;
    const auto mark = LogTableModel::CellMark(index.data(LogTableModel::CellMarkRole).toInt());
    const bool selected = option.state.testFlag(QStyle::State_Selected);

    QColor background;
    QColor text = palette.color(QPalette::Active, QPalette::Text);
    switch (mark) {
    case LogTableModel::CellMark::Reject:
        background = rejectColour();
        break;
    case LogTableModel::CellMark::Pass:
        background = passColour();
        break;
    case LogTableModel::CellMark::None:
        if (selected) {
            background = palette.color(QPalette::Active, QPalette::Highlight);
            text = palette.color(QPalette::Active, QPalette::HighlightedText);
        }
        break;
    }
    if (background.isValid())
        painter->fillRect(option.rect, background);

    const QString shown = index.data(Qt::DisplayRole).toString();
    if (shown.isEmpty())
        return;
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    painter->setPen(text);
    const QRect area = option.rect.adjusted(kTextInset, kTextInset, 0, 0);
    painter->drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter->restore();
}
