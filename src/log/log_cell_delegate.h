#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Draws the log's cells: the reject column red or green, failed deviation
// cells red (from the model's mark role), text 2 px right of and below the
// cell's corner. The table is disabled while recording runs, so that the user
// can neither click nor scroll it; its cells still draw in their normal
// colours then, as the rows arriving must stay readable.
class LogCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kTextInset = 2;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static QColor rejectColour();
    static QColor passColour();

private:
    // Laid-out texts of the cells painted lately: a long log repaints the
    // same rows many times while readings arrive.
    const QStaticText &laidOut(const QString &text, const QFont &font) const;

    static constexpr qsizetype kCachedTexts = 2048;
    mutable QHash<QString, QStaticText> m_texts;
    mutable QFont m_textsFont;
};
