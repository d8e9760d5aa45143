#include "sorting/sorting_lexicon.h"

i18n::TDesignedLexicon makeSortingLexicon()
{
    return i18n::TDesignedLexicon(QStringLiteral("Dbins"), QStringLiteral("Form1"),
                                  {
                                      QStringLiteral("Сортировка"),
                                      QStringLiteral("Открыть план..."),
                                      QStringLiteral("Сохранить план..."),
                                      QStringLiteral("Сбросить счёт"),
                                      QStringLiteral("Применить"),
                                      QStringLiteral("Параметр"),
                                      QStringLiteral("Единица"),
                                      QStringLiteral("Номинал"),
                                      QStringLiteral("из строки профиля"),
                                      QStringLiteral("Режим"),
                                      QStringLiteral("вложенные допуски, %"),
                                      QStringLiteral("последовательные границы"),
                                      QStringLiteral("Бинов"),
                                      QStringLiteral("Нижняя"),
                                      QStringLiteral("Верхняя"),
                                      QStringLiteral("Доп. параметр"),
                                      QStringLiteral("нет"),
                                      QStringLiteral("не более"),
                                      QStringLiteral("не менее"),
                                      QStringLiteral("План нельзя использовать: %1"),
                                      QStringLiteral("Планы сортировки (*.json)"),
                                      QStringLiteral("Нет плана"),
                                      QStringLiteral("Показаний"),
                                      QStringLiteral("Не удалось сохранить план"),
                                  });
}
