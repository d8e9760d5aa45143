#include "export/export_messages.h"

#include "i18n/window_lexicons.h"

#include <QDir>

i18n::TDesignedLexicon exportMessages()
{
    return i18n::TDesignedLexicon(
        QStringLiteral("DExport"), QString::fromLatin1(i18n::WindowLexicons::kOwnerName),
        {QStringLiteral("Журнал копируется в книгу…"),
         QStringLiteral("Не удалось скопировать журнал в книгу: не удалось создать для неё личную папку (%1) в'#10'%2"),
         QStringLiteral("Не удалось скопировать журнал в книгу: %1'#10''#10'%2"),
         QStringLiteral("не хватает памяти"),
         QStringLiteral("не удалось добавить лист"),
         QStringLiteral("Журнал скопирован в книгу, но ни одна программа для электронных таблиц не смогла её "
                        "открыть. %1'#10''#10'Книга сохранена здесь:'#10'%2"),
         QStringLiteral("Программа для электронных таблиц не найдена (в PATH нет ни libreoffice, ни xdg-open)."),
         QStringLiteral("Программа %1 неожиданно прервала работу."),
         QStringLiteral("Программа %1 завершилась с кодом %2."),
         QStringLiteral("Не удалось запустить программу %1: %2")});
}

QString describeExportProblem(const ExportProblem &problem, const i18n::TDesignedLexicon &messages)
{
    QString reason;
    if (problem.reason == ExportItem::None) {
        reason = problem.reasonArguments.value(0);
    } else {
        // All arguments at once, so a "%1" inside one (a system's text) stays as it is.
        const QString item = messages.GetItem(int(problem.reason));
        const QStringList &a = problem.reasonArguments;
        reason = a.size() >= 2 ? item.arg(a.at(0), a.at(1)) : a.isEmpty() ? item : item.arg(a.at(0));
    }
    return messages.GetItem(int(problem.item)).arg(reason, QDir::toNativeSeparators(problem.path));
}
