#include "i18n/translatable_properties.h"

#include "i18n/property_ids.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QWidget>

namespace i18n {

namespace {

template <class T>
T *as(QObject *o)
{
    return static_cast<T *>(o);
}
template <class T>
const T *as(const QObject *o)
{
    return static_cast<const T *>(o);
}

// --- single texts ---
QString windowTitle(const QObject *o) { return as<QWidget>(o)->windowTitle(); }
void setWindowTitle(QObject *o, const QString &t) { as<QWidget>(o)->setWindowTitle(t); }
QString toolTip(const QObject *o) { return as<QWidget>(o)->toolTip(); }
void setToolTip(QObject *o, const QString &t) { as<QWidget>(o)->setToolTip(t); }

QString caption(const QObject *o)
{
    if (const auto *label = qobject_cast<const QLabel *>(o))
        return label->text();
    return as<QAbstractButton>(o)->text();
}
void setCaption(QObject *o, const QString &t)
{
    if (auto *label = qobject_cast<QLabel *>(o))
        label->setText(t);
    else
        as<QAbstractButton>(o)->setText(t);
}

QString editText(const QObject *o)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(o))
        return edit->text();
    return as<QAbstractSpinBox>(o)->text();
}
void setEditText(QObject *o, const QString &t)
{
    if (auto *edit = qobject_cast<QLineEdit *>(o)) {
        edit->setText(t);
        return;
    }
    // A spin field takes a text it can read as its value; anything else is ignored.
    auto *spin = as<QAbstractSpinBox>(o);
    if (auto *field = spin->findChild<QLineEdit *>()) {
        field->setText(t);
        spin->interpretText();
    }
}
QString placeholder(const QObject *o) { return as<QLineEdit>(o)->placeholderText(); }
void setPlaceholder(QObject *o, const QString &t) { as<QLineEdit>(o)->setPlaceholderText(t); }

QString comboText(const QObject *o) { return as<QComboBox>(o)->currentText(); }
void setComboText(QObject *o, const QString &t) { as<QComboBox>(o)->setEditText(t); }

QString dialogTitle(const QObject *o) { return as<QFileDialog>(o)->windowTitle(); }
void setDialogTitle(QObject *o, const QString &t) { as<QFileDialog>(o)->setWindowTitle(t); }

// --- lists ---
QStringList comboEntries(const QObject *o)
{
    const auto *combo = as<QComboBox>(o);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}
void setComboEntry(QObject *o, int i, const QString &t) { as<QComboBox>(o)->setItemText(i, t); }

QStringList listEntries(const QObject *o)
{
    const auto *list = as<QListWidget>(o);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}
void setListEntry(QObject *o, int i, const QString &t) { as<QListWidget>(o)->item(i)->setText(t); }

QStringList memoLines(const QObject *o)
{
    const auto *memo = as<QPlainTextEdit>(o);
    if (memo->document()->isEmpty())
        return {};
    QStringList lines;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}
void setMemoLine(QObject *o, int i, const QString &t)
{
    auto *memo = as<QPlainTextEdit>(o);
    const QTextBlock block = memo->document()->findBlockByNumber(i);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(t);
}

QStringList dialogFilters(const QObject *o) { return as<QFileDialog>(o)->nameFilters(); }

const TranslatableProperty kProperties[] = {
    {pnCaption, kWindow, PropertyShape::Single, windowTitle, setWindowTitle, nullptr, nullptr},
    {pnCaption, kCaptioned, PropertyShape::Single, caption, setCaption, nullptr, nullptr},
    {pnHint, kAnyWidget, PropertyShape::Single, toolTip, setToolTip, nullptr, nullptr},
    {pnTextHint, kEdit, PropertyShape::Single, placeholder, setPlaceholder, nullptr, nullptr},
    {pnText, kEdit | kSpin, PropertyShape::Single, editText, setEditText, nullptr, nullptr},
    // A plain drop-down's text is its selected entry, translated with the entries.
    {pnText, kEditableCombo, PropertyShape::Single, comboText, setComboText, nullptr, nullptr},
    {pnTitle, kFileDialog, PropertyShape::Single, dialogTitle, setDialogTitle, nullptr, nullptr},
    {pnLines, kMemo, PropertyShape::List, nullptr, nullptr, memoLines, setMemoLine},
    {pnItems, kCombo | kEditableCombo, PropertyShape::List, nullptr, nullptr, comboEntries, setComboEntry},
    {pnItems, kList, PropertyShape::List, nullptr, nullptr, listEntries, setListEntry},
    {pnFilter, kFileDialog, PropertyShape::Filter, nullptr, nullptr, dialogFilters, nullptr},
};

} // namespace

std::span<const TranslatableProperty> translatableProperties()
{
    return kProperties;
}

FilterPair splitNameFilter(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*)\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(filter);
    if (!match.hasMatch())
        return {QString(), filter.trimmed()};
    return {match.captured(1).trimmed(), match.captured(2).trimmed()};
}

QString joinNameFilter(const FilterPair &pair)
{
    if (pair.description.isEmpty())
        return pair.masks;
    return pair.description + QStringLiteral(" (") + pair.masks + QLatin1Char(')');
}

QString filterItemAddr(const QString &masks)
{
    QString addr = masks;
    addr.replace(QLatin1Char('.'), QLatin1Char(':'));
    for (const QChar c : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('"')})
        addr.replace(c, QLatin1Char(' '));
    return QLatin1Char('[') + addr + QLatin1Char(']');
}

void setFileDialogFilters(QObject *dialog, const QStringList &filters)
{
    auto *fileDialog = as<QFileDialog>(dialog);
    const int selected = fileDialog->nameFilters().indexOf(fileDialog->selectedNameFilter());
    fileDialog->setNameFilters(filters);
    if (selected >= 0 && selected < filters.size())
        fileDialog->selectNameFilter(filters.at(selected));
}

} // namespace i18n
