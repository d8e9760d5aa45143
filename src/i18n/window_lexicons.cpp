#include "i18n/window_lexicons.h"

#include <utility>

namespace i18n {

namespace {

TDesignedLexicon make(const char *name, QStringList texts)
{
    return TDesignedLexicon(QString::fromLatin1(name), QString::fromLatin1(WindowLexicons::kOwnerName),
                            std::move(texts));
}

template <std::size_t N>
QStringList listOf(const std::array<QString, N> &texts)
{
    return QStringList(texts.begin(), texts.end());
}

// The prefixes, units and marks are the meter's; their design texts live with the decoders.
const protocol::UnitTexts &designUnits()
{
    return protocol::UnitTexts::design();
}

} // namespace

WindowLexicons::WindowLexicons()
    : Dlang_connect(make("Dlang_connect",
                         {QStringLiteral("Подключить"), QStringLiteral("Отключить"),
                          QStringLiteral("Подключаемся..."), QStringLiteral("Нет подключения"),
                          QStringLiteral("Подключено"), QStringLiteral("Отключено"),
                          QStringLiteral("Ошибка сканирования!!")}))
    , Dlang1(make("Dlang1", listOf(designUnits().prefixes)))
    , Dlang2(make("Dlang2",
                  {QStringLiteral("Последовательная"), QStringLiteral("Параллельная"),
                   QStringLiteral("S"), QStringLiteral("P"), QString(), QString()}))
    , Dlang3(make("Dlang3", listOf(designUnits().units)))
    , D1(make("D1",
              {QStringLiteral("Профиль"), QStringLiteral("Запись данных"), QStringLiteral("Стоп"),
               QStringLiteral("Пусто"), QStringLiteral("Файл успешно создан!"), QStringLiteral("Неудача!"),
               QStringLiteral("Данные эталона"), QStringLiteral("ru"), QStringLiteral("Пуск"),
               QStringLiteral("Путь к профилю длиннее 196 символов: при следующем запуске профиль не откроется."),
               QStringLiteral("Отброшено принятых блоков (не ответ модема и не целые показания): %1")}))
    , D2(make("D2",
              {QString(), QStringLiteral("Позиция"), QStringLiteral("Время"), QStringLiteral("Основной"),
               QStringLiteral("Дополнительн."), QStringLiteral("Схема"), QStringLiteral("Частота"),
               QStringLiteral("Уровень"), QStringLiteral("Брак"), QStringLiteral("Основ.% откл."),
               QStringLiteral("Допол.% откл."), QStringLiteral("Наименование"),
               QStringLiteral("Основн. эталон"), QStringLiteral("Дополн.эталон"),
               QStringLiteral("Нач.позиция"), QStringLiteral("Интервал")}))
    , D3(make("D3",
              listOf(designUnits().marks)
                  + QStringList{QStringLiteral("+"),
                                QStringLiteral("-"), QStringLiteral("сек"), QString(), QString(), QString(),
                                QString(), QString(), QString(), QString(), QString()}))
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

protocol::UnitTexts WindowLexicons::unitTexts() const
{
    protocol::UnitTexts texts;
    for (std::size_t i = 0; i < texts.prefixes.size(); ++i)
        texts.prefixes[i] = Dlang1.GetItem(int(i));
    for (std::size_t i = 0; i < texts.units.size(); ++i)
        texts.units[i] = Dlang3.GetItem(int(i));
    for (std::size_t i = 0; i < texts.marks.size(); ++i)
        texts.marks[i] = D3.GetItem(int(i));
    return texts;
}

void WindowLexicons::attachEngine(LexiconTranslator *engine)
{
    for (TDesignedLexicon *lexicon : all())
        lexicon->setLangManEngine(engine);
}

} // namespace i18n
