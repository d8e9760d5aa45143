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

const QStaticText &LogCellDelegate::laidOut(const QString &text, const QFont &font) const
{
    if (font != m_textsFont || m_texts.size() >= kCachedTexts) {
        m_texts.clear();
        m_textsFont = font;
    }
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = m_texts.insert(text, laid);
    }
    return *it;
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
    const QStaticText &laid = laidOut(shown, option.font);
    const QPoint at = option.rect.topLeft() + QPoint(kTextInset, kTextInset);
    // Cut at the cell's edge only when the text is wider than the cell.
    const bool clip = laid.size().width() > option.rect.width() - kTextInset
                      || laid.size().height() > option.rect.height() - kTextInset;
    painter->save();
    if (clip)
        painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->setFont(option.font);
    painter->setPen(text);
    painter->drawStaticText(at, laid);
    painter->restore();
}
