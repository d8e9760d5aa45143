#include "i18n/window_lexicons.h"

#include <utility>

namespace i18n {

namespace {

TDesignedLexicon make(const char *name, QStringList texts)
{
    return TDesignedLexicon(QString::fromLatin1(name), QString::fromLatin1(WindowLexicons::kOwnerName),
                            std::move(texts));
}

} // namespace

WindowLexicons::WindowLexicons()
    : Dlang_connect(make("Dlang_connect",
                         {QStringLiteral("Подключить"), QStringLiteral("Отключить"),
                          QStringLiteral("Подключаемся..."), QStringLiteral("Нет подключения"),
                          QStringLiteral("Подключено"), QStringLiteral("Отключено"),
                          QStringLiteral("Ошибка сканирования!!")}))
    , Dlang1(make("Dlang1",
                  {QStringLiteral("М"), QStringLiteral("к"), QStringLiteral("м"), QStringLiteral("мк"),
                   QStringLiteral("н"), QStringLiteral("п")}))
    , Dlang2(make("Dlang2",
                  {QStringLiteral("Последовательная"), QStringLiteral("Параллельная"),
                   QStringLiteral("S"), QStringLiteral("P"), QString(), QString()}))
    , Dlang3(make("Dlang3",
                  {QStringLiteral("Гц"), QStringLiteral("Вскз"), QStringLiteral("В"), QStringLiteral("Ом"),
                   QStringLiteral("Гн"), QStringLiteral("Ф"), QStringLiteral("скз"), QStringLiteral("п-п")}))
    , D1(make("D1",
              {QStringLiteral("Профиль"), QStringLiteral("Запись данных"), QStringLiteral("Стоп"),
               QStringLiteral("Пусто"), QStringLiteral("Файл успешно создан!"), QStringLiteral("Неудача!"),
               QStringLiteral("Данные эталона"), QStringLiteral("ru"), QStringLiteral("Пуск"),
               QStringLiteral("Путь к профилю длиннее 196 символов: при следующем запуске профиль не откроется.")}))
    , D2(make("D2",
              {QString(), QStringLiteral("Позиция"), QStringLiteral("Время"), QStringLiteral("Основной"),
               QStringLiteral("Дополнительн."), QStringLiteral("Схема"), QStringLiteral("Частота"),
               QStringLiteral("Уровень"), QStringLiteral("Брак"), QStringLiteral("Основ.% откл."),
               QStringLiteral("Допол.% откл."), QStringLiteral("Наименование"),
               QStringLiteral("Основн. эталон"), QStringLiteral("Дополн.эталон"),
               QStringLiteral("Нач.позиция"), QStringLiteral("Интервал")}))
    , D3(make("D3",
              {QStringLiteral("п"), QStringLiteral("о"), QStringLiteral("ПН"), QStringLiteral("+"),
               QStringLiteral("-"), QStringLiteral("сек"), QString(), QString(), QString(), QString(),
               QString(), QString(), QString(), QString()}))
{
}

std::array<TDesignedLexicon *, 7> WindowLexicons::all()
{
    return {&Dlang_connect, &Dlang1, &Dlang2, &Dlang3, &D1, &D2, &D3};
}

std::array<const TDesignedLexicon *, 7> WindowLexicons::all() const
{
    return {&Dlang_connect, &Dlang1, &Dlang2, &Dlang3, &D1, &D2, &D3};
}

void WindowLexicons::attachEngine(LexiconTranslator *engine)
{
    for (TDesignedLexicon *lexicon : all())
        lexicon->setLangManEngine(engine);
}

} // namespace i18n
