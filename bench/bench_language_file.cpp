// How long a language change spends reading a language file. A real file is
// some tens of kilobytes; a megabyte-sized one should still read in well
// under 50 ms, so even a very large translation never stalls the window.

#include "i18n/lang_core_data.h"
#include "i18n/language_file.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

// About 1 MB as written (UTF-16LE): property lines for many controls and
// several full lexicons, the mix a big window's translation has.
QStringList bigLanguage()
{
    QStringList lines = {QStringLiteral("[LANGUAGE_FILE]"),
                         QStringLiteral("0\t%LANGUAGE_NAME=\"English\"\t%CODE=en;\t%FILEVER=RZNF1;")};
    for (int i = 0; i < 2900; ++i) {
        lines << QStringLiteral("0\t\"Caption of control %1\"\t%COMPONENT=Control%1;\t%OWNER=Form1;").arg(i);
        lines << QStringLiteral("33\t\"Entry %1 '#13''#10'\"\t%COMPONENT=List%2;\t%OWNER=Form1;\t%ITEM=%3;")
                     .arg(i)
                     .arg(i / 16)
                     .arg(i % 16);
    }
    lines << QStringLiteral("0\t%LEXICON_STRINGS");
    for (int lexicon = 0; lexicon < 40; ++lexicon) {
        lines << QStringLiteral("0\t%LEXICON_NAME=Form1.L%1;").arg(lexicon);
        for (int item = 0; item < 100; ++item)
            lines << QStringLiteral("%1\t\"Message number %1 of lexicon %2\"").arg(item).arg(lexicon);
    }
    lines << QStringLiteral("0\t%SMART_STRINGS");
    return lines;
}

struct BigFile
{
    BigFile()
    {
        data.settings.designName = QStringLiteral("Русский");
        data.settings.langsDir = dir.path();
        const QByteArray bytes =
            i18n::encodeLanguageText(bigLanguage().join(QStringLiteral("\r\n")), i18n::TLFEncoding::Unicode);
        QFile file(dir.filePath(QStringLiteral("big.lng")));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        size = bytes.size();
        data.BuildLanguageList();
    }
    QTemporaryDir dir;
    i18n::TLangCoreData data;
    qint64 size = 0;
};

BigFile &bigFile()
{
    static BigFile file;
    return file;
}

void BM_LoadLanguageData(benchmark::State &state)
{
    BigFile &file = bigFile();
    for (auto _ : state) {
        const bool loaded = file.data.LoadLanguageData(QStringLiteral("English"));
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["file_bytes"] = double(file.size);
    state.counters["entries"] = double(file.data.DataStruct.size());
    state.SetBytesProcessed(state.iterations() * file.size);
}
BENCHMARK(BM_LoadLanguageData)->Unit(benchmark::kMillisecond);

void BM_ProbeHeader(benchmark::State &state)
{
    BigFile &file = bigFile();
    const QString path = file.dir.filePath(QStringLiteral("big.lng"));
    for (auto _ : state) {
        const i18n::TLangIDs ids = i18n::ProbeLanguageFile(path, u"LANGUAGE_FILE");
        benchmark::DoNotOptimize(ids);
    }
}
BENCHMARK(BM_ProbeHeader)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
