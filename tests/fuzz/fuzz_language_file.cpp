// Language files in the language folder: the input is one file, or several
// joined by kNextFile (so that one may name another as its superior
// language). The folder is listed as the language selector lists it, then
// every listed language is read into the stores. The encoding is the file's
// own (byte-order mark, UTF-8 or Windows-1251).

#include "fuzz_file.h"

#include "i18n/lang_core_data.h"

#include <QByteArrayView>
#include <QDir>

#include <cstdint>

namespace {
constexpr QByteArrayView kNextFile = "--next file--";
constexpr int kMaxFiles = 3;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString folder = [] {
        fuzz::scratchFolder().mkdir(QStringLiteral("lang"));
        return fuzz::scratchFolder().filePath(QStringLiteral("lang"));
    }();

    QByteArrayView rest(data, qsizetype(size));
    for (int f = 0; f < kMaxFiles; ++f) {
        const QString name = QStringLiteral("lang/%1.lng").arg(f);
        if (rest.isNull()) {
            QFile::remove(fuzz::scratchFolder().filePath(name));
            continue;
        }
        const qsizetype cut = f + 1 < kMaxFiles ? rest.indexOf(kNextFile) : -1;
        const QByteArrayView file = cut < 0 ? rest : rest.first(cut);
        fuzz::writeFile(name, file.data(), std::size_t(file.size()));
        rest = cut < 0 ? QByteArrayView() : rest.sliced(cut + kNextFile.size());
    }

    i18n::TLangCoreData core;
    core.settings.designName = QStringLiteral("Русский");
    core.settings.designCode = QStringLiteral("ru");
    core.settings.langsDir = folder;
    core.BuildLanguageList();
    for (qsizetype i = 1; i < core.Languages.size(); ++i)
        core.LoadLanguageData(core.Languages.at(i));
    return 0;
}
