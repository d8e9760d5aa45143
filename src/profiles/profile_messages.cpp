#include "profiles/profile_messages.h"

#include "i18n/window_lexicons.h"

namespace profiles {

i18n::TDesignedLexicon profileMessages()
{
    return i18n::TDesignedLexicon(
        QStringLiteral("DProfiles"), QString::fromLatin1(i18n::WindowLexicons::kOwnerName),
        {QStringLiteral("\"%1\" не обычный файл (устройство, канал или сокет)."),
         QStringLiteral("Файл \"%1\" слишком велик для профиля."),
         QStringLiteral("Файл \"%1\" слишком короткий: в нём нет числа строк профиля."),
         QStringLiteral("Профиль \"%1\" повреждён: число строк %2 меньше нуля."),
         QStringLiteral("Профиль \"%1\" повреждён: заголовок обещает строк: %2, а целых строк в файле: %3. "
                        "Доступны только они."),
         QStringLiteral("В профиле \"%1\" нет строки %2."),
         QStringLiteral("Профиль \"%1\" не изменён: запись не удалась. %2")});
}

} // namespace profiles
