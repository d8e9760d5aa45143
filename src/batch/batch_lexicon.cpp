#include "batch/batch_lexicon.h"

i18n::TDesignedLexicon makeBatchLexicon()
{
    return i18n::TDesignedLexicon(QStringLiteral("Dstat"), QStringLiteral("Form1"),
                                  {
                                      QStringLiteral("Статистика"),
                                      QStringLiteral("График"),
                                      QStringLiteral("Сохранить как CSV..."),
                                      QStringLiteral("Строк"),
                                      QStringLiteral("Годных"),
                                      QStringLiteral("Брак"),
                                      QStringLiteral("Выход годных"),
                                      QStringLiteral("Значений"),
                                      QStringLiteral("Среднее"),
                                      QStringLiteral("Ст. откл. σ (n−1)"),
                                      QStringLiteral("Минимум"),
                                      QStringLiteral("Максимум"),
                                      QStringLiteral("Номинал"),
                                      QStringLiteral("Откл. среднего"),
                                      QStringLiteral("Cp"),
                                      QStringLiteral("Cpk"),
                                      QStringLiteral("По номеру строки"),
                                      QStringLiteral("По времени"),
                                      QStringLiteral("Автомасштаб"),
                                      QStringLiteral("Сохранить как PNG..."),
                                      QStringLiteral("Строка"),
                                      QStringLiteral("Не удалось сохранить файл"),
                                      QStringLiteral("Файлы CSV (*.csv)"),
                                      QStringLiteral("Изображения PNG (*.png)"),
                                      QStringLiteral("Основной"),
                                      QStringLiteral("Дополнительный"),
                                      QStringLiteral("Сортировка"),
                                  });
}
